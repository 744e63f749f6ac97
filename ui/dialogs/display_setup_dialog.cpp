#include "ui/dialogs/display_setup_dialog.h"

#include "core/text_format.h"
#include "ui/dialogs/dialog_helpers.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QRadioButton>
#include <QVBoxLayout>

namespace plask::ui {

namespace {
    constexpr std::int32_t modeIds[3] = { displayAverage, displaySum, displaySinglePoint };
    constexpr const char* modeNames[3] = { "displayAverage", "displaySum", "displaySinglePoint" };
    constexpr const char* modeCaptions[3] = { "Ave.", "Sum", "Single pt." };
    const QString caption = QStringLiteral("Photon Stream Display");

    QString shown(const char* format, double value) { return QString::fromStdString(formatText(format, value)); }
} // namespace

DisplaySetupDialog::DisplaySetupDialog(AppState& state, Platform& platform, QWidget* parent)
    : QDialog(parent)
    , state_(state)
    , platform_(platform)
{
    setObjectName(QStringLiteral("COUNTSSETUP"));
    setWindowTitle(caption);
    const AnalysisSettings& s = state_.settings();

    auto* modes = new QGroupBox(QStringLiteral("Counts Display"), this);
    auto* modeLayout = new QVBoxLayout(modes);
    for (int i = 0; i < 3; ++i) {
        modeButtons_[i] = new QRadioButton(QString::fromLatin1(modeCaptions[i]), modes);
        modeButtons_[i]->setObjectName(QString::fromLatin1(modeNames[i]));
        modeButtons_[i]->setChecked(modeIds[i] == s.displayMode);
        modeLayout->addWidget(modeButtons_[i]);
    }

    auto* constants = new QFormLayout;
    offsetC1_ = makeField("offsetC1", shown("%4.1f", s.offsetC1), this);
    offsetC2_ = makeField("offsetC2", shown("%4.1f", s.offsetC2), this);
    scaleA1_ = makeField("scaleA1", shown("%1.3f", s.scaleA1), this);
    scaleA2_ = makeField("scaleA2", shown("%1.3f", s.scaleA2), this);
    constants->addRow(QStringLiteral("C1:"), offsetC1_);
    constants->addRow(QStringLiteral("C2:"), offsetC2_);
    constants->addRow(QStringLiteral("a1:"), scaleA1_);
    constants->addRow(QStringLiteral("a2:"), scaleA2_);

    auto* bleed = new QGroupBox(QStringLiteral("Bleed-through corr:"), this);
    auto* bleedLayout = new QFormLayout(bleed);
    bleedFrac12_ = makeField("bleedFrac12", shown("%1.3f", s.bleedFrac12), bleed);
    bleedFrac21_ = makeField("bleedFrac21", shown("%1.3f", s.bleedFrac21), bleed);
    bleedLayout->addRow(QStringLiteral("frac. 1 in 2"), bleedFrac12_);
    bleedLayout->addRow(QStringLiteral("frac. 2 in 1"), bleedFrac21_);

    auto* top = new QHBoxLayout;
    top->addWidget(modes);
    top->addLayout(constants);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(bleed);
    layout->addWidget(makeOkCancel(*this));
}

bool DisplaySetupDialog::bleedFractionsUsable(double fraction12, double fraction21)
{
    // The correction divides by 1 - (f12/(f12+1) + f21/(f21+1)).
    if (fraction12 < 0.0 || fraction21 < 0.0) {
        platform_.showMessage("The bleed-through fractions cannot be negative.", caption.toStdString());
        return false;
    }
    if (fraction12 / (fraction12 + 1.0) + fraction21 / (fraction21 + 1.0) >= 1.0) {
        platform_.showMessage("The bleed-through fractions are too large: f/(f+1) of both must add up to less than 1.",
            caption.toStdString());
        return false;
    }
    return true;
}

void DisplaySetupDialog::accept()
{
    if (!bleedFractionsUsable(fieldNumber(*bleedFrac12_), fieldNumber(*bleedFrac21_)))
        return;
    AnalysisSettings& s = state_.settings();
    for (int i = 0; i < 3; ++i)
        if (modeButtons_[i]->isChecked())
            state_.currentDisplayMode = modeIds[i];
    for (int i = 0; i < 3; ++i)
        if (modeIds[i] == state_.currentDisplayMode)
            modeButtons_[i]->setChecked(true);
    s.displayMode = state_.currentDisplayMode;
    if (s.displayMode == displaySum && s.autoscaleY == 0)
        Q_EMIT autoscaleYRequested();
    s.offsetC1 = fieldNumber(*offsetC1_);
    s.offsetC2 = fieldNumber(*offsetC2_);
    s.scaleA1 = fieldNumber(*scaleA1_);
    s.scaleA2 = fieldNumber(*scaleA2_);
    s.bleedFrac12 = fieldNumber(*bleedFrac12_);
    s.bleedFrac21 = fieldNumber(*bleedFrac21_);
    updateBleedFactors(s);
    QDialog::accept();
}

} // namespace plask::ui
