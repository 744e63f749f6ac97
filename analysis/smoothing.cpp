#include "analysis/smoothing.h"

#include "core/selection_lists.h"
#include "core/text_format.h"

#include <algorithm>
#include <array>

namespace plask {

namespace {
    constexpr int widestFilter = 13;
    constexpr std::string_view smoothAgainCaption = "Continue with smoothing?";

    struct FilterRow {
        std::array<float, widestFilter> weights; // leftmost point first; unused places 0
        float divisor;
    };

    // Rows for widths 5, 7, 9, 11, 13; every row's weights sum to its divisor.
    constexpr std::array<FilterRow, 5> filterRows { {
        { { -3, 12, 17, 12, -3 }, 35 },
        { { -2, 3, 6, 7, 6, 3, -2 }, 21 },
        { { -21, 14, 39, 54, 59, 54, 39, 14, -21 }, 231 },
        { { -36, 9, 44, 69, 84, 89, 84, 69, 44, 9, -36 }, 429 },
        { { -11, 0, 9, 16, 21, 24, 25, 24, 21, 16, 9, 0, -11 }, 143 },
    } };

    [[nodiscard]] bool usableWidth(int width) { return width >= 5 && width <= widestFilter && width % 2 == 1; }

    [[nodiscard]] const FilterRow& rowFor(int width) { return filterRows[static_cast<std::size_t>((width - 5) / 2)]; }

    // The smoothed positions h .. n - h - 1. The window width is a constant
    // here, so the compiler unrolls the terms and vectorises across positions;
    // each position still adds its terms one by one in single precision, in
    // the same order as the plain loop, so the results are identical.
    template <int Width>
    void filterPositions(const float* input, std::size_t n, float* output, const FilterRow& row)
    {
        constexpr std::size_t h = (Width - 1) / 2;
        std::array<float, Width> w {};
        std::copy_n(row.weights.begin(), Width, w.begin());
        const float divisor = row.divisor;
        for (std::size_t k = h; k + h < n; ++k) {
            float sum = output[k];
            for (std::size_t j = 0; j < Width; ++j)
                sum += w[j] * input[k - h + j];
            output[k] = sum / divisor;
        }
    }

    void copyEdges(std::span<float> output, std::size_t n, std::size_t h)
    {
        std::fill_n(output.begin(), h, output[h]);
        std::fill(output.begin() + static_cast<std::ptrdiff_t>(n - h), output.begin() + static_cast<std::ptrdiff_t>(n),
            output[n - h - 1]);
    }

    // The checks, the optional clearing and the edge copy around a pass over
    // the smoothed positions.
    template <typename Positions>
    bool runFilter(std::span<const float> input, int width, std::span<float> output, bool clearOutput,
        Positions positions)
    {
        if (!usableWidth(width) || input.size() < static_cast<std::size_t>(width) || output.size() < input.size())
            return false;
        const std::size_t n = input.size();
        if (clearOutput)
            std::fill_n(output.begin(), n, 0.0f);
        positions(input.data(), n, output.data(), rowFor(width));
        copyEdges(output, n, static_cast<std::size_t>(width - 1) / 2);
        return true;
    }

    // The smoothed positions h .. n - h - 1 of `input` for a usable width.
    void filterWidth(int width, const float* in, std::size_t n, float* out, const FilterRow& row)
    {
        switch (width) {
        case 5:
            return filterPositions<5>(in, n, out, row);
        case 7:
            return filterPositions<7>(in, n, out, row);
        case 9:
            return filterPositions<9>(in, n, out, row);
        case 11:
            return filterPositions<11>(in, n, out, row);
        default:
            return filterPositions<13>(in, n, out, row);
        }
    }

    [[nodiscard]] std::uint16_t toCount(float value)
    {
        // Truncation towards zero, kept within the 16-bit count range.
        if (!(value > 0.0f))
            return 0;
        if (value >= 65535.0f)
            return 65535;
        return static_cast<std::uint16_t>(value);
    }
} // namespace

bool savitzkyGolay(std::span<const float> input, int width, std::span<float> output, bool clearOutput)
{
    return runFilter(input, width, output, clearOutput,
        [width](const float* in, std::size_t n, float* out, const FilterRow& row) {
            filterWidth(width, in, n, out, row);
        });
}

bool savitzkyGolayReference(std::span<const float> input, int width, std::span<float> output, bool clearOutput)
{
    return runFilter(input, width, output, clearOutput,
        [width](const float* in, std::size_t n, float* out, const FilterRow& row) {
            const auto w = static_cast<std::size_t>(width);
            const std::size_t h = (w - 1) / 2;
            for (std::size_t k = h; k + h < n; ++k) {
                for (std::size_t j = 0; j < w; ++j)
                    out[k] += row.weights[j] * in[k - h + j];
                out[k] = out[k] / row.divisor;
            }
        });
}

SmoothResult smoothCounts(
    std::span<const std::uint16_t> counts, int width, std::span<std::uint16_t> out, Progress& progress)
{
    const std::size_t n = counts.size();
    if (!usableWidth(width) || n < static_cast<std::size_t>(width) || out.size() < n)
        return SmoothResult::skipped;
    const auto input = PageArray<float>::allocate(n);
    const auto output = PageArray<float>::allocate(n);
    if (!input || !output)
        return SmoothResult::noMemory;
    std::copy(counts.begin(), counts.end(), input.data());
    // The output block is fresh and zero-filled, so the sums start at 0.
    // Every position is computed alone, so pieces give the same values as
    // one pass over the whole stream.
    constexpr std::size_t piece = std::size_t { 1 } << 20;
    const FilterRow& row = rowFor(width);
    const auto h = static_cast<std::size_t>(width - 1) / 2;
    for (std::size_t first = h; first + h < n; first += piece) {
        if (first > h && !progress.step(static_cast<double>(first) / static_cast<double>(n)))
            return SmoothResult::cancelled;
        const std::size_t end = std::min(first + piece, n - h);
        filterWidth(width, input.data() + (first - h), end - first + 2 * h, output.data() + (first - h), row);
    }
    copyEdges(output.first(n), n, h);
    std::transform(output.data(), output.data() + n, out.begin(), toCount);
    return SmoothResult::done;
}

SmoothResult smoothStream(PhotonStream& stream, int width)
{
    const std::span<std::uint16_t> counts = stream.bins();
    const SmoothResult result = smoothCounts(counts, width, counts);
    if (result != SmoothResult::done)
        return result;
    const CountRange range = countRange(counts);
    stream.maxCount = range.max;
    stream.minCount = range.min;
    ++stream.smoothPasses;
    return SmoothResult::done;
}

std::string alreadyFilteredQuestion(std::uint32_t passes)
{
    const int shown = static_cast<int>(passes);
    return passes == 1 ? formatText("Data has already been filtered (%d pass)", shown)
                       : formatText("Data has already been filtered (%d passes)", shown);
}

void runSmoothCommand(AppState& state, Platform& platform)
{
    const int channel = state.activeChannel;
    if (!isLoaded(state, channel))
        return;
    const std::size_t listIndex = platform.readPanel().sgFilterWidthIndex;
    state.settings().sgFilterWidth = sgFilterWidthValues.at(listIndex < sgFilterWidthValues.size() ? listIndex : 0);
    PhotonStream& stream = streamOf(state, channel);
    if (stream.smoothPasses > 0 && !platform.askYesNo(alreadyFilteredQuestion(stream.smoothPasses), smoothAgainCaption))
        return;
    // Smoothed into scratch counts on the worker; the channel takes them only
    // when the pass ran to its end.
    const int width = state.settings().sgFilterWidth;
    const std::span<std::uint16_t> counts = stream.bins();
    PageArray<std::uint16_t> smoothed = PageArray<std::uint16_t>::allocate(counts.size());
    SmoothResult result = smoothed ? SmoothResult::skipped : SmoothResult::noMemory;
    if (smoothed) {
        const WaitCursor busy(platform);
        const JobOutcome outcome = platform.runJob("Smooth Data", [&](Progress& progress) {
            result = smoothCounts(counts, width, smoothed.first(counts.size()), progress);
        });
        if (outcome == JobOutcome::cancelled || result == SmoothResult::cancelled)
            return;
    }
    if (result == SmoothResult::done) {
        std::copy_n(smoothed.data(), counts.size(), counts.begin());
        const CountRange range = countRange(counts);
        stream.maxCount = range.max;
        stream.minCount = range.min;
        ++stream.smoothPasses;
    }
    if (result == SmoothResult::noMemory) {
        platform.showMessage("Could not reserve needed memory.", "Memory Error", Owner::mainWindow);
        return;
    }
    if (result == SmoothResult::done) {
        platform.showStreamInfo();
        platform.redrawTrace();
    }
}

} // namespace plask
