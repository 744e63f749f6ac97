#include "core/app_state.h"

namespace plask {

void initialiseShellState(AppState& state)
{
    state.loadedFlags = {};
    state.burstDataPresent = {};
    state.burstDataSaved = {};
    state.activeChannel = 0;
    state.resultsShown = false;
    state.showMarkers = true;
    state.currentDisplayMode = state.settings().displayMode;
    state.display.displayBinWidth = state.settings().binWidth;
    updateBleedFactors(state.settings());
}

} // namespace plask
