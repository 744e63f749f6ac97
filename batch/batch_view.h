#pragma once
// What the batch dialog shows and what it lets the user set. The desktop
// program implements it with the "BATCHDIALOG" widgets, plask-cli with the
// terminal. Every call arrives on the user-interface thread.

#include <cstddef>
#include <string>
#include <string_view>

namespace plask {

// The dialog's five option boxes.
struct BatchOptions {
    bool traceFcs = true; // "Trace FCS ", stored only
    bool segFcs = true; // "Seg. FCS", stored only
    bool vireoFiles = true; // "Vireo  files": checked = "*.dat", clear = "*.phc"
    bool smooth = true; // "Smooth"
    bool estimateBackground = true; // "Est. Bkgd"
    // "Time-tag files:": the globs of one time-tag type ("*.ht3"), or empty
    // for the files the "Vireo  files" box names.
    std::string timeTagPatterns {};
    std::string channelsText {}; // "Channels:" of a time-tag file, "1,2"; empty: every channel
    std::string gateFromText {}; // "Gate (ns):", empty: no gate
    std::string gateToText {};
    std::string windowStartText {}; // "Window (s):" start and duration; both empty: the whole file
    std::string windowDurationText {};
    bool operator==(const BatchOptions&) const = default;
};

// Which of the dialog's buttons can be pressed.
struct BatchButtons {
    bool browse = true;
    bool start = true;
    bool abort = false;
    bool close = true;
    bool operator==(const BatchButtons&) const = default;
};

class BatchView {
public:
    virtual ~BatchView() = default;
    [[nodiscard]] virtual BatchOptions readOptions() = 0;
    virtual void showOptions(const BatchOptions& options) = 0;
    virtual void showWorkingDirectory(std::string_view path) = 0; // "Working Dir:"
    virtual void showSaveAsName(std::string_view name) = 0; // "Save as:"
    // The log grew by `appended`; the box shows `shown`, scrolled to its end.
    virtual void showLog(std::string_view shown, std::string_view appended) = 0;
    // Files done (loaded or skipped) of the files found.
    virtual void showProgress(std::size_t done, std::size_t total) = 0;
    virtual void enableButtons(const BatchButtons& buttons) = 0;
    virtual void endDialog() = 0;
};

} // namespace plask
