#include "cli/file_runner.h"

#include "cli/cli_common.h"
#include "cli/provenance.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <filesystem>
#include <iostream>
#include <mutex>
#include <map>
#include <sstream>
#include <thread>

namespace plask::cli {

namespace {
    struct Slot {
        std::string messages; // what the file's run wrote to cliErr()
        FileOutcome outcome;
        bool done = false;
    };

    std::string trimmedMessage(const std::string& messages, int exitCode)
    {
        std::string text = messages;
        while (!text.empty() && (text.back() == '\n' || text.back() == '\r'))
            text.pop_back();
        return text.empty() ? "failed with exit code " + std::to_string(exitCode) : text;
    }

    FileOutcome runCaptured(const PerFileCommand& command, const std::string& path, std::string& messages)
    {
        std::ostringstream err;
        FileOutcome outcome;
        {
            const ErrorStreamScope scope(err);
            try {
                outcome = command(path);
            } catch (const std::exception& error) {
                err << "Cannot process " << path << ": " << error.what() << '\n';
                outcome = { nullptr, 1 };
            }
        }
        messages = err.str();
        return outcome;
    }

    constexpr std::size_t firstPlace = static_cast<std::size_t>(-1);

    // For each input, the place where the same file (by any path) came first,
    // or firstPlace. A file listed again is not run again: two threads would
    // write its results at once; its earlier place's outcome stands for it.
    std::vector<std::size_t> earlierPlaces(const std::vector<std::string>& paths)
    {
        std::vector<std::size_t> earlier(paths.size(), firstPlace);
        std::map<std::filesystem::path, std::size_t> seen;
        for (std::size_t i = 0; i < paths.size(); ++i) {
            std::error_code error;
            std::filesystem::path key = std::filesystem::weakly_canonical(paths[i], error);
            if (error)
                key = std::filesystem::absolute(paths[i], error).lexically_normal();
            const auto [place, added] = seen.try_emplace(key, i);
            if (!added)
                earlier[i] = place->second;
        }
        return earlier;
    }

    void emit(const std::string& path, Slot& slot, bool provenance)
    {
        std::cerr << slot.messages << std::flush;
        FileOutcome& outcome = slot.outcome;
        if (outcome.exitCode == 0 && provenance && !writeProvenanceFiles(outcome.summary, std::cerr))
            outcome.exitCode = 1;
        if (outcome.exitCode != 0 || outcome.summary.is_null()) {
            if (outcome.exitCode == 0)
                outcome.exitCode = 1;
            const nlohmann::ordered_json failure
                = { { "path", path }, { "error", trimmedMessage(slot.messages, outcome.exitCode) } };
            std::cout << failure.dump() << '\n' << std::flush;
        } else {
            std::cout << outcome.summary.dump() << '\n' << std::flush;
        }
        slot = Slot { {}, { nullptr, outcome.exitCode }, true };
    }
} // namespace

void addInputOptions(CLI::App& command, InputOptions& options, const std::string& what)
{
    command.add_option("FILE", options.files, what + "; several, or - to read the paths from stdin, give NDJSON")
        ->required();
    command.add_option("--jobs", options.jobs, "Files analysed at once with several inputs (default: the cores)")
        ->check(CLI::Range(1u, 1024u));
    command.add_flag("--provenance", options.provenance,
        "Also write the version, inputs and parameters next to each result file as <result>.json");
}

std::vector<std::string> expandInputs(const std::vector<std::string>& files, std::istream& listed)
{
    std::vector<std::string> paths;
    for (const std::string& file : files) {
        if (file != "-") {
            paths.push_back(file);
            continue;
        }
        for (std::string line; std::getline(listed, line);) {
            if (!line.empty() && line.back() == '\r')
                line.pop_back();
            if (!line.empty())
                paths.push_back(line);
        }
    }
    return paths;
}

bool severalInputs(const InputOptions& options)
{
    return options.files.size() > 1 || std::ranges::find(options.files, "-") != options.files.end();
}

int runOverInputs(const InputOptions& options, const PerFileCommand& command)
{
    return runOverPaths(
        options, severalInputs(options) ? expandInputs(options.files, std::cin) : options.files, command);
}

int runOverPaths(const InputOptions& options, const std::vector<std::string>& paths, const PerFileCommand& command)
{
    if (!severalInputs(options)) {
        FileOutcome outcome = command(paths.front());
        if (outcome.exitCode == 0 && options.provenance && !writeProvenanceFiles(outcome.summary, std::cerr))
            return 1;
        if (outcome.exitCode == 0)
            printJson(outcome.summary);
        return outcome.exitCode;
    }

    std::vector<Slot> slots(paths.size());
    const std::vector<std::size_t> earlier = earlierPlaces(paths);
    std::map<std::size_t, Slot> repeatedSlots; // outcomes of files listed again, by their first place
    std::mutex mutex;
    std::condition_variable finished;
    std::atomic<std::size_t> next { 0 };
    const auto work = [&] {
        for (std::size_t i = next++; i < paths.size(); i = next++) {
            std::string messages;
            FileOutcome outcome;
            if (earlier[i] == firstPlace)
                outcome = runCaptured(command, paths[i], messages);
            const std::lock_guard lock(mutex);
            slots[i] = { std::move(messages), std::move(outcome), true };
            finished.notify_all();
        }
    };
    const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
    const std::size_t threads = std::min<std::size_t>(options.jobs ? options.jobs : cores, paths.size());
    std::vector<std::jthread> pool;
    for (std::size_t t = 0; t < threads; ++t)
        pool.emplace_back(work);

    // Written in input order as soon as each file and all before it are done.
    int exitCode = 0;
    for (std::size_t i = 0; i < paths.size(); ++i) {
        Slot slot;
        {
            std::unique_lock lock(mutex);
            finished.wait(lock, [&] { return slots[i].done; });
            slot = std::move(slots[i]);
            slots[i] = {};
        }
        if (earlier[i] != firstPlace)
            slot = repeatedSlots.at(earlier[i]);
        else if (std::ranges::find(earlier, i) != earlier.end())
            repeatedSlots.emplace(i, slot);
        emit(paths[i], slot, options.provenance);
        exitCode = std::max(exitCode, slot.outcome.exitCode);
    }
    return exitCode;
}

} // namespace plask::cli
