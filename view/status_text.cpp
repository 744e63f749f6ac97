#include "view/status_text.h"

#include "core/photon_choice_text.h"

#include <cctype>
#include <cinttypes>
#include <cmath>
#include <cstdio>

namespace plask {

std::string fileFormatText(const PhotonStream& stream)
{
    switch (stream.fileType) {
    case fileTypeCorrelator:
        return "correlator stream (.dat)";
    case fileTypePhotonCount:
        return "photon count file (.phc)";
    case fileTypeTimeTagged:
        if (!stream.fileFormat.empty())
            return stream.fileFormat;
        break;
    default:
        break;
    }
    const std::size_t dot = stream.fileTitle.rfind('.');
    if (dot == std::string::npos || dot + 1 == stream.fileTitle.size())
        return "photon file";
    std::string extension = stream.fileTitle.substr(dot);
    for (char& c : extension)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return "time-tag file (" + extension + ")";
}

std::string statusText(const AppState& state)
{
    const int channel = state.activeChannel;
    if (channel < 0 || channel >= channelCount || !isLoaded(state, channel))
        return "No data";
    const PhotonStream& stream = state.streams.at(static_cast<std::size_t>(channel));
    std::string channels;
    for (int c = 0; c < channelCount; ++c) {
        if (!isLoaded(state, c))
            continue;
        channels += channels.empty() ? "" : " + ";
        channels += "PS" + std::to_string(c + 1);
    }
    char numbers[160];
    std::snprintf(numbers, sizeof numbers, "bin %g \xC2\xB5s | %.0f photons | %.2f kHz", stream.binWidth,
        std::floor(stream.photons), stream.rateKHz);
    // A time-tag file's stream holds the photons chosen for it.
    const std::string choice
        = stream.fileType == fileTypeTimeTagged ? " | " + photonChoiceDescription(stream.selection) : std::string();
    return "PS" + std::to_string(channel + 1) + ": " + stream.fileTitle + " | " + fileFormatText(stream) + choice
        + " | channels " + channels + " | " + numbers;
}

} // namespace plask
