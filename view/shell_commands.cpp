#include "view/shell_commands.h"

#include "view/panel_settings.h"

namespace plask {

void closeCommand(AppState& state, Platform& platform)
{
    const int channel = state.activeChannel;
    if (channel < 0 || channel >= channelCount || !isLoaded(state, channel))
        return;
    const auto slot = static_cast<std::size_t>(channel);
    if (state.burstDataPresent.at(slot) != 0) {
        releaseBurstSet(burstSetOf(state, channel));
        state.burstDataPresent.at(slot) = 0;
        platform.releaseHistogramCharts();
    }
    releaseStream(streamOf(state, channel));
    state.loadedFlags.at(slot) = 0;
    if (!isLoaded(state, otherChannel(channel))) {
        state.loadedBinWidth = 0.0;
        platform.enableBurstNavigator(false);
        platform.enableStreamNavigator(false);
    }
    // The closed channel's rate and count range read 0 again.
    platform.showStreamInfo();
    platform.redrawTrace();
}

void helpIndexCommand(Platform& platform) { platform.showMessage(helpIndexText, helpIndexCaption); }

namespace {
    bool anyChannelLoaded(const AppState& state) { return isLoaded(state, 0) || isLoaded(state, 1); }
} // namespace

void toggleBackgroundSelection(AppState& state, Platform& platform)
{
    if (!anyChannelLoaded(state))
        return;
    if (state.selectionMode == SelectionMode::background)
        endBackgroundSelection(state, platform);
    else
        state.selectionMode = SelectionMode::background;
}

void toggleRegionSelection(AppState& state, Platform& platform)
{
    if (!anyChannelLoaded(state))
        return;
    if (state.selectionMode == SelectionMode::region)
        endRegionSelection(state, platform);
    else
        state.selectionMode = SelectionMode::region;
}

void toggleResultsWindow(AppState& state, Platform& platform)
{
    state.resultsShown = !state.resultsShown;
    platform.setResultsWindowVisible(state.resultsShown);
}

} // namespace plask
