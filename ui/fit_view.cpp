#include "ui/fit_view.h"

#include "analysis/export_dialog.h"
#include "analysis/text_file.h"
#include "chart/chart.h"

#include <QDockWidget>
#include <QHBoxLayout>
#include <QLabel>
#include <QMainWindow>
#include <QMenuBar>
#include <QPushButton>
#include <QVBoxLayout>
#include <QWidget>

#include <algorithm>
#include <cmath>

namespace plask::ui {

FitControls addFitControls(QWidget& panel, QVBoxLayout& layout, const QString& prefix)
{
    FitControls controls;
    auto* buttons = new QHBoxLayout;
    controls.fit = new QPushButton(QStringLiteral("Fit"), &panel);
    controls.fit->setObjectName(prefix + QStringLiteral("Button"));
    controls.save = new QPushButton(QStringLiteral("Save"), &panel);
    controls.save->setObjectName(prefix + QStringLiteral("SaveButton"));
    buttons->addWidget(controls.fit);
    buttons->addWidget(controls.save);
    layout.addLayout(buttons);
    controls.status = new QLabel(&panel);
    controls.status->setObjectName(prefix + QStringLiteral("Status"));
    controls.status->setWordWrap(true);
    // A wrapped label in a dock gets one line unless asked for more: room for three.
    controls.status->setMinimumHeight(3 * controls.status->fontMetrics().lineSpacing());
    layout.addWidget(controls.status);
    return controls;
}

QDockWidget* addFitDock(QMainWindow& window, QWidget& panel, const QString& prefix)
{
    auto* dock = new QDockWidget(QStringLiteral("Fit"), &window);
    dock->setObjectName(prefix + QStringLiteral("Dock"));
    dock->setWidget(&panel);
    window.addDockWidget(Qt::RightDockWidgetArea, dock);
    dock->hide();
    QAction* toggle = dock->toggleViewAction();
    toggle->setText(QStringLiteral("Fit Panel"));
    toggle->setObjectName(prefix + QStringLiteral("PanelAction"));
    QMenu* menu = window.menuBar()->addMenu(QStringLiteral("Fit"));
    menu->setObjectName(prefix + QStringLiteral("Menu"));
    menu->addAction(toggle);
    return dock;
}

QString fitNumber(double value) { return std::isfinite(value) ? QString::number(value, 'g', 6) : QStringLiteral("-"); }

FitCurveView::FitCurveView(
    chart::Chart& dataChart, QWidget* parent, const QString& xTitle, bool logarithmicX, int colourIndex)
    : dataChart_(dataChart)
    , colourIndex_(colourIndex)
{
    residuals_ = new chart::Chart(parent);
    residuals_->setObjectName(QStringLiteral("fitResiduals"));
    residuals_->setMinimumHeight(120);
    residuals_->setPlotArea(QRectF(QPointF(0.2, 0.1), QPointF(0.95, 0.75)));
    residual_ = { 0.0, 0.0 };
    x_ = { 1.0, 10000.0 };
    residualDataset_ = residuals_->createDataset("residuals", x_, residual_);
    residualPlot_ = residuals_->addLinePlot(residualDataset_, 1, 4);
    residuals_->setLogarithmicX(logarithmicX);
    residuals_->setAxisTitle(chart::Axis::x, xTitle);
    residuals_->setAxisTitle(chart::Axis::y, QStringLiteral("Residual"));
    residuals_->redraw();
}

void FitCurveView::show(std::span<const double> x, std::span<const double> fit, std::span<const double> residual)
{
    x_.assign(x.begin(), x.end());
    fit_.assign(fit.begin(), fit.end());
    residual_.assign(residual.begin(), residual.end());
    if (fitPlot_.index < 0) {
        fitDataset_ = dataChart_.createDataset("fit", x_, fit_);
        fitPlot_ = dataChart_.addLinePlot(fitDataset_, 2, colourIndex_);
    }
    dataChart_.setDatasetArrays(fitDataset_, x_, fit_);
    dataChart_.setPlotVisible(fitPlot_, true);
    dataChart_.redraw();
    residuals_->setDatasetArrays(residualDataset_, x_, residual_);
    double reach = 1e-12;
    for (const double r : residual_)
        reach = std::max(reach, std::abs(r));
    const auto [low, high] = dataChart_.axisRange(chart::Axis::x);
    residuals_->setAxisRange(chart::Axis::x, low, high);
    residuals_->setAxisRange(chart::Axis::y, -reach, reach);
    residuals_->redraw();
}

void FitCurveView::clear()
{
    if (fitPlot_.index >= 0)
        dataChart_.setPlotVisible(fitPlot_, false);
}

PanelBusy::PanelBusy(QWidget& panel)
    : panel_(panel)
{
    panel_.setEnabled(false);
}

PanelBusy::~PanelBusy() { panel_.setEnabled(true); }

QString fitCancelledStatus() { return QStringLiteral("Fit cancelled; the previous fit stands."); }

void saveFitReport(Platform& platform, const std::string& proposedName, const fitting::FitReport& report)
{
    const std::optional<std::string> path = chooseTextExport(platform, "Text Data Files (*.txt)", proposedName);
    if (!path)
        return;
    reportWriteFailure(platform, fitting::writeFitReport(*path, report), Owner::none);
}

} // namespace plask::ui
