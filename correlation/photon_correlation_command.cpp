#include "correlation/photon_correlation_command.h"

#include "core/deferred_messages.h"
#include "core/photon_choice_text.h"
#include "core/text_format.h"
#include "correlation/correlation_commands.h"
#include "correlation/photon_correlation_run.h"
#include "formats/time_tags.h"
#include "view/shell_commands.h"

#include <memory>

namespace plask {

namespace {
    // The stream's photons limited to its region: the whole record when the
    // region spans every bin, otherwise a window over the region's bins
    // (within the window the stream was loaded with, if any).
    PhotonSelection regionSelection(const PhotonStream& stream)
    {
        PhotonSelection selection = stream.selection;
        const bool whole = stream.regionStart == 0
            && static_cast<std::int64_t>(stream.regionEnd) + 1 >= static_cast<std::int64_t>(stream.length);
        if (whole || stream.binWidth <= 0.0 || stream.regionEnd < static_cast<std::int32_t>(stream.regionStart))
            return selection;
        const double binS = stream.binWidth * 1e-6;
        selection.windowStartS = selection.windowStartS.value_or(0.0) + stream.regionStart * binS;
        selection.windowDurationS
            = static_cast<double>(static_cast<std::int64_t>(stream.regionEnd) - stream.regionStart + 1) * binS;
        return selection;
    }

    // What the job computed; committed only when it ran to its end.
    struct PhotonJob {
        std::shared_ptr<PhotonModeCurve> curve;
        bool cancelled = false;
    };

    std::string lagText(double ns)
    {
        return ns < 1e3 ? formatText("%g ns", ns) : ns < 1e6 ? formatText("%g µs", ns * 1e-3) : formatText("%g ms", ns * 1e-6);
    }
} // namespace

bool hasArrivalTimes(const PhotonStream& stream)
{
    return !stream.filePath.empty()
        && (stream.fileType == fileTypeCorrelator || stream.fileType == fileTypeTimeTagged);
}

bool photonModeOffered(const AppState& state, int channel, CorrelationKind kind)
{
    const PhotonStream& stream = state.streams.at(static_cast<std::size_t>(channel));
    return hasArrivalTimes(stream) && (kind != correlationCross || hasArrivalTimes(state.streams[0]));
}

std::string channelsText(const PhotonSelection& selection)
{
    const std::string channels = photonChoiceTexts(selection).channels;
    return channels.empty() ? "all" : channels;
}

std::string gateText(const PhotonSelection& selection)
{
    if (!selection.gateFromNs && !selection.gateToNs)
        return "none";
    const PhotonChoiceTexts texts = photonChoiceTexts(selection);
    return texts.gateFromNs + ":" + texts.gateToNs + " ns";
}

std::string windowText(const PhotonSelection& selection)
{
    if (!selection.windowStartS && !selection.windowDurationS)
        return "whole record";
    const PhotonChoiceTexts texts = photonChoiceTexts(selection);
    return texts.windowStartS + ":" + texts.windowDurationS + " s";
}

void photonCorrelationCommand(AppState& state, Platform& platform, int channel, CorrelationKind kind)
{
    const PhotonStream& stream = streamOf(state, channel);
    const PhotonStream& reference = kind == correlationCross ? streamOf(state, 0) : stream;
    const bool cross = kind == correlationCross;
    const PhotonModeSettings& mode = state.photonMode;
    PhotonCorrelationRequest request;
    request.minLagNs = mode.minLagNs;
    request.maxLagMs = mode.maxLagMs;
    request.step = state.settings().fcsMultiTauStep;
    request.parts = mode.parts;
    const PhotonSelection directSelection = regionSelection(stream);
    // The delayed stream is cut to the direct stream's region, as the binned command does.
    PhotonSelection delayedSelection = reference.selection;
    delayedSelection.windowStartS = directSelection.windowStartS;
    delayedSelection.windowDurationS = directSelection.windowDurationS;

    PhotonJob job;
    DeferredMessages messages;
    const JobOutcome outcome
        = platform.runJob(cross ? "Cross-Correlation" : "Autocorrelation", [&](Progress& progress) {
              WatchedProgress watched(progress);
              const formats::TimeTagLoad direct = formats::readTimeTags(stream.filePath, directSelection, watched);
              if (watched.cancelled()) {
                  job.cancelled = true;
                  return;
              }
              if (!direct.ok()) {
                  messages.showMessage(stream.filePath + ": " + direct.error, analyzeErrorCaption, Owner::mainWindow);
                  return;
              }
              formats::TimeTagLoad delayed;
              if (cross) {
                  delayed = formats::readTimeTags(reference.filePath, delayedSelection, watched);
                  if (watched.cancelled()) {
                      job.cancelled = true;
                      return;
                  }
                  if (!delayed.ok()) {
                      messages.showMessage(reference.filePath + ": " + delayed.error, analyzeErrorCaption, Owner::mainWindow);
                      return;
                  }
              }
              const double unitNs = direct.unit.seconds() * 1e9;
              const PhotonCorrelationOutcome result
                  = runPhotonCorrelation(direct, cross ? &delayed : nullptr, request, watched);
              switch (result.error) {
              case PhotonRunError::none:
                  break;
              case PhotonRunError::cancelled:
                  job.cancelled = true;
                  return;
              case PhotonRunError::minLagNotWhole:
                  messages.showMessage(formatText("Minimum lag %g ns ", request.minLagNs.value_or(0.0))
                          + notWholeUnitText(unitNs) + ".",
                      analyzeErrorCaption, Owner::mainWindow);
                  return;
              case PhotonRunError::unitsDiffer:
              case PhotonRunError::correlator:
                  messages.showMessage(result.message + ".", analyzeErrorCaption, Owner::mainWindow);
                  return;
              }
              auto curve = std::make_shared<PhotonModeCurve>();
              curve->run = describePhotonRun(result, direct, stream.filePath, cross ? reference.filePath : "",
                  cross ? channelsText(directSelection) + " x " + channelsText(delayedSelection)
                        : channelsText(directSelection),
                  gateText(directSelection), windowText(directSelection));
              curve->kind = kind;
              curve->elapsedSeconds = result.elapsedSeconds;
              const double maxLagNs = static_cast<double>(result.setup.maxLagUnits) * unitNs;
              curve->title = formatText("%s photons %s to %s, %d parts (calc:%3.2f sec.)", cross ? "CC" : "AC",
                  lagText(curve->run.minLagNs).c_str(), lagText(maxLagNs).c_str(), result.setup.parts,
                  result.elapsedSeconds);
              curve->curve = result.curve;
              job.curve = std::move(curve);
          });
    if (outcome == JobOutcome::cancelled || job.cancelled)
        return;
    messages.replay(platform);
    if (!job.curve)
        return;
    state.photonCurves.at(static_cast<std::size_t>(channel)) = std::move(job.curve);
    platform.showCorrelationCurve(channel);
    if (!state.resultsShown)
        toggleResultsWindow(state, platform);
}

} // namespace plask
