#pragma once
// One plask-cli command over many input files.
//
// A command that works on one file at a time writes a per-file function,
// `FileOutcome f(const std::string& path)`, and lets runOverInputs drive it:
//   - one input: the function runs on this thread, its messages go straight
//     to stderr and its summary is printed as pretty JSON, as it always was;
//   - several inputs (or "-": one path per line on stdin): up to --jobs files
//     run at once on a pool of threads. Each file's stderr text is held back
//     and written, followed by its summary as one JSON line (NDJSON), in the
//     order of the inputs, so the output is the same for any --jobs. A file
//     that fails has {"path": ..., "error": ...} in its place; the others are
//     still done, and the run's exit code is the largest of the files' codes.
//     A file listed again (the same file by any path) is run once: its
//     later places repeat the first one's output, so no two threads ever
//     write one file's results.
//   - --provenance: the summary's provenance (see provenance.h) is written
//     next to every result file it lists under "files" or "output".
// A per-file function keeps all its state local (its own AppState and
// CliPlatform, no statics) and writes messages to cliErr(), never std::cerr.
//
//   auto inputs = std::make_shared<InputOptions>();
//   addInputOptions(*command, *inputs, "Stream files");
//   command->callback([&run, inputs, opts] {
//       run.action = [&run, inputs, opts] {
//           return runOverInputs(*inputs, [&](const std::string& file) { return runX(run, *opts, file); });
//       };
//   });

#include <CLI/CLI.hpp>
#include <nlohmann/json.hpp>

#include <functional>
#include <iosfwd>
#include <string>
#include <vector>

namespace plask::cli {

struct FileOutcome {
    nlohmann::json summary; // null when the file failed
    int exitCode = 0; // 0 only on success
};

using PerFileCommand = std::function<FileOutcome(const std::string& path)>;

struct InputOptions {
    std::vector<std::string> files; // "-" stands for the paths listed on stdin
    unsigned jobs = 0; // 0: as many as the machine has cores
    bool provenance = false;
};

// FILE... (required), --jobs N and --provenance.
void addInputOptions(CLI::App& command, InputOptions& options, const std::string& what);

// The inputs with "-" replaced by the non-empty lines of `listed`.
[[nodiscard]] std::vector<std::string> expandInputs(const std::vector<std::string>& files, std::istream& listed);

// True when the command line named more than one input (or "-"), so the
// output is NDJSON.
[[nodiscard]] bool severalInputs(const InputOptions& options);

// Runs `command` over every input and prints the summaries; the exit code.
[[nodiscard]] int runOverInputs(const InputOptions& options, const PerFileCommand& command);

// The same over paths already expanded (for a command that must see the
// whole list first).
[[nodiscard]] int runOverPaths(
    const InputOptions& options, const std::vector<std::string>& paths, const PerFileCommand& command);

} // namespace plask::cli
