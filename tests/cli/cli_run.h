#pragma once
// Runs the plask-cli binary the way a user would and collects what it said.

#include <nlohmann/json.hpp>

#include <filesystem>
#include <string>

namespace plask::testing {

struct CliResult {
    int exitCode = -1;
    std::string out; // stdout
    std::string err; // stderr
    // stdout as JSON, or a discarded value when it is not JSON.
    [[nodiscard]] nlohmann::json json() const { return nlohmann::json::parse(out, nullptr, false); }
};

// Runs `plask-cli <arguments>` in `folder` (the arguments are passed to the
// shell as they are, so quote paths).
[[nodiscard]] CliResult runCli(const std::string& arguments, const std::filesystem::path& folder);

// A path quoted for the shell.
[[nodiscard]] std::string quoted(const std::filesystem::path& path);

} // namespace plask::testing
