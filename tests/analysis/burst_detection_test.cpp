#include "analysis/burst_detection.h"
#include "stream_helpers.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

namespace plask {
namespace {

using testing::makeStream;

struct Params {
    std::int32_t trigger = 5;
    std::uint32_t background = 1;
    std::uint32_t minPhotons = 10;
    std::uint32_t subMin = 0;
    double binWidth = 1.0;
    bool subtract = false;
    double backgroundPerBin = 0.0;
};

struct Found {
    std::uint32_t start = 0;
    std::uint32_t end = 0;
    double photons = 0;
    double width = 0;
    double peak = 0;
    double peakTime = 0;
    double interval = 0;
    bool operator==(const Found&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Found& f)
{
    return out << "{" << f.start << ".." << f.end << " photons " << f.photons << " width " << f.width << " peak "
               << f.peak << " at " << f.peakTime << " interval " << f.interval << "}";
}

BurstSet setFor(const Params& p)
{
    BurstSet set;
    set.triggerLevel = p.trigger;
    set.backgroundCounts = p.background;
    set.minPhotons = p.minPhotons;
    set.subMinBins = p.subMin;
    set.binWidthUs = p.binWidth;
    set.backgroundPerBin = p.backgroundPerBin;
    return set;
}

// Runs allocation and scan; the code of the first that fails, else 0.
int run(const PhotonStream& stream, BurstSet& set, const Params& p)
{
    if (const int allocated = allocateBurstSet(set, stream); allocated != 0)
        return allocated;
    return scanBursts(stream, set, p.subtract) == 1 ? 0 : 5;
}

std::vector<Found> bursts(const BurstSet& set)
{
    std::vector<Found> found;
    for (std::uint32_t k = 0; k < set.burstCount; ++k)
        found.push_back({ set.startBins[k], set.endBins[k], set.photons[k], set.widths[k], set.peaks[k],
            set.peakTimes[k], set.intervals[k] });
    return found;
}

std::vector<Found> detect(const std::vector<std::uint16_t>& counts, const Params& p)
{
    const PhotonStream stream = makeStream(counts, p.binWidth);
    BurstSet set = setFor(p);
    EXPECT_EQ(run(stream, set, p), 0);
    return bursts(set);
}

// A deliberately plain transcription of the search: one bin at a time,
// signed 64-bit positions, every block examined bin by bin.
std::vector<Found> referenceSearch(const std::vector<std::uint16_t>& counts, const Params& p)
{
    const auto L = static_cast<std::int64_t>(counts.size());
    const auto c = [&](std::int64_t i) -> std::int64_t {
        return i >= 0 && i < L ? counts[static_cast<std::size_t>(i)] : 0;
    };
    const std::int64_t E = std::int64_t { p.background } + 1;
    const std::int64_t S = p.subMin;
    const auto span = static_cast<std::int64_t>(std::trunc(500000.0 / p.binWidth));
    const auto quiet = [&](std::int64_t from, std::int64_t step) {
        for (std::int64_t k = 0; k < S; ++k)
            if (c(from + step * k) > E)
                return false;
        return true;
    };
    std::vector<Found> found;
    std::int64_t P = 0;
    std::int64_t i = 0;
    while (i < L) {
        if (p.trigger <= 0 || c(i) < p.trigger) {
            ++i;
            continue;
        }
        const std::int64_t s = i;
        i = s + 1; // unless a burst is accepted
        std::int64_t d = s == 0 ? 1 : s;
        std::int64_t j = d - 1;
        if (S == 0) {
            while (j > P && c(j) > E) {
                d = j;
                --j;
            }
        } else {
            while (j > P + S && j != 0 && !quiet(j, -1)) {
                d = j;
                j -= S;
            }
            if (d > L - 1)
                continue;
            if (c(d) <= E) {
                ++d;
            } else {
                while (d > 0 && c(d) > E)
                    --d;
                ++d;
            }
        }
        const std::int64_t limit = std::min(d + span, L);
        std::int64_t e = s + 1;
        std::int64_t n = 0;
        if (S == 0) {
            for (std::int64_t k = s; k < limit && c(k) > E; ++k)
                e = k;
            n = e + 1;
        } else {
            for (std::int64_t k = s; k < limit && !quiet(k, 1); k += S)
                e = k;
            n = e;
            while (c(n) > E && n < L)
                ++n;
        }
        if (n < d)
            continue;
        std::int64_t sum = 0;
        for (std::int64_t k = d; k < s; ++k)
            sum += c(k);
        for (std::int64_t k = s; k <= n; ++k)
            sum += c(k);
        if (sum < p.minPhotons)
            continue;
        std::int64_t g = d;
        for (std::int64_t k = d; k <= n; ++k)
            if (c(k) > c(g))
                g = k;
        Found f;
        f.start = static_cast<std::uint32_t>(d);
        f.end = static_cast<std::uint32_t>(n);
        f.photons = static_cast<double>(sum);
        if (p.subtract)
            f.photons = std::max(0.0, f.photons - p.backgroundPerBin * static_cast<double>(n - d));
        f.width = static_cast<double>(n - d) * p.binWidth;
        f.peak = static_cast<double>(c(g));
        f.peakTime = static_cast<double>(g) * p.binWidth * 1e-6;
        f.interval = found.empty() ? f.peakTime : f.peakTime - found.back().peakTime;
        found.push_back(f);
        P = n;
        i = n + 1;
    }
    return found;
}

const std::vector<std::uint16_t> workedExample { 0, 1, 0, 2, 6, 9, 4, 3, 1, 0, 0, 0 };

class WorkedExample : public ::testing::TestWithParam<std::uint32_t> { };

TEST_P(WorkedExample, FindsOneBurstFromBinFourToEight)
{
    Params p;
    p.subMin = GetParam();
    const std::vector<Found> found = detect(workedExample, p);
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0], (Found { 4, 8, 23, 4, 9, 5 * 1e-6, 5 * 1e-6 })); // peak time = bin x width x 1e-6
}

INSTANTIATE_TEST_SUITE_P(WithAndWithoutDipBridging, WorkedExample, ::testing::Values(0u, 2u));

TEST(BurstDetection, DipBridgingJoinsTheTwoHalves)
{
    const std::vector<std::uint16_t> counts { 0, 0, 6, 1, 7, 0, 0, 0 };
    Params p;
    p.minPhotons = 5;
    const std::vector<Found> apart = detect(counts, p);
    ASSERT_EQ(apart.size(), 2u);
    EXPECT_EQ(apart[0].start, 2u);
    EXPECT_EQ(apart[0].end, 3u);
    EXPECT_EQ(apart[0].photons, 7);
    EXPECT_EQ(apart[0].width, 1);
    EXPECT_EQ(apart[1].start, 4u);
    EXPECT_EQ(apart[1].end, 5u);
    EXPECT_EQ(apart[1].photons, 7);

    p.subMin = 2;
    const std::vector<Found> joined = detect(counts, p);
    ASSERT_EQ(joined.size(), 1u);
    EXPECT_EQ(joined[0].start, 2u);
    EXPECT_EQ(joined[0].end, 5u);
    EXPECT_EQ(joined[0].photons, 14);
    EXPECT_EQ(joined[0].width, 3);
    EXPECT_EQ(joined[0].peak, 7);
    EXPECT_EQ(joined[0].peakTime, 4e-6);
}

TEST(BurstDetection, TriggerAtBinZeroStartsTheSearchAtBinOne)
{
    const std::vector<Found> found = detect({ 9, 8, 7, 1, 0, 0 }, Params {});
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].start, 1u);
    EXPECT_EQ(found[0].end, 3u);
    EXPECT_EQ(found[0].photons, 9 + 8 + 7 + 1); // the trigger bin counts although the start is 1
    EXPECT_EQ(found[0].peak, 8); // the peak is searched from the start on
    EXPECT_EQ(found[0].peakTime, 1e-6);
}

TEST(BurstDetection, BurstAtTheEndReadsNothingPastTheStream)
{
    const std::vector<Found> found = detect({ 0, 0, 0, 6, 7, 8 }, Params {});
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].start, 3u);
    EXPECT_EQ(found[0].end, 6u); // the position after the last bin
    EXPECT_EQ(found[0].photons, 21);
}

TEST(BurstDetection, SpanLimitCutsLongBurstsWithoutDipBridging)
{
    // At 500 µs bins the end search stops 1000 bins after the start.
    std::vector<std::uint16_t> counts(3000, 0);
    std::fill(counts.begin() + 10, counts.begin() + 2500, std::uint16_t { 6 });
    Params p;
    p.binWidth = 500;
    const std::vector<Found> cut = detect(counts, p);
    ASSERT_GE(cut.size(), 1u);
    EXPECT_EQ(cut[0].start, 10u);
    EXPECT_EQ(cut[0].end, 1010u);

    p.subMin = 3; // the forward refinement is bounded by the stream only
    const std::vector<Found> whole = detect(counts, p);
    ASSERT_EQ(whole.size(), 1u);
    EXPECT_EQ(whole[0].start, 10u);
    EXPECT_EQ(whole[0].end, 2500u);
}

TEST(BurstDetection, EarliestOfEqualMaximaIsThePeak)
{
    const std::vector<Found> found = detect({ 0, 0, 5, 8, 3, 8, 0, 0 }, Params {});
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].peakTime, 3e-6);
    EXPECT_EQ(peakBin(std::vector<std::uint16_t> { 1, 4, 4, 2 }, 0, 9), 1u);
}

TEST(BurstDetection, BackgroundIsSubtractedAfterTheAcceptanceTest)
{
    Params p;
    p.subtract = true;
    p.backgroundPerBin = 2.0;
    const std::vector<Found> found = detect(workedExample, p);
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].photons, 23 - 2 * 4);

    p.backgroundPerBin = 10.0; // 23 raw photons pass the minimum of 10; 23 - 40 is stored as 0
    const std::vector<Found> clamped = detect(workedExample, p);
    ASSERT_EQ(clamped.size(), 1u);
    EXPECT_EQ(clamped[0].photons, 0);
}

TEST(BurstDetection, CandidateEndingBeforeItStartsIsRejected)
{
    // Trigger 2 is at the edge level (background 1): with dip bridging the
    // start moves past the trigger bin while the end stays on it.
    const std::vector<std::uint16_t> counts { 0, 0, 0, 2, 0, 3, 0, 0, 0, 0 };
    Params p;
    p.trigger = 2;
    p.subMin = 3;
    p.minPhotons = 0;
    const PhotonStream stream = makeStream(counts);
    BurstSet set = setFor(p);
    ASSERT_EQ(allocateBurstSet(set, stream), 0);
    BurstScanState scan;
    EXPECT_EQ(detectBurst(3, stream, set, scan), 4u);
    EXPECT_EQ(set.burstCount, 0u);
    for (const Found& f : detect(counts, p))
        EXPECT_LE(f.start, f.end);
}

TEST(BurstDetection, NoTriggerBinGivesCodeThree)
{
    for (const std::int32_t trigger : { 0, -3, 10, 70000 }) {
        Params p;
        p.trigger = trigger;
        const PhotonStream stream = makeStream(workedExample);
        BurstSet set = setFor(p);
        EXPECT_EQ(allocateBurstSet(set, stream), 3) << trigger;
        EXPECT_FALSE(set.photons);
    }
}

TEST(BurstDetection, AllocationSizesTheArraysByTriggerBins)
{
    const PhotonStream stream = makeStream(workedExample);
    BurstSet set = setFor(Params {});
    ASSERT_EQ(allocateBurstSet(set, stream), 0);
    EXPECT_EQ(set.arrayBytes, 16 * 2); // bins 4 and 5 reach 5
    EXPECT_EQ(set.capacity, 4);
    EXPECT_GE(set.startBins.capacity(), 8u);
}

TEST(BurstDetection, MatchesThePlainSearchOnRandomStreams)
{
    std::mt19937 random(20240611);
    const std::array<double, 4> widths { 0.1, 1, 100, 500 };
    for (int round = 0; round < 400; ++round) {
        Params p;
        p.trigger = std::uniform_int_distribution<int>(-1, 9)(random);
        p.background = std::uniform_int_distribution<std::uint32_t>(0, 4)(random);
        p.minPhotons = std::uniform_int_distribution<std::uint32_t>(0, 40)(random);
        p.subMin = std::uniform_int_distribution<std::uint32_t>(0, 6)(random);
        p.binWidth = widths[std::uniform_int_distribution<std::size_t>(0, widths.size() - 1)(random)];
        p.subtract = random() % 2 == 0;
        p.backgroundPerBin = std::uniform_real_distribution<double>(0, 3)(random);

        // Background with bursts of random height and length, some longer than the span limit.
        const auto length = std::uniform_int_distribution<std::size_t>(1, 4000)(random);
        std::vector<std::uint16_t> counts(length);
        std::poisson_distribution<int> background(std::uniform_real_distribution<double>(0.1, 2.0)(random));
        for (auto& v : counts)
            v = static_cast<std::uint16_t>(background(random));
        const int burstsWanted = std::uniform_int_distribution<int>(0, 12)(random);
        for (int b = 0; b < burstsWanted; ++b) {
            const auto at = std::uniform_int_distribution<std::size_t>(0, length - 1)(random);
            const auto span = std::uniform_int_distribution<std::size_t>(1, b == 0 ? 1500 : 60)(random);
            std::poisson_distribution<int> bright(std::uniform_real_distribution<double>(2, 12)(random));
            for (std::size_t k = at; k < std::min(length, at + span); ++k)
                counts[k] = static_cast<std::uint16_t>(counts[k] + bright(random));
        }

        const PhotonStream stream = makeStream(counts, p.binWidth);
        BurstSet set = setFor(p);
        const std::vector<Found> expected = referenceSearch(counts, p);
        const int code = run(stream, set, p);
        if (code == 3) {
            EXPECT_TRUE(expected.empty());
            continue;
        }
        ASSERT_EQ(code, 0);
        ASSERT_EQ(bursts(set), expected) << "round " << round;
    }
}

TEST(BurstDetection, TriggerSkippingAgreesWithABinByBinLook)
{
    std::mt19937 random(7);
    std::vector<std::uint16_t> counts(5000);
    for (auto& v : counts)
        v = random() % 50 == 0 ? static_cast<std::uint16_t>(random()) : static_cast<std::uint16_t>(random() % 4);
    for (const std::int32_t level : { -5, 0, 1, 2, 4, 5, 3000, 32768, 40000, 65535, 65536 }) {
        std::uint64_t expectedCount = 0;
        for (const std::uint16_t v : counts)
            expectedCount += level > 0 && v >= level ? 1 : 0;
        EXPECT_EQ(countTriggerBins(counts, level), expectedCount) << level;
        for (std::size_t from = 0; from < counts.size(); from += 97) {
            std::size_t expected = from;
            while (expected < counts.size() && !(level > 0 && counts[expected] >= level))
                ++expected;
            ASSERT_EQ(nextTriggerBin(counts, from, level), expected) << level << " from " << from;
        }
    }
}

TEST(SeriesStatistics, PopulationFormWithTheTrueMinimum)
{
    const SeriesStats stats = seriesStatistics(std::vector<double> { 2, 4, 4, 4, 5, 5, 7, 9 });
    EXPECT_EQ(stats, (SeriesStats { 5, 2, 9, 2 }));
    EXPECT_EQ(seriesStatistics(std::vector<double> { 42.5 }), (SeriesStats { 42.5, 0, 42.5, 42.5 }));
    EXPECT_EQ(seriesStatistics({}), SeriesStats {});
}

} // namespace
} // namespace plask
