// The cost of a trace redraw while paging: thinning a segment of a 10^8-bin
// stream to the chart's 1000 points (the whole stream at the largest zoom
// step), in each display mode, and the whole redraw including the chart.

#include "chart/chart_page.h"
#include "view/navigator.h"
#include "view/trace_points.h"
#include "ui/trace_view.h"

#include <QApplication>

#include <benchmark/benchmark.h>

#include <cstdint>
#include <memory>

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
