#include "core/shell_commands.h"

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
    platform.redrawTrace();
}

void helpIndexCommand(Platform& platform) { platform.showMessage(helpIndexText, helpIndexCaption); }

} // namespace plask
