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

    QString number(double value) { return std::isfinite(value) ? QString::number(value, 'g', 6) : QStringLiteral("-"); }

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
    , correlationChart_(correlationChart)
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

    auto* buttons = new QHBoxLayout;
    auto* fitButton = new QPushButton(QStringLiteral("Fit"), this);
    fitButton->setObjectName(QStringLiteral("fitButton"));
    auto* saveButton = new QPushButton(QStringLiteral("Save"), this);
    saveButton->setObjectName(QStringLiteral("fitSaveButton"));
    buttons->addWidget(fitButton);
    buttons->addWidget(saveButton);
    layout->addLayout(buttons);
    status_ = new QLabel(this);
    status_->setObjectName(QStringLiteral("fitStatus"));
    status_->setWordWrap(true);
    layout->addWidget(status_);

    residuals_ = new chart::Chart(this);
    residuals_->setObjectName(QStringLiteral("fitResiduals"));
    residuals_->setMinimumHeight(120);
    residuals_->setPlotArea(QRectF(QPointF(0.2, 0.1), QPointF(0.95, 0.75)));
    residual_ = { 0.0, 0.0 };
    fitTau_ = { 1.0, 10000.0 };
    residualDataset_ = residuals_->createDataset("residuals", fitTau_, residual_);
    residualPlot_ = residuals_->addLinePlot(residualDataset_, 1, 4);
    residuals_->setLogarithmicX(true);
    residuals_->setAxisTitle(chart::Axis::x, QStringLiteral("Lag time (ms)"));
    residuals_->setAxisTitle(chart::Axis::y, QStringLiteral("Residual"));
    residuals_->redraw();
    layout->addWidget(residuals_, 1);

    fillParameters();
    connect(model_, &QComboBox::currentIndexChanged, this, [this] { fillParameters(); });
    connect(fitButton, &QPushButton::clicked, this, [this] { runFit(); });
    connect(saveButton, &QPushButton::clicked, this, [this] { save(); });
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
    if (fitPlot_.index >= 0)
        correlationChart_.setPlotVisible(fitPlot_, false);
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
    FitOutcome<FcsFit> outcome = fitCorrelation(curve_, request());
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
    fitTau_ = fit.tauMs;
    fitG_ = fit.fit;
    residual_ = fit.residual;
    if (fitPlot_.index < 0) {
        fitDataset_ = correlationChart_.createDataset("fit", fitTau_, fitG_);
        fitPlot_ = correlationChart_.addLinePlot(fitDataset_, 2, 1);
    }
    correlationChart_.setDatasetArrays(fitDataset_, fitTau_, fitG_);
    correlationChart_.setPlotVisible(fitPlot_, true);
    correlationChart_.redraw();
    residuals_->setDatasetArrays(residualDataset_, fitTau_, residual_);
    const auto [low, high] = std::minmax_element(residual_.begin(), residual_.end());
    const double reach = std::max({ std::abs(*low), std::abs(*high), 1e-12 });
    residuals_->setAxisRange(chart::Axis::x, correlationChart_.axisRange(chart::Axis::x).first,
        correlationChart_.axisRange(chart::Axis::x).second);
    residuals_->setAxisRange(chart::Axis::y, -reach, reach);
    residuals_->redraw();
}

void FitPanel::save()
{
    if (!fit_) {
        platform_.showMessage("Fit the curve before saving the fit.", "Fit Error", Owner::none);
        return;
    }
    const std::optional<std::string> path = chooseTextExport(platform_, "Text Data Files (*.txt)", reportName_);
    if (!path)
        return;
    reportWriteFailure(platform_, writeFitReport(*path, fcsFitReport(*fit_, sourceName_)), Owner::none);
}

} // namespace plask::ui
