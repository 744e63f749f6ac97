#pragma once
// The multi-tau correlator: normalised intensity correlation G(tau) of
// photon-count streams on a quasi-logarithmic lag grid, kept as exact
// integer sums so that further stretches pool into the same curve.
//
// One curve: prepareCorrelation, allocateLagChannels, then autocorrelate or
// crossCorrelate. Pooling: prepareCorrelation for the longest stretch,
// allocateLagChannels once, then prepareCorrelation and autocorrelate for
// every stretch.

#include "core/correlation_result.h"
#include "core/photon_stream.h"
#include "core/progress.h"

#include <cstdint>
#include <optional>

namespace plask {

// Coarse levels after level 0 for a stretch of `bins` bins and step d:
// floor(ln(bins / (4d)) / 0.69314718056). The divisor lies a little above
// ln 2, so an exact power of two 2^k gives k - 1. Negative below 4d bins.
[[nodiscard]] int levelsForStretch(std::uint64_t bins, int step);

// The fewest bins a stretch needs to be correlated with step d (4d).
[[nodiscard]] constexpr std::uint64_t minimumStretchBins(int step) { return 4 * static_cast<std::uint64_t>(step); }

// Sets mtStep (the step as a 16-bit value), calcBinWidthUs, levelCount and
// lagCount for the stretch first ... last. Leaves the lag array alone.
void prepareCorrelation(
    CorrelationResult& result, std::uint32_t first, std::uint32_t last, int step, double calcBinWidthUs);

// A zero-filled array of lagCount records in place of the old one.
// Returns 0, or 2 when the memory cannot be had (the result then has none).
[[nodiscard]] int allocateLagChannels(CorrelationResult& result);

// Adds m new pairs to a record whose sums are up to date and recomputes G
// from the pooled sums: G = products x pairs / (direct x delayed) - 1. The
// product of the two intensity sums is formed without overflow.
void normaliseLag(LagChannel& lag, std::uint32_t newPairs);

// Adds the sums of bins first ... last of the stream to the result's lags
// (the levels set by the last prepareCorrelation) and recomputes every G it
// touches. Returns the computing time in seconds, or nothing, changing no
// lag, when the stretch cannot be correlated (outside the stream, shorter
// than 4d bins, more levels than the lag array holds), the working memory
// cannot be had, or `progress` answered a cancel.
[[nodiscard]] std::optional<double> autocorrelate(const PhotonStream& stream, CorrelationResult& result,
    std::uint32_t first, std::uint32_t last, Progress& progress = noProgress());

// The same with the undelayed values from `direct` and the values tau bins
// later from `delayed`, both over first ... last. One-sided: only lags of
// the delayed stream behind the direct one.
[[nodiscard]] std::optional<double> crossCorrelate(const PhotonStream& direct, const PhotonStream& delayed,
    CorrelationResult& result, std::uint32_t first, std::uint32_t last, Progress& progress = noProgress());

// index x from.binWidth / to.binWidth, truncated toward zero: a bin of one
// stream mapped onto another stream of the same recording.
[[nodiscard]] std::int32_t rescaleBinIndex(std::int64_t index, const PhotonStream& from, const PhotonStream& to);
[[nodiscard]] std::int32_t rescaleBinIndex(std::int64_t index, double fromBinWidth, double toBinWidth);

} // namespace plask
