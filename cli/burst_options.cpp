#include "cli/burst_options.h"

#include "analysis/background.h"
#include "analysis/smoothing.h"
#include "cli/cli_common.h"
#include "core/selection_lists.h"

#include <cmath>
#include <iostream>

namespace plask::cli {

void addBurstPanelOptions(CLI::App& command, BurstPanelOptions& options, bool fractionalBackground)
{
    command.add_option("--binwidth", options.binWidth, "Bin width in µs, one of " + allowedBinWidths());
    command.add_option("--trigger", options.trigger, "\"Trigger Level\", photons per bin");
    command.add_option("--min-photons", options.minPhotons, "\"Min. Photons/Burst\" (raised to the trigger)");
    if (fractionalBackground)
        command.add_option("--background", options.backgroundPerBin,
            "\"Background Counts\", photons per bin (fractions allowed; the burst search takes the whole part)");
    else
        command.add_option("--background", options.background, "\"Background Counts\", photons per bin");
    command.add_option("--sub-min", options.subMin, "\"Sub-min. Bins\": dips bridged (0 = none)");
    command.add_option("--sg-width", options.sgWidth, "Smoothing filter width: 5, 7, 9, 11 or 13");
    command.add_flag("--subtract-background", options.subtractBackground,
        "\"Bkgd sub.\": take the background off each burst's photons");
    command.add_option("--bins", options.bins, "Number of histogram bins, 1..1000");
    CLI::Option* autoscale
        = command.add_flag("--autoscale", options.autoscale, "Histogram bins scaled to the largest value");
    command
        .add_option(
            "--fixed-bins", options.fixedBins, "Fixed histogram bin sizes: photons, width (µs), interval (s), as P,W,I")
        ->delimiter(',')
        ->expected(3)
        ->excludes(autoscale);
}

void addBurstPreparationFlags(CLI::App& command, BurstPreparation& options)
{
    command.add_flag("--smooth", options.smooth, "Savitzky-Golay smoothing before the burst search");
    command.add_flag("--estimate-background", options.estimateBackground,
        "Estimate \"Background Counts\" from the counts (after smoothing)");
}

void prepareBurstSearch(const BurstPreparation& options, AppState& state, CliPlatform& platform)
{
    if (options.smooth)
        runSmoothCommand(state, platform);
    if (options.estimateBackground) {
        runEstimateBackground(state, platform);
        platform.panel.backgroundCountsText = std::to_string(state.settings().backgroundCounts);
    }
}

bool applyBurstOptions(const BurstPanelOptions& o, AppState& state, CliPlatform& platform)
{
    PanelFields& panel = platform.panel;
    if (o.trigger)
        panel.triggerLevelText = std::to_string(*o.trigger);
    if (o.minPhotons)
        panel.minPhotonsText = std::to_string(*o.minPhotons);
    if (o.background)
        panel.backgroundCountsText = std::to_string(*o.background);
    if (o.backgroundPerBin) {
        if (!(*o.backgroundPerBin >= 0.0) || !std::isfinite(*o.backgroundPerBin)) {
            cliErr() << "--background " << *o.backgroundPerBin << " is not a count per bin of 0 or more\n";
            return false;
        }
        panel.backgroundCountsText = std::to_string(static_cast<long long>(std::floor(*o.backgroundPerBin)));
    }
    if (o.subMin)
        panel.subMinBinsText = std::to_string(*o.subMin);
    if (o.subtractBackground)
        panel.subtractBackground = true;
    if (o.sgWidth) {
        if (!isListedSgFilterWidth(*o.sgWidth)) {
            cliErr() << "--sg-width " << *o.sgWidth << " is not an allowed filter width; allowed: 5, 7, 9, 11, 13\n";
            return false;
        }
        panel.sgFilterWidthIndex = indexOfValue<std::int32_t>(*o.sgWidth, sgFilterWidthValues);
    }
    AnalysisSettings& settings = state.settings();
    if (o.bins) {
        if (*o.bins < 1 || *o.bins > histogramCapacity) {
            cliErr() << "--bins " << *o.bins << " is outside 1.." << histogramCapacity << '\n';
            return false;
        }
        settings.histogramBins = *o.bins;
    }
    if (o.autoscale)
        panel.autoscaleHistograms = true;
    if (!o.fixedBins.empty()) {
        panel.autoscaleHistograms = false;
        settings.burstHistBinSize = o.fixedBins[0];
        settings.widthHistBinSize = o.fixedBins[1];
        settings.intervalHistBinSize = o.fixedBins[2];
    }
    return true;
}

} // namespace plask::cli
