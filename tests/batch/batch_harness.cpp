#include "batch_harness.h"

#include "formats/correlator_file.h"
#include "test_files.h"

#include <algorithm>

namespace plask::testing {

std::vector<std::uint8_t> correlatorFileFor(const std::vector<std::uint16_t>& counts)
{
    constexpr std::uint64_t ticksPerBin = 40;
    std::vector<std::uint8_t> file;
    appendCorrelatorHeader(file, 40);
    std::uint64_t previous = 0;
    for (std::size_t bin = 0; bin < counts.size(); ++bin)
        for (std::uint16_t k = 0; k < counts[bin]; ++k) {
            const std::uint64_t arrival = bin * ticksPerBin + k % ticksPerBin;
            appendCorrelatorEntry(file, arrival - previous);
            previous = arrival;
        }
    // A last photon in the last bin, so that the stream ends there.
    appendCorrelatorEntry(file, (counts.size() - 1) * ticksPerBin + ticksPerBin - 1 - previous);
    return file;
}

std::vector<std::uint16_t> backgroundCounts(std::size_t bins, std::size_t step, std::uint16_t level)
{
    std::vector<std::uint16_t> counts(bins, 0);
    for (std::size_t i = 0; i < bins; i += step)
        counts[i] = level;
    return counts;
}

std::vector<std::uint16_t> withBurst(
    std::vector<std::uint16_t> counts, std::size_t start, const std::vector<std::uint16_t>& values)
{
    std::copy(values.begin(), values.end(), counts.begin() + static_cast<std::ptrdiff_t>(start));
    return counts;
}

std::string expectedFile(const std::string& name, const std::string& directory)
{
    std::string text = readText(testDataPath(name));
    const std::string mark = "@DIR@";
    for (std::size_t at = text.find(mark); at != std::string::npos; at = text.find(mark, at + directory.size()))
        text.replace(at, mark.size(), directory);
    return text;
}

} // namespace plask::testing
