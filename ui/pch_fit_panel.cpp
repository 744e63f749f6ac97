#include "ui/pch_fit_panel.h"

#include "chart/chart.h"
#include "fitting/burst_free_pch.h"
#include "fitting/fit_report.h"
#include "view/panel_settings.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace plask::ui {

namespace {
    using namespace plask::fitting;

    constexpr const char* errorCaption = "PCH Fit Error";

    // The rows of the results table: each species' N and brightness.
    QString rowName(const std::string& parameter)
    {
        if (parameter == "cpmKHz")
            return QStringLiteral("cpm (kHz)");
        if (parameter == "cpmKHz2")
            return QStringLiteral("cpm2 (kHz)");
        return QString::fromStdString(parameter);
    }
} // namespace

PchFitPanel::PchFitPanel(AppState& state, Platform& platform, chart::Chart& pchChart, QWidget* parent)
    : QWidget(parent)
    , state_(state)
    , platform_(platform)
{
    setObjectName(QStringLiteral("pchFitPanel"));
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    species_ = new QComboBox(this);
    species_->setObjectName(QStringLiteral("pchFitSpecies"));
    species_->addItems({ QStringLiteral("1"), QStringLiteral("2") });
    form->addRow(QStringLiteral("Species"), species_);
    burstFree_ = new QCheckBox(QStringLiteral("Bins outside the bursts"), this);
    burstFree_->setObjectName(QStringLiteral("pchFitBurstFree"));
    form->addRow(QStringLiteral("Burst-free"), burstFree_);
    background_ = new QLabel(QStringLiteral("Background Counts level"), this);
    background_->setObjectName(QStringLiteral("pchFitBackground"));
    form->addRow(QStringLiteral("Background"), background_);
    layout->addLayout(form);

    results_ = new QTableWidget(0, 3, this);
    results_->setObjectName(QStringLiteral("pchFitResults"));
    results_->setHorizontalHeaderLabels({ QStringLiteral("Parameter"), QStringLiteral("Value"), QStringLiteral("Error") });
    results_->verticalHeader()->hide();
    results_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    results_->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    layout->addWidget(results_, 2);

    const FitControls controls = addFitControls(*this, *layout, QStringLiteral("pchFit"));
    status_ = controls.status;

    view_ = std::make_unique<FitCurveView>(pchChart, this, QStringLiteral("Photons/bin"), false, 1);
    layout->addWidget(&view_->residualChart(), 1);

    connect(controls.fit, &QPushButton::clicked, this, [this] { runFit(); });
    connect(controls.save, &QPushButton::clicked, this, [this] { save(); });
}

void PchFitPanel::setHistogram(std::vector<double> frequency, PchSource source)
{
    frequency_ = std::move(frequency);
    source_ = std::move(source);
    fit_.reset();
    view_->clear();
    status_->clear();
    results_->setRowCount(0);
}

PchFitRequest PchFitPanel::request() const
{
    PchFitRequest request;
    request.species = species_->currentIndex() + 1;
    request.binWidthUs = source_.binWidthUs;
    // The level as typed on the control panel, as the burst analysis reads it.
    request.backgroundPerBin = leadingNumber(platform_.readPanel().backgroundCountsText);
    return request;
}

bool PchFitPanel::runFit()
{
    if (frequency_.empty()) {
        platform_.showMessage("There is no histogram to fit.", errorCaption, Owner::none);
        return false;
    }
    const PchFitRequest fitRequest = request();
    background_->setText(QStringLiteral("%1 counts/bin").arg(fitNumber(fitRequest.backgroundPerBin)));
    const bool burstFree = burstFree_->isChecked();
    const PhotonStream* stream = nullptr;
    const BurstSet* bursts = nullptr;
    if (burstFree) {
        const int channel = source_.channel;
        if (!isLoaded(state_, channel) || streamOf(state_, channel).filePath != source_.filePath
            || streamOf(state_, channel).binWidth != source_.binWidthUs) {
            platform_.showMessage("The channel no longer holds the data of this histogram: compute the PCH again.",
                errorCaption, Owner::none);
            return false;
        }
        if (state_.burstDataPresent.at(static_cast<std::size_t>(channel)) == 0) {
            platform_.showMessage(
                "Burst array empty - carry out a burst analysis first.", errorCaption, Owner::none);
            return false;
        }
        stream = &streamOf(state_, channel);
        bursts = &burstSetOf(state_, channel);
    }

    // The job counts (burst-free) and fits copies; the window's commands that
    // would change the channel wait meanwhile.
    const std::vector<double> histogram = frequency_;
    running_ = true;
    std::optional<FitOutcome<PchFit>> job = runFitJob<PchFit>(platform_, *this, [&](Progress& progress) {
        if (!burstFree)
            return fitPch(histogram, fitRequest, progress);
        return fitPch(burstFreeHistogram(*stream, *bursts), fitRequest, progress);
    });
    running_ = false;
    Q_EMIT fitEnded();
    if (!job) {
        status_->setText(fitCancelledStatus());
        return false;
    }
    if (!job->ok()) {
        status_->setText(QString::fromStdString(job->message()));
        platform_.showMessage(job->message(), errorCaption, Owner::none);
        return false;
    }
    fit_ = std::move(job->value());
    fitBurstFree_ = burstFree;
    showFit();
    return true;
}

void PchFitPanel::showFit()
{
    const PchFit& fit = *fit_;
    results_->setRowCount(static_cast<int>(fit.parameters.size()));
    for (std::size_t i = 0; i < fit.parameters.size(); ++i) {
        const int row = static_cast<int>(i);
        results_->setItem(row, 0, new QTableWidgetItem(rowName(fit.parameters[i].name)));
        results_->setItem(row, 1, new QTableWidgetItem(fitNumber(fit.parameters[i].value)));
        results_->setItem(row, 2, new QTableWidgetItem(fitNumber(fit.parameters[i].error)));
    }
    QString status = QStringLiteral("Reduced chi2 %1, %2 bins, maximum likelihood")
                         .arg(fitNumber(fit.chi2Reduced))
                         .arg(fitNumber(fit.totalBins));
    for (const std::string& warning : fit.warnings)
        status += QStringLiteral("\nWarning: ") + QString::fromStdString(warning);
    status_->setText(status);
    view_->show(fit.photons, fit.fit, fit.residual);
}

void PchFitPanel::save()
{
    if (!fit_) {
        platform_.showMessage("Fit the histogram before saving the fit.", errorCaption, Owner::none);
        return;
    }
    saveFitReport(platform_, pchFitReportName(source_.fileTitle, fitBurstFree_), pchFitReport(*fit_, source_.filePath));
}

} // namespace plask::ui
