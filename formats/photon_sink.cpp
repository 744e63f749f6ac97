#include "formats/photon_sink.h"

#include <algorithm>

namespace plask::formats {

namespace {
    constexpr std::uint64_t maxBins = UINT32_MAX; // PhotonStream::length is 32 bits
    constexpr std::uint64_t firstCapacity = std::uint64_t { 1 } << 20;
    constexpr std::uint64_t binsAhead = std::uint64_t { 1 } << 20; // 2 MB of counts
} // namespace

bool Binner::start(const Rational& unitsPerBin, std::uint64_t fixedBins)
{
    if (unitsPerBin.num == 0 || unitsPerBin.den == 0)
        return false;
    num_ = unitsPerBin.num;
    den_ = unitsPerBin.den;
    unitsPerBin_ = den_ == 1 ? num_ : 0;
    reciprocal_ = unitsPerBin_ > 1 ? UINT64_MAX / unitsPerBin_ + 1 : 0;
    reciprocalLimit_ = unitsPerBin_ > 1 ? UINT64_MAX / unitsPerBin_ : 0;
    fixedBins_ = fixedBins;
    if (fixedBins > maxBins)
        return false;
    bins_ = 0;
    broughtInTo_ = 0;
    failed_ = false;
    counts_.reset();
    if (!ensure(fixedBins != 0 ? fixedBins - 1 : firstCapacity - 1))
        return false;
    slot_ = counts_.data();
    nextEdge_ = edgeOf(1);
    return true;
}

std::uint64_t Binner::edgeOf(std::uint64_t bin) const
{
    // The first time of `bin`: ceil(bin · num / den).
    if (unitsPerBin_ != 0)
        return bin <= UINT64_MAX / unitsPerBin_ ? bin * unitsPerBin_ : UINT64_MAX;
    return ceilMulDiv(bin, num_, den_);
}

bool Binner::ensure(std::uint64_t bin)
{
    if (bin < counts_.capacity())
        return true;
    if (bin >= maxBins)
        return false;
    const std::uint64_t grown = std::min<std::uint64_t>(maxBins, std::max<std::uint64_t>(bin + 1, 2 * counts_.capacity()));
    return counts_.resize(static_cast<std::size_t>(grown));
}

void Binner::moveTo(std::uint64_t t)
{
    const std::uint64_t bin = binOf(t);
    if (failed_ || !ensure(bin)) {
        failed_ = true;
        slot_ = &sinkhole_;
        nextEdge_ = UINT64_MAX;
        return;
    }
    slot_ = counts_.data() + bin;
    nextEdge_ = edgeOf(bin + 1);
}

std::uint16_t* Binner::slotBeyond(std::uint64_t bin, bool kept)
{
    if (!kept || failed_)
        return &sinkhole_;
    if (!ensure(bin)) {
        failed_ = true;
        slot_ = &sinkhole_;
        nextEdge_ = UINT64_MAX;
        return &sinkhole_;
    }
    return counts_.data() + bin;
}

void Binner::bringInAhead(std::uint64_t bin)
{
    if (failed_ || bin + binsAhead / 2 < broughtInTo_)
        return;
    const std::uint64_t to = std::min<std::uint64_t>(counts_.capacity(), bin + binsAhead);
    if (to <= broughtInTo_)
        return;
    counts_.bringIn(static_cast<std::size_t>(std::max(bin, broughtInTo_)), static_cast<std::size_t>(to));
    broughtInTo_ = to;
}

bool Binner::finish(std::uint64_t lengthUnits)
{
    if (failed_)
        return false;
    const std::uint64_t bins = fixedBins_ != 0 ? fixedBins_ : (lengthUnits == 0 ? 1 : binOf(lengthUnits - 1) + 1);
    if (!ensure(bins - 1))
        return false;
    bins_ = bins;
    return true;
}

} // namespace plask::formats
