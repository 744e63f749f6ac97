#include "fake_platform.h"

namespace plask::testing {

namespace {
    template <typename T>
    T takeFront(std::deque<T>& queue, T whenEmpty)
    {
        if (queue.empty())
            return whenEmpty;
        T value = std::move(queue.front());
        queue.pop_front();
        return value;
    }
} // namespace

std::ostream& operator<<(std::ostream& out, const PlatformCall& call)
{
    return out << call.name << "(\"" << call.text << "\", \"" << call.caption << "\")";
}

std::vector<PlatformCall> FakePlatform::callsNamed(std::string_view name) const
{
    std::vector<PlatformCall> found;
    for (const PlatformCall& call : calls)
        if (call.name == name)
            found.push_back(call);
    return found;
}

std::vector<PlatformCall> FakePlatform::dialogs() const
{
    std::vector<PlatformCall> found;
    for (const PlatformCall& call : calls)
        if (call.name == "showMessage" || call.name == "askYesNo")
            found.push_back(call);
    return found;
}

void FakePlatform::record(std::string name, std::string text, std::string caption)
{
    calls.push_back({ std::move(name), std::move(text), std::move(caption) });
}

void FakePlatform::showMessage(std::string_view text, std::string_view caption, Owner owner)
{
    record("showMessage", std::string(text), std::string(caption));
    if (owner == Owner::none)
        record("unownedMessage", std::string(text), std::string(caption));
}

bool FakePlatform::askYesNo(std::string_view text, std::string_view caption)
{
    record("askYesNo", std::string(text), std::string(caption));
    return takeFront(yesNoAnswers, false);
}

std::optional<std::string> FakePlatform::chooseOpenFile(const FileDialogRequest& request)
{
    fileRequests.push_back(request);
    record("chooseOpenFile", request.filters.empty() ? std::string() : request.filters.front().description);
    return takeFront(openFileAnswers, std::optional<std::string>());
}

std::optional<std::string> FakePlatform::chooseSaveFile(const FileDialogRequest& request)
{
    fileRequests.push_back(request);
    record("chooseSaveFile", request.defaultName);
    return takeFront(saveFileAnswers, std::optional<std::string>());
}

std::optional<std::string> FakePlatform::chooseFolder(std::string_view title)
{
    record("chooseFolder", std::string(title));
    return takeFront(folderAnswers, std::optional<std::string>());
}

void FakePlatform::setWaitCursor(bool busy)
{
    waitDepth += busy ? 1 : -1;
    record("setWaitCursor", busy ? "on" : "off");
}

PanelFields FakePlatform::readPanel()
{
    record("readPanel");
    return panel;
}

void FakePlatform::setMinPhotonsField(std::string_view text)
{
    panel.minPhotonsText = std::string(text);
    record("setMinPhotonsField", std::string(text));
}

bool FakePlatform::editFcsSetup(AnalysisSettings& settings)
{
    record("editFcsSetup");
    const std::optional<AnalysisSettings> answer = takeFront(fcsSetupAnswers, std::optional<AnalysisSettings>());
    if (!answer)
        return false;
    settings = *answer;
    return true;
}

bool FakePlatform::runSegmentDialog(SegmentDialogFields& fields, const SegmentDialogActions& actions)
{
    record("runSegmentDialog", fields.countText, fields.fileText);
    segmentDialogStates.push_back(fields);
    const std::vector<SegmentDialogStep> script = takeFront(segmentDialogScripts, std::vector<SegmentDialogStep>());
    for (const SegmentDialogStep& step : script) {
        if (step.minimumText)
            fields.minimumText = *step.minimumText;
        if (step.stepIndex)
            fields.stepIndex = *step.stepIndex;
        if (step.binWidthIndex)
            fields.binWidthIndex = *step.binWidthIndex;
        bool ended = false;
        switch (step.button) {
        case SegmentDialogStep::Button::reset:
            actions.reset(fields);
            break;
        case SegmentDialogStep::Button::autocorrelate:
            ended = actions.autocorrelate(fields);
            break;
        case SegmentDialogStep::Button::cancel:
            segmentDialogStates.push_back(fields);
            return false;
        }
        segmentDialogStates.push_back(fields);
        if (ended)
            return true;
    }
    return false;
}

void FakePlatform::redrawTrace() { record("redrawTrace"); }
void FakePlatform::activeChannelChanged(int channel) { record("activeChannelChanged", std::to_string(channel)); }
void FakePlatform::resetNavigator() { record("resetNavigator"); }
void FakePlatform::enableStreamNavigator(bool enabled) { record("enableStreamNavigator", enabled ? "1" : "0"); }
void FakePlatform::enableBurstNavigator(bool enabled) { record("enableBurstNavigator", enabled ? "1" : "0"); }
void FakePlatform::showStreamInfo() { record("showStreamInfo"); }
void FakePlatform::selectionEnded(int menuItem) { record("selectionEnded", std::to_string(menuItem)); }
void FakePlatform::refreshHistogramChart(int row) { record("refreshHistogramChart", std::to_string(row)); }
void FakePlatform::releaseHistogramCharts() { record("releaseHistogramCharts"); }
void FakePlatform::refreshStatisticsPanel(int channel) { record("refreshStatisticsPanel", std::to_string(channel)); }
void FakePlatform::showCorrelationCurve(int slot) { record("showCorrelationCurve", std::to_string(slot)); }
void FakePlatform::setResultsWindowVisible(bool visible) { record("setResultsWindowVisible", visible ? "1" : "0"); }

JobOutcome FakePlatform::runJob(std::string_view /*caption*/, const Job& job)
{
    if (!cancelJobAfterSteps) {
        job(noProgress());
        return JobOutcome::completed;
    }
    // Counts the steps and cancels past the scripted number.
    class CancellingProgress final : public Progress {
    public:
        explicit CancellingProgress(int steps)
            : left_(steps)
        {
        }
        bool step(double /*fractionDone*/) override
        {
            cancelled_ = cancelled_ || left_-- <= 0;
            return !cancelled_;
        }
        bool cancelled_ = false;

    private:
        int left_;
    };
    CancellingProgress progress(*cancelJobAfterSteps);
    job(progress);
    return progress.cancelled_ ? JobOutcome::cancelled : JobOutcome::completed;
}

} // namespace plask::testing
