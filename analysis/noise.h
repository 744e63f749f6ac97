#pragma once
// Random deviates for the "+ Noise" commands: a shuffling uniform generator
// over the C library's rand, and Poisson deviates drawn from it.

#include <array>

namespace plask {

struct NoiseState {
    bool started = false;
    std::array<int, 100> table {}; // shuffle table of stored draws
    int last = 0; // the previous draw, which picks the next table entry
    double lastMean = -1.0; // Poisson mean the derived values below belong to
    double g = 0.0;
    double sq = 0.0;
    double alxm = 0.0;
};

// The generator the program uses; seeded from the clock on its first draw.
[[nodiscard]] NoiseState& processNoise();

// Seeds rand with `seed` and fills the shuffle table (the first draw does
// this with the current time when nothing seeded it before).
void seedNoise(NoiseState& noise, unsigned seed);

// Uniform in 0..1, both ends possible.
[[nodiscard]] double uniformDeviate(NoiseState& noise);

// Poisson-distributed whole number with the given mean: counting uniform
// products below 12, rejection from a Lorentzian from 12 on.
[[nodiscard]] double poissonDeviate(NoiseState& noise, double mean);

// Natural logarithm of the gamma function (Lanczos series), for x > 0.
[[nodiscard]] double lnGamma(double x);

} // namespace plask
