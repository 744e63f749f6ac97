#pragma once
// What produced a result: Plask's version, the input files (size and
// SHA-256) and every setting that went into it. Each command's JSON summary
// carries these under "version", "inputs" and "parameters"; with
// --provenance they are also written beside each result file.

#include "core/analysis_settings.h"

#include <nlohmann/json.hpp>

#include <filesystem>
#include <iosfwd>
#include <optional>
#include <span>
#include <string>

namespace plask::cli {

// {"plask": "0.1.0", "commit": "<40 hex digits>"}; no commit when the build
// did not come from a git checkout.
[[nodiscard]] nlohmann::json versionJson();

// The SHA-256 of a file's bytes in lower-case hex; nullopt when unreadable.
[[nodiscard]] std::optional<std::string> fileSha256(const std::filesystem::path& path);

// {"path", "size", "sha256"} of one input, made absolute.
[[nodiscard]] nlohmann::json inputJson(const std::filesystem::path& path);

// Every field of the settings under its own name.
[[nodiscard]] nlohmann::json settingsJson(const AnalysisSettings& settings);

// Adds "version", "inputs" (the files in order) and "parameters": the
// settings the result was made with, overlaid by any "parameters" the
// summary has already (values the command read elsewhere, such as the burst
// set's own copy).
void addProvenance(nlohmann::json& summary, std::span<const std::string> inputs, const AnalysisSettings& used);

// Writes version, inputs and parameters beside each result file the summary
// names ("files" and "output") as <result file name>.json. False after a
// message on `err`.
[[nodiscard]] bool writeProvenanceFiles(const nlohmann::json& summary, std::ostream& err);

} // namespace plask::cli
