// Speed of photon-mode correlation on arrival times: one curve, the curve
// with its parts (error bars), a cross-correlation, and the binned path
// (binning at 0.1 µs, then the multi-tau correlator) on the same photons at
// several occupancies. Times are in 10 ns units; items per second are photons.

#include "core/correlation_result.h"
#include "correlation/multi_tau.h"
#include "correlation/photon_correlator.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <map>
#include <vector>

#include <sys/resource.h>

namespace {

using namespace plask;

constexpr std::uint64_t unitsPerSecond = 100'000'000; // 10 ns

// Poisson arrivals at `photons / seconds` per second, seeded.
const std::vector<std::uint64_t>& poissonTimes(std::size_t photons, std::uint64_t seconds, std::uint64_t seed)
{
    static std::map<std::tuple<std::size_t, std::uint64_t, std::uint64_t>, std::vector<std::uint64_t>> cache;
    auto [it, added] = cache.try_emplace({ photons, seconds, seed });
    if (added) {
        std::vector<std::uint64_t>& times = it->second;
        times.reserve(photons);
        const double meanGap = static_cast<double>(seconds * unitsPerSecond) / static_cast<double>(photons);
        std::uint64_t state = seed * 0x9E3779B97F4A7C15ULL + 1;
        double t = 0.0;
        for (std::size_t i = 0; i < photons; ++i) {
            state ^= state << 13;
            state ^= state >> 7;
            state ^= state << 17;
            const double u = (static_cast<double>(state >> 11) + 0.5) * 0x1.0p-53;
            t += -std::log(u) * meanGap;
            times.push_back(static_cast<std::uint64_t>(t));
        }
    }
    return it->second;
}

PhotonCorrelationSetup setupFor(std::uint64_t maxLagUnits, int parts)
{
    PhotonCorrelationSetup setup;
    setup.minLagUnits = 1;
    setup.maxLagUnits = maxLagUnits;
    setup.step = 8;
    setup.parts = parts;
    return setup;
}

// 10^6 photons over 10 s, lags 10 ns ... 1 s; argument: parts.
void photonAuto(benchmark::State& state)
{
    const auto& times = poissonTimes(1'000'000, 10, 1);
    const PhotonCorrelationSetup setup = setupFor(unitsPerSecond, static_cast<int>(state.range(0)));
    for (auto _ : state) {
        PhotonCorrelation curve = autocorrelatePhotons(times, 10 * unitsPerSecond, setup);
        benchmark::DoNotOptimize(curve.points.data());
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * times.size()));
}
BENCHMARK(photonAuto)->Arg(1)->Arg(10)->Unit(benchmark::kMillisecond);

void photonCross(benchmark::State& state)
{
    const auto& a = poissonTimes(1'000'000, 10, 1);
    const auto& b = poissonTimes(1'000'000, 10, 2);
    const PhotonCorrelationSetup setup = setupFor(unitsPerSecond, static_cast<int>(state.range(0)));
    for (auto _ : state) {
        PhotonCorrelation curve = crossCorrelatePhotons(a, b, 10 * unitsPerSecond, setup);
        benchmark::DoNotOptimize(curve.points.data());
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * (a.size() + b.size())));
}
BENCHMARK(photonCross)->Arg(1)->Unit(benchmark::kMillisecond);

// A 1 s record with `percent` % of its 0.1 µs bins occupied (Poisson).
std::size_t photonsForOccupancy(std::int64_t percent)
{
    const double bins = 1e7;
    return static_cast<std::size_t>(-std::log(1.0 - static_cast<double>(percent) / 100.0) * bins);
}

// Photon mode from 10 ns to 1/10 of the record, one curve.
void photonAtOccupancy(benchmark::State& state)
{
    const auto& times = poissonTimes(photonsForOccupancy(state.range(0)), 1, 3);
    const PhotonCorrelationSetup setup = setupFor(unitsPerSecond / 10, 1);
    for (auto _ : state) {
        PhotonCorrelation curve = autocorrelatePhotons(times, unitsPerSecond, setup);
        benchmark::DoNotOptimize(curve.points.data());
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * times.size()));
}
BENCHMARK(photonAtOccupancy)->Arg(1)->Arg(10)->Arg(50)->Unit(benchmark::kMillisecond);

// The binned path on the same photons: bin at 0.1 µs, then the correlator
// over the whole record (its lags reach about a quarter of the record).
void binnedAtOccupancy(benchmark::State& state)
{
    const auto& times = poissonTimes(photonsForOccupancy(state.range(0)), 1, 3);
    const std::size_t bins = unitsPerSecond / 10;
    for (auto _ : state) {
        PhotonStream stream;
        stream.counts = PageArray<std::uint16_t>::allocate(bins);
        std::fill_n(stream.counts.data(), bins, std::uint16_t { 0 });
        for (const std::uint64_t t : times)
            if (t < unitsPerSecond) // the record's 1 s, as in photon mode
                ++stream.counts[t / 10];
        stream.length = static_cast<std::uint32_t>(bins);
        stream.binWidth = 0.1;
        CorrelationResult result;
        prepareCorrelation(result, 0, static_cast<std::uint32_t>(bins - 1), 8, 0.1);
        if (allocateLagChannels(result) != 0 || !autocorrelate(stream, result, 0, static_cast<std::uint32_t>(bins - 1)))
            state.SkipWithError("binned correlation failed");
        benchmark::DoNotOptimize(result.lags.data());
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * times.size()));
}
BENCHMARK(binnedAtOccupancy)->Arg(1)->Arg(10)->Arg(50)->Unit(benchmark::kMillisecond);

// 10^8 photons over 100 s (1 MHz), 10 ns ... 1 s, default parts. Run alone
// (--benchmark_filter=photonLarge): the times take 800 MB.
void photonLarge(benchmark::State& state)
{
    const auto& times = poissonTimes(100'000'000, 100, 4);
    const PhotonCorrelationSetup setup = setupFor(unitsPerSecond, 10);
    for (auto _ : state) {
        PhotonCorrelation curve = autocorrelatePhotons(times, 100 * unitsPerSecond, setup);
        benchmark::DoNotOptimize(curve.points.data());
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * times.size()));
    // The process's peak resident memory, the times included.
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    state.counters["peakRssMB"] = static_cast<double>(usage.ru_maxrss) / 1024.0;
}
BENCHMARK(photonLarge)->Iterations(1)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
