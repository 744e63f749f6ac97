#pragma once
// plask-cli correlate, as a function of its options and one input file (the
// direct stream): the JSON summary and the exit code.

#include "cli/file_runner.h"
#include "cli/photon_options.h"

#include <optional>
#include <string>

namespace plask::cli {

struct CorrelateOptions {
    InputOptions inputs; // FILE..., --jobs, --provenance
    PhotonOptions photon; // --channel, --gate, --window, --spc-type, --cross-channel
    std::string cross; // the delayed stream's file
    std::optional<double> minLagNs;
    std::optional<double> maxLagMs;
    std::optional<long> step;
    int parts = 10;
    bool fitImport = false; // also the fitting programs' layout
    std::string outputDir = ".";
};

// One FILE: exit code 0 on success, 1 when it cannot be correlated, 2 for
// options the command refuses. Messages go to cliErr().
[[nodiscard]] FileOutcome correlateFile(const CorrelateOptions& options, const std::string& file);

// A time unit in ns for messages.
[[nodiscard]] std::string formatUnit(double ns);

} // namespace plask::cli
