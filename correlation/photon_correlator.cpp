#include "correlation/photon_correlator.h"

#include "correlation/correlator_kernels.h"
#include "correlation/multi_tau.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <limits>
#include <new>

namespace plask {

namespace {
    __extension__ typedef unsigned __int128 Wide;

    // Photons read from the input between two passes over the levels.
    constexpr std::size_t chunkPhotons = 8192;
    constexpr int maxParts = 1000;
    // Stretches with at least one entry in this many times are paired densely.
    constexpr std::uint64_t denseSpan = 8;
    constexpr int maxStep = 256;
    // More coarse levels than any 64-bit record can need.
    constexpr int maxLevels = 62;
    constexpr std::uint64_t noTime = std::numeric_limits<std::uint64_t>::max();

    // All photons of one coarse time: the time in the level's units and their count.
    struct Entry {
        std::uint64_t time = 0;
        std::uint64_t weight = 0;
    };

    // The record cut into equal parts, with every part's sums at every level.
    // Part p of level h spans the level times [bound(h, p), bound(h, p + 1)).
    // Product sums are 64-bit: the caller makes sure that direct x delayed
    // photons, which bounds every sum, fits.
    class Partition {
    public:
        Partition(int parts, int levels, int slots, std::uint64_t recordLags)
            : parts_(static_cast<std::size_t>(parts))
            , slots_(static_cast<std::size_t>(slots))
        {
            const auto levelCount = static_cast<std::size_t>(levels) + 1;
            bounds_.resize(levelCount * (parts_ + 1));
            for (std::size_t h = 0; h < levelCount; ++h)
                for (std::size_t p = 0; p <= parts_; ++p) {
                    const auto start = static_cast<std::uint64_t>(Wide { recordLags } * p / parts_);
                    // The last bound is the level's length: an odd last time stands alone.
                    bounds_[h * (parts_ + 1) + p] = p == parts_ ? ((recordLags - 1) >> h) + 1 : start >> h;
                }
            products_.assign(levelCount * parts_ * slots_, 0);
            tailDirect_.assign(levelCount * parts_ * slots_, 0);
            headDelayed_.assign(levelCount * parts_ * slots_, 0);
            totalDirect_.assign(levelCount * parts_, 0);
            totalDelayed_.assign(levelCount * parts_, 0);
            directCursor_.assign(levelCount, 0);
            delayedCursor_.assign(levelCount, 0);
        }

        [[nodiscard]] std::size_t parts() const { return parts_; }
        [[nodiscard]] const std::uint64_t* bounds(int h) const { return &bounds_[index(h) * (parts_ + 1)]; }
        [[nodiscard]] std::uint64_t* products(int h, std::size_t p)
        {
            return &products_[(index(h) * parts_ + p) * slots_];
        }

        // Adds the entries' weights to their parts' totals and to the first
        // (delayed) and last (direct) slots of each part, from which the
        // intensity sums of every lag follow. Entries come in time order.
        void tally(int h, std::span<const Entry> entries, bool direct, bool delayed)
        {
            const std::uint64_t* b = bounds(h);
            std::size_t& cursor = direct ? directCursor_[index(h)] : delayedCursor_[index(h)];
            std::size_t p = cursor;
            const std::size_t n = entries.size();
            const Entry* e = entries.data();
            for (std::size_t i = 0; i < n;) {
                while (e[i].time >= b[p + 1])
                    ++p;
                const std::uint64_t start = b[p];
                const std::uint64_t limit = b[p + 1];
                std::size_t end = i;
                std::uint64_t sum = 0;
                for (; end < n && e[end].time < limit; ++end)
                    sum += e[end].weight;
                const std::size_t at = index(h) * parts_ + p;
                if (direct) {
                    totalDirect_[at] += sum;
                    for (std::size_t k = end; k > i && limit - 1 - e[k - 1].time < slots_; --k)
                        tailDirect_[at * slots_ + (limit - 1 - e[k - 1].time)] += e[k - 1].weight;
                }
                if (delayed) {
                    totalDelayed_[at] += sum;
                    for (std::size_t k = i; k < end && e[k].time - start < slots_; ++k)
                        headDelayed_[at * slots_ + (e[k].time - start)] += e[k].weight;
                }
                i = end;
            }
            cursor = p;
        }

        struct LagSums {
            std::uint64_t products = 0;
            std::uint64_t direct = 0;
            std::uint64_t delayed = 0;
            std::uint64_t pairs = 0;
        };

        // Sums of lag `lag` (level units) of part p: direct over the part's
        // first len - lag times, delayed over its last len - lag.
        [[nodiscard]] LagSums sums(int h, std::size_t p, std::size_t lag) const
        {
            const std::uint64_t* b = bounds(h);
            const std::uint64_t length = b[p + 1] - b[p];
            LagSums out;
            if (lag >= length)
                return out;
            const std::size_t at = index(h) * parts_ + p;
            out.pairs = length - lag;
            out.products = products_[at * slots_ + lag - 1];
            out.direct = totalDirect_[at];
            out.delayed = totalDelayed_[at];
            for (std::size_t o = 0; o < lag; ++o) {
                out.direct -= tailDirect_[at * slots_ + o];
                out.delayed -= headDelayed_[at * slots_ + o];
            }
            return out;
        }

    private:
        [[nodiscard]] static std::size_t index(int h) { return static_cast<std::size_t>(h); }

        std::size_t parts_ = 1;
        std::size_t slots_ = 0;
        std::vector<std::uint64_t> bounds_;
        std::vector<std::uint64_t> products_;
        std::vector<std::uint64_t> tailDirect_;
        std::vector<std::uint64_t> headDelayed_;
        std::vector<std::uint64_t> totalDirect_;
        std::vector<std::uint64_t> totalDelayed_;
        std::vector<std::size_t> directCursor_;
        std::vector<std::size_t> delayedCursor_;
    };

    // Entries of one stream at one level in a fixed buffer: up to 2d of
    // history (times within the longest lag of the frontier), then the
    // entries not yet paired.
    struct StreamLevel {
        std::vector<Entry> buffer;
        std::size_t count = 0;
        std::size_t fresh = 0; // index of the first unpaired entry
        Entry open { noTime, 0 }; // the last coarse time seen, which may still grow

        [[nodiscard]] std::span<const Entry> freshEntries() const
        {
            return std::span<const Entry>(buffer.data() + fresh, count - fresh);
        }

        // Adds finer entries, their times halved, merging equal times. The
        // loop has no branch on the merge: it always writes the entry in
        // hand and moves on only when the time changes.
        void addCoarsened(std::span<const Entry> finer)
        {
            if (finer.empty())
                return;
            Entry* out = buffer.data() + count;
            Entry current = open;
            std::size_t i = 0;
            if (current.time == noTime) {
                current = { finer[0].time >> 1, finer[0].weight };
                i = 1;
            }
            for (; i < finer.size(); ++i) {
                const std::uint64_t t = finer[i].time >> 1;
                const bool next = t != current.time;
                *out = current;
                out += next;
                current.weight = (next ? 0 : current.weight) + finer[i].weight;
                current.time = t;
            }
            open = current;
            count = static_cast<std::size_t>(out - buffer.data());
        }

        // The open entry is complete once nothing below `frontier` can come.
        void close(std::uint64_t frontier)
        {
            if (open.time != noTime && open.time < frontier) {
                buffer[count++] = open;
                open = { noTime, 0 };
            }
        }

        // Only entries within the longest lag of the frontier can still pair
        // with entries to come; the rest go.
        void keepHistory(std::uint64_t frontier, std::size_t longestLag)
        {
            std::size_t keep = count;
            while (keep > 0 && buffer[keep - 1].time + longestLag >= frontier)
                --keep;
            std::copy(buffer.begin() + static_cast<std::ptrdiff_t>(keep),
                buffer.begin() + static_cast<std::ptrdiff_t>(count), buffer.begin());
            count -= keep;
            fresh = count;
        }
    };

    struct Level {
        StreamLevel direct;
        StreamLevel delayed; // cross-correlation only
        std::uint64_t frontier = 0; // every entry below this time is in
    };

    class Engine {
    public:
        Engine(const PhotonCorrelationSetup& setup, int levels, std::uint64_t recordLags, bool cross)
            : setup_(setup)
            , levels_(levels)
            , recordLags_(recordLags)
            , cross_(cross)
            , slots_(2 * static_cast<std::size_t>(setup.step))
            , whole_(1, levels, static_cast<int>(slots_), recordLags)
            , parts_(std::max(setup.parts, 1), levels, static_cast<int>(slots_), recordLags)
            , level_(static_cast<std::size_t>(levels) + 1)
        {
            // A level holds its history and one chunk's entries; each level
            // may pass on one entry more than it received (its open one).
            const std::size_t capacity = slots_ + chunkPhotons + static_cast<std::size_t>(levels) + 8;
            for (Level& lv : level_) {
                lv.direct.buffer.resize(capacity);
                if (cross_)
                    lv.delayed.buffer.resize(capacity);
            }
        }

        // `delayed` is empty for an autocorrelation.
        [[nodiscard]] bool run(std::span<const std::uint64_t> direct, std::span<const std::uint64_t> delayed,
            Progress& progress)
        {
            const std::uint64_t m = setup_.minLagUnits;
            const bool shift = (m & (m - 1)) == 0;
            const auto shiftBits = static_cast<unsigned>(std::countr_zero(m));
            const auto coarse = [&](std::uint64_t t) { return shift ? t >> shiftBits : t / m; };
            std::size_t i = 0;
            std::size_t j = 0;
            const std::size_t total = direct.size() + delayed.size();
            std::vector<Entry> photons(chunkPhotons);
            while (i < direct.size() || j < delayed.size()) {
                // Everything below the frontier goes in; at least one stream moves on.
                const std::size_t iEnd = std::min(i + chunkPhotons, direct.size());
                const std::size_t jEnd = std::min(j + chunkPhotons, delayed.size());
                std::uint64_t frontier = recordLags_;
                if (iEnd < direct.size())
                    frontier = std::min(frontier, coarse(direct[iEnd - 1]) + 1);
                if (jEnd < delayed.size())
                    frontier = std::min(frontier, coarse(delayed[jEnd - 1]) + 1);
                Level& lv = level_[0];
                i = feed(direct, i, frontier, coarse, lv.direct);
                j = feed(delayed, j, frontier, coarse, lv.delayed);
                const bool last = i == direct.size() && j == delayed.size();
                lv.frontier = last ? recordLags_ : frontier;
                lv.direct.close(lv.frontier);
                if (cross_)
                    lv.delayed.close(lv.frontier);
                processLevel(0, last);
                if (!progress.step(static_cast<double>(i + j) / static_cast<double>(std::max<std::size_t>(total, 1))))
                    return false;
            }
            return true;
        }

        [[nodiscard]] Partition& whole() { return whole_; }
        [[nodiscard]] Partition& parts() { return parts_; }

    private:
        // The photons from `from` on below the frontier, merged per minimum
        // lag into level 0. Returns the index of the first photon left.
        template <typename Coarse>
        static std::size_t feed(std::span<const std::uint64_t> times, std::size_t from, std::uint64_t frontier,
            const Coarse& coarse, StreamLevel& level)
        {
            Entry* out = level.buffer.data() + level.count;
            Entry current = level.open;
            std::size_t i = from;
            if (current.time == noTime && i < times.size() && coarse(times[i]) < frontier)
                current = { coarse(times[i++]), 1 };
            for (; i < times.size(); ++i) {
                const std::uint64_t t = coarse(times[i]);
                if (t >= frontier)
                    break;
                const bool next = t != current.time;
                *out = current;
                out += next;
                current.weight = (next ? 0 : current.weight) + 1;
                current.time = t;
            }
            level.open = current;
            level.count = static_cast<std::size_t>(out - level.buffer.data());
            return i;
        }

        void processLevel(int h, bool last)
        {
            Level& lv = level_[static_cast<std::size_t>(h)];
            StreamLevel& x = lv.direct;
            StreamLevel& y = cross_ ? lv.delayed : lv.direct;
            const std::span<const Entry> freshX = x.freshEntries();
            const std::span<const Entry> freshY = y.freshEntries();
            const bool withParts = parts_.parts() > 1;

            whole_.tally(h, freshX, true, !cross_);
            if (withParts)
                parts_.tally(h, freshX, true, !cross_);
            if (cross_) {
                whole_.tally(h, freshY, false, true);
                if (withParts)
                    parts_.tally(h, freshY, false, true);
            }
            pairFresh(h, x, y);

            if (h < levels_) {
                Level& next = level_[static_cast<std::size_t>(h + 1)];
                next.frontier = last ? ((recordLags_ - 1) >> (h + 1)) + 1 : lv.frontier >> 1;
                next.direct.addCoarsened(freshX);
                next.direct.close(next.frontier);
                if (cross_) {
                    next.delayed.addCoarsened(freshY);
                    next.delayed.close(next.frontier);
                }
            }
            x.keepHistory(lv.frontier, slots_);
            if (cross_)
                y.count = y.fresh = 0;
            if (h < levels_)
                processLevel(h + 1, last);
        }

        [[nodiscard]] std::uint64_t lowestLag(int h) const
        {
            return h == 0 ? 1 : static_cast<std::uint64_t>(setup_.step) + 1;
        }

        // Pairs every fresh delayed entry with the direct entries 1 ... 2d
        // (level 0) or d + 1 ... 2d (coarser levels) times earlier. Stretches
        // where most times hold photons go through the binned correlator's
        // dense kernels; the first 2d times of each part, where pairs may
        // straddle a part boundary, and sparse stretches pair entry by entry.
        void pairFresh(int h, const StreamLevel& x, const StreamLevel& y)
        {
            const std::size_t fresh = y.count - y.fresh;
            if (fresh == 0)
                return;
            const std::uint64_t t0 = y.buffer[y.fresh].time;
            const std::uint64_t t1 = y.buffer[y.count - 1].time;
            const std::uint64_t spanY = t1 - t0 + 1;
            if (fresh < 64 || spanY > denseSpan * fresh || !scatterDense(x, y, t0, spanY)) {
                pairSparse(h, x, y, y.fresh, y.count);
                return;
            }
            const std::size_t partCount = parts_.parts();
            const std::uint64_t* bounds = parts_.bounds(h);
            std::size_t p = 0;
            while (bounds[p + 1] <= t0)
                ++p;
            std::size_t q = y.fresh;
            for (; p < partCount && bounds[p] <= t1; ++p) {
                const std::uint64_t segEnd = std::min(t1 + 1, bounds[p + 1]);
                const std::uint64_t zoneEnd = std::min(segEnd, bounds[p] + slots_);
                // Entries before zoneEnd: pairs may reach into the previous part.
                std::size_t zoneStop = q;
                while (zoneStop < y.count && y.buffer[zoneStop].time < zoneEnd)
                    ++zoneStop;
                pairSparse(h, x, y, q, zoneStop);
                const std::uint64_t from = std::max(t0, zoneEnd);
                if (from < segEnd)
                    pairDense(h, p, from - t0, segEnd - t0);
                q = firstAtOrAfter(y, zoneStop, segEnd);
            }
        }

        // The first entry from `from` on at or after time t (entries are in time order).
        [[nodiscard]] static std::size_t firstAtOrAfter(const StreamLevel& level, std::size_t from, std::uint64_t t)
        {
            const Entry* begin = level.buffer.data();
            const Entry* end = begin + level.count;
            return static_cast<std::size_t>(
                std::partition_point(begin + from, end, [t](const Entry& e) { return e.time < t; }) - begin);
        }

        // Direct counts of times t0 - 2d ... t1 and delayed counts of
        // t0 ... t1 as 16-bit values; false (and nothing usable) when a
        // count is above the 16-bit kernels' limit.
        [[nodiscard]] bool scatterDense(const StreamLevel& x, const StreamLevel& y, std::uint64_t t0, std::uint64_t spanY)
        {
            const std::size_t span = static_cast<std::size_t>(spanY) + slots_;
            denseDirect_.assign(span + 8, 0);
            std::uint64_t bits = 0;
            // Index of time t is t - t0 + 2d; only times from t0 - 2d on are needed.
            for (std::size_t k = firstAtOrAfter(x, 0, t0 > slots_ ? t0 - slots_ : 0); k < x.count; ++k) {
                const Entry& e = x.buffer[k];
                const std::uint64_t at = e.time + slots_ - t0;
                if (at >= span)
                    break;
                bits |= e.weight;
                denseDirect_[static_cast<std::size_t>(at)] = static_cast<std::int16_t>(e.weight);
            }
            if (cross_) {
                denseDelayed_.assign(static_cast<std::size_t>(spanY) + 8, 0);
                for (std::size_t k = y.fresh; k < y.count; ++k) {
                    bits |= y.buffer[k].weight;
                    denseDelayed_[static_cast<std::size_t>(y.buffer[k].time - t0)]
                        = static_cast<std::int16_t>(y.buffer[k].weight);
                }
            }
            return bits <= kernels::smallValueLimit;
        }

        // Dense pairs of the delayed times t0 + from ... t0 + to - 1, all in
        // part p together with their direct partners.
        void pairDense(int h, std::size_t p, std::uint64_t from, std::uint64_t to)
        {
            const std::int16_t* direct = denseDirect_.data() + slots_;
            const std::int16_t* delayed = cross_ ? denseDelayed_.data() : direct;
            std::uint64_t* whole = whole_.products(h, 0);
            std::uint64_t* own = parts_.parts() > 1 ? parts_.products(h, p) : nullptr;
            const std::uint64_t lo = lowestLag(h);
            const std::uint64_t hi = slots_;
            std::uint32_t sums[8];
            const auto add = [&](std::uint64_t lag, std::uint32_t sum) {
                whole[lag - 1] += sum;
                if (own)
                    own[lag - 1] += sum;
            };
            for (std::uint64_t start = from; start < to; start += kernels::blockBins) {
                const auto count = static_cast<std::size_t>(std::min<std::uint64_t>(kernels::blockBins, to - start));
                const std::int16_t* a = direct + start;
                const std::int16_t* b = delayed + start;
                std::uint64_t lag = lo;
                for (; lag + 7 <= hi; lag += 8) {
                    kernels::dotSmall8(a - lag, b, count, sums);
                    for (std::uint64_t j = 0; j < 8; ++j)
                        add(lag + j, sums[j]);
                }
                for (; lag + 3 <= hi; lag += 4) {
                    kernels::dotSmall4(a - lag, b, count, sums);
                    for (std::uint64_t j = 0; j < 4; ++j)
                        add(lag + j, sums[j]);
                }
                for (; lag <= hi; ++lag)
                    add(lag, kernels::dotSmall(a - lag, b, count));
            }
        }

        void pairSparse(int h, const StreamLevel& x, const StreamLevel& y, std::size_t q0, std::size_t q1)
        {
            const bool withParts = parts_.parts() > 1;
            if (cross_)
                withParts ? pairEntries<true, true>(h, x, y, q0, q1) : pairEntries<false, true>(h, x, y, q0, q1);
            else
                withParts ? pairEntries<true, false>(h, x, y, q0, q1) : pairEntries<false, false>(h, x, y, q0, q1);
        }

        // Entry by entry, for the delayed entries q0 ... q1 - 1 of the level.
        // Most entries of the sparse levels have no partner: one test of the
        // nearest candidate passes them by. Partners are then taken from a
        // window that slides with the entries (cross-correlation) or from the
        // entries just before (the same list).
        template <bool withParts, bool cross>
        void pairEntries(int h, const StreamLevel& x, const StreamLevel& y, std::size_t q0, std::size_t q1)
        {
            const std::uint64_t lo = lowestLag(h);
            const std::uint64_t hi = slots_;
            const Entry* xs = x.buffer.data();
            const Entry* ys = y.buffer.data();
            const std::size_t nx = x.count;
            std::uint64_t* const whole = whole_.products(h, 0);
            const std::uint64_t* const bounds = parts_.bounds(h);
            std::size_t part = 0;
            std::uint64_t partStart = 0;
            std::uint64_t partEnd = 0;
            std::uint64_t* own = nullptr;
            std::size_t j = 0;
            for (std::size_t q = q0; q < q1; ++q) {
                const std::uint64_t time = ys[q].time;
                const std::uint64_t weight = ys[q].weight;
                if constexpr (!cross) {
                    if (q == 0 || xs[q - 1].time + hi < time)
                        continue;
                } else {
                    while (j < nx && xs[j].time + hi < time)
                        ++j;
                    if (j == nx || xs[j].time + lo > time)
                        continue;
                }
                if constexpr (withParts) {
                    if (own == nullptr || time >= partEnd) {
                        while (time >= bounds[part + 1])
                            ++part;
                        own = parts_.products(h, part);
                        partStart = bounds[part];
                        partEnd = bounds[part + 1];
                    }
                }
                const auto add = [&](const Entry& partner, std::uint64_t lag) {
                    const std::uint64_t product = partner.weight * weight;
                    whole[lag - 1] += product;
                    if constexpr (withParts)
                        if (partner.time >= partStart)
                            own[lag - 1] += product;
                };
                if constexpr (!cross) {
                    // Back from the nearest earlier entry while it is within reach.
                    for (std::size_t k = q; k > 0 && xs[k - 1].time + hi >= time; --k) {
                        const std::uint64_t lag = time - xs[k - 1].time;
                        if (lag >= lo)
                            add(xs[k - 1], lag);
                    }
                } else {
                    // On from the first entry within reach while its lag is long enough.
                    for (std::size_t k = j; k < nx && xs[k].time + lo <= time; ++k)
                        add(xs[k], time - xs[k].time);
                }
            }
        }

        PhotonCorrelationSetup setup_;
        int levels_ = 0;
        std::uint64_t recordLags_ = 0;
        bool cross_ = false;
        std::size_t slots_ = 0;
        Partition whole_;
        Partition parts_;
        std::vector<Level> level_;
        std::vector<std::int16_t> denseDirect_;
        std::vector<std::int16_t> denseDelayed_;
    };

    // G as the binned correlator forms it from the same sums.
    [[nodiscard]] std::optional<double> normalised(const Partition::LagSums& s)
    {
        const Wide intensities = Wide { s.direct } * s.delayed;
        if (s.pairs == 0 || intensities == 0)
            return std::nullopt;
        return static_cast<double>(s.products) * static_cast<double>(s.pairs) / static_cast<double>(intensities) - 1.0;
    }

    void fillPoints(PhotonCorrelation& out, Engine& engine, const PhotonCorrelationSetup& setup, std::uint64_t maxLag)
    {
        const auto d = static_cast<std::size_t>(setup.step);
        Partition& parts = engine.parts();
        const bool withParts = parts.parts() > 1;
        std::vector<double> values;
        for (int h = 0; h <= out.levels; ++h) {
            for (std::size_t lag = h == 0 ? 1 : d + 1; lag <= 2 * d; ++lag) {
                const std::uint64_t lagUnits = (std::uint64_t { lag } << h) * setup.minLagUnits;
                if (lagUnits > maxLag)
                    return;
                const Partition::LagSums s = engine.whole().sums(h, 0, lag);
                PhotonLagPoint point;
                point.lagUnits = lagUnits;
                point.g = normalised(s).value_or(0.0);
                point.direct = s.direct;
                point.delayed = s.delayed;
                point.pairs = s.pairs;
                values.clear();
                if (withParts) {
                    for (std::size_t p = 0; p < parts.parts(); ++p)
                        if (const std::optional<double> g = normalised(parts.sums(h, p, lag)))
                            values.push_back(*g);
                } else if (const std::optional<double> g = normalised(s)) {
                    values.push_back(*g);
                }
                point.partsUsed = static_cast<int>(values.size());
                point.sem = std::numeric_limits<double>::quiet_NaN();
                if (!values.empty()) {
                    double sum = 0.0;
                    for (const double v : values)
                        sum += v;
                    point.partMean = sum / static_cast<double>(values.size());
                }
                if (values.size() >= 2) {
                    double squares = 0.0;
                    for (const double v : values)
                        squares += (v - point.partMean) * (v - point.partMean);
                    const auto n = static_cast<double>(values.size());
                    point.sem = std::sqrt(squares / (n - 1)) / std::sqrt(n);
                }
                out.points.push_back(point);
            }
        }
    }

    std::span<const std::uint64_t> insideRecord(std::span<const std::uint64_t> times, std::uint64_t lengthUnits)
    {
        const auto end = std::lower_bound(times.begin(), times.end(), lengthUnits);
        return times.first(static_cast<std::size_t>(end - times.begin()));
    }

    PhotonCorrelation correlate(std::span<const std::uint64_t> direct, std::span<const std::uint64_t> delayed,
        bool cross, std::uint64_t lengthUnits, const PhotonCorrelationSetup& setup, Progress& progress)
    {
        PhotonCorrelation out;
        if (setup.step < 1 || setup.step > maxStep) {
            out.error = "The multi-tau step must be between 1 and " + std::to_string(maxStep) + ".";
            return out;
        }
        if (setup.parts < 1 || setup.parts > maxParts) {
            out.error = "The number of parts must be between 1 and " + std::to_string(maxParts) + ".";
            return out;
        }
        if (setup.minLagUnits == 0 || lengthUnits == 0) {
            out.error = setup.minLagUnits == 0 ? "The minimum lag must be positive." : "The record is empty.";
            return out;
        }
        const std::uint64_t maxLag = setup.maxLagUnits == 0 ? std::numeric_limits<std::uint64_t>::max()
                                                            : setup.maxLagUnits;
        if (maxLag < setup.minLagUnits) {
            out.error = "The maximum lag is shorter than the minimum lag.";
            return out;
        }
        out.recordLags = (lengthUnits - 1) / setup.minLagUnits + 1;
        const int gridLevels = levelsForStretch(out.recordLags, setup.step);
        if (gridLevels < 0) {
            out.error = "The record is " + std::to_string(out.recordLags) + " minimum lags long; at least "
                + std::to_string(4 * setup.step) + " are needed.";
            return out;
        }
        // Coarse levels whose first lag is within the maximum lag.
        const auto d = static_cast<std::uint64_t>(setup.step);
        int levels = 0;
        while (levels < std::min(gridLevels, maxLevels)
            && Wide { (d + 1) << (levels + 1) } * setup.minLagUnits <= maxLag)
            ++levels;
        out.levels = levels;

        direct = insideRecord(direct, lengthUnits);
        delayed = cross ? insideRecord(delayed, lengthUnits) : direct;
        out.directPhotons = direct.size();
        out.delayedPhotons = delayed.size();
        // Every product sum is at most direct x delayed photons: 64 bits then hold them exactly.
        if (Wide { out.directPhotons } * out.delayedPhotons > std::numeric_limits<std::uint64_t>::max()) {
            out.error = "Too many photons for one correlation.";
            return out;
        }
        try {
            Engine engine(setup, levels, out.recordLags, cross);
            if (!engine.run(direct, cross ? delayed : std::span<const std::uint64_t> {}, progress)) {
                out.error = "The correlation was cancelled.";
                return out;
            }
            fillPoints(out, engine, setup, maxLag);
        } catch (const std::bad_alloc&) {
            out = {};
            out.error = "Not enough memory for the correlation.";
        }
        return out;
    }
} // namespace

PhotonCorrelation autocorrelatePhotons(std::span<const std::uint64_t> times, std::uint64_t lengthUnits,
    const PhotonCorrelationSetup& setup, Progress& progress)
{
    return correlate(times, times, false, lengthUnits, setup, progress);
}

PhotonCorrelation crossCorrelatePhotons(std::span<const std::uint64_t> direct, std::span<const std::uint64_t> delayed,
    std::uint64_t lengthUnits, const PhotonCorrelationSetup& setup, Progress& progress)
{
    return correlate(direct, delayed, true, lengthUnits, setup, progress);
}

std::optional<std::uint64_t> lagInUnits(double ns, std::uint64_t unitNum, std::uint64_t unitDen)
{
    if (!(ns > 0.0) || unitNum == 0 || unitDen == 0)
        return std::nullopt;
    const double units = ns * 1e-9 * static_cast<double>(unitDen) / static_cast<double>(unitNum);
    const double whole = std::round(units);
    if (whole < 1.0 || whole > 9e18 || std::abs(units - whole) > 1e-9 * std::max(1.0, whole))
        return std::nullopt;
    return static_cast<std::uint64_t>(whole);
}

} // namespace plask
