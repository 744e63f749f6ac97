#pragma once
// The burst table "_bursts.txt" and the histogram table "_hist.txt", and the
// two File menu commands that save them.

#include "analysis/burst_histograms.h"
#include "analysis/text_file.h"
#include "core/app_state.h"
#include "core/platform.h"

#include <string>

namespace plask {

inline constexpr int commandSaveBurstData = 40073;
inline constexpr int commandSaveHistograms = 40003;

// A statistic as the burst table prints it: truncated towards zero through a
// 64-bit integer, of which the low 32 bits are shown.
[[nodiscard]] std::uint32_t truncatedForTable(double value);

// Writes the burst table of a set: 12 header rows, the column titles, one row
// per burst. Returns a WriteResult.
[[nodiscard]] int writeBurstFile(const std::string& path, const BurstSet& set);

// Writes the three histograms side by side, one bin per row. Returns a WriteResult.
[[nodiscard]] int writeHistogramFile(const std::string& path, const BurstHistograms& histograms);

// "Save Burst Data " and "Save Histograms" for the active channel: the Save
// dialog (proposing the data file's name with the suffix), the file, and the
// results marked saved. 0 when a file was written, 1 otherwise.
int saveBurstData(AppState& state, Platform& platform);
int saveHistograms(AppState& state, Platform& platform);

} // namespace plask
