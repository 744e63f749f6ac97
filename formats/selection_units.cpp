#include "formats/selection_units.h"

#include "core/text_format.h"

namespace plask::formats {

namespace {
    [[nodiscard]] std::optional<Rational> secondsOf(double value)
    {
        if (value == 0.0)
            return Rational { 0, 1 };
        return rationalFromDouble(value);
    }

    [[nodiscard]] std::size_t slotOf(int channel) { return static_cast<std::size_t>(channel - lowestChannel); }
} // namespace

ResolvedSelection resolveSelection(const PhotonSelection& selection, const TimeBase& base)
{
    ResolvedSelection out;
    UnitSelection& u = out.units;
    if (selection.channels.empty()) {
        // Every detector channel; T2 sync records only when asked for.
        for (int c = 0; c <= highestChannel; ++c)
            u.wanted[slotOf(c)] = 1;
    }
    for (const int c : selection.channels) {
        if (c < lowestChannel || c > highestChannel) {
            out.error = formatText("Channel %d does not exist in this file.", c);
            return out;
        }
        u.wanted[slotOf(c)] = 1;
    }
    if (selection.gateFromNs || selection.gateToNs) {
        if (!base.microtimeUnit) {
            out.error = "This file has no microtimes: a gate needs a T3 file.";
            return out;
        }
        const double from = selection.gateFromNs.value_or(0.0);
        const double to = selection.gateToNs.value_or(1e300);
        const double rangeNs = base.microtimeUnit->seconds() * 1e9 * base.microtimeChannels;
        if (!(from >= 0.0) || !(to > from) || from >= rangeNs) {
            out.error = formatText(
                "The gate %g to %g ns lies outside the microtime range of this file (0 to %g ns).", from, to, rangeNs);
            return out;
        }
        const std::optional<Rational> fromS = secondsOf(from * 1e-9);
        const std::optional<Rational> toS = to >= rangeNs ? std::nullopt : secondsOf(to * 1e-9);
        u.gated = true;
        u.gateFrom = fromS ? static_cast<std::uint32_t>(std::min<std::uint64_t>(
                                 unitsAtOrAfter(*fromS, *base.microtimeUnit), base.microtimeChannels))
                           : 0;
        u.gateTo = toS ? static_cast<std::uint32_t>(std::min<std::uint64_t>(
                             unitsAtOrAfter(*toS, *base.microtimeUnit), base.microtimeChannels))
                       : base.microtimeChannels;
    }
    if (selection.windowStartS || selection.windowDurationS) {
        const double start = selection.windowStartS.value_or(0.0);
        const std::optional<Rational> startS = start >= 0.0 ? secondsOf(start) : std::nullopt;
        const std::optional<Rational> durationS
            = selection.windowDurationS ? rationalFromDouble(*selection.windowDurationS) : std::nullopt;
        if (!startS || (selection.windowDurationS && !durationS)) {
            out.error = "The time window needs a start of 0 s or more and a duration above 0 s.";
            return out;
        }
        u.windowStart = unitsAtOrAfter(*startS, base.unit);
        if (durationS) {
            out.windowUnits = unitsAtOrAfter(*durationS, base.unit);
            u.windowEnd = u.windowStart > UINT64_MAX - out.windowUnits ? UINT64_MAX : u.windowStart + out.windowUnits;
        }
    }
    return out;
}

std::string missingChannelError(const PhotonSelection& selection, const std::array<std::uint64_t, channelSlots>& counts)
{
    for (const int c : selection.channels)
        if (c >= lowestChannel && c <= highestChannel && counts[slotOf(c)] == 0)
            return formatText("Channel %d has no photons in this file.", c);
    return {};
}

} // namespace plask::formats
