#pragma once
// The batch processor's job: the working directory, the data files found
// there, the bursts gathered over the run and the parameters taken at Start.

#include "core/burst_histogram.h"
#include "core/burst_set.h"
#include "core/photon_selection.h"
#include "core/photon_stream.h"

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace plask {

inline constexpr std::size_t maxBatchFiles = 512;

enum BatchFileKind : int { batchPhotonCountFiles = 1, batchCorrelatorFiles = 2, batchTimeTagFiles = 3 };

struct BatchJob {
    std::string directory; // working directory, absolute
    std::string saveAsName; // output base name: the last component of `directory`
    std::vector<std::string> fileNames; // names without directory, at most maxBatchFiles
    BurstSet accumulated; // the bursts of every file analysed in this job
    PhotonStream stream; // the file being analysed
    std::array<BurstHistogram, 3> histograms; // built on the worker, then shown
    std::int32_t triggerLevel = 0;
    std::int32_t minPhotons = 0;
    std::int32_t subMinBins = 0;
    std::vector<std::int32_t> backgrounds; // background level used per file; 0 when not estimated
    std::int32_t sgWidth = 0;
    double binWidth = 0.0; // µs
    bool smooth = false; // options as they were at Start
    bool estimateBackground = false;
    // Cleared by Abort on the user-interface thread; the worker reads it before each file.
    std::atomic<bool> running { false };
    bool completed = false; // the worker reached the end of the list
    bool directoryChosen = false;
    bool abortPressed = false;
    int fileKind = batchCorrelatorFiles;
    std::string timeTagPatterns; // batchTimeTagFiles: the globs searched for, e.g. "*.ht3" or "*.h5 *.hdf5"
    PhotonSelection photons; // batchTimeTagFiles: the channels, gate and window each file is read with
};

// "*.phc" or "*.dat".
[[nodiscard]] const char* batchFilePattern(int fileKind);
// The job's globs: those of its file kind, or its time-tag patterns.
[[nodiscard]] std::string batchFilePattern(const BatchJob& job);

// Whether a directory entry's name matches the pattern of the file kind; the
// match ignores case, as the directory search of the original file system did.
[[nodiscard]] bool matchesBatchPattern(const std::string& name, int fileKind);
// The same for the job's globs ("*.ext" each, separated by spaces).
[[nodiscard]] bool matchesBatchPattern(const std::string& name, const BatchJob& job);

// The names in `directory` matching the job's pattern, folders included (they
// fail to load later). Names are listed in case-insensitive order, the order
// a search of the original file system returns, and at most maxBatchFiles
// are kept. Fills `fileNames` and returns their number; 0 when the directory
// cannot be read.
std::size_t scanDirectory(BatchJob& job);

// The output base name for a chosen directory: the text after its last "/"
// (empty for a path ending in "/").
[[nodiscard]] std::string saveAsNameFor(const std::string& directory);

// Frees the names, the stream's counts, the accumulated bursts and the
// background levels, and clears the run's flags and parameters, so that the
// next job starts its table at row 1.
void releaseJob(BatchJob& job);

} // namespace plask
