// Speed of the burst scan, the Savitzky-Golay pass and the count-value tally
// (behind the background estimate and the PCH), each next to the
// straightforward loop it replaces. Items per second are bins per second.

#include "analysis/burst_detection.h"
#include "analysis/count_values.h"
#include "analysis/smoothing.h"

#include <benchmark/benchmark.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <vector>

namespace {

using namespace plask;

constexpr std::size_t scanBins = 100'000'000;
constexpr std::size_t smoothBins = 10'000'000;

struct Random {
    std::uint64_t state;
    std::uint32_t next()
    {
        state ^= state << 13;
        state ^= state >> 7;
        state ^= state << 17;
        return static_cast<std::uint32_t>(state >> 32);
    }
    double uniform() { return (next() + 0.5) / 4294967296.0; }
    std::uint16_t poisson(double mean)
    {
        const double limit = std::exp(-mean);
        std::uint16_t k = 0;
        for (double t = uniform(); t > limit; t *= uniform())
            ++k;
        return k;
    }
};

// Burst-mode data at 10 µs bins: a background of 0.05 photons per bin and,
// about every 3000 bins, a molecule crossing the focus (a Gaussian profile of
// random brightness, peak up to 8 photons per bin, about 20 bins wide).
const PhotonStream& burstStream()
{
    static const PhotonStream stream = [] {
        PhotonStream s;
        s.counts = PageArray<std::uint16_t>::allocate(scanBins);
        s.length = static_cast<std::uint32_t>(scanBins);
        s.binWidth = 10.0;
        Random random { 0x9E3779B97F4A7C15ULL };
        // Background: P(1) ~ 0.0476, P(2) ~ 0.0012 at mean 0.05.
        const std::uint32_t one = static_cast<std::uint32_t>(0.0488 * 4294967296.0);
        const std::uint32_t two = static_cast<std::uint32_t>(0.0012 * 4294967296.0);
        std::uint16_t* c = s.counts.data();
        for (std::size_t i = 0; i < scanBins; ++i) {
            const std::uint32_t u = random.next();
            c[i] = static_cast<std::uint16_t>(u < two ? 2 : u < one ? 1 : 0);
        }
        for (std::size_t at = 1000; at + 200 < scanBins; at += 1500 + random.next() % 3000) {
            const double peak = 1.0 + 7.0 * random.uniform();
            for (int k = -40; k <= 40; ++k) {
                const double mean = peak * std::exp(-0.5 * (k / 8.0) * (k / 8.0));
                c[at + static_cast<std::size_t>(k + 40)] += random.poisson(mean);
            }
        }
        return s;
    }();
    return stream;
}

BurstSet preparedSet(std::uint32_t subMinBins)
{
    BurstSet set;
    set.triggerLevel = 5;
    set.backgroundCounts = 1;
    set.minPhotons = 15;
    set.subMinBins = subMinBins;
    set.binWidthUs = 10.0;
    if (allocateBurstSet(set, burstStream()) != 0)
        std::abort();
    return set;
}

void scanBench(benchmark::State& state)
{
    const PhotonStream& stream = burstStream();
    BurstSet set = preparedSet(static_cast<std::uint32_t>(state.range(0)));
    for (auto _ : state) {
        scanBursts(stream, set, false);
        benchmark::DoNotOptimize(set.burstCount);
    }
    state.counters["bursts"] = set.burstCount;
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(scanBins));
}
BENCHMARK(scanBench)->Arg(0)->Arg(2)->Unit(benchmark::kMillisecond);

// Baseline: one test per bin, the same candidate examination.
void scanBaselineBench(benchmark::State& state)
{
    const PhotonStream& stream = burstStream();
    BurstSet set = preparedSet(static_cast<std::uint32_t>(state.range(0)));
    const std::uint16_t* c = stream.counts.data();
    for (auto _ : state) {
        set.burstCount = 0;
        BurstScanState scan;
        for (std::uint64_t i = 0; i < scanBins;)
            i = c[i] > static_cast<std::uint32_t>(set.triggerLevel) - 1u
                ? detectBurst(static_cast<std::uint32_t>(i), stream, set, scan)
                : i + 1;
        benchmark::DoNotOptimize(set.burstCount);
    }
    state.counters["bursts"] = set.burstCount;
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(scanBins));
}
BENCHMARK(scanBaselineBench)->Arg(0)->Arg(2)->Unit(benchmark::kMillisecond);

// The sizing pass that precedes every scan.
void countTriggerBench(benchmark::State& state)
{
    const PhotonStream& stream = burstStream();
    for (auto _ : state)
        benchmark::DoNotOptimize(countTriggerBins(stream.bins(), 5));
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(scanBins));
}
BENCHMARK(countTriggerBench)->Unit(benchmark::kMillisecond);

const std::vector<float>& smoothInput()
{
    static const std::vector<float> input = [] {
        const std::uint16_t* c = burstStream().counts.data();
        return std::vector<float>(c, c + smoothBins);
    }();
    return input;
}

template <bool Fast>
void smoothBench(benchmark::State& state)
{
    const std::vector<float>& input = smoothInput();
    std::vector<float> output(input.size());
    const auto width = static_cast<int>(state.range(0));
    for (auto _ : state) {
        const bool done = Fast ? savitzkyGolay(input, width, output, true)
                               : savitzkyGolayReference(input, width, output, true);
        benchmark::DoNotOptimize(done);
        benchmark::DoNotOptimize(output.data());
    }
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(smoothBins));
}
BENCHMARK(smoothBench<true>)->DenseRange(5, 13, 2)->Unit(benchmark::kMillisecond);
BENCHMARK(smoothBench<false>)->DenseRange(5, 13, 2)->Unit(benchmark::kMillisecond);

void tallyBench(benchmark::State& state)
{
    const PhotonStream& stream = burstStream();
    const CountRange range = countRange(stream.bins());
    for (auto _ : state)
        benchmark::DoNotOptimize(tallyCountValues(stream.bins(), range.max));
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(scanBins));
}
BENCHMARK(tallyBench)->Unit(benchmark::kMillisecond);

// Baseline: one frequency table of doubles, one increment per bin.
void tallyBaselineBench(benchmark::State& state)
{
    const PhotonStream& stream = burstStream();
    const CountRange range = countRange(stream.bins());
    for (auto _ : state) {
        std::vector<double> frequency(std::size_t { range.max } + 1, 0.0);
        for (const std::uint16_t v : stream.bins())
            if (v <= range.max)
                frequency[v] += 1.0;
        benchmark::DoNotOptimize(frequency.data());
    }
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(scanBins));
}
BENCHMARK(tallyBaselineBench)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
