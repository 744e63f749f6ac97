#pragma once
// The correlation chart of the results window: G against lag time on a
// logarithmic axis, titled with the caller's description of the curve. A
// photon-mode curve is drawn with its standard errors as error bars.

#include "chart/chart_types.h"
#include "core/correlation_result.h"
#include "correlation/photon_correlation_command.h"

#include <vector>

namespace plask::chart {
class Chart;
} // namespace plask::chart

namespace plask::ui {

class CorrelationChart {
public:
    // Builds the chart: a flat placeholder from 1 to 10000 ms, the axis
    // titles and the title "Correlation".
    explicit CorrelationChart(chart::Chart& chart);

    // Replaces the curve by the result's lagCount records, sets the x range
    // to whole decades around its lags and the y range from 0 to its largest
    // G, and draws at once (a segmental run shows every pooled step). A
    // result without records is not plotted: false, nothing changes.
    bool show(const CorrelationResult& result);
    // The photon-mode curve from its smallest lag, each point with its SEM
    // as an error bar (none where the SEM is unknown); the axes as above.
    bool show(const PhotonModeCurve& curve);

    [[nodiscard]] chart::Chart& chart() const { return chart_; }
    [[nodiscard]] chart::PlotId plot() const { return plot_; }
    [[nodiscard]] chart::PlotId errorBars() const { return errorBars_; }
    // Whether a photon-mode curve is on show.
    [[nodiscard]] bool photonMode() const { return photonMode_; }
    [[nodiscard]] const std::vector<double>& lagValues() const { return lagValues_; }
    [[nodiscard]] const std::vector<double>& gValues() const { return gValues_; }

private:
    chart::Chart& chart_;
    std::vector<double> lagValues_; // ms; as many as the curve has records
    std::vector<double> gValues_;
    std::vector<double> semValues_; // photon mode only
    chart::DatasetId dataset_;
    chart::PlotId plot_;
    chart::PlotId errorBars_;
    bool photonMode_ = false;

    void showValues(const std::string& title);
};

} // namespace plask::ui
