#include "core/app_state.h"

#include <gtest/gtest.h>

#include <vector>

namespace plask {
namespace {

TEST(CountRange, ScansFromBinZero)
{
    const std::vector<std::uint16_t> equal(50, 7);
    const CountRange flat = countRange(equal);
    EXPECT_EQ(flat.min, 7);
    EXPECT_EQ(flat.max, 7);
    EXPECT_EQ(flat.sum, 350u);

    const std::vector<std::uint16_t> mixed { 3, 0, 65535, 2 };
    const CountRange range = countRange(mixed);
    EXPECT_EQ(range.min, 0);
    EXPECT_EQ(range.max, 65535);
    EXPECT_EQ(range.sum, 65540u);
}

TEST(ReleaseStream, EmptyStreamIsLeftAsItWas)
{
    PhotonStream stream;
    stream.filePath = "/data/run.dat";
    stream.fileTitle = "run.dat";
    stream.binWidth = 2.0;
    EXPECT_EQ(releaseStream(stream), 2);
    EXPECT_EQ(stream.fileTitle, "run.dat");
    EXPECT_EQ(stream.binWidth, 2.0);
}

TEST(ReleaseStream, KeepsPathRegionAndBackgroundButForgetsTheData)
{
    PhotonStream stream;
    stream.filePath = "/data/run.dat";
    stream.fileTitle = "run.dat";
    stream.fileType = fileTypeCorrelator;
    stream.counts = PageArray<std::uint16_t>::allocate(2000);
    stream.length = 2000;
    stream.maxCount = 9;
    stream.minCount = 1;
    stream.regionStart = 5;
    stream.regionEnd = 1999;
    stream.backgroundMean = 1.5;
    stream.phcHeaderByte3 = 4;
    stream.binWidth = stream.sourceResolution = stream.rateKHz = stream.duration = stream.photons = 1.0;

    EXPECT_EQ(releaseStream(stream), 0);
    EXPECT_FALSE(stream.counts);
    EXPECT_EQ(stream.length, 0u);
    EXPECT_EQ(stream.fileType, 0u);
    EXPECT_EQ(stream.maxCount, 0);
    EXPECT_TRUE(stream.fileTitle.empty());
    EXPECT_EQ(stream.binWidth + stream.sourceResolution + stream.rateKHz + stream.duration + stream.photons, 0.0);
    EXPECT_EQ(stream.filePath, "/data/run.dat");
    EXPECT_EQ(stream.minCount, 1);
    EXPECT_EQ(stream.regionStart, 5u);
    EXPECT_EQ(stream.regionEnd, 1999);
    EXPECT_EQ(stream.backgroundMean, 1.5);
    EXPECT_EQ(stream.phcHeaderByte3, 4u);
}

TEST(ReleaseBurstSet, ClearsArraysAndRunFields)
{
    BurstSet set;
    set.photons = PageArray<double>::allocate(4);
    set.endBins = PageArray<std::uint32_t>::allocate(8);
    set.burstCount = 2;
    set.arrayBytes = 32;
    set.capacity = 4;
    set.binWidthUs = 1.0;
    set.backgroundCounts = 3;
    set.backgroundPerBin = 0.5;
    set.triggerLevel = 5;
    releaseBurstSet(set);
    EXPECT_FALSE(set.photons);
    EXPECT_FALSE(set.endBins);
    EXPECT_EQ(set.burstCount + set.backgroundCounts, 0u);
    EXPECT_EQ(set.arrayBytes + set.capacity, 0);
    EXPECT_EQ(set.binWidthUs + set.backgroundPerBin, 0.0);
    EXPECT_EQ(set.triggerLevel, 5); // a parameter of the run, not cleared
}

TEST(AppState, ChannelIndexPicksStreamAndSetTogether)
{
    AppState state;
    EXPECT_EQ(&streamOf(state, 0), &state.streams[0]);
    EXPECT_EQ(&burstSetOf(state, 1), &state.burstSets[1]);
    EXPECT_EQ(&correlationOf(state, 1), &state.correlations[1]);
    EXPECT_EQ(otherChannel(0), 1);
    EXPECT_EQ(otherChannel(1), 0);
}

} // namespace
} // namespace plask
