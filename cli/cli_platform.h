#pragma once
// The platform seam for plask-cli: messages go to stderr, questions and
// dialogs are answered by the command's arguments; the announcements stay
// the silent platform's no-ops.

#include "core/silent_platform.h"

#include <deque>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>

namespace plask::cli {

class CliPlatform : public SilentPlatform {
public:
    bool answerYes = true; // a scripted run agrees to overwrite and to continue
    std::deque<std::string> openFiles; // answers to the Open dialog, in order
    std::deque<std::string> saveFiles; // explicit answers to Save dialogs, in order
    std::filesystem::path outputDir = "."; // otherwise a Save goes here under the proposed name
    std::optional<std::filesystem::path> folder; // answer to the folder browser
    PanelFields panel;
    // Applied to the settings when a command shows the FCS setup dialog.
    std::function<void(AnalysisSettings&)> fcsSetup;
    // Fills the segmental dialog's fields before "Autocorrelate" is pressed.
    std::function<void(SegmentDialogFields&)> segmentSetup;
    std::vector<std::filesystem::path> savedFiles; // every path a Save dialog returned
    int messageCount = 0; // message boxes shown (errors and refusals)

    void showMessage(std::string_view text, std::string_view caption, Owner owner) override;
    bool askYesNo(std::string_view text, std::string_view caption) override;
    std::optional<std::string> chooseOpenFile(const FileDialogRequest& request) override;
    std::optional<std::string> chooseSaveFile(const FileDialogRequest& request) override;
    std::optional<std::string> chooseFolder(std::string_view title) override;
    PanelFields readPanel() override { return panel; }
    void setMinPhotonsField(std::string_view text) override;
    bool editFcsSetup(AnalysisSettings& settings) override;
    bool runSegmentDialog(SegmentDialogFields& fields, const SegmentDialogActions& actions) override;
};

} // namespace plask::cli
