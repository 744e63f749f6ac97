#include "cli/cli_platform.h"

#include "cli/cli_common.h"
#include "view/panel_settings.h"

#include <iostream>

namespace plask::cli {

void CliPlatform::showMessage(std::string_view text, std::string_view caption, Owner)
{
    ++messageCount;
    cliErr() << caption << ": " << text << '\n';
}

bool CliPlatform::askYesNo(std::string_view text, std::string_view caption)
{
    cliErr() << caption << ": " << text << (answerYes ? " [yes]" : " [no]") << '\n';
    return answerYes;
}

std::optional<std::string> CliPlatform::chooseOpenFile(const FileDialogRequest&)
{
    if (openFiles.empty())
        return std::nullopt;
    std::string path = std::move(openFiles.front());
    openFiles.pop_front();
    return path;
}

std::optional<std::string> CliPlatform::chooseSaveFile(const FileDialogRequest& request)
{
    std::filesystem::path path;
    if (!saveFiles.empty()) {
        path = saveFiles.front();
        saveFiles.pop_front();
    } else {
        path = outputDir / request.defaultName;
    }
    path = std::filesystem::absolute(path);
    savedFiles.push_back(path);
    return path.string();
}

std::optional<std::string> CliPlatform::chooseFolder(std::string_view)
{
    if (!folder)
        return std::nullopt;
    return folder->string();
}

void CliPlatform::setMinPhotonsField(std::string_view text) { panel.minPhotonsText = std::string(text); }

bool CliPlatform::editFcsSetup(AnalysisSettings& settings)
{
    if (fcsSetup)
        fcsSetup(settings);
    return true;
}

bool CliPlatform::runSegmentDialog(SegmentDialogFields& fields, const SegmentDialogActions& actions)
{
    if (segmentSetup)
        segmentSetup(fields);
    // A refusal cannot be answered from the command line: it cancels.
    return actions.autocorrelate(fields);
}

} // namespace plask::cli
