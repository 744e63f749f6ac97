#include "ui/dialogs/fcs_setup_dialog.h"

#include "ui/dialogs/dialog_helpers.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>
#include <QVBoxLayout>

#include <optional>

namespace plask::ui {

namespace {
    QString numberText(const std::optional<double>& value)
    {
        return value ? QString::number(*value, 'g', 12) : QString();
    }

    // Empty: the default (nothing); a positive number; otherwise false.
    bool parseLag(const QLineEdit& field, std::optional<double>& value)
    {
        const QString text = field.text().trimmed();
        if (text.isEmpty()) {
            value.reset();
            return true;
        }
        bool ok = false;
        const double number = text.toDouble(&ok);
        if (!ok || !(number > 0.0))
            return false;
        value = number;
        return true;
    }
} // namespace

FcsSetupDialog::FcsSetupDialog(AnalysisSettings& settings, QWidget* parent)
    : QDialog(parent)
    , settings_(settings)
    , stepList_(new QComboBox(this))
    , binWidthList_(new QComboBox(this))
    , showFirst_(new QCheckBox(QStringLiteral("Show FCS setup dialog box before calculation."), this))
{
    setObjectName(QStringLiteral("FCSSETUP"));
    setWindowTitle(QStringLiteral("FCS Setup"));
    stepList_->setObjectName(QStringLiteral("stepList"));
    binWidthList_->setObjectName(QStringLiteral("binWidthList"));
    showFirst_->setObjectName(QStringLiteral("showFcsSetupFirst"));
    fillStepList(*stepList_, settings_.fcsMultiTauStep);
    fillBinWidthList(*binWidthList_, settings_.fcsCalcBinWidth);
    showFirst_->setChecked(settings_.showFcsSetupFirst != 0);

    auto* lists = new QFormLayout;
    lists->addRow(QStringLiteral("MultiTau Step:"), stepList_);
    lists->addRow(QStringLiteral("Calc. Binwidth:"), binWidthList_);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(lists);
    layout->addWidget(showFirst_);
    layout->addWidget(makeOkCancel(*this));
}

FcsSetupDialog::FcsSetupDialog(
    AnalysisSettings& settings, PhotonModeSettings& photonMode, bool photonModeOffered, QWidget* parent)
    : FcsSetupDialog(settings, parent)
{
    photonMode_ = &photonMode;
    addPhotonGroup(photonModeOffered);
}

void FcsSetupDialog::addPhotonGroup(bool offered)
{
    photonGroup_ = new QGroupBox(QStringLiteral("Photon mode"), this);
    photonGroup_->setObjectName(QStringLiteral("photonMode"));
    photonGroup_->setCheckable(true);
    photonGroup_->setChecked(photonMode_->enabled);
    photonGroup_->setEnabled(offered);
    photonGroup_->setToolTip(offered
            ? QStringLiteral("Correlate the photons' arrival times, with error bars from equal parts")
            : QStringLiteral("Needs a .dat or time-tagged file: a .phc holds counts, not arrival times"));
    minLag_ = makeField("minLagNs", numberText(photonMode_->minLagNs), photonGroup_);
    minLag_->setPlaceholderText(QStringLiteral("one time unit"));
    maxLag_ = makeField("maxLagMs", numberText(photonMode_->maxLagMs), photonGroup_);
    maxLag_->setPlaceholderText(QStringLiteral("1/10 of the record"));
    parts_ = new QSpinBox(photonGroup_);
    parts_->setObjectName(QStringLiteral("photonParts"));
    parts_->setRange(1, 1000);
    parts_->setValue(photonMode_->parts);
    photonError_ = new QLabel(photonGroup_);
    photonError_->setObjectName(QStringLiteral("photonError"));
    photonError_->setStyleSheet(QStringLiteral("color: #b00000"));
    photonError_->hide();

    auto* fields = new QFormLayout(photonGroup_);
    fields->addRow(QStringLiteral("Min. lag (ns):"), minLag_);
    fields->addRow(QStringLiteral("Max. lag (ms):"), maxLag_);
    fields->addRow(QStringLiteral("Parts (error bars):"), parts_);
    fields->addRow(photonError_);
    // Above the check box and the buttons.
    auto* layout = static_cast<QVBoxLayout*>(this->layout());
    layout->insertWidget(1, photonGroup_);
}

bool FcsSetupDialog::readPhotonFields(PhotonModeSettings& read) const
{
    read = *photonMode_;
    read.enabled = photonGroup_->isChecked();
    if (!read.enabled)
        return true; // the typed lags stay as they were while the mode is off
    const bool minOk = parseLag(*minLag_, read.minLagNs);
    const bool maxOk = minOk && parseLag(*maxLag_, read.maxLagMs);
    if (!maxOk) {
        photonError_->setText(QStringLiteral("%1 must be a positive number, or empty for the default.")
                                  .arg(minOk ? QStringLiteral("Max. lag") : QStringLiteral("Min. lag")));
        photonError_->show();
        return false;
    }
    read.parts = parts_->value();
    return true;
}

void FcsSetupDialog::accept()
{
    const bool photonFields = photonGroup_ != nullptr && photonGroup_->isEnabled();
    PhotonModeSettings photon;
    if (photonFields && !readPhotonFields(photon))
        return;
    settings_.fcsCalcBinWidth = selectedBinWidth(*binWidthList_);
    settings_.fcsMultiTauStep = selectedStep(*stepList_);
    settings_.showFcsSetupFirst = showFirst_->isChecked() ? 1 : 0;
    if (photonFields)
        *photonMode_ = photon;
    QDialog::accept();
}

} // namespace plask::ui
