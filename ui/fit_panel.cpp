#include "ui/fit_panel.h"

#include "analysis/export_dialog.h"
#include "analysis/text_file.h"
#include "chart/chart.h"
#include "correlation/correlation_files.h"
#include "correlation/photon_correlation_command.h"
#include "fitting/curve_file.h"
#include "fitting/fit_report.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace plask::ui {

namespace {
    using namespace plask::fitting;

    enum Column { nameColumn = 0, valueColumn = 1, fixedColumn = 2, errorColumn = 3 };

    QString number(double value) { return fitNumber(value); }

    // An empty field means no limit.
    std::optional<double> fieldValue(const QLineEdit* field)
    {
        bool ok = false;
        const double value = field->text().trimmed().toDouble(&ok);
        return ok && std::isfinite(value) ? std::optional<double>(value) : std::nullopt;
    }
} // namespace

FitPanel::FitPanel(Platform& platform, chart::Chart& correlationChart, QWidget* parent)
    : QWidget(parent)
    , platform_(platform)
{
    setObjectName(QStringLiteral("fitPanel"));
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    model_ = new QComboBox(this);
    model_->setObjectName(QStringLiteral("fitModel"));
    for (FcsModel model : allModels())
        model_->addItem(QString::fromUtf8(modelName(model).data(), static_cast<qsizetype>(modelName(model).size())));
    form->addRow(QStringLiteral("Model"), model_);
    auto* range = new QHBoxLayout;
    fromMs_ = new QLineEdit(QStringLiteral("0.001"), this);
    fromMs_->setObjectName(QStringLiteral("fitFromMs"));
    toMs_ = new QLineEdit(QStringLiteral("20"), this);
    toMs_->setObjectName(QStringLiteral("fitToMs"));
    range->addWidget(fromMs_);
    range->addWidget(new QLabel(QStringLiteral("to"), this));
    range->addWidget(toMs_);
    form->addRow(QStringLiteral("Range (ms)"), range);
    layout->addLayout(form);

    parameters_ = new QTableWidget(0, 4, this);
    parameters_->setObjectName(QStringLiteral("fitParameters"));
    parameters_->setHorizontalHeaderLabels(
        { QStringLiteral("Parameter"), QStringLiteral("Value"), QStringLiteral("Fixed"), QStringLiteral("Error") });
    parameters_->verticalHeader()->hide();
    parameters_->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    layout->addWidget(parameters_, 2);

    const FitControls controls = addFitControls(*this, *layout, QStringLiteral("fit"));
    status_ = controls.status;

    view_ = std::make_unique<FitCurveView>(correlationChart, this, QStringLiteral("Lag time (ms)"), true, 1);
    layout->addWidget(&view_->residualChart(), 1);

    fillParameters();
    connect(model_, &QComboBox::currentIndexChanged, this, [this] { fillParameters(); });
    connect(controls.fit, &QPushButton::clicked, this, [this] { runFit(); });
    connect(controls.save, &QPushButton::clicked, this, [this] { save(); });
}

void FitPanel::setCurve(const CorrelationResult& result)
{
    const std::size_t count = std::min(static_cast<std::size_t>(std::max(result.lagCount, 0)), result.lags.capacity());
    fitting::CorrelationCurve curve;
    for (std::size_t i = 0; i < count; ++i) {
        curve.tauMs.push_back(result.lags[i].lagMs);
        curve.g.push_back(result.lags[i].g);
    }
    adoptCurve(std::move(curve), fitReportPath(proposedFcsFileName(result)).string(), result.sourceName);
}

void FitPanel::setCurve(const PhotonModeCurve& photonCurve)
{
    fitting::CorrelationCurve curve;
    for (const PhotonLagPoint& point : photonCurve.curve.points) {
        curve.tauMs.push_back(static_cast<double>(point.lagUnits) * photonCurve.run.unitSeconds * 1e3);
        curve.g.push_back(point.g);
        curve.sem.push_back(point.sem);
    }
    const PhotonCorrelationRun& run = photonCurve.run;
    adoptCurve(std::move(curve), fitReportPath(photonCorrelationFileName(run.source, run.cross())).string(),
        run.source);
}

void FitPanel::adoptCurve(fitting::CorrelationCurve curve, std::string reportName, std::string sourceName)
{
    curve_ = std::move(curve);
    reportName_ = std::move(reportName);
    sourceName_ = std::move(sourceName);
    fit_.reset();
    view_->clear();
    status_->clear();
    fillParameters();
}

// The model's parameters with the starts the fit would take from the curve.
void FitPanel::fillParameters()
{
    const FcsModel model = allModels()[static_cast<std::size_t>(std::max(model_->currentIndex(), 0))];
    const std::span<const ParameterDefinition> definitions = modelParameters(model);
    const std::vector<double> start = curve_.size() > 0 ? estimateStart(model, curve_) : std::vector<double> {};
    parameters_->setRowCount(static_cast<int>(definitions.size()));
    for (std::size_t i = 0; i < definitions.size(); ++i) {
        const int row = static_cast<int>(i);
        auto* name = new QTableWidgetItem(QString::fromUtf8(definitions[i].name.data(), static_cast<qsizetype>(definitions[i].name.size())));
        name->setFlags(Qt::ItemIsEnabled);
        parameters_->setItem(row, nameColumn, name);
        const double value = definitions[i].fixedByDefault || i >= start.size() ? definitions[i].defaultValue : start[i];
        parameters_->setItem(row, valueColumn, new QTableWidgetItem(number(value)));
        auto* fixed = new QTableWidgetItem;
        fixed->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable);
        fixed->setCheckState(definitions[i].fixedByDefault ? Qt::Checked : Qt::Unchecked);
        parameters_->setItem(row, fixedColumn, fixed);
        auto* error = new QTableWidgetItem(QStringLiteral("-"));
        error->setFlags(Qt::ItemIsEnabled);
        parameters_->setItem(row, errorColumn, error);
    }
}

FcsFitRequest FitPanel::request() const
{
    FcsFitRequest request;
    request.model = allModels()[static_cast<std::size_t>(std::max(model_->currentIndex(), 0))];
    request.fromMs = fieldValue(fromMs_).value_or(0.0);
    request.toMs = fieldValue(toMs_).value_or(std::numeric_limits<double>::infinity());
    for (int row = 0; row < parameters_->rowCount(); ++row) {
        bool ok = false;
        const double value = parameters_->item(row, valueColumn)->text().toDouble(&ok);
        ParameterChoice& choice = request.choices[parameters_->item(row, nameColumn)->text().toStdString()];
        if (parameters_->item(row, fixedColumn)->checkState() == Qt::Checked)
            choice.fixedValue = ok ? value : 0.0;
        else if (ok && std::isfinite(value))
            choice.initValue = value;
    }
    return request;
}

bool FitPanel::runFit()
{
    if (curve_.size() == 0) {
        platform_.showMessage("There is no correlation curve to fit.", "Fit Error", Owner::none);
        return false;
    }
    // The job fits copies, so the panel may change while it runs.
    const FcsFitRequest choices = request();
    const CorrelationCurve curve = curve_;
    std::optional<FitOutcome<FcsFit>> job = runFitJob<FcsFit>(
        platform_, *this, [&](Progress& progress) { return fitCorrelation(curve, choices, progress); });
    if (!job) {
        status_->setText(fitCancelledStatus());
        return false;
    }
    FitOutcome<FcsFit>& outcome = *job;
    if (!outcome.ok()) {
        status_->setText(QString::fromStdString(outcome.message()));
        platform_.showMessage(outcome.message(), "Fit Error", Owner::none);
        return false;
    }
    fit_ = std::move(outcome.value());
    showFit();
    return true;
}

void FitPanel::showFit()
{
    const FcsFit& fit = *fit_;
    for (std::size_t i = 0; i < fit.parameters.size(); ++i) {
        const int row = static_cast<int>(i);
        parameters_->item(row, valueColumn)->setText(number(fit.parameters[i].value));
        parameters_->item(row, errorColumn)->setText(number(fit.parameters[i].error));
    }
    status_->setText(QStringLiteral("Reduced chi2 %1, %2 points, %3")
                         .arg(number(fit.chi2Reduced))
                         .arg(fit.points())
                         .arg(fit.weighted ? QStringLiteral("weighted") : QStringLiteral("unweighted")));
    view_->show(fit.tauMs, fit.fit, fit.residual);
}

void FitPanel::save()
{
    if (!fit_) {
        platform_.showMessage("Fit the curve before saving the fit.", "Fit Error", Owner::none);
        return;
    }
    saveFitReport(platform_, reportName_, fcsFitReport(*fit_, sourceName_));
}

} // namespace plask::ui
