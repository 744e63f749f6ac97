#include "correlation/photon_correlator.h"

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
    // A coarse level is worked through once this many entries wait in it.
    constexpr std::size_t levelBatch = 4096;
    constexpr int maxParts = 1000;
    constexpr int maxStep = 256;
    // More coarse levels than any 64-bit record can need.
    constexpr int maxLevels = 62;

    // All photons of one coarse time: the time in the level's units and their count.
    struct Entry {
        std::uint64_t time = 0;
        std::uint64_t weight = 0;
    };

    // The record cut into equal parts, with every part's sums at every level.
    // Part p of level h spans the level times [bound(h, p), bound(h, p + 1)).
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
        }

        [[nodiscard]] std::size_t parts() const { return parts_; }
        [[nodiscard]] const std::uint64_t* bounds(int h) const { return &bounds_[index(h) * (parts_ + 1)]; }
        [[nodiscard]] Wide* products(int h, std::size_t p) { return &products_[(index(h) * parts_ + p) * slots_]; }

        // Adds the entries' weights to their parts' totals and to the first
        // (delayed) and last (direct) slots of each part, from which the
        // intensity sums of every lag follow.
        void tally(int h, std::span<const Entry> entries, std::size_t& cursor, bool direct, bool delayed)
        {
            const std::uint64_t* b = bounds(h);
            std::size_t p = cursor;
            const std::size_t base = index(h) * parts_;
            for (const Entry& e : entries) {
                while (e.time >= b[p + 1])
                    ++p;
                if (direct) {
                    totalDirect_[base + p] += e.weight;
                    const std::uint64_t fromEnd = b[p + 1] - 1 - e.time;
                    if (fromEnd < slots_)
                        tailDirect_[(base + p) * slots_ + fromEnd] += e.weight;
                }
                if (delayed) {
                    totalDelayed_[base + p] += e.weight;
                    const std::uint64_t fromStart = e.time - b[p];
                    if (fromStart < slots_)
                        headDelayed_[(base + p) * slots_ + fromStart] += e.weight;
                }
            }
            cursor = p;
        }

        struct LagSums {
            Wide products = 0;
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
        std::vector<Wide> products_;
        std::vector<std::uint64_t> tailDirect_;
        std::vector<std::uint64_t> headDelayed_;
        std::vector<std::uint64_t> totalDirect_;
        std::vector<std::uint64_t> totalDelayed_;
    };

    // Entries of one stream at one level: up to 2d of history (times within
    // the longest lag of the frontier), then the entries not yet paired.
    struct StreamLevel {
        std::vector<Entry> entries;
        std::size_t fresh = 0; // index of the first unpaired entry
        Entry open; // the last coarse time seen, which may still grow
        bool hasOpen = false;
        std::size_t wholeCursor = 0; // parts of the fresh entries, for the tallies
        std::size_t partCursor = 0;
        std::size_t pairCursor = 0; // part of the delayed entry being paired

        // Adds one finer entry (time already coarsened) to the open entry.
        void add(std::uint64_t time, std::uint64_t weight)
        {
            if (hasOpen && open.time == time) {
                open.weight += weight;
                return;
            }
            if (hasOpen)
                entries.push_back(open);
            open = { time, weight };
            hasOpen = true;
        }

        // The open entry is complete once nothing below `frontier` can come.
        void close(std::uint64_t frontier)
        {
            if (hasOpen && open.time < frontier) {
                entries.push_back(open);
                hasOpen = false;
            }
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
            for (Level& lv : level_) {
                lv.direct.entries.reserve(2 * levelBatch + slots_);
                if (cross_)
                    lv.delayed.entries.reserve(2 * levelBatch + slots_);
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
                for (; i < direct.size() && coarse(direct[i]) < frontier; ++i)
                    lv.direct.add(coarse(direct[i]), 1);
                for (; j < delayed.size() && coarse(delayed[j]) < frontier; ++j)
                    lv.delayed.add(coarse(delayed[j]), 1);
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
        void processLevel(int h, bool last)
        {
            Level& lv = level_[static_cast<std::size_t>(h)];
            StreamLevel& x = lv.direct;
            StreamLevel& y = cross_ ? lv.delayed : lv.direct;
            const std::span<const Entry> freshX = std::span<const Entry>(x.entries).subspan(x.fresh);
            const std::span<const Entry> freshY = std::span<const Entry>(y.entries).subspan(y.fresh);
            const bool withParts = parts_.parts() > 1;

            whole_.tally(h, freshX, x.wholeCursor, true, !cross_);
            if (withParts)
                parts_.tally(h, freshX, x.partCursor, true, !cross_);
            if (cross_) {
                whole_.tally(h, freshY, y.wholeCursor, false, true);
                if (withParts)
                    parts_.tally(h, freshY, y.partCursor, false, true);
            }
            pairEntries(h, x, y, withParts);

            if (h < levels_) {
                Level& next = level_[static_cast<std::size_t>(h + 1)];
                next.frontier = last ? ((recordLags_ - 1) >> (h + 1)) + 1 : lv.frontier >> 1;
                for (const Entry& e : freshX)
                    next.direct.add(e.time >> 1, e.weight);
                next.direct.close(next.frontier);
                if (cross_) {
                    for (const Entry& e : freshY)
                        next.delayed.add(e.time >> 1, e.weight);
                    next.delayed.close(next.frontier);
                }
            }
            keepHistory(x, lv.frontier);
            if (cross_) {
                y.entries.clear();
                y.fresh = 0;
            }
            if (h < levels_) {
                Level& next = level_[static_cast<std::size_t>(h + 1)];
                const std::size_t waiting = next.direct.entries.size() - next.direct.fresh
                    + (cross_ ? next.delayed.entries.size() - next.delayed.fresh : 0);
                if (last || waiting >= levelBatch)
                    processLevel(h + 1, last);
            }
        }

        // Every fresh delayed entry with the direct entries `lag` times
        // earlier, for the level's lags (1 ... 2d at level 0, d + 1 ... 2d above).
        void pairEntries(int h, const StreamLevel& x, StreamLevel& y, bool withParts)
        {
            const std::uint64_t lo = h == 0 ? 1 : static_cast<std::uint64_t>(setup_.step) + 1;
            const std::uint64_t hi = slots_;
            const Entry* xs = x.entries.data();
            const std::size_t nx = x.entries.size();
            Wide* whole = whole_.products(h, 0);
            const std::uint64_t* bounds = parts_.bounds(h);
            std::size_t j = 0;
            std::size_t part = y.pairCursor;
            for (std::size_t q = y.fresh; q < y.entries.size(); ++q) {
                const Entry e = y.entries[q];
                while (j < nx && xs[j].time + hi < e.time)
                    ++j;
                if (j == nx || xs[j].time + lo > e.time)
                    continue;
                if (!withParts) {
                    for (std::size_t k = j; k < nx && xs[k].time + lo <= e.time; ++k)
                        whole[e.time - xs[k].time - 1] += Wide { xs[k].weight } * e.weight;
                    continue;
                }
                while (e.time >= bounds[part + 1])
                    ++part;
                Wide* own = parts_.products(h, part);
                const std::uint64_t partStart = bounds[part];
                for (std::size_t k = j; k < nx && xs[k].time + lo <= e.time; ++k) {
                    const Wide product = Wide { xs[k].weight } * e.weight;
                    const std::uint64_t slot = e.time - xs[k].time - 1;
                    whole[slot] += product;
                    if (xs[k].time >= partStart)
                        own[slot] += product;
                }
            }
            y.pairCursor = part;
        }

        // Only direct entries within the longest lag of the frontier can
        // still pair with delayed entries to come.
        void keepHistory(StreamLevel& x, std::uint64_t frontier) const
        {
            std::size_t keep = x.entries.size();
            while (keep > 0 && x.entries[keep - 1].time + slots_ >= frontier)
                --keep;
            x.entries.erase(x.entries.begin(), x.entries.begin() + static_cast<std::ptrdiff_t>(keep));
            x.fresh = x.entries.size();
        }

        PhotonCorrelationSetup setup_;
        int levels_ = 0;
        std::uint64_t recordLags_ = 0;
        bool cross_ = false;
        std::size_t slots_ = 0;
        Partition whole_;
        Partition parts_;
        std::vector<Level> level_;
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
