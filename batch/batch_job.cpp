#include "batch/batch_job.h"

#include <algorithm>
#include <filesystem>
#include <string_view>
#include <system_error>
#include <utility>

namespace plask {

namespace {
    char lowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

    std::string folded(std::string text)
    {
        std::transform(text.begin(), text.end(), text.begin(), lowerAscii);
        return text;
    }

    // Case-insensitive order; names equal but for case in byte order.
    bool batchNameLess(const std::string& a, const std::string& b)
    {
        return std::pair(folded(a), std::string_view(a)) < std::pair(folded(b), std::string_view(b));
    }
} // namespace

const char* batchFilePattern(int fileKind) { return fileKind == batchPhotonCountFiles ? "*.phc" : "*.dat"; }

namespace {
    bool endsWithFolded(const std::string& name, std::string_view extension)
    {
        if (name.size() < extension.size())
            return false;
        return std::equal(extension.begin(), extension.end(),
            name.end() - static_cast<std::ptrdiff_t>(extension.size()),
            [](char want, char have) { return lowerAscii(want) == lowerAscii(have); });
    }
} // namespace

std::string batchFilePattern(const BatchJob& job)
{
    return job.fileKind == batchTimeTagFiles ? job.timeTagPatterns : std::string(batchFilePattern(job.fileKind));
}

bool matchesBatchPattern(const std::string& name, int fileKind)
{
    return endsWithFolded(name, fileKind == batchPhotonCountFiles ? ".phc" : ".dat");
}

bool matchesBatchPattern(const std::string& name, const BatchJob& job)
{
    if (job.fileKind != batchTimeTagFiles)
        return matchesBatchPattern(name, job.fileKind);
    std::string_view globs = job.timeTagPatterns;
    while (!globs.empty()) {
        const std::size_t space = std::min(globs.find(' '), globs.size());
        const std::string_view glob = globs.substr(0, space);
        // "*.ext": the extension, dot included.
        if (glob.size() > 1 && glob.front() == '*' && endsWithFolded(name, glob.substr(1)))
            return true;
        globs.remove_prefix(std::min(space + 1, globs.size()));
    }
    return false;
}

std::size_t scanDirectory(BatchJob& job)
{
    std::vector<std::string> names;
    std::error_code error;
    std::filesystem::directory_iterator entry(job.directory, error);
    for (; !error && entry != std::filesystem::directory_iterator(); entry.increment(error)) {
        std::string name = entry->path().filename().string();
        if (matchesBatchPattern(name, job))
            names.push_back(std::move(name));
    }
    std::sort(names.begin(), names.end(), batchNameLess);
    if (names.size() > maxBatchFiles)
        names.resize(maxBatchFiles);
    job.fileNames = std::move(names);
    return job.fileNames.size();
}

std::string saveAsNameFor(const std::string& directory)
{
    const std::size_t slash = directory.find_last_of('/');
    return slash == std::string::npos ? directory : directory.substr(slash + 1);
}

void releaseJob(BatchJob& job)
{
    job.fileNames = {};
    releaseStream(job.stream);
    releaseBurstSet(job.accumulated);
    job.backgrounds = {};
    job.minPhotons = 0;
    job.triggerLevel = 0;
    job.running = false;
    job.completed = false;
    job.directoryChosen = false;
    job.abortPressed = false;
}

} // namespace plask
