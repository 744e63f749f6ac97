#include "fake_platform.h"
#include "formats/correlator_file.h"
#include "formats/photon_count_file.h"
#include "formats/time_tag_stream.h"
#include "formats/time_tags.h"
#include "test_files.h"
#include "tttr_writer.h"

#include <gtest/gtest.h>

#include <functional>

namespace plask {
namespace {

    using namespace plask::testing;

    // Goes on at the first step and answers a cancel at every later one,
    // counting the steps asked for after the cancel.
    class CancelAfterFirstBlock final : public Progress {
    public:
        bool step(double /*fractionDone*/) override
        {
            ++steps_;
            return steps_ == 1;
        }
        [[nodiscard]] int stepsAfterCancel() const { return steps_ - 2; }

    private:
        int steps_ = 0;
    };

    std::vector<TestPhoton> manyPhotons(std::size_t n)
    {
        std::vector<TestPhoton> photons;
        photons.reserve(n);
        for (std::size_t i = 0; i < n; ++i)
            photons.push_back({ 4 * i + i % 3, static_cast<int>(i % 2), static_cast<std::uint32_t>(i % 200) });
        return photons;
    }

    // Every reader family, given a file of several blocks, stops at the first
    // block boundary after a cancel, shows nothing and leaves no counts.
    TEST(ReaderCancel, EachFamilyStopsAtTheNextBlockAndKeepsNoStream)
    {
        TempDir dir;
        const std::vector<TestPhoton> photons = manyPhotons(1'500'000);

        std::vector<std::uint8_t> dat;
        appendCorrelatorHeader(dat, 40);
        for (std::size_t i = 0; i < 3'000'000; ++i)
            appendCorrelatorEntry(dat, 1 + i % 7);
        writeBytes(dir / "run.dat", dat);

        PhotonStream counted;
        std::vector<std::uint16_t> bins(1'000'000);
        for (std::size_t i = 0; i < bins.size(); ++i)
            bins[i] = static_cast<std::uint16_t>(i % 300); // word packing, 2 MB
        counted.counts = PageArray<std::uint16_t>::allocate(bins.size());
        std::copy(bins.begin(), bins.end(), counted.counts.data());
        counted.length = static_cast<std::uint32_t>(bins.size());
        counted.binWidth = 1.0;
        ASSERT_EQ(writePhotonCountData(counted, (dir / "run.phc").string()), 0);

        writeBytes(dir / "run.ptu",
            ptuFile(0x01010304, 12.5e-9, 1e-12, encodeRecords(TestLayout::hydraT3v2, photons)));
        writeBytes(dir / "run.spc", spcFile(125, 4, encodeRecords(TestLayout::spc130, photons)));
        writePhotonHdf5(dir / "run.h5", manyPhotons(600'000), 1e-9, 0.0);

        using Reader = std::function<int(Platform&, const std::string&, PhotonStream&, Progress&)>;
        const Reader correlator = [](Platform& p, const std::string& path, PhotonStream& s, Progress& progress) {
            return readCorrelatorStream(p, path, s, 1.0, progress);
        };
        const Reader photonCount = [](Platform& p, const std::string& path, PhotonStream& s, Progress& progress) {
            return readPhotonCountFile(p, Owner::none, path, s, progress);
        };
        const Reader timeTag = [](Platform& p, const std::string& path, PhotonStream& s, Progress& progress) {
            return readTimeTagStream(p, Owner::none, path, s, 1.0, progress);
        };
        const std::vector<std::pair<std::string, Reader>> cases { { "run.dat", correlator },
            { "run.phc", photonCount }, { "run.ptu", timeTag }, { "run.spc", timeTag }, { "run.h5", timeTag } };
        for (const auto& [name, read] : cases) {
            SCOPED_TRACE(name);
            const std::string path = (dir / name).string();
            FakePlatform platform;
            PhotonStream whole;
            ASSERT_EQ(read(platform, path, whole, noProgress()), readOk);
            EXPECT_TRUE(whole.counts);

            CancelAfterFirstBlock progress;
            PhotonStream stream;
            EXPECT_EQ(read(platform, path, stream, progress), readCancelled);
            EXPECT_EQ(progress.stepsAfterCancel(), 0);
            EXPECT_FALSE(stream.counts);
            EXPECT_TRUE(platform.dialogs().empty());

            // The photon arrival times the correlation in photon mode reads.
            if (name != "run.phc") {
                CancelAfterFirstBlock timesProgress;
                const formats::TimeTagLoad times = formats::readTimeTags(path, {}, timesProgress);
                EXPECT_EQ(times.error, "Cancelled.");
                EXPECT_TRUE(times.times.empty());
                EXPECT_EQ(timesProgress.stepsAfterCancel(), 0);
            }
        }
    }

} // namespace
} // namespace plask
