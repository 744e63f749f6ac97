#pragma once
// The two files a batch run leaves in its working directory: the table of
// every burst found so far, "<base>_bursts.txt", and the process log,
// "<base>_info.txt".

#include "analysis/text_file.h"
#include "batch/batch_job.h"

#include <filesystem>
#include <string>
#include <string_view>

namespace plask {

[[nodiscard]] std::filesystem::path batchBurstsPath(const std::string& directory, const std::string& baseName);
[[nodiscard]] std::filesystem::path batchInfoPath(const std::string& directory, const std::string& baseName);

// Appends the photons, peaks, widths and intervals of a file's bursts to the
// accumulated set. False (and nothing changed) when memory runs out.
[[nodiscard]] bool appendBursts(BurstSet& accumulated, const BurstSet& file);

// Writes the accumulated table: a title row and one row per burst, numbered
// from 1, with photons, peak and width truncated to whole numbers. Returns a
// WriteResult.
[[nodiscard]] int writeBatchBurstTable(const std::filesystem::path& path, const BurstSet& accumulated);

// After a file's analysis succeeded: its bursts join the accumulated table,
// which is written again whole. Returns a WriteResult (writeFailed also when
// the bursts could not be appended).
int appendBurstsAndWrite(
    BurstSet& accumulated, const BurstSet& file, const std::string& directory, const std::string& baseName);

// Writes "<base>_info.txt": the total, the run's parameters, every file found
// with the background level used for it, and the whole status log.
// `smoothed` tells whether the data were filtered. Returns a WriteResult.
int writeProcessLog(const BatchJob& job, bool smoothed, std::string_view statusLog);

} // namespace plask
