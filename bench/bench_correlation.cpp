// Speed of the multi-tau correlator on long photon streams, against the
// plain loop-per-lag correlator as the baseline. Items per second are bins
// per second.

#include "core/correlation_result.h"
#include "correlation/multi_tau.h"
#include "reference_correlator.h"

#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdint>
#include <map>
#include <vector>

namespace {

using namespace plask;

// A photon stream of about 0.1 photons per bin (a 100 kHz count rate at
// 1 µs bins) whose rate drifts slowly, as a diffusing molecule makes it.
std::vector<std::uint16_t> makeCounts(std::size_t n, std::uint64_t seed)
{
    std::vector<std::uint16_t> counts(n);
    std::uint64_t state = seed * 0x9E3779B97F4A7C15ULL + 1;
    std::uint32_t threshold = 1u << 27;
    for (std::size_t i = 0; i < n; ++i) {
        state ^= state << 13;
        state ^= state >> 7;
        state ^= state << 17;
        if ((i & 1023) == 0)
            threshold = (1u << 26) + static_cast<std::uint32_t>(state >> 40) * 2;
        const auto a = static_cast<std::uint32_t>(state);
        const auto b = static_cast<std::uint32_t>(state >> 32);
        counts[i] = static_cast<std::uint16_t>((a < threshold ? 1 : 0) + (b < threshold / 8 ? 1 : 0));
    }
    return counts;
}

const PhotonStream& streamOfLength(std::size_t n, int which)
{
    static std::map<std::pair<std::size_t, int>, PhotonStream> streams;
    auto [it, added] = streams.try_emplace({ n, which });
    if (added) {
        const std::vector<std::uint16_t> counts = makeCounts(n, static_cast<std::uint64_t>(which) + 1);
        it->second.counts = PageArray<std::uint16_t>::allocate(n);
        std::copy(counts.begin(), counts.end(), it->second.counts.data());
        it->second.length = static_cast<std::uint32_t>(n);
        it->second.binWidth = 1.0;
    }
    return it->second;
}

CorrelationResult prepared(std::size_t n, int step)
{
    CorrelationResult result;
    prepareCorrelation(result, 0, static_cast<std::uint32_t>(n - 1), step, 1.0);
    if (allocateLagChannels(result) != 0)
        std::abort();
    return result;
}

void autocorrelation(benchmark::State& state)
{
    const auto n = static_cast<std::size_t>(state.range(0));
    const int step = static_cast<int>(state.range(1));
    const PhotonStream& stream = streamOfLength(n, 0);
    for (auto _ : state) {
        CorrelationResult result = prepared(n, step);
        benchmark::DoNotOptimize(autocorrelate(stream, result, 0, static_cast<std::uint32_t>(n - 1)));
        benchmark::DoNotOptimize(result.lags[0].g);
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * n));
}

void crossCorrelation(benchmark::State& state)
{
    const auto n = static_cast<std::size_t>(state.range(0));
    const int step = static_cast<int>(state.range(1));
    const PhotonStream& direct = streamOfLength(n, 0);
    const PhotonStream& delayed = streamOfLength(n, 1);
    for (auto _ : state) {
        CorrelationResult result = prepared(n, step);
        benchmark::DoNotOptimize(crossCorrelate(direct, delayed, result, 0, static_cast<std::uint32_t>(n - 1)));
        benchmark::DoNotOptimize(result.lags[0].g);
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * n));
}

// A progress that is asked like the desktop program's (a virtual call that
// reads an atomic), to price the block-boundary checks against `autocorrelation`.
class ListeningProgress final : public Progress {
public:
    bool step(double fractionDone) override
    {
        fraction.store(fractionDone, std::memory_order_relaxed);
        return !cancel.load(std::memory_order_relaxed);
    }
    std::atomic<double> fraction { 0.0 };
    std::atomic<bool> cancel { false };
};

void autocorrelationWithProgress(benchmark::State& state)
{
    const auto n = static_cast<std::size_t>(state.range(0));
    const int step = static_cast<int>(state.range(1));
    const PhotonStream& stream = streamOfLength(n, 0);
    ListeningProgress progress;
    for (auto _ : state) {
        CorrelationResult result = prepared(n, step);
        benchmark::DoNotOptimize(autocorrelate(stream, result, 0, static_cast<std::uint32_t>(n - 1), progress));
        benchmark::DoNotOptimize(result.lags[0].g);
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * n));
}

void plainLoops(benchmark::State& state)
{
    const auto n = static_cast<std::size_t>(state.range(0));
    const int step = static_cast<int>(state.range(1));
    const PhotonStream& stream = streamOfLength(n, 0);
    for (auto _ : state) {
        CorrelationResult result = prepared(n, step);
        reference::correlate(stream.bins(), stream.bins(), result, 0, static_cast<std::uint32_t>(n - 1));
        benchmark::DoNotOptimize(result.lags[0].g);
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * n));
}

} // namespace

BENCHMARK(autocorrelation)
    ->ArgsProduct({ { 1'000'000, 10'000'000, 100'000'000 }, { 8, 32 } })
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(crossCorrelation)
    ->ArgsProduct({ { 1'000'000, 10'000'000, 100'000'000 }, { 8, 32 } })
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(autocorrelationWithProgress)
    ->ArgsProduct({ { 1'000'000, 10'000'000, 100'000'000 }, { 8, 32 } })
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(plainLoops)->Args({ 100'000'000, 8 })->Iterations(2)->Unit(benchmark::kMillisecond)->UseRealTime();

BENCHMARK_MAIN();
