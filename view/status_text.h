#pragma once
// The texts of the main window's status bar: the active file and what was read.

#include "core/app_state.h"

#include <string>

namespace plask {

// The kind of stream file, from its type and name: "correlator stream (.dat)",
// ..., for a time-tag file the format it was read as.
[[nodiscard]] std::string fileFormatText(const PhotonStream& stream);

// "PS1: name.dat | correlator stream (.dat) | channels PS1 + PS2 | bin 10 µs |
// 123456 photons | 12.35 kHz", or "No data" when the active channel is empty.
// A time-tag file's chosen detectors, gate and window follow its format.
[[nodiscard]] std::string statusText(const AppState& state);

} // namespace plask
