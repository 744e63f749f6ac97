#include "ui/dialogs/hist_setup_dialog.h"

#include "core/text_format.h"
#include "ui/dialogs/dialog_helpers.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QVBoxLayout>

#include <cmath>

namespace plask::ui {

namespace {
    QString shown(const char* format, double value) { return QString::fromStdString(formatText(format, value)); }
} // namespace

std::int32_t histogramBinsFrom(double typed)
{
    const double whole = std::trunc(typed);
    if (whole >= 1000.0 || whole < 0.0)
        return 1000;
    // No histogram can have no bins: 0 and text without a number give one.
    return std::max(1, static_cast<std::int32_t>(whole));
}

HistSetupDialog::HistSetupDialog(AnalysisSettings& settings, QWidget* parent)
    : QDialog(parent)
    , settings_(settings)
{
    setObjectName(QStringLiteral("HISTSETUP"));
    setWindowTitle(QStringLiteral("Burst Analysis Setup"));
    burstBinSize_ = makeField("burstBinSize", shown("%5.2f", settings_.burstHistBinSize), this);
    widthBinSize_ = makeField("widthBinSize", shown("%5.2f", settings_.widthHistBinSize), this);
    intervalBinSize_ = makeField("intervalBinSize", shown("%2.5f", settings_.intervalHistBinSize), this);
    bins_ = makeField("histogramBins", QString::fromStdString(formatText("%d", settings_.histogramBins)), this);
    showFirst_ = new QCheckBox(QStringLiteral("Show histogram setup dialog before calculation"), this);
    showFirst_->setObjectName(QStringLiteral("showHistSetupFirst"));
    showFirst_->setChecked(settings_.showHistSetupFirst != 0);
    append_ = new QCheckBox(QStringLiteral("Append results to a single burst results file"), this);
    append_->setObjectName(QStringLiteral("appendBurstResults"));
    fileName_ = makeField("appendFileName", QString(), this);

    auto* fields = new QFormLayout;
    fields->addRow(QStringLiteral("Burst bin size"), burstBinSize_);
    fields->addRow(QStringLiteral("Width bin size"), widthBinSize_);
    fields->addRow(QStringLiteral("Interval bin size"), intervalBinSize_);
    fields->addRow(QStringLiteral("Number of bins"), bins_);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(fields);
    layout->addWidget(showFirst_);
    layout->addWidget(append_);
    auto* fileRow = new QFormLayout;
    fileRow->addRow(QStringLiteral("Filename: "), fileName_);
    layout->addLayout(fileRow);
    layout->addWidget(makeOkCancel(*this));
}

void HistSetupDialog::accept()
{
    settings_.burstHistBinSize = fieldNumber(*burstBinSize_);
    settings_.widthHistBinSize = fieldNumber(*widthBinSize_);
    settings_.intervalHistBinSize = fieldNumber(*intervalBinSize_);
    settings_.histogramBins = histogramBinsFrom(fieldNumber(*bins_));
    settings_.showHistSetupFirst = showFirst_->isChecked() ? 1 : 0;
    settings_.appendBurstResults = append_->isChecked() ? 1 : 0;
    QDialog::accept();
}

} // namespace plask::ui
