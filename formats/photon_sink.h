#pragma once
// Where decoded photons go: every photon is counted on its channel, then the
// selection (channels, microtime gate, time window) keeps some, and those are
// binned into a stream or collected as times. The decoders call photon() in
// their inner loop, so it is inline and branches only on predictable tests.

#include "core/page_block.h"
#include "formats/rational_math.h"

#include <array>
#include <cstdint>
#include <vector>

namespace plask::formats {

// Channels -1 (T2 sync) to 254 are counted one by one.
inline constexpr int lowestChannel = -1;
inline constexpr int highestChannel = 254;
inline constexpr std::size_t channelSlots = 256;

// Counts per bin of the kept photons at an exact bin width: bin = floor(t · a / b).
class Binner {
public:
    // `unitsPerBin` = bin width / time unit as a fraction. `fixedBins` > 0
    // fixes the stream's length (a window); 0 lets it grow with the photons.
    [[nodiscard]] bool start(const Rational& unitsPerBin, std::uint64_t fixedBins);

    void add(std::uint64_t t)
    {
        if (t >= nextEdge_) [[unlikely]]
            moveTo(t);
        *slot_ = static_cast<std::uint16_t>(*slot_ + (*slot_ != 0xFFFF ? 1 : 0));
    }
    [[nodiscard]] bool failed() const { return failed_; }
    // Bins of a stream ending at `lengthUnits`; the counts array holds at least that many.
    [[nodiscard]] bool finish(std::uint64_t lengthUnits);
    [[nodiscard]] std::uint64_t bins() const { return bins_; }
    [[nodiscard]] PageArray<std::uint16_t>& counts() { return counts_; }
    [[nodiscard]] std::uint64_t binOf(std::uint64_t t) const
    {
        // t / k as a multiplication by ceil(2^64 / k): exact while t < 2^64 / k.
        if (unitsPerBin_ != 0)
            return t < reciprocalLimit_ ? static_cast<std::uint64_t>((static_cast<Uint128>(t) * reciprocal_) >> 64)
                                        : t / unitsPerBin_;
        return floorMulDiv(t, den_, num_);
    }

private:
    void moveTo(std::uint64_t t);
    [[nodiscard]] bool ensure(std::uint64_t bin);
    [[nodiscard]] std::uint64_t edgeOf(std::uint64_t bin) const;

    std::uint64_t num_ = 1; // bin width in units = num_ / den_
    std::uint64_t den_ = 1;
    std::uint64_t unitsPerBin_ = 0; // num_ when den_ is 1
    std::uint64_t reciprocal_ = 0;
    std::uint64_t reciprocalLimit_ = 0;
    std::uint64_t nextEdge_ = 0;
    std::uint64_t fixedBins_ = 0;
    std::uint64_t bins_ = 0;
    std::uint16_t* slot_ = &sinkhole_;
    std::uint16_t sinkhole_ = 0; // written instead of a bin that could not be allocated
    bool failed_ = false;
    PageArray<std::uint16_t> counts_;
};

// The selection in the file's own units.
struct UnitSelection {
    std::array<std::uint8_t, channelSlots> wanted {}; // 1 for kept channels, by channel + 1
    bool gated = false;
    std::uint32_t gateFrom = 0; // microtime units, [from, to)
    std::uint32_t gateTo = 0;
    std::uint64_t windowStart = 0; // time units, [start, end)
    std::uint64_t windowEnd = UINT64_MAX;
};

class PhotonSink {
public:
    explicit PhotonSink(const UnitSelection& selection, Binner* binner = nullptr,
        std::vector<std::uint64_t>* times = nullptr)
        : sel_(selection)
        , binner_(binner)
        , times_(times)
    {
    }

    void photon(std::uint64_t time, int channel, std::uint32_t microtime)
    {
        backwards_ |= time < last_;
        last_ = time;
        const std::size_t slot = channel >= lowestChannel && channel <= highestChannel
            ? static_cast<std::size_t>(channel - lowestChannel)
            : channelSlots - 1;
        ++counts_[slot];
        if (sel_.wanted[slot] == 0)
            return;
        if (sel_.gated && (microtime < sel_.gateFrom || microtime >= sel_.gateTo))
            return;
        if (time < sel_.windowStart || time >= sel_.windowEnd)
            return;
        ++kept_;
        const std::uint64_t t = time - sel_.windowStart;
        if (binner_ != nullptr)
            binner_->add(t);
        if (times_ != nullptr)
            times_->push_back(t);
        lastKept_ = t;
    }

    // Photons per channel slot (channel + 1; the last slot: channels out of range).
    [[nodiscard]] const std::array<std::uint64_t, channelSlots>& channelCounts() const { return counts_; }
    [[nodiscard]] bool wentBackwards() const { return backwards_; }
    [[nodiscard]] std::uint64_t kept() const { return kept_; }
    [[nodiscard]] std::uint64_t lastKept() const { return lastKept_; }
    [[nodiscard]] std::uint64_t lastTime() const { return last_; }

private:
    const UnitSelection& sel_;
    Binner* binner_;
    std::vector<std::uint64_t>* times_;
    std::array<std::uint64_t, channelSlots> counts_ {};
    std::uint64_t last_ = 0;
    std::uint64_t kept_ = 0;
    std::uint64_t lastKept_ = 0;
    bool backwards_ = false;
};

} // namespace plask::formats
