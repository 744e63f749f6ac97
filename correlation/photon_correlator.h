#pragma once
// Photon-mode multi-tau correlation: G(tau) computed from sorted photon
// arrival times instead of binned counts, so the cost grows with the photons
// and the number of lag levels, not with the record's length at the minimum
// lag. Each level coarsens the times by two (an integer shift) and merges the
// photons of one coarse time into one weighted entry; a lag's product sum
// pairs the entries of the direct list with those of the delayed list `lag`
// coarse times later.
//
// The lag grid and the normalisation are the binned correlator's: with the
// minimum lag equal to a bin width, every shared lag gets the same integer
// sums and so bit for bit the same G. The record is split into equal parts
// as well, all in the same pass, and the parts' curves give the standard
// error of every point.

#include "core/progress.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace plask {

struct PhotonCorrelationSetup {
    std::uint64_t minLagUnits = 1; // the grid's unit lag, in the times' units
    std::uint64_t maxLagUnits = 0; // longest lag in the times' units; 0: as far as the record allows
    int step = 8; // multi-tau step d
    int parts = 10; // equal parts for the standard error; 1: none
};

struct PhotonLagPoint {
    std::uint64_t lagUnits = 0; // in the times' units
    double g = 0.0; // the whole record's curve
    double partMean = 0.0; // mean of the parts' curves
    double sem = 0.0; // SD of the parts' curves / sqrt(parts used); NaN with fewer than two
    int partsUsed = 0; // parts long enough for this lag and with photons on both sides
    // The whole record's integer sums, as the binned correlator keeps them.
    std::uint64_t direct = 0;
    std::uint64_t delayed = 0;
    std::uint64_t pairs = 0;
};

struct PhotonCorrelation {
    std::vector<PhotonLagPoint> points; // increasing lags up to the maximum lag
    int levels = 0; // coarse levels after level 0
    std::uint64_t recordLags = 0; // record length in minimum lags
    std::uint64_t directPhotons = 0; // photons inside the record
    std::uint64_t delayedPhotons = 0;
    std::string error; // empty on success; otherwise the message for the user
    [[nodiscard]] bool ok() const { return error.empty(); }
};

// Autocorrelation of `times` (sorted, in some unit) over a record of
// `lengthUnits` units that starts at time 0. Photons at or past the record's
// end are left out.
[[nodiscard]] PhotonCorrelation autocorrelatePhotons(std::span<const std::uint64_t> times, std::uint64_t lengthUnits,
    const PhotonCorrelationSetup& setup, Progress& progress = noProgress());

// Cross-correlation: a photon of `direct` at t pairs with one of `delayed`
// at t + tau (only the delayed stream lags behind).
[[nodiscard]] PhotonCorrelation crossCorrelatePhotons(std::span<const std::uint64_t> direct,
    std::span<const std::uint64_t> delayed, std::uint64_t lengthUnits, const PhotonCorrelationSetup& setup,
    Progress& progress = noProgress());

// A lag in ns as a whole number of time units of `unitSeconds` = num / den
// seconds; nothing when it is not a positive whole multiple.
[[nodiscard]] std::optional<std::uint64_t> lagInUnits(double ns, std::uint64_t unitNum, std::uint64_t unitDen);

} // namespace plask
