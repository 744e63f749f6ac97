// The cost of a trace redraw while paging: thinning a segment of a 10^8-bin
// stream to the chart's 1000 points (the whole stream at the largest zoom
// step), in each display mode, and the whole redraw including the chart.
// Then a 10^9-bin stream at zoom steps from the whole recording to the
// closest: the envelope pyramid against the plain thinning, and the window's
// whole redraw, which reads the pyramid.

#include "chart/chart_page.h"
#include "view/navigator.h"
#include "view/trace_points.h"
#include "ui/trace_view.h"

#include <QApplication>

#include <benchmark/benchmark.h>

#include <cstdint>
#include <memory>
#include <optional>

namespace {

constexpr std::uint32_t streamBins = 100'000'000;

// One or two channels of 10^8 bins with small pseudo-random counts, the
// navigator at the largest zoom step.
plask::AppState& streamState(int channels)
{
    static std::unique_ptr<plask::AppState> states[2];
    std::unique_ptr<plask::AppState>& state = states[channels - 1];
    if (state)
        return *state;
    state = std::make_unique<plask::AppState>();
    std::uint32_t seed = 12345;
    for (int channel = 0; channel < channels; ++channel) {
        plask::PhotonStream& stream = plask::streamOf(*state, channel);
        stream.counts = plask::PageArray<std::uint16_t>::allocate(streamBins);
        for (std::uint32_t i = 0; i < streamBins; ++i) {
            seed = seed * 1664525U + 1013904223U;
            stream.counts[i] = static_cast<std::uint16_t>(seed >> 30);
        }
        stream.length = streamBins;
        stream.maxCount = 3;
        state->loadedFlags.at(static_cast<std::size_t>(channel)) = 1;
    }
    state->display = { streamBins, 1.0, streamBins * 1e-6 };
    plask::resetZoom(*state);
    plask::applyZoom(*state, state->navigator.zoomMax);
    return *state;
}

void thinSegment(benchmark::State& run)
{
    plask::AppState& state = streamState(static_cast<int>(run.range(1)));
    state.currentDisplayMode = static_cast<std::int32_t>(run.range(0));
    plask::TraceBuffers buffers;
    for (auto _ : run) {
        benchmark::DoNotOptimize(plask::fillTraceBuffers(state, buffers));
        benchmark::ClobberMemory();
    }
    run.counters["bins/s"] = benchmark::Counter(
        static_cast<double>(run.iterations()) * streamBins * static_cast<double>(run.range(1)),
        benchmark::Counter::kIsRate);
}
BENCHMARK(thinSegment)
    ->ArgNames({ "mode", "channels" })
    ->Args({ plask::displayAverage, 1 })
    ->Args({ plask::displaySum, 1 })
    ->Args({ plask::displaySinglePoint, 1 })
    ->Args({ plask::displaySum, 2 })
    ->Unit(benchmark::kMillisecond);

// The redraw as the window performs it: buffers, axes, markers and the chart's replot.
void redrawTrace(benchmark::State& run)
{
    plask::AppState& state = streamState(1);
    state.currentDisplayMode = plask::displaySum;
    plask::chart::ChartPage page(QStringLiteral("page1"));
    page.resize(1280, 400);
    plask::ui::TraceView trace(state, page);
    page.show();
    for (auto _ : run)
        benchmark::DoNotOptimize(trace.redraw());
}
BENCHMARK(redrawTrace)->Unit(benchmark::kMillisecond);

constexpr std::uint32_t largeBins = 1'000'000'000;

// One channel of 10^9 bins (2 GB) with sparse counts and the odd burst.
plask::AppState& largeState()
{
    static std::unique_ptr<plask::AppState> state;
    if (state)
        return *state;
    state = std::make_unique<plask::AppState>();
    plask::PhotonStream& stream = plask::streamOf(*state, 0);
    stream.counts = plask::PageArray<std::uint16_t>::allocate(largeBins);
    std::uint32_t seed = 12345;
    for (std::uint32_t i = 0; i < largeBins; ++i) {
        seed = seed * 1664525U + 1013904223U;
        stream.counts[i] = static_cast<std::uint16_t>((seed >> 29) == 0 ? seed >> 24 : 0);
    }
    stream.length = largeBins;
    stream.maxCount = 255;
    state->loadedFlags[0] = 1;
    state->display = { largeBins, 1.0, largeBins * 1e-6 };
    plask::resetZoom(*state);
    return *state;
}

const plask::TraceEnvelope& largeEnvelope()
{
    static const std::optional<plask::TraceEnvelope> envelope
        = plask::TraceEnvelope::build(plask::streamOf(largeState(), 0).bins());
    return *envelope;
}

// Zoom step, display mode, and whether the pyramid is read (1) or every bin (0).
void thinLarge(benchmark::State& run)
{
    plask::AppState& state = largeState();
    plask::applyZoom(state, static_cast<int>(run.range(1)));
    state.currentDisplayMode = plask::displaySum;
    const bool pyramid = run.range(2) != 0;
    const plask::ChannelEnvelopes envelopes { pyramid ? &largeEnvelope() : nullptr, nullptr };
    plask::TraceBuffers buffers;
    for (auto _ : run) {
        benchmark::DoNotOptimize(plask::fillTraceBuffers(state, buffers, envelopes));
        benchmark::ClobberMemory();
    }
    run.counters["binsShown"] = static_cast<double>(state.navigator.binsPerChartPoint) * plask::chartPoints;
}
BENCHMARK(thinLarge)
    ->ArgNames({ "bins", "zoom", "envelope" })
    ->ArgsProduct({ { largeBins }, { 20, 15, 10, 5, 1 }, { 1, 0 } })
    ->Unit(benchmark::kMillisecond);

// Building the pyramid once, as the first redraw after a load does.
void buildLargeEnvelope(benchmark::State& run)
{
    const std::span<const std::uint16_t> bins = plask::streamOf(largeState(), 0).bins();
    std::size_t bytes = 0;
    for (auto _ : run) {
        const std::optional<plask::TraceEnvelope> envelope = plask::TraceEnvelope::build(bins);
        bytes = envelope ? envelope->bytes() : 0;
    }
    run.counters["MB"] = static_cast<double>(bytes) / 1e6;
}
BENCHMARK(buildLargeEnvelope)->ArgNames({ "bins" })->Arg(largeBins)->Iterations(2)->Unit(benchmark::kMillisecond);

// The window's redraw (buffers from the pyramid, axes, the chart's replot) at each zoom step.
void redrawLarge(benchmark::State& run)
{
    plask::AppState& state = largeState();
    state.currentDisplayMode = plask::displaySum;
    plask::chart::ChartPage page(QStringLiteral("page1"));
    page.resize(1280, 400);
    plask::ui::TraceView trace(state, page);
    page.show();
    plask::applyZoom(state, static_cast<int>(run.range(1)));
    trace.redraw(); // builds the pyramid, outside the timing
    for (auto _ : run)
        benchmark::DoNotOptimize(trace.redraw());
}
BENCHMARK(redrawLarge)
    ->ArgNames({ "bins", "zoom" })
    ->ArgsProduct({ { largeBins }, { 20, 10, 1 } })
    ->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
