#pragma once
// A scripted platform for headless tests: answers questions and dialogs from
// queues and records every call, so a test can assert exactly what the user
// would have seen.

#include "core/platform.h"

#include <deque>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace plask::testing {

struct PlatformCall {
    std::string name; // "showMessage", "askYesNo", "redrawTrace", ...
    std::string text; // message or question text, or an argument rendered as text
    std::string caption;
    bool operator==(const PlatformCall&) const = default;
};

std::ostream& operator<<(std::ostream& out, const PlatformCall& call);

// One button press in the segmental dialog, after typing or picking the
// values that are set.
struct SegmentDialogStep {
    enum class Button { reset, autocorrelate, cancel };
    std::optional<std::string> minimumText;
    std::optional<std::size_t> stepIndex;
    std::optional<std::size_t> binWidthIndex;
    Button button = Button::autocorrelate;
};

class FakePlatform : public Platform {
public:
    // Scripted answers, consumed front first. An empty queue answers No / Cancel.
    std::deque<bool> yesNoAnswers;
    std::deque<std::optional<std::string>> openFileAnswers;
    std::deque<std::optional<std::string>> saveFileAnswers;
    std::deque<std::optional<std::string>> folderAnswers;
    // The FCS setup dialog: nothing means Cancel; settings are stored on OK.
    std::deque<std::optional<AnalysisSettings>> fcsSetupAnswers;
    // The segmental dialog: one list of presses per opening; the dialog is
    // cancelled when its list runs out (or when there is none).
    std::deque<std::vector<SegmentDialogStep>> segmentDialogScripts;
    // The dialog's fields at opening and after every press, in order.
    std::vector<SegmentDialogFields> segmentDialogStates;
    PanelFields panel;
    // Jobs run inline; when set, a job's progress answers a cancel from its
    // (n + 1)th step on, and runJob then says the job was cancelled.
    std::optional<int> cancelJobAfterSteps;

    std::vector<PlatformCall> calls;
    std::vector<FileDialogRequest> fileRequests; // every Open and Save request in order
    int waitDepth = 0; // wait cursor nesting now

    // Calls with the given name, in order.
    [[nodiscard]] std::vector<PlatformCall> callsNamed(std::string_view name) const;
    // Only the message boxes and questions, in order.
    [[nodiscard]] std::vector<PlatformCall> dialogs() const;
    void clear() { calls.clear(); }

    void showMessage(std::string_view text, std::string_view caption, Owner owner) override;
    bool askYesNo(std::string_view text, std::string_view caption) override;
    std::optional<std::string> chooseOpenFile(const FileDialogRequest& request) override;
    std::optional<std::string> chooseSaveFile(const FileDialogRequest& request) override;
    std::optional<std::string> chooseFolder(std::string_view title) override;
    void setWaitCursor(bool busy) override;
    PanelFields readPanel() override;
    void setMinPhotonsField(std::string_view text) override;
    bool editFcsSetup(AnalysisSettings& settings) override;
    bool runSegmentDialog(SegmentDialogFields& fields, const SegmentDialogActions& actions) override;
    JobOutcome runJob(std::string_view caption, const Job& job) override;

    void redrawTrace() override;
    void activeChannelChanged(int channel) override;
    void resetNavigator() override;
    void enableStreamNavigator(bool enabled) override;
    void enableBurstNavigator(bool enabled) override;
    void showStreamInfo() override;
    void selectionEnded(int menuItem) override;
    void refreshHistogramChart(int row) override;
    void releaseHistogramCharts() override;
    void refreshStatisticsPanel(int channel) override;
    void showCorrelationCurve(int slot) override;
    void setResultsWindowVisible(bool visible) override;

private:
    void record(std::string name, std::string text = {}, std::string caption = {});
};

} // namespace plask::testing
