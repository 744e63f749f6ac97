#pragma once
// Where decoded photons go: every photon is counted on its channel, then the
// selection (channels, microtime gate, time window) keeps some, and those are
// binned into a stream or collected as times. The decoders call photon() in
// their inner loop, so it is inline and branches only on predictable tests.

#include "core/page_block.h"
#include "formats/rational_math.h"
#include "formats/t3_lanes.h"

#include <algorithm>
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

    // For PhotonSink::Batch: bin t / k by a multiplication while t is below
    // the limit (integer bin widths only: k = unitsPerBin() != 0).
    [[nodiscard]] std::uint64_t unitsPerBin() const { return unitsPerBin_; }
    [[nodiscard]] std::uint64_t reciprocal() const { return reciprocal_; }
    [[nodiscard]] std::uint64_t reciprocalLimit() const { return reciprocalLimit_; }
    [[nodiscard]] std::uint16_t* binData() const { return failed_ ? nullptr : counts_.data(); }
    [[nodiscard]] std::uint64_t binCapacity() const { return failed_ ? 0 : counts_.capacity(); }
    // The count of `bin`, past the capacity: grown for a kept photon (or the
    // sinkhole when that fails), the sinkhole for one that is not kept.
    [[nodiscard]] std::uint16_t* slotBeyond(std::uint64_t bin, bool kept);
    // Maps the counts from `bin` on a stretch ahead, when what is mapped
    // ahead of it runs short: the loops then write to pages already there.
    void bringInAhead(std::uint64_t bin);

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
    std::uint64_t broughtInTo_ = 0; // counts mapped ahead up to here
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
    // Before a block: the counts ahead of the last kept photon mapped in.
    void bringInBins()
    {
        if (binner_ != nullptr)
            binner_->bringInAhead(binner_->binOf(lastKept_));
    }
    [[nodiscard]] bool wentBackwards() const { return backwards_; }
    [[nodiscard]] std::uint64_t kept() const { return kept_; }
    [[nodiscard]] std::uint64_t lastKept() const { return lastKept_; }
    [[nodiscard]] std::uint64_t lastTime() const { return last_; }

    enum class Mode { count, collect, binByMultiply, binByEdges, generic };
    [[nodiscard]] Mode mode() const
    {
        if (binner_ != nullptr && times_ != nullptr)
            return Mode::generic;
        if (times_ != nullptr)
            return Mode::collect;
        if (binner_ != nullptr)
            return binner_->unitsPerBin() != 0 ? Mode::binByMultiply : Mode::binByEdges;
        return Mode::count;
    }
    template <Mode feed>
    class Batch;

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

// One decoded photon, as a record source hands it to a batch.
struct DecodedPhoton {
    std::uint64_t time = 0;
    int channel = 0;
    std::uint32_t microtime = 0;
};

// The sink fed a block of records at a time. run() keeps the sink's running
// state in local variables for the whole loop and folds it back at the end,
// and has the effect of photon() for every photon, but tests the channel and
// the gate without branching (channels interleave at random). A batch sees
// fewer than 2^32 photons.
template <PhotonSink::Mode feed>
class PhotonSink::Batch {
public:
    // Photons per channel slot in this batch, in sets used in turn (by record
    // index) so that a run of photons on one channel does not wait on one counter.
    static constexpr std::size_t lanes = 4;
    using Tally = std::array<std::uint32_t, lanes * channelSlots>;

    Batch(PhotonSink& sink, Tally& tally)
        : sink_(sink)
        , counts_(tally.data())
    {
    }
    ~Batch()
    {
        for (std::size_t slot = 0; slot < channelSlots; ++slot) {
            for (std::size_t lane = 0; lane < lanes; ++lane) {
                sink_.counts_[slot] += counts_[lane * channelSlots + slot];
                counts_[lane * channelSlots + slot] = 0;
            }
        }
    }
    Batch(const Batch&) = delete;
    Batch& operator=(const Batch&) = delete;

    // Items 0 ... n - 1 of `source`: source.decode(i, photon) is true when
    // item i is a photon. The source is worked on as a local copy.
    template <typename Source>
    void run(Source& source, std::size_t n)
    {
        if constexpr (feed == Mode::generic) {
            DecodedPhoton ph;
            for (std::size_t i = 0; i < n; ++i)
                if (source.decode(i, ph))
                    sink_.photon(ph.time, ph.channel, ph.microtime);
        } else {
            // Without a gate the microtime is never looked at, and the
            // compiler drops its decoding from the loop; without a window
            // the times need no shift and no range test.
            const UnitSelection& sel = sink_.sel_;
            const bool windowed = sel.windowStart != 0 || sel.windowEnd != UINT64_MAX;
            if (sel.gated)
                windowed ? loop<true, true>(source, n) : loop<true, false>(source, n);
            else
                windowed ? loop<false, true>(source, n) : loop<false, false>(source, n);
        }
    }

private:
    static constexpr std::size_t collectStep = 16384;

    // Photons so far on the kept channels in this batch's tally.
    [[nodiscard]] std::uint64_t tallied(const std::uint8_t* wanted) const
    {
        std::uint64_t sum = 0;
        for (std::size_t slot = 0; slot < channelSlots; ++slot)
            if (wanted[slot] != 0)
                for (std::size_t lane = 0; lane < lanes; ++lane)
                    sum += counts_[lane * channelSlots + slot];
        return sum;
    }

    template <bool gated, bool windowed, typename Source>
    void loop(Source& source, std::size_t n)
    {
        Source src = source;
        const UnitSelection& sel = sink_.sel_;
        const std::uint8_t* const wanted = sel.wanted.data();
        const std::uint64_t gateFrom = sel.gateFrom;
        const std::uint64_t gateWidth = sel.gateTo > sel.gateFrom ? sel.gateTo - sel.gateFrom : 0;
        const std::uint64_t windowStart = windowed ? sel.windowStart : 0;
        const std::uint64_t windowWidth
            = !windowed ? UINT64_MAX : (sel.windowEnd > sel.windowStart ? sel.windowEnd - sel.windowStart : 0);
        // Ungated and unwindowed, every photon on a kept channel is kept: the
        // tally counts them, and the loop carries no count of its own.
        constexpr bool countKept = gated || windowed;
        const std::uint64_t talliedBefore = countKept ? 0 : tallied(wanted);
        std::uint32_t* const counts = counts_;
        std::uint64_t last = sink_.last_;
        std::uint64_t lastKept = sink_.lastKept_;
        std::uint64_t kept = 0;
        std::uint64_t backwards = 0; // photons earlier than the one before: an add with carry each
        Binner* const binner = sink_.binner_;
        std::uint64_t reciprocal = 0;
        std::uint64_t reciprocalLimit = 0;
        std::uint64_t unitsPerBin = 1;
        std::uint16_t* bins = nullptr;
        std::uint64_t binCapacity = 0;
        // Times only grow (a file where they do not is refused), so the
        // photons of a bin come one after the other: the count of the bin
        // being filled lives in `run`, and each photon in the window stores
        // it (65535 at most) without reading the bin. A bin not reached yet is still zero.
        std::uint64_t runBin = 0;
        std::uint64_t run = 0;
        if constexpr (feed == Mode::binByMultiply) {
            reciprocal = binner->reciprocal();
            unitsPerBin = binner->unitsPerBin();
            reciprocalLimit = binner->reciprocalLimit();
            bins = binner->binData();
            binCapacity = binner->binCapacity();
            // Where the batch before stopped: the bin of the last kept photon.
            runBin = binner->binOf(lastKept);
            run = runBin < binCapacity ? bins[runBin] : 0;
        }
        std::vector<std::uint64_t>* const times = sink_.times_;
        std::uint64_t* out = nullptr;
        std::uint64_t* outEnd = nullptr;
        if constexpr (feed == Mode::collect) {
            const std::size_t used = times->size();
            times->resize(used + collectStep);
            out = times->data() + used;
            outEnd = times->data() + times->size();
        }
        // The loop calls no function: a bin past the counts array leaves it
        // for the growing below and comes back. (A call inside would make the
        // compiler keep the running state in memory instead of registers.)
        // Where the source's words fit the T3 lanes, the running state goes
        // over to them, and the loop below only does the groups they leave.
        constexpr bool laned = (feed == Mode::binByMultiply || feed == Mode::count) && requires { Source::laneWord; };
        const bool lanesOn = laned && laneBinningFor(feed == Mode::count ? 0 : unitsPerBin);
        std::size_t lanesFrom = 0;
        DecodedPhoton ph;
        std::size_t i = 0;
        for (;;) {
            // Below `fastWidth` a time is in the window, its bin is a
            // multiplication away and inside the counts array: one test for all three.
            std::uint64_t fastWidth = windowWidth;
            if constexpr (feed == Mode::binByMultiply) {
                const std::uint64_t arrayUnits
                    = binCapacity <= UINT64_MAX / unitsPerBin ? binCapacity * unitsPerBin : UINT64_MAX;
                fastWidth = std::min({ windowWidth, reciprocalLimit, arrayUnits });
            }
            std::uint64_t beyond = UINT64_MAX;
            std::uint64_t beyondKept = 0;
            // Record k, its channel tallied in `lane`; true when its bin is past
            // the counts array and the loop has to leave for the growing.
            const auto one = [&](std::size_t k, std::uint32_t* const lane) __attribute__((always_inline)) {
                if (!src.decode(k, ph))
                    return false;
                const std::uint64_t time = ph.time;
                backwards += static_cast<std::uint64_t>(time < last);
                last = time;
                const std::size_t slot = ph.channel >= lowestChannel && ph.channel <= highestChannel
                    ? static_cast<std::size_t>(ph.channel - lowestChannel)
                    : channelSlots - 1;
                ++lane[slot];
                const std::uint64_t t = time - windowStart;
                std::uint64_t bin = static_cast<std::uint64_t>((static_cast<Uint128>(t) * reciprocal) >> 64);
                bool far = false;
                if (t >= fastWidth) [[unlikely]] {
                    if (t >= windowWidth)
                        return false;
                    bin = t / unitsPerBin;
                    far = bin >= binCapacity;
                }
                std::uint64_t keep = wanted[slot];
                if constexpr (gated)
                    keep &= static_cast<std::uint64_t>(ph.microtime - gateFrom < gateWidth);
                if constexpr (countKept)
                    kept += keep;
                lastKept ^= (lastKept ^ t) & (std::uint64_t { 0 } - keep); // keep is 0 or 1; masks stay branch-free
                if constexpr (feed == Mode::binByMultiply) {
                    // Masks, not choices: the compiler may make a choice a branch, and
                    // which channel comes and whether the bin moves on are coin tosses.
                    run = (run & (std::uint64_t { 0 } - static_cast<std::uint64_t>(bin == runBin))) + keep;
                    runBin = bin;
                    if (far) [[unlikely]] {
                        beyond = bin;
                        beyondKept = keep;
                        return true;
                    }
                    bins[bin] = static_cast<std::uint16_t>(std::min<std::uint64_t>(run, 0xFFFF));
                } else if constexpr (feed == Mode::binByEdges) {
                    if (keep != 0)
                        binner->add(t);
                } else if constexpr (feed == Mode::collect) {
                    *out = t;
                    out += keep;
                    if (out == outEnd) [[unlikely]] {
                        // Zeroed room a step at a time; the capacity still grows geometrically.
                        const std::size_t used = times->size();
                        times->resize(used + collectStep);
                        out = times->data() + used;
                        outEnd = times->data() + times->size();
                    }
                }
                return false;
            };
            // Four records a step, each tallied in its own lane: a run of
            // photons on one channel does not wait on one counter, and the
            // lane costs no arithmetic.
            static_assert(lanes == 4);
            bool stopped = false;
            for (; i + lanes <= n && !stopped; i += lanes) {
                if constexpr (laned) {
                    if (lanesOn && i >= lanesFrom) {
                        LaneState state { src.base, src.overflowRecords, src.markerRecords, last, lastKept, kept,
                            backwards, run, runBin };
                        const LaneJob job { src.p, n, counts, wanted, gated, static_cast<std::uint32_t>(gateFrom),
                            static_cast<std::uint32_t>(gateWidth), windowStart, windowWidth,
                            feed == Mode::count ? 0 : unitsPerBin, reciprocal, fastWidth, bins };
                        i = binT3Lanes(Source::laneWord, job, state, i);
                        src.base = state.base;
                        src.overflowRecords = state.overflowRecords;
                        src.markerRecords = state.markerRecords;
                        last = state.last;
                        lastKept = state.lastKept;
                        kept = state.kept;
                        backwards = state.backwards;
                        run = state.run;
                        runBin = state.runBin;
                        // The group the lanes left goes through here before they are asked again.
                        lanesFrom = i + 16;
                        if (i + lanes > n)
                            break;
                    }
                }
                if (one(i, counts)) {
                    i += 1;
                    stopped = true;
                } else if (one(i + 1, counts + channelSlots)) {
                    i += 2;
                    stopped = true;
                } else if (one(i + 2, counts + 2 * channelSlots)) {
                    i += 3;
                    stopped = true;
                } else if (one(i + 3, counts + 3 * channelSlots)) {
                    i += 4;
                    stopped = true;
                }
                if (stopped)
                    break;
            }
            for (; i < n && !stopped; ++i)
                if (one(i, counts)) {
                    ++i;
                    stopped = true;
                }
            if constexpr (feed == Mode::binByMultiply) {
                if (beyond != UINT64_MAX) {
                    std::uint16_t* const c = binner->slotBeyond(beyond, beyondKept != 0);
                    *c = static_cast<std::uint16_t>(std::min<std::uint64_t>(run, 0xFFFF));
                    bins = binner->binData();
                    binCapacity = binner->binCapacity();
                    continue;
                }
            }
            break;
        }
        if constexpr (feed == Mode::collect)
            times->resize(static_cast<std::size_t>(out - times->data()));
        if constexpr (!countKept)
            kept = tallied(wanted) - talliedBefore;
        source = src;
        sink_.backwards_ |= backwards != 0;
        sink_.last_ = last;
        sink_.kept_ += kept;
        sink_.lastKept_ = lastKept;
    }

    PhotonSink& sink_;
    std::uint32_t* counts_;
};

} // namespace plask::formats
