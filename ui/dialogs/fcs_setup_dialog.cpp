#include "ui/dialogs/fcs_setup_dialog.h"

#include "ui/dialogs/dialog_helpers.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QVBoxLayout>

namespace plask::ui {

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

void FcsSetupDialog::accept()
{
    settings_.fcsCalcBinWidth = selectedBinWidth(*binWidthList_);
    settings_.fcsMultiTauStep = selectedStep(*stepList_);
    settings_.showFcsSetupFirst = showFirst_->isChecked() ? 1 : 0;
    QDialog::accept();
}

} // namespace plask::ui
