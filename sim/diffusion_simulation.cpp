#include "sim/diffusion_simulation.h"

#include "formats/correlator_file.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <memory>
#include <numbers>
#include <random>
#include <vector>

namespace plask {

namespace {
    // Lengths are in units of w0, times in seconds.
    constexpr double boxHalfWidthLateral = 6.0; // w0
    constexpr double boxHalfWidthAxial = 4.0; // z0
    // Molecules where W is below e^-9 (about 1e-4) emit next to nothing (a
    // few in 10^4 of all photons come from there): they move in long steps
    // without looking for photons.
    constexpr double nearRadiusSquared = 9.0 / 2.0;
    constexpr double windowSeconds = 0.05; // photons are sorted per window
    constexpr double maxSeconds = 1e5;
    constexpr double maxMolecules = 1e4;

    // Reproducible draws: the engine is fully specified, and the
    // distributions are written out here rather than taken from the library.
    class Random {
    public:
        explicit Random(std::uint64_t seed)
            : engine_(seed)
        {
        }
        double uniform() { return static_cast<double>(engine_() >> 11) * 0x1p-53; } // [0, 1)
        double exponential(double rate) { return -std::log1p(-uniform()) / rate; }
        double normal()
        {
            if (spare_) {
                const double value = *spare_;
                spare_.reset();
                return value;
            }
            const double radius = std::sqrt(-2.0 * std::log(1.0 - uniform()));
            const double angle = 2.0 * std::numbers::pi * uniform();
            spare_ = radius * std::sin(angle);
            return radius * std::cos(angle);
        }

    private:
        std::mt19937_64 engine_;
        std::optional<double> spare_;
    };

    struct Molecule {
        std::array<double, 3> position {};
        double time = 0.0;
    };

    class Simulation {
    public:
        explicit Simulation(const SimulationParameters& p)
            : p_(p)
            , random_(p.seed)
            , diffusion_(1.0 / (4.0 * p.diffusionTimeUs * 1e-6))
            , peakRate_(p.brightnessKHz * 1e3 * std::pow(2.0, 1.5))
            , backgroundRate_(p.backgroundKHz * 1e3)
            , closest_(std::min(1.0, p.kappa))
        {
            if (p.molecules > 0.0 && peakRate_ > 0.0) {
                // Fill a box of about 200 N molecules, then size it so that it
                // holds exactly N per effective volume.
                const double effectiveVolume = std::pow(std::numbers::pi, 1.5) * p.kappa;
                const double volume = 8.0 * boxHalfWidthLateral * boxHalfWidthLateral * boxHalfWidthAxial * p.kappa;
                const double count = std::max(1.0, std::round(p.molecules * volume / effectiveVolume));
                const double scale = std::cbrt(count * effectiveVolume / (p.molecules * volume));
                half_
                    = { boxHalfWidthLateral * scale, boxHalfWidthLateral * scale, boxHalfWidthAxial * p.kappa * scale };
                molecules_.resize(static_cast<std::size_t>(count));
                for (Molecule& m : molecules_)
                    for (std::size_t axis = 0; axis < 3; ++axis)
                        m.position[axis] = (2.0 * random_.uniform() - 1.0) * half_[axis];
            }
            if (backgroundRate_ > 0.0)
                nextBackground_ = random_.exponential(backgroundRate_);
        }

        [[nodiscard]] std::uint32_t moleculeCount() const { return static_cast<std::uint32_t>(molecules_.size()); }

        // Photon times (s) in [start, end), sorted.
        void photonsUntil(double end, std::vector<double>& times)
        {
            times.clear();
            for (Molecule& m : molecules_)
                advance(m, end, times);
            if (backgroundRate_ > 0.0)
                for (; nextBackground_ < end; nextBackground_ += random_.exponential(backgroundRate_))
                    times.push_back(nextBackground_);
            std::sort(times.begin(), times.end());
        }

    private:
        void diffuse(Molecule& m, double dt)
        {
            const double step = std::sqrt(2.0 * diffusion_ * dt);
            for (std::size_t axis = 0; axis < 3; ++axis) {
                double& x = m.position[axis];
                x += step * random_.normal();
                const double width = 2.0 * half_[axis];
                x -= width * std::floor((x + half_[axis]) / width);
            }
        }

        [[nodiscard]] double scaledRadiusSquared(const Molecule& m) const
        {
            const double z = m.position[2] / p_.kappa;
            return m.position[0] * m.position[0] + m.position[1] * m.position[1] + z * z;
        }

        // A lower bound of the distance (in w0) from the molecule to the
        // ellipsoid where W is above e^-9: in scaled units, and to the
        // cylinder around that ellipsoid.
        [[nodiscard]] double distanceToNearRegion(const Molecule& m, double rho2) const
        {
            const double radius = std::sqrt(nearRadiusSquared);
            const double lateral = std::hypot(m.position[0], m.position[1]) - radius;
            const double axial = std::abs(m.position[2]) - radius * p_.kappa;
            return std::max({ (std::sqrt(rho2) - radius) * closest_, lateral, axial });
        }

        // Emission by thinning: candidates at the peak rate, each kept with
        // probability W at the molecule's exact position at that moment. A
        // molecule far from the focus instead takes a step short enough that
        // it stays outside the emitting region (three standard deviations).
        void advance(Molecule& m, double end, std::vector<double>& times)
        {
            const double meanGap = 1.0 / peakRate_;
            while (m.time < end) {
                const double rho2 = scaledRadiusSquared(m);
                double farStep = 0.0;
                if (rho2 > nearRadiusSquared) {
                    const double distance = distanceToNearRegion(m, rho2);
                    farStep = distance * distance / (9.0 * 2.0 * diffusion_);
                }
                if (farStep >= meanGap) {
                    const double dt = std::min(farStep, end - m.time);
                    diffuse(m, dt);
                    m.time += dt;
                    continue;
                }
                const double gap = random_.exponential(peakRate_);
                if (m.time + gap >= end) { // memoryless: the next window draws again
                    diffuse(m, end - m.time);
                    m.time = end;
                    break;
                }
                diffuse(m, gap);
                m.time += gap;
                if (random_.uniform() < std::exp(-2.0 * scaledRadiusSquared(m)))
                    times.push_back(m.time);
            }
        }

        SimulationParameters p_;
        Random random_;
        double diffusion_; // w0² per second
        double peakRate_; // photons per second at the centre
        double backgroundRate_;
        double closest_; // the shorter of w0 and z0, in w0
        std::array<double, 3> half_ {};
        std::vector<Molecule> molecules_;
        double nextBackground_ = 0.0;
    };

    bool positiveFinite(double value) { return std::isfinite(value) && value > 0.0; }
    bool nonNegativeFinite(double value) { return std::isfinite(value) && value >= 0.0; }

    struct FileCloser {
        void operator()(std::FILE* file) const { std::fclose(file); }
    };
} // namespace

std::string checkSimulationParameters(const SimulationParameters& p)
{
    if (!positiveFinite(p.seconds) || p.seconds > maxSeconds)
        return "the duration must be above 0 and at most 100000 s";
    if (p.clockMHz != 40 && p.clockMHz != 60)
        return "the clock must be 40 or 60 MHz";
    if (!nonNegativeFinite(p.molecules) || p.molecules > maxMolecules)
        return "the number of molecules must be between 0 and 10000";
    if (!positiveFinite(p.diffusionTimeUs))
        return "the diffusion time must be above 0";
    if (!positiveFinite(p.kappa))
        return "kappa must be above 0";
    if (!nonNegativeFinite(p.brightnessKHz) || !nonNegativeFinite(p.backgroundKHz))
        return "count rates must be 0 or more";
    return {};
}

double expectedRateKHz(const SimulationParameters& p) { return p.molecules * p.brightnessKHz + p.backgroundKHz; }

double expectedAmplitude(const SimulationParameters& p)
{
    const double signal = p.molecules * p.brightnessKHz;
    if (p.molecules <= 0.0 || signal <= 0.0)
        return 0.0;
    const double fraction = signal / (signal + p.backgroundKHz);
    return fraction * fraction / p.molecules;
}

SimulationSummary simulatePhotonTicks(
    const SimulationParameters& parameters, const std::function<void(std::uint64_t tick)>& photon)
{
    SimulationSummary summary;
    Simulation simulation(parameters);
    summary.moleculesInBox = simulation.moleculeCount();
    const double ticksPerSecond = parameters.clockMHz * 1e6;
    std::vector<double> times;
    for (double start = 0.0; start < parameters.seconds; start += windowSeconds) {
        simulation.photonsUntil(std::min(start + windowSeconds, parameters.seconds), times);
        for (const double t : times) {
            const auto tick = static_cast<std::uint64_t>(t * ticksPerSecond);
            photon(tick);
            summary.lastTick = tick;
            ++summary.photons;
        }
    }
    return summary;
}

std::optional<SimulationSummary> simulateStreamFile(const SimulationParameters& parameters, const std::string& path)
{
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "wb"));
    if (!file)
        return std::nullopt;
    std::vector<std::uint8_t> buffer;
    appendCorrelatorHeader(buffer, parameters.clockMHz);
    std::uint64_t previous = 0;
    std::uint64_t bytes = 0;
    bool ok = true;
    const auto flush = [&] {
        ok = ok && std::fwrite(buffer.data(), 1, buffer.size(), file.get()) == buffer.size();
        bytes += buffer.size();
        buffer.clear();
    };
    SimulationSummary summary = simulatePhotonTicks(parameters, [&](std::uint64_t tick) {
        appendCorrelatorEntry(buffer, tick - previous);
        previous = tick;
        if (buffer.size() >= (std::size_t { 1 } << 20))
            flush();
    });
    flush();
    ok = std::fclose(file.release()) == 0 && ok;
    if (!ok)
        return std::nullopt;
    summary.bytes = bytes;
    return summary;
}

} // namespace plask
