#pragma once
// "FCS Setup": the multi-tau step and bin width of the correlation commands,
// and whether they show this dialog before computing. Given the photon-mode
// settings as well, it also offers "Photon mode": the correlation on the
// photons' arrival times, with its minimum and maximum lag and the number of
// parts for the error bars, enabled when the stream's photons carry times.

#include "core/analysis_settings.h"
#include "core/photon_mode_settings.h"

#include <QDialog>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QSpinBox;

namespace plask::ui {

class FcsSetupDialog : public QDialog {
    Q_OBJECT
public:
    FcsSetupDialog(AnalysisSettings& settings, QWidget* parent = nullptr);
    // With the "Photon mode" group, enabled when `photonModeOffered`.
    FcsSetupDialog(
        AnalysisSettings& settings, PhotonModeSettings& photonMode, bool photonModeOffered, QWidget* parent = nullptr);

    // OK stores the bin width, the step and the check box, in that order,
    // then the photon-mode fields when they are enabled. A lag field that is
    // neither empty (the default) nor a positive number keeps the dialog
    // open with a word under the fields.
    void accept() override;

private:
    void addPhotonGroup(bool offered);
    // The group's fields into `read`; false after the word under the fields.
    [[nodiscard]] bool readPhotonFields(PhotonModeSettings& read) const;

    AnalysisSettings& settings_;
    PhotonModeSettings* photonMode_ = nullptr;
    QComboBox* stepList_ = nullptr;
    QComboBox* binWidthList_ = nullptr;
    QCheckBox* showFirst_ = nullptr;
    QGroupBox* photonGroup_ = nullptr;
    QLineEdit* minLag_ = nullptr;
    QLineEdit* maxLag_ = nullptr;
    QSpinBox* parts_ = nullptr;
    QLabel* photonError_ = nullptr;
};

} // namespace plask::ui
