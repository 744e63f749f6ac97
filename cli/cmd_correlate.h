#pragma once
// plask-cli correlate, as a function of its options: one file (or one pair
// of streams) in, the JSON summary and the exit code out.

#include <nlohmann/json.hpp>

#include <optional>
#include <string>

namespace plask::cli {

struct CorrelateOptions {
    std::string file;
    std::optional<int> channel;
    std::string cross; // the delayed stream's file
    std::optional<int> crossChannel;
    std::string gate; // LO:HI ns
    std::string window; // START:DURATION s
    std::optional<double> minLagNs;
    std::optional<double> maxLagMs;
    std::optional<long> step;
    int parts = 10;
    bool fitImport = false; // also the fitting programs' layout
    std::string outputDir = ".";
};

struct CorrelateOutcome {
    int exitCode = 1; // 0 only on success; 2 for options the command refuses
    nlohmann::json summary; // on success
};

// Messages go to stderr; nothing is printed on stdout.
[[nodiscard]] CorrelateOutcome correlateFile(const CorrelateOptions& options);

// A time unit in ns for messages.
[[nodiscard]] std::string formatUnit(double ns);

} // namespace plask::cli
