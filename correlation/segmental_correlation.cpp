#include "correlation/segmental_correlation.h"

#include "core/deferred_messages.h"
#include "formats/load_workflow.h"
#include "view/panel_settings.h"
#include "core/selection_lists.h"
#include "view/shell_commands.h"
#include "core/text_format.h"
#include "core/whole_file.h"
#include "correlation/correlation_commands.h"
#include "correlation/multi_tau.h"
#include "correlation/segments.h"

#include <algorithm>
#include <vector>

namespace plask {

namespace {
    double selectedBinWidth(const SegmentDialogFields& fields)
    {
        return binWidthValues.at(fields.binWidthIndex < binWidthValues.size() ? fields.binWidthIndex : 0);
    }

    std::uint16_t selectedStep(const SegmentDialogFields& fields)
    {
        return multiTauStepValues.at(fields.stepIndex < multiTauStepValues.size() ? fields.stepIndex : 0);
    }

    void showCount(const CorrelationResult& table, SegmentDialogFields& fields)
    {
        fields.countText = formatText("%u out of %u", table.curveCount, static_cast<unsigned>(table.segmentCount));
    }

    // The selected segments at the bin width of the data read again, clipped
    // to them; segments too short for the step there are left out.
    std::vector<CalcStretch> stretchesToPool(const CorrelationResult& table, const PhotonStream& data, int step)
    {
        std::vector<CalcStretch> stretches;
        const auto needed = static_cast<std::int64_t>(minimumStretchBins(step));
        for (int i = 0; i < table.segmentCount; ++i) {
            if (table.segmentSelected[static_cast<std::size_t>(i)] == 0)
                continue;
            CalcStretch stretch;
            stretch.first = rescaleBinIndex(
                table.segmentStart[static_cast<std::size_t>(i)], table.sourceBinWidthUs, data.binWidth);
            stretch.last = std::min<std::int64_t>(
                rescaleBinIndex(table.segmentEnd[static_cast<std::size_t>(i)], table.sourceBinWidthUs, data.binWidth),
                std::int64_t { data.length } - 1);
            if (stretch.first >= 0 && stretch.bins() >= needed)
                stretches.push_back(stretch);
        }
        return stretches;
    }

    int dropCurve(CorrelationResult& result)
    {
        result.lags.reset();
        result.lagCount = 0;
        result.curveCount = 0;
        return 2;
    }
} // namespace

SegmentDialogFields openSegmentDialog(
    const AnalysisSettings& settings, const BurstSet& set, std::uint32_t length, CorrelationResult& table)
{
    SegmentDialogFields fields;
    fields.fileText = set.sourceName;
    fields.stepIndex = indexOfValue<std::uint16_t>(settings.segFcsMultiTauStep, multiTauStepValues);
    fields.minimumText = formatText("%5.1f", settings.segFcsMinTime);
    table.minSegmentUs = settings.segFcsMinTime;
    fields.binWidthIndex = indexOfValue<double>(settings.fcsCalcBinWidth, binWidthValues);
    table.calcBinWidthUs = settings.fcsCalcBinWidth;
    findSegments(set, table, length, selectedStep(fields));
    showCount(table, fields);
    return fields;
}

void pressSegmentReset(AnalysisSettings& settings, CorrelationResult& table, SegmentDialogFields& fields)
{
    double minimum = leadingNumber(fields.minimumText);
    const double binWidth = selectedBinWidth(fields);
    table.calcBinWidthUs = binWidth;
    settings.fcsCalcBinWidth = binWidth;
    // The minimum is never below one correlation bin.
    if (binWidth > minimum) {
        minimum = binWidth;
        fields.minimumText = formatText("%5.1f", minimum);
    }
    table.minSegmentUs = minimum;
    settings.segFcsMinTime = minimum;
    reselectSegments(table, selectedStep(fields));
    showCount(table, fields);
}

bool pressSegmentAutocorrelate(
    AnalysisSettings& settings, CorrelationResult& table, SegmentDialogFields& fields, Platform& platform)
{
    const double binWidth = selectedBinWidth(fields);
    table.calcBinWidthUs = binWidth;
    settings.fcsCalcBinWidth = binWidth;
    table.minSegmentUs = leadingNumber(fields.minimumText);
    settings.segFcsMinTime = table.minSegmentUs;
    settings.fcsMultiTauStep = selectedStep(fields);
    reselectSegments(table, settings.fcsMultiTauStep);
    showCount(table, fields);
    if (table.curveCount > 0)
        return true;
    platform.showMessage(noSegmentText, analyzeErrorCaption);
    return false;
}

namespace {
    // Pools the selected segments of `result`'s table into its curve, the
    // file read again at the correlation bin width. Reports through
    // `platform` (the job's deferred messages); 0, 2 when no curve came of
    // it, 3 when the progress answered a cancel.
    int poolSegments(Platform& platform, CorrelationResult& result, const PhotonStream& stream,
        const AnalysisSettings& settings, double traceLengthS, Progress& progress)
    {
        result.kind = correlationSegmentalAuto;
        const int step = settings.fcsMultiTauStep;
        // Always the file as stored, whatever was done to the data in memory.
        PhotonStream data;
        WatchedProgress watched(progress);
        const int code
            = loadForCorrelation(platform, stream.filePath, data, settings.fcsCalcBinWidth, stream.selection, watched);
        if (watched.cancelled())
            return 3;
        if (code != 0) {
            if (code == readNoMemory)
                platform.showMessage(memoryErrorText, memoryErrorCaption);
            return dropCurve(result);
        }
        result.calcBinWidthUs = settings.fcsCalcBinWidth;
        result.traceLengthS = traceLengthS;
        const std::vector<CalcStretch> stretches = stretchesToPool(result, data, step);
        if (stretches.empty()) {
            platform.showMessage(noSegmentText, analyzeErrorCaption);
            return dropCurve(result);
        }

        // The lag array is sized for the longest stretch; each stretch then
        // reaches the levels its own length allows.
        const auto longest = std::max_element(stretches.begin(), stretches.end(),
            [](const CalcStretch& a, const CalcStretch& b) { return a.bins() < b.bins(); });
        prepareCorrelation(result, static_cast<std::uint32_t>(longest->first),
            static_cast<std::uint32_t>(longest->last), step, result.calcBinWidthUs);
        if (allocateLagChannels(result) != 0) {
            dropCurveForMemory(platform, result);
            return dropCurve(result);
        }

        result.curveCount = 0;
        result.elapsedSeconds = 0.0;
        result.curveTitle = stream.filePath;
        double shownLevels = 0.0;
        std::int32_t shownLags = 0;
        for (const CalcStretch& stretch : stretches) {
            const auto first = static_cast<std::uint32_t>(stretch.first);
            const auto last = static_cast<std::uint32_t>(stretch.last);
            prepareCorrelation(result, first, last, step, result.calcBinWidthUs);
            const std::optional<double> elapsed = autocorrelate(data, result, first, last, watched);
            if (watched.cancelled())
                return 3;
            if (!elapsed) {
                dropCurveForMemory(platform, result);
                return dropCurve(result);
            }
            result.elapsedSeconds += *elapsed;
            ++result.curveCount;
            // Show (and save) every record that holds pooled sums, not only the
            // levels of the stretch added last: in the end those of the longest.
            shownLevels = std::max(shownLevels, result.levelCount);
            shownLags = std::max(shownLags, result.lagCount);
            result.levelCount = shownLevels;
            result.lagCount = shownLags;
        }
        return 0;
    }
} // namespace

int runSegmentalAutocorrelation(AppState& state, Platform& platform, int channel, CorrelationResult&& table)
{
    const PhotonStream& stream = streamOf(state, channel);
    const AnalysisSettings& settings = state.settings();
    const double traceLength = state.display.totalTime;
    DeferredMessages messages;
    int code = 3;
    const JobOutcome outcome = platform.runJob("Seg. Autocorrelation",
        [&](Progress& progress) { code = poolSegments(messages, table, stream, settings, traceLength, progress); });
    if (outcome == JobOutcome::cancelled || code == 3)
        return 3;
    messages.replay(platform);
    correlationOf(state, channel) = std::move(table);
    state.photonCurves.at(static_cast<std::size_t>(channel)).reset(); // the binned curve shows again
    if (!state.resultsShown)
        toggleResultsWindow(state, platform);
    if (code == 0)
        platform.showCorrelationCurve(channel);
    return code;
}

void segmentalAutocorrelationCommand(AppState& state, Platform& platform, int channel)
{
    if (!isLoaded(state, channel)) {
        platform.showMessage("No data loaded", analyzeErrorCaption);
        return;
    }
    if (state.burstDataPresent.at(static_cast<std::size_t>(channel)) == 0) {
        platform.showMessage("Burst array empty - carry out a burst analysis first.", analyzeErrorCaption);
        return;
    }
    const PhotonStream& stream = streamOf(state, channel);
    const BurstSet& set = burstSetOf(state, channel);
    // The dialog works on a draft table, so that Cancel leaves the slot's
    // curve and its labels as they were.
    CorrelationResult draft;
    SegmentDialogFields fields = openSegmentDialog(state.settings(), set, stream.length, draft);
    const SegmentDialogActions actions {
        [&](SegmentDialogFields& typed) { pressSegmentReset(state.settings(), draft, typed); },
        [&](SegmentDialogFields& typed) { return pressSegmentAutocorrelate(state.settings(), draft, typed, platform); },
    };
    if (!platform.runSegmentDialog(fields, actions))
        return;

    // The slot keeps its curve and table until the pooling completed.
    CorrelationResult table;
    adoptSegmentTable(table, draft);
    table.sourceName = stream.fileTitle;
    endBackgroundSelection(state, platform);
    (void)runSegmentalAutocorrelation(state, platform, channel, std::move(table));
}

} // namespace plask
