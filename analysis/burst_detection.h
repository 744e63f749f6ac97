#pragma once
// Finding bursts in a photon stream: bins at or above a trigger level open a
// candidate, whose edges follow the bins above the background edge level.

#include "core/burst_set.h"
#include "core/photon_stream.h"
#include "core/progress.h"

#include <cstdint>
#include <span>

namespace plask {

// What one run of the search carries from candidate to candidate.
struct BurstScanState {
    std::uint32_t previousBurstEnd = 0; // end bin of the last accepted burst
    bool subtractBackground = false; // "Bkgd sub." as it stood at the run
};

// Bins whose count reaches the trigger level. The level is compared as
// count > level - 1 in unsigned arithmetic, so a level of 0 or below counts none.
[[nodiscard]] std::uint64_t countTriggerBins(std::span<const std::uint16_t> counts, std::int32_t triggerLevel);

// The first bin at or after `from` that reaches the trigger level, or
// counts.size() when there is none. Skips whole blocks of quiet bins.
[[nodiscard]] std::size_t nextTriggerBin(std::span<const std::uint16_t> counts, std::size_t from, std::int32_t triggerLevel);

// Sizes the seven per-burst arrays for the set's trigger level: 0 when done,
// 3 when no bin reaches the trigger, 2 when memory ran out. On 2 and 3 the
// set keeps its previous bursts.
[[nodiscard]] int allocateBurstSet(BurstSet& set, const PhotonStream& stream);

// Searches the whole stream with the parameters stored in the set: 1 when the
// end was reached, 5 when the set became full, 8 when `progress` answered a
// cancel (reported every 2^20 bins searched). Fills the intervals.
int scanBursts(const PhotonStream& stream, BurstSet& set, bool subtractBackground, Progress& progress = noProgress());

// Examines the candidate triggered at bin `triggerBin`; records it when it
// holds enough photons. Returns the bin at which the search goes on.
std::uint64_t detectBurst(std::uint32_t triggerBin, const PhotonStream& stream, BurstSet& set, BurstScanState& scan);

// Index of the first largest count in counts[first..last]; positions past the
// end read as empty bins.
[[nodiscard]] std::uint32_t peakBin(std::span<const std::uint16_t> counts, std::uint64_t first, std::uint64_t last);

// Mean, population standard deviation, largest and smallest value; all zero
// for an empty series.
[[nodiscard]] SeriesStats seriesStatistics(std::span<const double> values);

} // namespace plask
