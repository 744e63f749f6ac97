#pragma once
// "Open": the questions before a load, the Open dialog, the readers, the
// checks after reading, and making the loaded stream current. Also the
// silent load into a scratch stream that the correlation commands use.

#include "core/app_state.h"
#include "core/platform.h"

#include <optional>
#include <string>

namespace plask {

// "Open " on the active channel at the bin width chosen in the control panel.
void openCommand(AppState& state, Platform& platform);

// "Open " with the file already chosen (dropped on the window, or picked from
// Recent files): the same questions, reading and checks, without the dialog.
void openFileCommand(AppState& state, Platform& platform, const std::string& path);

// Open dialog, read and checks into the channel's stream; makes it current
// (finishLoad) when `binWidthUs` is the bin width of the settings. True when
// the stream was read and accepted.
bool loadStream(AppState& state, Platform& platform, int channel, double binWidthUs);
// The same for a file already chosen (no dialog when `chosen` holds a path).
bool loadStream(AppState& state, Platform& platform, int channel, double binWidthUs,
    const std::optional<std::string>& chosen);

// Makes the channel's freshly read stream current: display length, region,
// flags, active channel, bin widths, navigator and trace.
void finishLoad(AppState& state, Platform& platform, int channel);

// Reads a file of either type into a scratch stream the caller owns (and
// releases); leaves every flag and display value alone. Returns the reader's
// result, or 1 after "Error opening file." for a file of unknown type. A
// time-tag file is read with `selection`, the loaded stream's choice.
int loadForCorrelation(Platform& platform, const std::string& path, PhotonStream& scratch, double binWidthUs,
    const PhotonSelection& selection = {}, Progress& progress = noProgress());

} // namespace plask
