#include "cli/photon_options.h"

#include "cli/cli_common.h"
#include "formats/tttr_file.h"

#include <charconv>
#include <iostream>

namespace plask::cli {

namespace {
    [[nodiscard]] std::optional<double> number(const std::string& text)
    {
        double value = 0.0;
        const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
        if (ec != std::errc() || end != text.data() + text.size())
            return std::nullopt;
        return value;
    }

    // "A:B" as two numbers.
    [[nodiscard]] std::optional<std::pair<double, double>> pairOf(const std::string& text)
    {
        const std::size_t colon = text.find(':');
        if (colon == std::string::npos)
            return std::nullopt;
        const std::optional<double> a = number(text.substr(0, colon));
        const std::optional<double> b = number(text.substr(colon + 1));
        if (!a || !b)
            return std::nullopt;
        return std::pair { *a, *b };
    }

    [[nodiscard]] std::optional<std::vector<int>> channelsOf(const std::string& text)
    {
        std::vector<int> channels;
        std::size_t at = 0;
        while (at <= text.size()) {
            const std::size_t comma = std::min(text.find(',', at), text.size());
            int value = 0;
            const auto [end, ec] = std::from_chars(text.data() + at, text.data() + comma, value);
            if (ec != std::errc() || end != text.data() + comma)
                return std::nullopt;
            channels.push_back(value);
            at = comma + 1;
        }
        return channels;
    }
} // namespace

void addPhotonChoiceOptions(CLI::App& command, PhotonOptions& options)
{
    command.add_option("--channel", options.channel, "Time-tag files: channels of the stream, C[,C...] (default: all)");
    command.add_option("--gate", options.gate, "Time-tag files: microtime gate LO:HI in ns, [LO, HI) kept (T3 files)");
    command.add_option("--window", options.window, "Time-tag files: time window START:DURATION in s");
}

void addPhotonOptions(CLI::App& command, PhotonOptions& options, bool withCrossChannel)
{
    addPhotonChoiceOptions(command, options);
    command.add_option("--spc-type", options.spcType, "Layout of a .spc file: 130, 600-4096 or 600-256 (default: sniffed)");
    if (withCrossChannel)
        command.add_option("--cross-channel", options.crossChannel, "Time-tag files: channels of the --cross stream");
}

std::optional<PhotonSelection> photonSelectionFrom(const PhotonOptions& options, bool forCross)
{
    PhotonSelection selection;
    const std::string& channels = forCross ? options.crossChannel : options.channel;
    if (!channels.empty()) {
        const std::optional<std::vector<int>> list = channelsOf(channels);
        if (!list) {
            cliErr() << (forCross ? "--cross-channel" : "--channel") << " takes channel numbers C[,C...], not "
                     << channels << '\n';
            return std::nullopt;
        }
        selection.channels = *list;
    }
    if (!options.gate.empty()) {
        const auto gate = pairOf(options.gate);
        if (!gate || !(gate->first >= 0.0) || !(gate->second > gate->first)) {
            cliErr() << "--gate takes LO:HI in ns with 0 <= LO < HI, not " << options.gate << '\n';
            return std::nullopt;
        }
        selection.gateFromNs = gate->first;
        selection.gateToNs = gate->second;
    }
    if (!options.window.empty()) {
        const auto window = pairOf(options.window);
        if (!window || !(window->first >= 0.0) || !(window->second > 0.0)) {
            cliErr() << "--window takes START:DURATION in s with START >= 0 and DURATION > 0, not " << options.window
                     << '\n';
            return std::nullopt;
        }
        selection.windowStartS = window->first;
        selection.windowDurationS = window->second;
    }
    if (!formats::spcTypeFromText(options.spcType)) {
        cliErr() << "--spc-type takes 130, 600-4096 or 600-256, not " << options.spcType << '\n';
        return std::nullopt;
    }
    selection.spcType = options.spcType;
    return selection;
}

bool applyPhotonOptions(const PhotonOptions& options, AppState& state, bool forCross)
{
    const std::optional<PhotonSelection> selection = photonSelectionFrom(options, forCross);
    if (!selection)
        return false;
    state.photonPreset = *selection;
    return true;
}

void addPhotonParameters(nlohmann::json& summary, const PhotonOptions& options, bool withCross)
{
    nlohmann::json& parameters = summary["parameters"];
    parameters["channel"] = options.channel;
    if (withCross)
        parameters["crossChannel"] = options.crossChannel;
    parameters["gate"] = options.gate;
    parameters["window"] = options.window;
    parameters["spcType"] = options.spcType;
}

void addTimeTagFacts(nlohmann::json& summary, const PhotonStream& stream)
{
    if (stream.fileType != fileTypeTimeTagged)
        return;
    const formats::TttrScan scan = formats::scanTttrFile(stream.filePath, stream.selection.spcType);
    if (!scan.ok())
        return;
    const formats::TttrHeader& h = scan.header;
    summary["format"] = h.format;
    summary["recordType"] = h.recordType;
    summary["resolutionSeconds"] = h.unit.seconds();
    if (h.t3) {
        if (h.microtimeUnit)
            summary["microtimeResolutionSeconds"] = h.microtimeUnit->seconds();
        summary["syncRateHz"] = h.syncRateHz;
    }
    summary["recordCount"] = scan.recordsInFile;
    summary["overflowCount"] = scan.stats.overflowRecords;
    summary["markerCount"] = scan.stats.markerRecords;
    nlohmann::json channels = nlohmann::json::object();
    for (std::size_t slot = 0; slot + 1 < formats::channelSlots; ++slot)
        if (scan.channelCounts[slot] != 0)
            channels[std::to_string(static_cast<int>(slot) + formats::lowestChannel)] = scan.channelCounts[slot];
    summary["channels"] = channels;
}

} // namespace plask::cli
