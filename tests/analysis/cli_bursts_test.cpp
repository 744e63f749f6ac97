// plask-cli bursts and pch on a correlator file made here with known bursts.

#include "test_files.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <sys/wait.h>

#include <cstdlib>
#include <fstream>

namespace plask {
namespace {

constexpr int ticksPerBin = 400; // 10 µs at 40 MHz
constexpr int binsInFile = 20000;
constexpr int burstCount = 12;
constexpr int burstBins = 5;
constexpr int photonsPerBurstBin = 8;

[[nodiscard]] int firstBurstBin(int k) { return 1000 + 1500 * k; }

struct SampleFile {
    std::vector<std::uint8_t> bytes;
    int backgroundBins = 0; // bins holding one photon
    int length = 0; // bins up to the last photon's
};

// A 40 MHz correlator file: one background photon every 97 bins, and twelve
// bursts of 8 photons in each of 5 bins.
SampleFile correlatorFile()
{
    SampleFile file;
    std::vector<std::uint64_t> ticks;
    for (int bin = 0; bin < binsInFile; ++bin) {
        const int k = (bin - 1000) / 1500;
        const bool inBurst = bin >= 1000 && k < burstCount && bin - firstBurstBin(k) < burstBins;
        if (inBurst)
            for (int p = 0; p < photonsPerBurstBin; ++p)
                ticks.push_back(std::uint64_t { static_cast<unsigned>(bin) } * ticksPerBin + 10 + 50u * p);
        else if (bin % 97 == 0)
            ticks.push_back(std::uint64_t { static_cast<unsigned>(bin) } * ticksPerBin + 200);
        if (!inBurst && bin % 97 == 0)
            ++file.backgroundBins;
    }
    file.length = static_cast<int>(ticks.back() / ticksPerBin) + 1;
    std::vector<std::uint8_t>& bytes = file.bytes;
    bytes = { 8, 40 };
    std::uint64_t previous = 0;
    for (const std::uint64_t t : ticks) {
        std::uint64_t interval = t - previous;
        previous = t;
        for (; interval >= 255; interval -= 255)
            bytes.push_back(0xFF);
        bytes.push_back(static_cast<std::uint8_t>(interval));
    }
    return file;
}

struct CliResult {
    int exitCode = -1;
    std::string out;
    std::string err;
};

CliResult runCli(const testing::TempDir& dir, const std::string& arguments)
{
    const std::string command = "cd '" + dir.path().string() + "' && '" PLASK_CLI_PATH "' " + arguments + " > out.json 2> err.txt";
    const int status = std::system(command.c_str());
    return { WIFEXITED(status) ? WEXITSTATUS(status) : -1, testing::readText(dir / "out.json"),
        testing::readText(dir / "err.txt") };
}

class CliBursts : public ::testing::Test {
protected:
    void SetUp() override { testing::writeBytes(dir / "sample.dat", sample.bytes); }
    const SampleFile sample = correlatorFile();
    testing::TempDir dir;
};

TEST_F(CliBursts, FindsTheBurstsAndWritesBothFiles)
{
    const CliResult result = runCli(dir,
        "bursts sample.dat --binwidth 10 --trigger 5 --background 1 --min-photons 15 --sub-min 0 --bins 20 -o out");
    ASSERT_EQ(result.exitCode, 0) << result.err;
    const nlohmann::json summary = nlohmann::json::parse(result.out);
    EXPECT_EQ(summary["burstCount"], burstCount);
    EXPECT_EQ(summary["photonStats"]["min"], burstBins * photonsPerBurstBin);
    EXPECT_EQ(summary["peakStats"]["max"], photonsPerBurstBin);
    EXPECT_EQ(summary["widthStats"]["mean"], burstBins * 10.0); // end bin = the first quiet bin
    EXPECT_NEAR(summary["intervalStats"]["max"].get<double>(), 0.015, 1e-12);
    const auto out = std::filesystem::canonical(dir / "out");
    EXPECT_EQ(summary["files"], (nlohmann::json { (out / "sample_bursts.txt").string(), (out / "sample_hist.txt").string() }));

    const std::string table = testing::readText(out / "sample_bursts.txt");
    EXPECT_EQ(table.rfind("Header size:\t12 rows\r\nPS File:\tsample.dat\r\nNumber of bursts:\t12\r\n", 0), 0u);
    EXPECT_EQ(std::count(table.begin(), table.end(), '\n'), 13 + burstCount);
    const std::string histograms = testing::readText(out / "sample_hist.txt");
    EXPECT_EQ(std::count(histograms.begin(), histograms.end(), '\n'), 21);
}

TEST_F(CliBursts, SmoothingAndBackgroundEstimateComeFirst)
{
    const CliResult result
        = runCli(dir, "bursts sample.dat --binwidth 10 --smooth --sg-width 5 --estimate-background --sub-min 0");
    ASSERT_EQ(result.exitCode, 0) << result.err;
    const nlohmann::json summary = nlohmann::json::parse(result.out);
    EXPECT_EQ(summary["parameters"]["smoothPasses"], 1);
    EXPECT_EQ(summary["parameters"]["backgroundCounts"], 0); // the mode of the smoothed counts is 0
    EXPECT_EQ(summary["burstCount"], burstCount);
}

TEST_F(CliBursts, AnalysisMessagesFailWithoutWritingFiles)
{
    const CliResult none = runCli(dir, "bursts sample.dat --binwidth 10 --trigger 50");
    EXPECT_NE(none.exitCode, 0);
    EXPECT_NE(none.err.find("No bursts found with current trigger setting. "), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(dir / "sample_bursts.txt"));

    const CliResult refused = runCli(dir, "bursts sample.dat --binwidth 10 --sub-min -1");
    EXPECT_NE(refused.exitCode, 0);
    EXPECT_NE(refused.err.find("must not be negative"), std::string::npos);

    EXPECT_NE(runCli(dir, "bursts sample.dat --sg-width 6").exitCode, 0);
    EXPECT_NE(runCli(dir, "bursts sample.dat --bins 0").exitCode, 0);
    EXPECT_NE(runCli(dir, "bursts sample.dat --autoscale --fixed-bins 1,2,3").exitCode, 0);
}

TEST_F(CliBursts, PchWritesOneLinePerCountValue)
{
    const CliResult result = runCli(dir, "pch sample.dat --binwidth 10");
    ASSERT_EQ(result.exitCode, 0) << result.err;
    const nlohmann::json summary = nlohmann::json::parse(result.out);
    EXPECT_EQ(summary["pointCount"], photonsPerBurstBin + 1);
    const int empty = sample.length - burstCount * burstBins - sample.backgroundBins;
    EXPECT_EQ(summary["maxFrequency"], empty);
    const std::string text = testing::readText(dir / "sample_PCH.txt");
    const std::string expected = std::to_string(empty) + ".000000\r\n1.000000\t" + std::to_string(sample.backgroundBins)
        + ".000000\r\n2.000000\t0.000000\r\n";
    EXPECT_EQ(text.rfind("0.000000\t" + expected, 0), 0u);
    EXPECT_NE(text.find("8.000000\t60.000000\r\n"), std::string::npos);
}

} // namespace
} // namespace plask
