#pragma once
// The Math menu: constants, factors, the other stream and Poisson noise
// applied to the counts in place, and two-colour bleed-through correction.
// Results are kept within the count range 0..65535.

#include "analysis/noise.h"
#include "core/app_state.h"
#include "core/platform.h"
#include "core/progress.h"

#include <string_view>

namespace plask {

enum MathCommand : int {
    commandSubtractC1 = 40050, // "PS1 = PS1 - C1"
    commandAddC1 = 40099, // "PS1 = PS1 + C1"
    commandSubtractC2 = 40051, // "PS2 = PS2 - C2"
    commandAddC2 = 40098, // "PS2 = PS2 + C2"
    commandScaleA1 = 40065, // "PS1 = a1 * PS1"
    commandScaleA2 = 40064, // "PS2 = a2 * PS2"
    commandAddStreams = 40079, // "PS1 = PS1 + PS2"
    commandSubtractStreams = 40101, // "PS1 = PS1 - PS2"
    commandNoise1 = 40080, // "PS1 = PS1 + Noise"
    commandNoise2 = 40100, // "PS2 = PS2 + Noise"
    commandBleedThrough = 40052, // "Bleedthrough Correction"
};

inline constexpr std::string_view bleedThroughCaption = "Bleedthrough Correction";
inline constexpr std::string_view bleedThroughRefused
    = "The bleed-through fractions are too large to correct for: frac. 1 in 2 / (1 + frac. 1 in 2) plus "
      "frac. 2 in 1 / (1 + frac. 2 in 1) must stay below 1. The data were not changed.";

// Each rewrites the stream's counts and recomputes its count range,
// reporting every 2^20 bins; false when the progress answered a cancel (the
// counts are then partly rewritten: callers work on a copy).
bool subtractConstant(PhotonStream& stream, double constant, Progress& progress = noProgress());
// The constant loses its fraction first.
bool addConstant(PhotonStream& stream, double constant, Progress& progress = noProgress());
bool scaleStream(PhotonStream& stream, double factor, Progress& progress = noProgress());
// Bin i of the target with bin i of the source, over the shorter length.
bool addStream(PhotonStream& target, const PhotonStream& source, Progress& progress = noProgress());
bool subtractStream(PhotonStream& target, const PhotonStream& source, Progress& progress = noProgress());
// A Poisson draw with the bin's count as mean is added; an empty bin becomes a draw of mean 1.
bool addPoissonNoise(PhotonStream& stream, NoiseState& noise, Progress& progress = noProgress());

// Removes the crosstalk with the factors a and b (each f / (f + 1)). Refused,
// leaving the counts as they are, when a + b is 1 or more. True when applied.
[[nodiscard]] bool correctBleedThrough(
    PhotonStream& ps1, PhotonStream& ps2, double a, double b, Progress& progress = noProgress());

// Runs one Math menu command on the loaded streams it needs as a job on
// copies of their counts, which the channels take when it completed, and
// redraws the trace; does nothing when a stream it needs is not loaded.
void runMathCommand(AppState& state, Platform& platform, int commandId);

} // namespace plask
