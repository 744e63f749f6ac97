#include "core/photon_choice_text.h"

#include "core/text_format.h"

#include <algorithm>
#include <charconv>
#include <optional>

namespace plask {

namespace {
    std::string_view trimmed(std::string_view text)
    {
        const auto space = [](char c) { return c == ' ' || c == '\t'; };
        while (!text.empty() && space(text.front()))
            text.remove_prefix(1);
        while (!text.empty() && space(text.back()))
            text.remove_suffix(1);
        return text;
    }

    // An empty field is nothing; a field that is not one whole number is an error.
    template <typename T> bool readNumber(std::string_view field, std::optional<T>& out)
    {
        const std::string_view text = trimmed(field);
        out.reset();
        if (text.empty())
            return true;
        T value {};
        const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
        if (ec != std::errc() || end != text.data() + text.size())
            return false;
        out = value;
        return true;
    }

    bool readChannels(std::string_view text, std::vector<int>& channels)
    {
        channels.clear();
        if (trimmed(text).empty())
            return true;
        while (true) {
            const std::size_t comma = text.find(',');
            std::optional<int> channel;
            if (!readNumber(text.substr(0, comma), channel) || !channel)
                return false;
            if (std::find(channels.begin(), channels.end(), *channel) == channels.end())
                channels.push_back(*channel);
            if (comma == std::string_view::npos)
                return true;
            text.remove_prefix(comma + 1);
        }
    }

    // Shortest text that reads back as the same number.
    std::string numberText(double value)
    {
        char buffer[32];
        const auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value);
        return ec == std::errc() ? std::string(buffer, end) : std::string();
    }
} // namespace

PhotonChoiceRead photonChoiceFromTexts(const PhotonChoiceTexts& texts)
{
    PhotonChoiceRead read;
    PhotonSelection& s = read.selection;
    if (!readChannels(texts.channels, s.channels)) {
        read.error = "Channels: type channel numbers separated by commas, e.g. 1,2 (empty: every channel).";
        return read;
    }
    if (!readNumber(texts.gateFromNs, s.gateFromNs) || !readNumber(texts.gateToNs, s.gateToNs)) {
        read.error = "Gate: type the microtimes in ns as numbers (both empty: no gate).";
        return read;
    }
    if ((s.gateFromNs && !(*s.gateFromNs >= 0.0)) || (s.gateToNs && !(*s.gateToNs > s.gateFromNs.value_or(0.0)))) {
        read.error = "Gate: the start must be 0 ns or more and below the end.";
        return read;
    }
    if (!readNumber(texts.windowStartS, s.windowStartS) || !readNumber(texts.windowDurationS, s.windowDurationS)) {
        read.error = "Time window: type the start and duration in s as numbers (both empty: the whole record).";
        return read;
    }
    if ((s.windowStartS && !(*s.windowStartS >= 0.0)) || (s.windowDurationS && !(*s.windowDurationS > 0.0)))
        read.error = "Time window: the start must be 0 s or more and the duration above 0 s.";
    return read;
}

PhotonChoiceTexts photonChoiceTexts(const PhotonSelection& selection)
{
    PhotonChoiceTexts texts;
    for (const int channel : selection.channels)
        texts.channels += (texts.channels.empty() ? "" : ",") + std::to_string(channel);
    const auto text = [](const std::optional<double>& value) { return value ? numberText(*value) : std::string(); };
    texts.gateFromNs = text(selection.gateFromNs);
    texts.gateToNs = text(selection.gateToNs);
    texts.windowStartS = text(selection.windowStartS);
    texts.windowDurationS = text(selection.windowDurationS);
    return texts;
}

std::string photonChoiceError(const PhotonFileSummary& file, const PhotonSelection& selection)
{
    for (const int channel : selection.channels)
        if (std::none_of(file.channels.begin(), file.channels.end(),
                [channel](const PhotonChannelInfo& info) { return info.channel == channel && info.photons != 0; }))
            return formatText("Channel %d has no photons in this file.", channel);
    if (!selection.gateFromNs && !selection.gateToNs)
        return {};
    if (!file.hasMicrotimes)
        return "This file has no microtimes: a gate needs a T3 file.";
    const double from = selection.gateFromNs.value_or(0.0);
    const double to = selection.gateToNs.value_or(file.microtimeRangeNs);
    if (!(from >= 0.0) || !(to > from))
        return "Gate: the start must be 0 ns or more and below the end.";
    if (file.microtimeRangeNs > 0.0 && (from >= file.microtimeRangeNs || to > file.microtimeRangeNs))
        return formatText("The gate %g to %g ns lies outside the microtime range of this file (0 to %g ns).", from, to,
            file.microtimeRangeNs);
    return {};
}

std::string photonChoiceDescription(const PhotonSelection& selection)
{
    std::string text;
    if (selection.channels.empty())
        text = "all detectors";
    else {
        text = selection.channels.size() == 1 ? "detector " : "detectors ";
        for (std::size_t i = 0; i < selection.channels.size(); ++i)
            text += (i == 0 ? "" : " + ") + std::to_string(selection.channels[i]);
    }
    if (selection.gateFromNs || selection.gateToNs)
        text += selection.gateToNs
            ? " | gate " + numberText(selection.gateFromNs.value_or(0.0)) + " to " + numberText(*selection.gateToNs)
                + " ns"
            : " | gate from " + numberText(*selection.gateFromNs) + " ns";
    if (selection.windowStartS || selection.windowDurationS) {
        const double start = selection.windowStartS.value_or(0.0);
        text += selection.windowDurationS
            ? " | window " + numberText(start) + " to " + numberText(start + *selection.windowDurationS) + " s"
            : " | window from " + numberText(start) + " s";
    }
    return text;
}

} // namespace plask
