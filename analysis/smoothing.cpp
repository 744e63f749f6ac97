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

SmoothResult smoothStream(PhotonStream& stream, int width)
{
    const std::span<std::uint16_t> counts = stream.bins();
    if (!usableWidth(width) || counts.size() < static_cast<std::size_t>(width))
        return SmoothResult::skipped;
    const auto input = PageArray<float>::allocate(counts.size());
    const auto output = PageArray<float>::allocate(counts.size());
    if (!input || !output)
        return SmoothResult::noMemory;
    std::copy(counts.begin(), counts.end(), input.data());
    // The output block is fresh and zero-filled, so the sums start at 0.
    (void)savitzkyGolay(input.first(counts.size()), width, output.first(counts.size()), false);
    std::transform(output.data(), output.data() + counts.size(), counts.begin(), toCount);
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
    SmoothResult result = SmoothResult::skipped;
    {
        const WaitCursor busy(platform);
        result = smoothStream(stream, state.settings().sgFilterWidth);
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
