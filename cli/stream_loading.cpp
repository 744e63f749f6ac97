#include "cli/stream_loading.h"

#include "formats/load_workflow.h"
#include "view/panel_settings.h"
#include "core/selection_lists.h"

namespace plask::cli {

bool prepareSession(const CliRun& run, std::optional<double> binWidthUs, AppState& state, CliPlatform& platform)
{
    const std::optional<AnalysisSettings> settings = loadCliSettings(run);
    if (!settings)
        return false;
    if (binWidthUs && !checkBinWidthOption(*binWidthUs, "--binwidth"))
        return false;
    state.settings() = *settings;
    initialiseShellState(state);
    platform.panel = panelFieldsFrom(state.settings());
    if (binWidthUs)
        platform.panel.binWidthIndex = indexOfValue<double>(*binWidthUs, binWidthValues);
    return true;
}

bool openStreamFile(AppState& state, CliPlatform& platform, const std::string& file, int channel)
{
    state.activeChannel = channel;
    platform.openFiles = { absoluteNoResolve(file).string() };
    openCommand(state, platform);
    return isLoaded(state, channel);
}

nlohmann::json streamSummary(const PhotonStream& stream)
{
    return {
        { "file", stream.filePath },
        { "fileType", stream.fileType },
        { "length", stream.length },
        { "photons", stream.photons },
        { "duration", stream.duration },
        { "rateKHz", stream.rateKHz },
        { "maxCount", stream.maxCount },
        { "minCount", stream.minCount },
        { "binWidth", stream.binWidth },
        { "sourceResolution", stream.sourceResolution },
    };
}

} // namespace plask::cli
