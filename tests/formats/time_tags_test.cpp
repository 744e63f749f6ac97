#include "formats/correlator_file.h"
#include "formats/rational_math.h"
#include "formats/time_tags.h"
#include "test_files.h"

#include <gtest/gtest.h>

#include <random>

namespace plask::formats {
namespace {

    using plask::testing::TempDir;

    // Random intervals written as a .dat file come back as their running sums,
    // and a window keeps exactly the photons in [start, start + duration).
    TEST(CorrelatorTimeTags, TimesAreTheRunningTickSumsAndTheWindowCutsExactly)
    {
        std::mt19937 rng(5);
        std::uniform_int_distribution<std::uint64_t> interval(0, 700);
        std::vector<std::uint8_t> file;
        appendCorrelatorHeader(file, 40);
        std::vector<std::uint64_t> expected;
        std::uint64_t t = 0;
        for (int i = 0; i < 5000; ++i) {
            t += interval(rng);
            appendCorrelatorEntry(file, t - (expected.empty() ? 0 : expected.back()));
            expected.push_back(t);
        }
        TempDir dir;
        plask::testing::writeBytes(dir / "s.dat", file);
        const std::string path = (dir / "s.dat").string();

        const TimeTagLoad all = readTimeTags(path, {});
        ASSERT_TRUE(all.ok()) << all.error;
        EXPECT_EQ(all.unit, (Rational { 1, 40'000'000 }));
        EXPECT_EQ(all.times, expected);
        EXPECT_EQ(all.lengthUnits, expected.back() + 1);

        PhotonSelection window;
        window.windowStartS = 1e-5; // 400 ticks
        window.windowDurationS = 2e-5; // 800 ticks
        const TimeTagLoad cut = readTimeTags(path, window);
        ASSERT_TRUE(cut.ok()) << cut.error;
        std::vector<std::uint64_t> inWindow;
        for (const std::uint64_t e : expected)
            if (e >= 400 && e < 1200)
                inWindow.push_back(e - 400);
        EXPECT_EQ(cut.times, inWindow);
        EXPECT_EQ(cut.lengthUnits, 800u);

        PhotonSelection otherChannel;
        otherChannel.channels = { 3 };
        EXPECT_FALSE(readTimeTags(path, otherChannel).ok());
    }

    TEST(RationalUnits, ShortestDecimalTextAndExactWindowEdges)
    {
        EXPECT_EQ(rationalFromDouble(31.249e-9), (Rational { 31249, 1'000'000'000'000 }));
        EXPECT_EQ(rationalFromDouble(1e-12), (Rational { 1, 1'000'000'000'000 }));
        EXPECT_EQ(rationalFromDouble(0.1), (Rational { 1, 10 }));
        EXPECT_FALSE(rationalFromDouble(0.0));
        EXPECT_FALSE(rationalFromDouble(-1.0));
        // 1 µs in 31.249 ns units: 32.0010... rounds up to the first unit inside.
        EXPECT_EQ(unitsAtOrAfter({ 1, 1'000'000 }, { 31249, 1'000'000'000'000 }), 33u);
    }

} // namespace
} // namespace plask::formats
