#pragma once
// A platform nobody watches: questions are answered No, dialogs are
// cancelled, messages and announcements are dropped. For benchmarks, fuzzing
// and other runs without a user.

#include "core/platform.h"

namespace plask {

class SilentPlatform : public Platform {
public:
    void showMessage(std::string_view, std::string_view, Owner) override { }
    bool askYesNo(std::string_view, std::string_view) override { return false; }
    std::optional<std::string> chooseOpenFile(const FileDialogRequest&) override { return std::nullopt; }
    std::optional<std::string> chooseSaveFile(const FileDialogRequest&) override { return std::nullopt; }
    std::optional<std::string> chooseFolder(std::string_view) override { return std::nullopt; }
    void setWaitCursor(bool) override { }
    PanelFields readPanel() override { return {}; }
    void setMinPhotonsField(std::string_view) override { }
    bool editFcsSetup(AnalysisSettings&) override { return false; }

    void redrawTrace() override { }
    void activeChannelChanged(int) override { }
    void resetNavigator() override { }
    void enableStreamNavigator(bool) override { }
    void enableBurstNavigator(bool) override { }
    void showStreamInfo() override { }
    void selectionEnded(int) override { }
    void refreshHistogramChart(int) override { }
    void releaseHistogramCharts() override { }
    void refreshStatisticsPanel(int) override { }
    void showCorrelationCurve(int) override { }
    void setResultsWindowVisible(bool) override { }
};

} // namespace plask
