#include "cli/cli_common.h"

#include "core/selection_lists.h"
#include "core/settings_file.h"

#include <iostream>
#include <sstream>
#include <utility>

namespace plask::cli {

namespace {
    thread_local std::ostream* errorStream = nullptr;
}

std::ostream& cliErr() { return errorStream ? *errorStream : std::cerr; }

ErrorStreamScope::ErrorStreamScope(std::ostream& stream)
    : previous_(std::exchange(errorStream, &stream))
{
}

ErrorStreamScope::~ErrorStreamScope() { errorStream = previous_; }

std::optional<AnalysisSettings> loadCliSettings(const CliRun& run)
{
    AnalysisSettings settings;
    if (run.settingsPath.empty()) {
        if (std::filesystem::exists(settingsFileName))
            (void)readSettingsFile(settingsFileName, settings);
        updateBleedFactors(settings);
        return settings;
    }
    if (!readSettingsFile(run.settingsPath, settings)) {
        cliErr() << "Cannot read the settings file " << run.settingsPath << '\n';
        return std::nullopt;
    }
    updateBleedFactors(settings);
    return settings;
}

std::string allowedBinWidths()
{
    std::ostringstream out;
    for (std::size_t i = 0; i < binWidthValues.size(); ++i)
        out << (i ? ", " : "") << binWidthValues[i];
    return out.str();
}

std::string allowedMultiTauSteps()
{
    std::ostringstream out;
    for (std::size_t i = 0; i < multiTauStepValues.size(); ++i)
        out << (i ? ", " : "") << multiTauStepValues[i];
    return out.str();
}

bool checkBinWidthOption(double value, const std::string& option)
{
    if (isListedBinWidth(value))
        return true;
    cliErr() << option << " " << value << " is not an allowed bin width; allowed values (µs): "
              << allowedBinWidths() << '\n';
    return false;
}

bool checkMultiTauStepOption(long value, const std::string& option)
{
    if (isListedMultiTauStep(value))
        return true;
    cliErr() << option << " " << value << " is not an allowed multi-tau step; allowed values: "
              << allowedMultiTauSteps() << '\n';
    return false;
}

std::filesystem::path absoluteNoResolve(const std::filesystem::path& path)
{
    return std::filesystem::absolute(path).lexically_normal();
}

void printJson(const nlohmann::json& summary) { std::cout << summary.dump(2) << std::endl; }

} // namespace plask::cli
