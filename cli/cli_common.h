#pragma once
// What every plask-cli command shares: the settings, option checks and the
// JSON summary on stdout.

#include "core/analysis_settings.h"

#include <CLI/CLI.hpp>
#include <nlohmann/json.hpp>

#include <filesystem>
#include <functional>
#include <iosfwd>
#include <optional>
#include <string>

namespace plask::cli {

// The command chosen on the command line, run after parsing. Returns the
// process exit code: 0 only on success.
using CommandAction = std::function<int()>;

struct CliRun {
    std::string settingsPath; // --settings; "plask.ini" in the current folder by default
    CommandAction action;
};

// Where this thread's messages go: std::cerr, or the buffer a multi-file run
// collects one file's messages in (see file_runner.h).
[[nodiscard]] std::ostream& cliErr();

// Sends this thread's messages to `stream` while it lives.
class ErrorStreamScope {
public:
    explicit ErrorStreamScope(std::ostream& stream);
    ~ErrorStreamScope();
    ErrorStreamScope(const ErrorStreamScope&) = delete;
    ErrorStreamScope& operator=(const ErrorStreamScope&) = delete;

private:
    std::ostream* previous_;
};

// Settings as the program would start with them: "plask.ini" (or --settings)
// when it exists, the defaults otherwise. An unreadable --settings file is an error.
[[nodiscard]] std::optional<AnalysisSettings> loadCliSettings(const CliRun& run);

// Checks a bin width against the program's list; prints the allowed values
// to stderr and returns false when it is not one of them.
[[nodiscard]] bool checkBinWidthOption(double value, const std::string& option);
[[nodiscard]] bool checkMultiTauStepOption(long value, const std::string& option);

// A path made absolute against the current folder, without resolving links.
[[nodiscard]] std::filesystem::path absoluteNoResolve(const std::filesystem::path& path);

// Prints the summary as one JSON document on stdout.
void printJson(const nlohmann::json& summary);

// The list of allowed values, for messages and option help.
[[nodiscard]] std::string allowedBinWidths();
[[nodiscard]] std::string allowedMultiTauSteps();

// Each family of subcommands registers itself here.
void registerStreamCommands(CLI::App& app, CliRun& run); // info, convert, simulate
void registerBurstCommands(CLI::App& app, CliRun& run); // bursts, pch
void registerFcsCommands(CLI::App& app, CliRun& run); // fcs, segfcs
void registerBatchCommands(CLI::App& app, CliRun& run); // batch
void registerFitCommands(CLI::App& app, CliRun& run); // fit, pchfit
void registerCorrelateCommands(CLI::App& app, CliRun& run); // correlate

} // namespace plask::cli
