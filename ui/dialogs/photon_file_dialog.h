#pragma once
// "Photon file": before a time-tag file with several channels or microtimes
// is loaded, its format and duration, per channel the photons and rate with
// a check box for the channels of this stream, the microtime gate, the time
// window and, for .spc files, the record layout. OK takes the choice into
// the selection only when it fits the file; otherwise a message says why
// and the dialog stays open.

#include "core/photon_selection.h"
#include "core/platform.h"

#include <QDialog>

#include <vector>

class QCheckBox;
class QComboBox;
class QLineEdit;

namespace plask::ui {

class PhotonFileDialog : public QDialog {
    Q_OBJECT
public:
    // `selection` is shown and, on OK, replaced by the choice; refusals are
    // told through `messages`.
    PhotonFileDialog(const PhotonFileSummary& file, PhotonSelection& selection, Platform& messages,
        QWidget* parent = nullptr);

    void accept() override;

private:
    struct ChannelRow {
        int channel = 0;
        QCheckBox* box = nullptr;
    };

    const PhotonFileSummary& file_;
    PhotonSelection& selection_;
    Platform& messages_;
    std::vector<ChannelRow> rows_;
    QLineEdit* gateFrom_ = nullptr;
    QLineEdit* gateTo_ = nullptr;
    QLineEdit* windowStart_ = nullptr;
    QLineEdit* windowDuration_ = nullptr;
    QComboBox* spcLayout_ = nullptr; // .spc files only
};

} // namespace plask::ui
