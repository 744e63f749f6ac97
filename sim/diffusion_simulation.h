#pragma once
// Simulated photon streams of freely diffusing fluorescent molecules, written
// as correlator stream files.
//
// Model: molecules diffuse by Brownian motion in a periodic box around a 3D
// Gaussian focus W(r) = exp(-2(x² + y²)/w0² - 2z²/z0²) with z0 = kappa·w0
// and the diffusion time tauD = w0²/4D. Each molecule emits detected photons
// as a Poisson process of rate eps·W(r); uncorrelated Poisson background is
// added. `molecules` is the mean number N of molecules in the effective
// volume pi^(3/2)·w0²·z0, so that a background-free curve starts at
// G(0) = 1/N; `brightnessKHz` is the mean count rate per molecule (mean
// signal rate / N, so eps = 2^(3/2)·brightness). With background B the
// amplitude is (1/N)·(S/(S + B))² with S = N·brightness.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace plask {

struct SimulationParameters {
    double seconds = 10.0;
    unsigned clockMHz = 40;
    double molecules = 1.0; // mean number N in the effective volume
    double diffusionTimeUs = 100.0; // tauD
    double kappa = 5.0; // z0 / w0
    double brightnessKHz = 50.0; // count rate per molecule
    double backgroundKHz = 1.0;
    std::uint64_t seed = 1;
};

struct SimulationSummary {
    std::uint64_t photons = 0;
    std::uint64_t lastTick = 0; // arrival of the last photon
    std::uint64_t bytes = 0; // file size, header included
    std::uint32_t moleculesInBox = 0;
};

// Empty when the parameters can be simulated, else what is wrong with them.
[[nodiscard]] std::string checkSimulationParameters(const SimulationParameters& parameters);

// The expected mean count rate (kHz) and correlation amplitude G(0).
[[nodiscard]] double expectedRateKHz(const SimulationParameters& parameters);
[[nodiscard]] double expectedAmplitude(const SimulationParameters& parameters);

// Runs the simulation and hands over each photon's arrival tick in order.
// The same parameters and seed give the same ticks.
SimulationSummary simulatePhotonTicks(
    const SimulationParameters& parameters, const std::function<void(std::uint64_t tick)>& photon);

// Writes the simulated stream as a correlator stream file; nothing when the
// file cannot be written.
[[nodiscard]] std::optional<SimulationSummary> simulateStreamFile(
    const SimulationParameters& parameters, const std::string& path);

} // namespace plask
