#pragma once
// "Seg. Autocorrelation": one autocorrelation curve pooled over the
// burst-free segments of a trace, and the logic of its dialog.

#include "core/app_state.h"
#include "core/platform.h"

#include <string_view>

namespace plask {

inline constexpr int commandSegmentalAutocorrelation = 40084;
inline constexpr std::string_view noSegmentText = "No segment is longer than the minimum time and 4 x MT step bins - "
                                                  "lower the minimum time or the MT step.";

// The dialog's fields on opening: the burst set's name, the step list at
// segFcsMultiTauStep, the minimum and bin width from the settings; builds
// the segment table in `table` and counts the selected segments.
[[nodiscard]] SegmentDialogFields openSegmentDialog(
    const AnalysisSettings& settings, const BurstSet& set, std::uint32_t length, CorrelationResult& table);

// "Reset": takes the chosen bin width into the settings and the table, the
// typed minimum too (raised to one correlation bin), and counts again.
void pressSegmentReset(AnalysisSettings& settings, CorrelationResult& table, SegmentDialogFields& fields);

// "Autocorrelate": takes the bin width, the typed minimum and the step into
// the settings and selects again. False after a message when no segment
// passes, so the dialog stays open.
[[nodiscard]] bool pressSegmentAutocorrelate(
    AnalysisSettings& settings, CorrelationResult& table, SegmentDialogFields& fields, Platform& platform);

// As a job: reads the channel's file again at the correlation bin width and
// pools the selected segments of `table` into its curve; when the job
// completed the table and curve become the slot's and the curve is shown.
// Returns 0, 2 when no curve came of it (file not read again, memory short,
// no segment long enough at the bin width read; the slot's curve is then
// empty), or 3 when cancelled (the slot is as it was).
int runSegmentalAutocorrelation(AppState& state, Platform& platform, int channel, CorrelationResult&& table);

// "Seg. Autocorrelation" on a channel.
void segmentalAutocorrelationCommand(AppState& state, Platform& platform, int channel);

} // namespace plask
