#pragma once
// A pyramid of per-block sums and min/max envelopes kept next to a stream's
// counts, so that a chart of any zoom reads a few values per chart point
// instead of every bin it covers.

#include "core/page_block.h"

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace plask {

struct CountEnvelope {
    std::uint16_t min = 0;
    std::uint16_t max = 0;
    bool operator==(const CountEnvelope&) const = default;
};

class TraceEnvelope {
public:
    static constexpr std::size_t blockBins = 64; // bins per entry of the lowest level
    static constexpr std::size_t levelFactor = 8; // entries of a level per entry of the next

    TraceEnvelope() = default;

    // Builds the pyramid over `bins` in one pass; nothing when the memory is refused.
    [[nodiscard]] static std::optional<TraceEnvelope> build(std::span<const std::uint16_t> bins);

    // Whether the pyramid was built over exactly these bins (same array, same length).
    [[nodiscard]] bool describes(std::span<const std::uint16_t> bins) const;

    // Sum of bins [0, bin), from the block sums and at most blockBins - 1 bins.
    [[nodiscard]] std::uint64_t sumBefore(std::span<const std::uint16_t> bins, std::uint64_t bin) const;

    // Smallest and largest count of bins [first, last), first < last.
    [[nodiscard]] CountEnvelope range(std::span<const std::uint16_t> bins, std::uint64_t first, std::uint64_t last) const;

    // The same points as thinCounts over bins [firstBin, firstBin + points.size() x binsPerPoint)
    // in each display mode (integer mean, sum, first bin of each group).
    void thin(std::span<const std::uint16_t> bins, std::uint64_t firstBin, std::uint32_t binsPerPoint,
        std::int32_t displayMode, std::span<double> points) const;

    // Min/max of `columns.size()` equal shares of bins [first, last), as an overview draws them.
    void columns(std::span<const std::uint16_t> bins, std::uint64_t first, std::uint64_t last,
        std::span<CountEnvelope> columns) const;

    // Memory the pyramid holds, in bytes.
    [[nodiscard]] std::size_t bytes() const;

private:
    [[nodiscard]] CountEnvelope levelRange(std::size_t level, std::size_t lo, std::size_t hi) const;

    const std::uint16_t* source_ = nullptr;
    std::size_t length_ = 0;
    PageArray<std::uint64_t> blockPrefix_; // sum of bins before each whole block, and after the last
    std::vector<PageArray<CountEnvelope>> levels_; // level k: min/max of blockBins x levelFactor^k bins
    std::vector<std::size_t> levelCounts_; // whole entries of each level
};

} // namespace plask
