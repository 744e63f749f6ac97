#include "correlation/correlation_commands.h"

#include "core/deferred_messages.h"
#include "formats/load_workflow.h"
#include "view/panel_settings.h"
#include "view/shell_commands.h"
#include "core/text_format.h"
#include "core/whole_file.h"
#include "correlation/multi_tau.h"
#include "correlation/photon_correlation_command.h"

#include <algorithm>

namespace plask {

namespace {
    // Reads the file again at the correlation bin width. The loader shows
    // its own messages; a memory shortage gets the memory message here.
    bool rereadStream(Platform& platform, const PhotonStream& source, PhotonStream& scratch, double binWidthUs,
        Progress& progress)
    {
        const int code = loadForCorrelation(platform, source.filePath, scratch, binWidthUs, source.selection, progress);
        if (code == readNoMemory)
            platform.showMessage(memoryErrorText, memoryErrorCaption);
        return code == 0;
    }

    // What a correlation job computed: the curve and its region, or nothing
    // to commit when a re-read failed or the region was refused.
    struct CorrelationJob {
        CorrelationResult curve;
        std::int64_t first = 0;
        std::int64_t last = 0;
        std::optional<double> elapsed;
        bool commit = false;
    };

    // The fields a correlation run sets; the segmental ones stay in the slot.
    void commitCurve(CorrelationResult& slot, CorrelationResult&& curve)
    {
        slot.kind = curve.kind;
        slot.curveCount = curve.curveCount;
        slot.sourceName = std::move(curve.sourceName);
        slot.sourceBinWidthUs = curve.sourceBinWidthUs;
        slot.traceLengthS = curve.traceLengthS;
        slot.mtStep = curve.mtStep;
        slot.calcBinWidthUs = curve.calcBinWidthUs;
        slot.levelCount = curve.levelCount;
        slot.lagCount = curve.lagCount;
        slot.correlatedBins = curve.correlatedBins;
        slot.lags = std::move(curve.lags);
        slot.elapsedSeconds = curve.elapsedSeconds;
    }

    void runCommand(AppState& state, Platform& platform, int channel, CorrelationKind kind)
    {
        const PhotonStream& stream = streamOf(state, channel);
        const PhotonStream& reference = kind == correlationCross ? streamOf(state, 0) : stream;
        const bool photonOffered = photonModeOffered(state, channel, kind);
        if (state.settings().showFcsSetupFirst != 0
            && !platform.editFcsSetupWithPhotonMode(state.settings(), state.photonMode, photonOffered))
            return;

        endBackgroundSelection(state, platform);
        if (photonOffered && state.photonMode.enabled) {
            photonCorrelationCommand(state, platform, channel, kind);
            return;
        }
        const AnalysisSettings& settings = state.settings();
        const double calcBinWidth = settings.fcsCalcBinWidth;
        const int step = settings.fcsMultiTauStep;
        const bool reread = calcBinWidth != settings.binWidth;
        const double traceLength = state.display.totalTime;

        // The re-read, the region check and the correlator run on the worker
        // into scratch data; their messages wait for the end of the job.
        CorrelationJob job;
        DeferredMessages messages;
        const JobOutcome outcome = platform.runJob(
            kind == correlationCross ? "Cross-Correlation" : "Autocorrelation", [&](Progress& progress) {
                // In memory the region is taken as it is; otherwise both ends
                // are mapped onto the file read again at the correlation bin width.
                PhotonStream directCopy;
                PhotonStream delayedCopy;
                const PhotonStream* direct = &stream;
                const PhotonStream* delayed = &reference;
                job.first = stream.regionStart;
                job.last = stream.regionEnd;
                if (reread) {
                    if (!rereadStream(messages, stream, directCopy, calcBinWidth, progress))
                        return;
                    direct = &directCopy;
                    delayed = &directCopy;
                    job.first = rescaleBinIndex(stream.regionStart, stream, directCopy);
                    job.last = rescaleBinIndex(stream.regionEnd, stream, directCopy);
                    if (kind == correlationCross) {
                        if (!rereadStream(messages, reference, delayedCopy, calcBinWidth, progress))
                            return;
                        delayed = &delayedCopy;
                        job.last = rescaleBinIndex(stream.regionEnd, reference, delayedCopy);
                    }
                }
                if (!fitRegion(messages, *direct, *delayed, job.first, job.last, step, calcBinWidth))
                    return;
                CorrelationResult& curve = job.curve;
                curve.kind = kind;
                curve.curveCount = 1;
                curve.sourceName = stream.filePath;
                curve.sourceBinWidthUs = stream.binWidth;
                curve.traceLengthS = traceLength;
                job.elapsed = correlateRegion(messages, curve, *direct, *delayed,
                    static_cast<std::uint32_t>(job.first), static_cast<std::uint32_t>(job.last), step, calcBinWidth,
                    progress);
                job.commit = true;
            });
        if (outcome == JobOutcome::cancelled)
            return;
        messages.replay(platform);
        if (!job.commit)
            return;
        CorrelationResult& result = correlationOf(state, channel);
        commitCurve(result, std::move(job.curve));
        state.photonCurves.at(static_cast<std::size_t>(channel)).reset();
        if (!job.elapsed)
            return;

        if (kind == correlationCross && reread) {
            result.curveTitle = formatText("calc.time = %3.2f sec.", *job.elapsed);
            platform.showCorrelationCurve(channel);
        }
        result.curveTitle = formatText("%s from %g to %g s,  MT step = %d (calc:%3.2f sec.)",
            kind == correlationCross ? "CC" : "AC", static_cast<double>(job.first) * calcBinWidth * 1e-6,
            static_cast<double>(job.last) * calcBinWidth * 1e-6, step, *job.elapsed);
        platform.showCorrelationCurve(channel);
        if (!state.resultsShown)
            toggleResultsWindow(state, platform);
    }
} // namespace

void dropCurveForMemory(Platform& platform, CorrelationResult& result)
{
    platform.showMessage(memoryErrorText, memoryErrorCaption);
    result.lags.reset();
    result.lagCount = 0;
    result.elapsedSeconds = 0.0;
}

bool fitRegion(Platform& platform, const PhotonStream& direct, const PhotonStream& delayed, std::int64_t& first,
    std::int64_t& last, int step, double calcBinWidthUs)
{
    // The delayed stream may be the shorter one: correlate the bins both hold.
    first = std::max<std::int64_t>(first, 0);
    last = std::min<std::int64_t>(last, std::int64_t { std::min(direct.length, delayed.length) } - 1);
    const std::int64_t bins = std::max<std::int64_t>(last - first + 1, 0);
    const std::uint64_t needed = minimumStretchBins(std::max(step, 1));
    if (step >= 1 && static_cast<std::uint64_t>(bins) >= needed)
        return true;
    platform.showMessage(
        formatText("Region too short for the correlation: %lld bins at %g µs, at least %llu needed "
                   "for MT step %d.",
            static_cast<long long>(bins), calcBinWidthUs, static_cast<unsigned long long>(needed), step),
        analyzeErrorCaption);
    return false;
}

std::optional<double> correlateRegion(Platform& platform, CorrelationResult& result, const PhotonStream& direct,
    const PhotonStream& delayed, std::uint32_t first, std::uint32_t last, int step, double calcBinWidthUs,
    Progress& progress)
{
    prepareCorrelation(result, first, last, step, calcBinWidthUs);
    if (allocateLagChannels(result) != 0) {
        dropCurveForMemory(platform, result);
        return std::nullopt;
    }
    WatchedProgress watched(progress);
    const std::optional<double> elapsed = &direct == &delayed
        ? autocorrelate(direct, result, first, last, watched)
        : crossCorrelate(direct, delayed, result, first, last, watched);
    if (watched.cancelled())
        return std::nullopt;
    if (!elapsed) {
        dropCurveForMemory(platform, result);
        return std::nullopt;
    }
    result.elapsedSeconds = *elapsed;
    return elapsed;
}

void autocorrelationCommand(AppState& state, Platform& platform, int channel)
{
    if (!isLoaded(state, channel)) {
        platform.showMessage("No data loaded", analyzeErrorCaption);
        return;
    }
    runCommand(state, platform, channel, correlationAuto);
}

void crossCorrelationCommand(AppState& state, Platform& platform, int channel)
{
    if (!isLoaded(state, 0) || !isLoaded(state, 1)) {
        platform.showMessage("Both PS1 and PS2 needed.", analyzeErrorCaption);
        return;
    }
    runCommand(state, platform, channel, correlationCross);
}

} // namespace plask
