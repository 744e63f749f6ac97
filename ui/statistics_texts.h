#pragma once
// The rows of the results window's statistics panel: captions and the value
// texts of a stream and its burst set, in their fixed formats.

#include "core/burst_set.h"
#include "core/photon_stream.h"

#include <array>
#include <string>
#include <string_view>

namespace plask::ui {

inline constexpr int statisticsRows = 8;
// Rows 0 to 2 describe the stream, rows 3 to 7 the burst set.
inline constexpr int firstBurstRow = 3;

inline constexpr std::array<std::string_view, statisticsRows> statisticsCaptions { "Filename:", "Counts/sec:",
    "Background counts:", "Number of bursts:", "Mean photons/burst:", "Mean peak value:", "Mean burst width:",
    "Mean burst interval:" };

// The value text of a row (UTF-8: ± and µ as their characters).
[[nodiscard]] std::string statisticsValueText(int row, const PhotonStream& stream, const BurstSet& set);

} // namespace plask::ui
