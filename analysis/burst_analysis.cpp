#include "analysis/burst_analysis.h"

#include "analysis/burst_detection.h"
#include "analysis/burst_messages.h"
#include "core/silent_platform.h"
#include "view/panel_settings.h"
#include "view/shell_commands.h"

namespace plask {

double backgroundPerBinFor(const PhotonStream& stream, const AnalysisSettings& settings)
{
    // The region's mean stays 0 until a region is picked, and a picked region
    // of more than one bin has its end past its start.
    const bool regionPicked = stream.backgroundEnd > stream.backgroundStart || stream.backgroundMean > 0.0;
    return regionPicked ? stream.backgroundMean : static_cast<double>(static_cast<std::uint32_t>(settings.backgroundCounts));
}

int measureBursts(const PhotonStream& stream, BurstSet& set, const AnalysisSettings& settings,
    BurstHistograms& histograms, Platform& platform, Progress& progress)
{
    // As unsigned numbers these would set the block searches running over billions of bins.
    if (settings.subMinBins < 0 || settings.minPhotonsPerBurst < 0)
        return burstParameterRefused;

    set.minPhotons = static_cast<std::uint32_t>(settings.minPhotonsPerBurst);
    set.subMinBins = static_cast<std::uint32_t>(settings.subMinBins);
    set.triggerLevel = settings.triggerLevel;
    set.backgroundCounts = static_cast<std::uint32_t>(settings.backgroundCounts);
    set.binWidthUs = settings.binWidth;
    set.sourceName = stream.fileTitle;
    set.maxSpanUs = burstMaxSpanUs;
    set.backgroundPerBin = backgroundPerBinFor(stream, settings);

    if (const int allocated = allocateBurstSet(set, stream); allocated > 1)
        return allocated;
    const int scan = scanBursts(stream, set, settings.subtractBackground != 0, progress);
    if (scan == burstSetFull || scan == burstCancelled)
        return scan;
    if (set.burstCount == 0)
        return burstNoneAccepted;
    updateBurstHistograms(set, settings, histograms, platform);
    set.peakStats = seriesStatistics(set.peaks.first(set.burstCount));
    return burstRunOk;
}

int analyseBursts(AppState& state, Platform& platform, const PhotonStream& stream, BurstSet& set, int channel)
{
    endBackgroundSelection(state, platform);
    readPanelSettings(state, platform);
    const AnalysisSettings settings = state.settings();
    BurstSet scratch;
    BurstHistograms histograms = state.histograms;
    SilentPlatform quiet;
    int result = burstUnspecified;
    const JobOutcome outcome = platform.runJob("Burst Analysis", [&](Progress& progress) {
        result = measureBursts(stream, scratch, settings, histograms, quiet, progress);
    });
    if (outcome == JobOutcome::cancelled || result == burstCancelled)
        return burstCancelled;
    if (result == burstMemoryError || result == burstNoTrigger || result == burstParameterRefused)
        return result;
    set = std::move(scratch);
    if (result != burstRunOk)
        return result;
    state.histograms = histograms;
    for (int row = histogramPhotons; row <= histogramIntervals; ++row)
        platform.refreshHistogramChart(row);
    if (&set == &burstSetOf(state, channel)) {
        state.burstDataPresent.at(static_cast<std::size_t>(channel)) = 1;
        state.burstDataSaved.at(static_cast<std::size_t>(channel)) = 0;
    }
    platform.refreshStatisticsPanel(state.activeChannel);
    return burstRunOk;
}

void runBurstAnalysis(AppState& state, Platform& platform)
{
    const int channel = state.activeChannel;
    if (!isLoaded(state, channel))
        return;
    if (state.burstDataPresent.at(static_cast<std::size_t>(channel)) != 0
        && !platform.askYesNo(overwriteBurstQuestion, overwriteBurstCaption))
        return;
    // Ending the region selection also gives the whole stream back as the region.
    endBackgroundSelection(state, platform);
    endRegionSelection(state, platform);
    PhotonStream& stream = streamOf(state, channel);

    int result = burstRunOk;
    {
        const WaitCursor busy(platform);
        result = analyseBursts(state, platform, stream, burstSetOf(state, channel), channel);
    }
    if (result == burstCancelled)
        return;
    if (result > burstAnalysisSuccessful)
        platform.showMessage(burstMessageText(result), burstErrorCaption, Owner::mainWindow);
    if (!state.resultsShown)
        toggleResultsWindow(state, platform);
    platform.enableBurstNavigator(true);
}

} // namespace plask
