#include "formats/load_workflow.h"

#include "core/photon_choice_text.h"

#include "core/deferred_messages.h"
#include "formats/correlator_file.h"
#include "core/file_names.h"
#include "formats/photon_count_file.h"
#include "core/selection_lists.h"
#include "core/text_format.h"
#include "formats/time_tag_stream.h"
#include "formats/tttr_file.h"

namespace plask {

namespace {
    std::size_t channelIndex(int channel) { return static_cast<std::size_t>(channel); }

    FileDialogRequest openRequest()
    {
        FileDialogRequest request;
        for (const formats::PhotonFormat& format : formats::photonFormats())
            request.filters.push_back({ format.filterName, format.patterns });
        return request;
    }

    // Open's file types from the table of formats.
    int streamFileType(const std::string& path)
    {
        const formats::PhotonFileKind kind = formats::sniffPhotonFile(path);
        if (kind == formats::PhotonFileKind::photonCount)
            return fileTypePhotonCount;
        if (kind == formats::PhotonFileKind::correlator)
            return fileTypeCorrelator;
        return formats::isTimeTagKind(kind) ? fileTypeTimeTagged : fileTypeNone;
    }

    // The header facts and channel counts of a time-tag file, read on the
    // worker; nothing when the scan was cancelled.
    std::optional<formats::TttrScan> scanOnWorker(Platform& platform, const std::string& path, const std::string& spcType)
    {
        formats::TttrScan scan;
        const JobOutcome outcome = platform.runJob(
            "Scan", [&](Progress& progress) { scan = formats::scanTttrFile(path, spcType, progress); });
        if (outcome == JobOutcome::cancelled || scan.stats.cancelled)
            return std::nullopt;
        return scan;
    }

    enum class PhotonChoice { chosen, declined, cancelled };

    // Scans a time-tag file and asks which photons make the stream:
    // declined after a message or on the dialog's Cancel, cancelled when the
    // scan was. A .spc file whose sniffed layout the data
    // contradict still reaches the dialog, where another layout can be chosen.
    PhotonChoice choosePhotons(AppState& state, Platform& platform, const std::string& path, PhotonSelection& selection)
    {
        const std::optional<formats::TttrScan> scan = scanOnWorker(platform, path, selection.spcType);
        if (!scan)
            return PhotonChoice::cancelled;
        const bool spc = formats::sniffPhotonFile(path) == formats::PhotonFileKind::spc;
        if (!scan->ok() && !(spc && scan->header.layoutGuessed)) {
            platform.showMessage(scan->error, "Load Error");
            return PhotonChoice::declined;
        }
        PhotonFileSummary summary = formats::summaryOf(path, *scan);
        // A preset (command-line options) wins; otherwise the last choice for this format.
        PhotonSelection& last = state.photonChoices[summary.choiceKey];
        const bool preset = selection != PhotonSelection {};
        // A .spc layout cannot always be told from the file: where it was
        // guessed, the one chosen for a file sniffed alike is tried first, and
        // the dialog shows it.
        std::string layout = selection.spcType;
        const bool rememberedLayout = spc && !preset && scan->header.layoutGuessed && !last.spcType.empty();
        if (rememberedLayout) {
            const std::optional<formats::TttrScan> again = scanOnWorker(platform, path, last.spcType);
            if (!again)
                return PhotonChoice::cancelled;
            summary = formats::summaryOf(path, *again);
            summary.choiceKey = scan->header.format;
            layout = last.spcType;
        }
        if (spc)
            summary.rescan = [&platform, path](const std::string& spcType, PhotonFileSummary& into) -> std::string {
                const std::optional<formats::TttrScan> again = scanOnWorker(platform, path, spcType);
                if (!again)
                    return "The scan was cancelled.";
                into = formats::summaryOf(path, *again);
                return again->error;
            };
        PhotonSelection choice = preset ? selection : last;
        // A choice remembered from another file of the format may name
        // channels or a gate this one lacks; then the file starts from all
        // of its photons instead of failing to load.
        if (!preset && !photonChoiceError(summary, choice).empty())
            choice = {};
        choice.spcType = layout;
        if (summary.channels.size() > 1 || summary.hasMicrotimes || !summary.scanError.empty() || rememberedLayout) {
            if (!platform.choosePhotonSelection(summary, choice))
                return PhotonChoice::declined;
            last = choice;
        }
        selection = choice;
        return PhotonChoice::chosen;
    }

    int readStreamFile(Platform& platform, Owner owner, int type, const std::string& path, PhotonStream& stream,
        double binWidthUs, Progress& progress = noProgress())
    {
        stream.fileType = static_cast<std::uint32_t>(type);
        if (type == fileTypeTimeTagged)
            return readTimeTagStream(platform, owner, path, stream, binWidthUs, progress);
        if (type == fileTypePhotonCount)
            return readPhotonCountFile(platform, owner, path, stream, progress);
        return readCorrelatorStream(platform, path, stream, binWidthUs, progress);
    }

    // A refused stream leaves the channel empty.
    bool refuse(Platform& platform, PhotonStream& stream, const std::string& text, const char* caption)
    {
        platform.showMessage(text, caption);
        releaseStream(stream);
        return false;
    }
} // namespace

namespace {
// The Open dialog (unless `chosen` names the file), the questions of a
// time-tag file, the read, the checks. A cancelled read gives the channel
// back `previous` (the stream it held before the command) when it has counts.
// What Open set aside of the channel before reading: its stream and its
// burst analysis, both given back when the read is cancelled.
struct SetAside {
    PhotonStream stream;
    BurstSet bursts;
    bool hadBursts = false;
    std::int32_t burstsSaved = 0;
};

bool loadInto(AppState& state, Platform& platform, int channel, double binWidthUs,
    const std::optional<std::string>& chosen, SetAside* previous);

// After a cancelled scan or read nothing of it stays: the channel holds
// what it had before the command, its bursts and histograms included.
void putBack(AppState& state, Platform& platform, int channel, SetAside* previous)
{
    if (previous == nullptr)
        return;
    const std::size_t index = channelIndex(channel);
    if (previous->stream.counts) {
        streamOf(state, channel) = std::move(previous->stream);
        state.loadedFlags.at(index) = 1;
    }
    if (previous->hadBursts) {
        burstSetOf(state, channel) = std::move(previous->bursts);
        state.burstDataPresent.at(index) = 1;
        state.burstDataSaved.at(index) = previous->burstsSaved;
        for (int row = histogramPhotons; row <= histogramIntervals; ++row)
            platform.refreshHistogramChart(row);
        platform.refreshStatisticsPanel(channel);
    }
    platform.redrawTrace();
}

// The questions before a load, then the load of the chosen file or of the one the dialog returns.
void runOpen(AppState& state, Platform& platform, const std::optional<std::string>& chosen)
{
    const int channel = state.activeChannel;
    const std::size_t index = channelIndex(channel);
    const PanelFields panel = platform.readPanel();
    AnalysisSettings& settings = state.settings();
    settings.binWidth = binWidthValues.at(panel.binWidthIndex < binWidthValues.size() ? panel.binWidthIndex : 0);
    if (state.loadedBinWidth > 0.0 && state.loadedBinWidth != settings.binWidth) {
        platform.showMessage(
            formatText("Current binwidth setting is different then binwidth of loaded data - reset to %3.1f µs",
                state.loadedBinWidth),
            "Binwidth error");
        return;
    }
    // Both questions are asked before anything is discarded, so a No to the
    // second leaves the stream in memory too.
    const bool overwrite = isLoaded(state, channel);
    if (overwrite
        && !platform.askYesNo(formatText("PS%d array contains data - overwrite?", channel + 1), "Data present"))
        return;
    if (state.burstDataPresent.at(index) != 0 && state.burstDataSaved.at(index) == 0
        && !platform.askYesNo("Histogram and burst data not saved - continue? (This will overwrite data in the memory)",
            "Data in memory"))
        return;

    // The stream is released as far as anyone can see, but its counts are
    // kept aside until a file has been read: a cancelled read puts them back.
    SetAside previous;
    if (overwrite) {
        PhotonStream& stream = streamOf(state, channel);
        previous.stream = std::move(stream);
        stream = releasedCopy(previous.stream);
        state.loadedFlags.at(index) = 0;
    }
    if (state.burstDataPresent.at(index) != 0) {
        BurstSet& bursts = burstSetOf(state, channel);
        previous.bursts = std::move(bursts);
        previous.hadBursts = true;
        previous.burstsSaved = state.burstDataSaved.at(index);
        releaseBurstSet(bursts);
        state.burstDataPresent.at(index) = 0;
        platform.releaseHistogramCharts();
    }
    loadInto(state, platform, channel, settings.binWidth, chosen, &previous);
}
} // namespace

void openCommand(AppState& state, Platform& platform) { runOpen(state, platform, std::nullopt); }

void openFileCommand(AppState& state, Platform& platform, const std::string& path) { runOpen(state, platform, path); }

bool loadStream(AppState& state, Platform& platform, int channel, double binWidthUs)
{
    return loadStream(state, platform, channel, binWidthUs, std::nullopt);
}

bool loadStream(AppState& state, Platform& platform, int channel, double binWidthUs,
    const std::optional<std::string>& chosen)
{
    return loadInto(state, platform, channel, binWidthUs, chosen, nullptr);
}

namespace {
bool loadInto(AppState& state, Platform& platform, int channel, double binWidthUs,
    const std::optional<std::string>& chosen, SetAside* previous)
{
    const std::optional<std::string> path = chosen ? chosen : platform.chooseOpenFile(openRequest());
    if (!path || path->empty())
        return false;
    const int type = streamFileType(*path);
    if (type == fileTypeNone) {
        platform.showMessage("Error opening file.", "File I/O Error");
        return false;
    }
    PhotonSelection selection = state.photonPreset;
    if (type == fileTypeTimeTagged) {
        const PhotonChoice choice = choosePhotons(state, platform, *path, selection);
        if (choice == PhotonChoice::cancelled)
            putBack(state, platform, channel, previous);
        if (choice != PhotonChoice::chosen)
            return false;
    }
    const WaitCursor busy(platform);
    PhotonStream& stream = streamOf(state, channel);
    releaseStream(stream);
    // The reader fills a scratch record on the worker; the channel takes it
    // only when the read was not cancelled.
    PhotonStream scratch = std::move(stream);
    stream = PhotonStream {};
    scratch.filePath = *path;
    scratch.fileTitle = fileNameOf(*path);
    scratch.selection = selection;
    DeferredMessages messages;
    int result = readCannotOpen;
    const JobOutcome outcome = platform.runJob("Open", [&](Progress& progress) {
        result = readStreamFile(messages, Owner::mainWindow, type, *path, scratch, binWidthUs, progress);
    });
    if (outcome == JobOutcome::cancelled || result == readCancelled) {
        putBack(state, platform, channel, previous);
        return false;
    }
    stream = std::move(scratch);
    messages.replay(platform);
    if (result == readTimeTagRefused) {
        releaseStream(stream);
        return false;
    }
    if (result == readNoMemory)
        return refuse(platform, stream, "Could not reserve needed memory.", "Memory Error");
    if (result != readOk || stream.length < minimumStreamLength)
        return refuse(platform, stream, "Too few data points at requested bin size.", "Setup error");
    if (binWidthUs != state.settings().binWidth)
        return true;
    // A photon count file loads at its own bin width, which must still match
    // the data in memory.
    if (state.loadedBinWidth > 0.0 && stream.binWidth != state.loadedBinWidth)
        return refuse(platform, stream,
            formatText(
                "The bin width of this file (%3.1f µs) differs from the bin width of the loaded data (%3.1f µs).",
                stream.binWidth, state.loadedBinWidth),
            "Binwidth error");
    finishLoad(state, platform, channel);
    return true;
}

} // namespace

void finishLoad(AppState& state, Platform& platform, int channel)
{
    const std::size_t index = channelIndex(channel);
    PhotonStream& stream = streamOf(state, channel);
    DisplayState& display = state.display;
    // Both channels are shown over the length of the shorter one.
    const int other = otherChannel(channel);
    if (isLoaded(state, other) && streamOf(state, other).length < stream.length)
        stream.length = streamOf(state, other).length;
    display.displayLength = stream.length;
    stream.regionStart = 0;
    stream.regionEnd = static_cast<std::int32_t>(stream.length) - 1;
    // A background region picked on the previous file says nothing about this one.
    stream.backgroundStart = 0;
    stream.backgroundEnd = 0;
    stream.backgroundMean = 0.0;
    stream.backgroundSd = 0.0;
    state.loadedFlags.at(index) = 1;
    state.burstDataPresent.at(index) = 0;
    state.burstDataSaved.at(index) = 0;
    state.activeChannel = channel;
    platform.activeChannelChanged(channel);
    display.displayBinWidth = stream.binWidth;
    state.loadedBinWidth = stream.binWidth;
    display.totalTime = display.displayBinWidth * display.displayLength * 1e-6;
    platform.resetNavigator();
    platform.enableStreamNavigator(true);
    state.showMarkers = state.settings().showMarkersDefault != 0;
    platform.redrawTrace();
}

int loadForCorrelation(Platform& platform, const std::string& path, PhotonStream& scratch, double binWidthUs,
    const PhotonSelection& selection, Progress& progress)
{
    const int type = streamFileType(path);
    if (type == fileTypeNone) {
        platform.showMessage("Error opening file.", "File I/O Error", Owner::none);
        return readCannotOpen;
    }
    // Nothing of an earlier load may survive a failed one.
    releaseStream(scratch);
    scratch.selection = selection;
    return readStreamFile(platform, Owner::none, type, path, scratch, binWidthUs, progress);
}

} // namespace plask
