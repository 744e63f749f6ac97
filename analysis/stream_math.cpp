#include "analysis/stream_math.h"

#include <algorithm>
#include <cmath>

namespace plask {

namespace {
    // A real-valued result as a count: truncated towards zero, within 0..65535.
    std::uint16_t clampCount(double value)
    {
        if (!(value > 0.0))
            return 0;
        if (value >= 65535.0)
            return 65535;
        return static_cast<std::uint16_t>(value);
    }

    void updateRange(PhotonStream& stream)
    {
        const CountRange range = countRange(stream.bins());
        stream.maxCount = range.max;
        stream.minCount = range.min;
    }

    template <typename Operation>
    void rewrite(PhotonStream& stream, Operation operation)
    {
        for (std::uint16_t& count : stream.bins())
            count = operation(count);
        updateRange(stream);
    }

    template <typename Operation>
    void combine(PhotonStream& target, const PhotonStream& source, Operation operation)
    {
        const std::span<std::uint16_t> t = target.bins();
        const std::span<std::uint16_t> s = source.bins();
        const std::size_t n = std::min(t.size(), s.size());
        for (std::size_t i = 0; i < n; ++i)
            t[i] = operation(t[i], s[i]);
        updateRange(target);
    }
} // namespace

void subtractConstant(PhotonStream& stream, double constant)
{
    rewrite(stream, [constant](std::uint16_t x) { return clampCount(x - constant); });
}

void addConstant(PhotonStream& stream, double constant)
{
    const double whole = std::trunc(constant);
    rewrite(stream, [whole](std::uint16_t x) { return clampCount(x + whole); });
}

void scaleStream(PhotonStream& stream, double factor)
{
    rewrite(stream, [factor](std::uint16_t x) { return clampCount(factor * x); });
}

void addStream(PhotonStream& target, const PhotonStream& source)
{
    combine(target, source, [](std::uint16_t a, std::uint16_t b) { return clampCount(static_cast<double>(a) + b); });
}

void subtractStream(PhotonStream& target, const PhotonStream& source)
{
    combine(target, source, [](std::uint16_t a, std::uint16_t b) { return clampCount(static_cast<double>(a) - b); });
}

void addPoissonNoise(PhotonStream& stream, NoiseState& noise)
{
    rewrite(stream, [&noise](std::uint16_t x) {
        return x == 0 ? clampCount(poissonDeviate(noise, 1.0)) : clampCount(x + poissonDeviate(noise, x));
    });
}

bool correctBleedThrough(PhotonStream& ps1, PhotonStream& ps2, double a, double b)
{
    const double d = 1.0 - (a + b);
    // At D <= 0 the division blows up or flips every sign.
    if (!(d > 0.0))
        return false;
    const std::span<std::uint16_t> c1 = ps1.bins();
    const std::span<std::uint16_t> c2 = ps2.bins();
    const std::size_t n = std::min(c1.size(), c2.size());
    for (std::size_t i = 0; i < n; ++i) {
        const double x1 = c1[i];
        const double x2 = c2[i];
        const double g = b * (x1 + x2);
        c1[i] = clampCount((x1 - g) / d);
        c2[i] = clampCount((x2 - g) / d);
    }
    updateRange(ps1);
    updateRange(ps2);
    return true;
}

void runMathCommand(AppState& state, Platform& platform, int commandId)
{
    const AnalysisSettings& s = state.settings();
    PhotonStream& ps1 = streamOf(state, 0);
    PhotonStream& ps2 = streamOf(state, 1);
    const bool has1 = isLoaded(state, 0);
    const bool has2 = isLoaded(state, 1);
    const bool both = has1 && has2;
    bool changed = false;
    const auto when = [&changed](bool loaded, auto operation) {
        if (!loaded)
            return;
        operation();
        changed = true;
    };
    switch (commandId) {
    case commandSubtractC1:
        when(has1, [&] { subtractConstant(ps1, s.offsetC1); });
        break;
    case commandAddC1:
        when(has1, [&] { addConstant(ps1, s.offsetC1); });
        break;
    case commandSubtractC2:
        when(has2, [&] { subtractConstant(ps2, s.offsetC2); });
        break;
    case commandAddC2:
        when(has2, [&] { addConstant(ps2, s.offsetC2); });
        break;
    case commandScaleA1:
        when(has1, [&] { scaleStream(ps1, s.scaleA1); });
        break;
    case commandScaleA2:
        when(has2, [&] { scaleStream(ps2, s.scaleA2); });
        break;
    case commandAddStreams:
        when(both, [&] { addStream(ps1, ps2); });
        break;
    case commandSubtractStreams:
        when(both, [&] { subtractStream(ps1, ps2); });
        break;
    case commandNoise1:
        when(has1, [&] { addPoissonNoise(ps1, processNoise()); });
        break;
    case commandNoise2:
        when(has2, [&] { addPoissonNoise(ps2, processNoise()); });
        break;
    case commandBleedThrough:
        if (both && !correctBleedThrough(ps1, ps2, s.bleed12Factor, s.bleed21Factor)) {
            platform.showMessage(bleedThroughRefused, bleedThroughCaption, Owner::mainWindow);
            return;
        }
        changed = both;
        break;
    default:
        return;
    }
    if (changed)
        platform.redrawTrace();
}

} // namespace plask
