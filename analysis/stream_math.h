#pragma once
// The Math menu: constants, factors, the other stream and Poisson noise
// applied to the counts in place, and two-colour bleed-through correction.
// Results are kept within the count range 0..65535.

#include "analysis/noise.h"
#include "core/app_state.h"
#include "core/platform.h"

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

// Each rewrites the stream's counts and recomputes its count range.
void subtractConstant(PhotonStream& stream, double constant);
void addConstant(PhotonStream& stream, double constant); // the constant loses its fraction first
void scaleStream(PhotonStream& stream, double factor);
// Bin i of the target with bin i of the source, over the shorter length.
void addStream(PhotonStream& target, const PhotonStream& source);
void subtractStream(PhotonStream& target, const PhotonStream& source);
// A Poisson draw with the bin's count as mean is added; an empty bin becomes a draw of mean 1.
void addPoissonNoise(PhotonStream& stream, NoiseState& noise);

// Removes the crosstalk with the factors a and b (each f / (f + 1)). Refused,
// leaving the counts as they are, when a + b is 1 or more. True when applied.
[[nodiscard]] bool correctBleedThrough(PhotonStream& ps1, PhotonStream& ps2, double a, double b);

// Runs one Math menu command on the loaded streams it needs and redraws the
// trace; does nothing when a stream it needs is not loaded.
void runMathCommand(AppState& state, Platform& platform, int commandId);

} // namespace plask
