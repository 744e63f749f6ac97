#pragma once
// The seam between the workflow and the outside world. Commands ask through
// it (messages, questions, file dialogs, the control panel) and announce
// their results through it (redraws and refreshes). The desktop program
// implements it with widgets, plask-cli with the terminal and its arguments,
// the tests with a scripted fake.
//
// Long computations go through runJob: the command asks its questions first,
// then runs the computation as a job that reads its inputs and writes only
// scratch data of its own (never the application state, never the platform),
// and commits the scratch data to the channel only when the job completed.
// A cancelled job therefore leaves the channel exactly as it was. The desktop
// program runs the job on a worker thread while the window keeps painting,
// with a progress bar and Cancel in its status bar; plask-cli and the tests
// run it inline.

#include "core/analysis_settings.h"
#include "core/photon_mode_settings.h"
#include "core/progress.h"

#include "core/photon_selection.h"

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace plask {

// Whether a message box belongs to the main window or stands alone.
enum class Owner { mainWindow, none };

struct FileFilter {
    std::string description; // "Vireo photon stream file (*.dat)"
    std::string pattern; // "*.dat"
};

struct FileDialogRequest {
    std::vector<FileFilter> filters; // the first one is selected
    std::string defaultName; // proposed file name (Save dialogs)
    std::string defaultExtension; // ".phc", appended when the user types none
};

// The control panel's fields as the user left them.
struct PanelFields {
    std::string minPhotonsText = "10"; // "Min. Photons/Burst"
    std::string subMinBinsText = "10"; // "Sub-min. Bins"
    std::string triggerLevelText = "5"; // "Trigger Level"
    std::string backgroundCountsText = "1"; // "Background Counts"
    std::size_t binWidthIndex = 2; // "Binwidth:" list
    std::size_t sgFilterWidthIndex = 0; // "SG Filter width" list
    bool subtractBackground = false; // "Bkgd sub."
    bool autoscaleHistograms = true; // "Autoscale Hist."
    bool showMarkers = true; // "Show Markers"
};

// The fields of the segmental correlation dialog ("Segmental  Autocorrelation").
struct SegmentDialogFields {
    std::string fileText; // "File:", the analysed file
    std::string countText; // "Segments>min. length:", "%u out of %u"
    std::string minimumText; // "Minimum time (µs):" as typed
    std::size_t stepIndex = 0; // "MultiTau Step:" list
    std::size_t binWidthIndex = 0; // "Bin width (µs) : " list
};

// What the segmental dialog's buttons do to the fields and the settings; the
// command supplies them, the dialog calls them with its fields as typed.
struct SegmentDialogActions {
    std::function<void(SegmentDialogFields&)> reset; // "Reset": recount with the typed minimum
    // "Autocorrelate": true ends the dialog; false keeps it open (a message said why).
    std::function<bool(SegmentDialogFields&)> autocorrelate;
};

// How a job ended: it ran to its end, or it stopped on a Cancel (a step()
// that returned false), its scratch data then incomplete.
enum class JobOutcome { completed, cancelled };

// A long computation; it calls progress.step() at block boundaries and
// returns early once step() has returned false.
using Job = std::function<void(Progress& progress)>;

// Menu items whose check marks the selection modes set.
inline constexpr int commandSelectBackground = 40027;
inline constexpr int commandSelectRegion = 40081;

class Platform {
public:
    virtual ~Platform() = default;

    // --- Asking ---
    virtual void showMessage(std::string_view text, std::string_view caption, Owner owner = Owner::mainWindow) = 0;
    // A Yes/No question; true for Yes.
    virtual bool askYesNo(std::string_view text, std::string_view caption) = 0;
    // Full path of the chosen file, or nothing when cancelled.
    virtual std::optional<std::string> chooseOpenFile(const FileDialogRequest& request) = 0;
    // Full path of the chosen file (the dialog has asked before overwriting),
    // or nothing when cancelled.
    virtual std::optional<std::string> chooseSaveFile(const FileDialogRequest& request) = 0;
    virtual std::optional<std::string> chooseFolder(std::string_view title) = 0;
    virtual void setWaitCursor(bool busy) = 0;
    virtual PanelFields readPanel() = 0;
    // Writes a corrected value back into "Min. Photons/Burst".
    virtual void setMinPhotonsField(std::string_view text) = 0;
    // The "FCS Setup" dialog over the settings; true when the user pressed OK
    // (the dialog has stored its fields), false on Cancel.
    virtual bool editFcsSetup(AnalysisSettings& settings) = 0;
    // "FCS Setup" with its "Photon mode" fields as well, enabled when
    // `photonModeOffered` (the stream's photons carry arrival times); true on
    // OK. Without those fields to show, the dialog above.
    virtual bool editFcsSetupWithPhotonMode(
        AnalysisSettings& settings, PhotonModeSettings& /*photonMode*/, bool /*photonModeOffered*/)
    {
        return editFcsSetup(settings);
    }
    // The segmental correlation dialog, modal: true when "Autocorrelate"
    // ended it, false on "Cancel". Without a dialog to show it is cancelled.
    virtual bool runSegmentDialog(SegmentDialogFields& /*fields*/, const SegmentDialogActions& /*actions*/)
    {
        return false;
    }
    // The "Photon file" dialog before a time-tag file with several channels
    // or microtimes is loaded: `selection` comes filled with the last choice
    // for this format and is changed in place; false on Cancel. Without a
    // dialog the given choice stands.
    virtual bool choosePhotonSelection(const PhotonFileSummary& /*file*/, PhotonSelection& /*selection*/)
    {
        return true;
    }

    // Runs `job` to its end or to a Cancel and says which; `caption` names it
    // for the user ("Autocorrelation"). Inline here, with nothing to cancel.
    virtual JobOutcome runJob(std::string_view /*caption*/, const Job& job)
    {
        job(noProgress());
        return JobOutcome::completed;
    }

    // --- Announcing ---
    virtual void redrawTrace() = 0;
    virtual void activeChannelChanged(int channel) = 0;
    // A new stream length: zoom, segments and stream texts start over.
    virtual void resetNavigator() = 0;
    virtual void enableStreamNavigator(bool enabled) = 0;
    virtual void enableBurstNavigator(bool enabled) = 0;
    // The counts or the background level changed: show both channels' rates
    // and count ranges and "Background Counts" again on the control panel.
    virtual void showStreamInfo() = 0;
    // A selection mode ended: uncheck the menu item, park the trace markers.
    virtual void selectionEnded(int menuItem) = 0;
    virtual void refreshHistogramChart(int row) = 0;
    // The histogram charts' data went away with a released burst set.
    virtual void releaseHistogramCharts() = 0;
    virtual void refreshStatisticsPanel(int channel) = 0;
    virtual void showCorrelationCurve(int slot) = 0;
    virtual void setResultsWindowVisible(bool visible) = 0;
};

// Shows the wait cursor for as long as it lives.
class WaitCursor {
public:
    explicit WaitCursor(Platform& platform)
        : platform_(platform)
    {
        platform_.setWaitCursor(true);
    }
    ~WaitCursor() { platform_.setWaitCursor(false); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;

private:
    Platform& platform_;
};

} // namespace plask
