#pragma once
// "Photon file": before a time-tag file with several channels or microtimes
// is loaded, its format and duration, per channel the photons and rate with
// a check box for the channels of this stream, the microtime gate, the time
// window and, for .spc files, the record layout: picking another layout
// scans the file again with it and shows its channels, or the reader's
// message when the data contradict the layout. OK takes the choice into the
// selection only when it fits the file; otherwise a message says why and the
// dialog stays open. While a layout is scanned, Cancel (or Escape) stops the
// scan and the dialog stays.

#include "core/photon_selection.h"
#include "core/platform.h"

#include <QDialog>

#include <functional>
#include <vector>

class QCheckBox;
class QComboBox;
class QGridLayout;
class QGroupBox;
class QLabel;
class QLineEdit;

namespace plask::ui {

class PhotonFileDialog : public QDialog {
    Q_OBJECT
public:
    // `selection` is shown and, on OK, replaced by the choice; refusals are
    // told through `messages`.
    // `cancelScan` asks a running rescan to stop.
    PhotonFileDialog(const PhotonFileSummary& file, PhotonSelection& selection, Platform& messages,
        QWidget* parent = nullptr, std::function<void()> cancelScan = {});

    void accept() override;
    void reject() override;

private:
    struct ChannelRow {
        int channel = 0;
        QCheckBox* box = nullptr;
        QLabel* photons = nullptr;
        QLabel* rate = nullptr;
    };

    // The facts, channel rows, microtime range and scan message of file_;
    // `named` are the channels to check (none named: every detector channel).
    void showFile(const std::vector<int>& named);
    // The layout list changed: scan with the chosen layout and show the result.
    void rescan();

    PhotonFileSummary file_; // as last scanned
    PhotonFileRescan rescan_;
    std::function<void()> cancelScan_;
    bool scanning_ = false;
    std::vector<QWidget*> lockedWhileScanning_; // all but Cancel
    PhotonSelection& selection_;
    Platform& messages_;
    std::vector<ChannelRow> rows_;
    QLabel* formatText_ = nullptr;
    QLabel* durationText_ = nullptr;
    QGroupBox* channelBox_ = nullptr;
    QGridLayout* channelGrid_ = nullptr;
    QLabel* scanError_ = nullptr; // the reader's message when the layout does not fit
    QGroupBox* gateBox_ = nullptr;
    QLabel* microtimeRange_ = nullptr;
    QLineEdit* gateFrom_ = nullptr;
    QLineEdit* gateTo_ = nullptr;
    QLineEdit* windowStart_ = nullptr;
    QLineEdit* windowDuration_ = nullptr;
    QComboBox* spcLayout_ = nullptr; // .spc files only
};

} // namespace plask::ui
