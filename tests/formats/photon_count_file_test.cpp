#include "core/app_state.h"
#include "formats/correlator_file.h"
#include "core/file_names.h"
#include "formats/little_endian.h"
#include "formats/photon_count_file.h"
#include "fake_platform.h"
#include "test_files.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <vector>

namespace plask {
namespace {

    using testing::FakePlatform;
    using testing::PlatformCall;
    using testing::readBytes;
    using testing::TempDir;
    using testing::writeBytes;

    using Bytes = std::vector<std::uint8_t>;
    using Counts = std::vector<std::uint16_t>;

    PhotonStream streamWith(const Counts& counts, double binWidth = 1.0)
    {
        PhotonStream stream;
        stream.counts = PageArray<std::uint16_t>::allocate(counts.size());
        std::copy(counts.begin(), counts.end(), stream.counts.data());
        stream.length = static_cast<std::uint32_t>(counts.size());
        stream.binWidth = binWidth;
        stream.maxCount = countRange(counts).max;
        return stream;
    }

    Bytes pack(const Counts& counts, PhcPacking packing)
    {
        Bytes out(2 * counts.size());
        out.resize(packCounts(counts, packing, out));
        return out;
    }

    Counts binsOf(const PhotonStream& stream) { return { stream.bins().begin(), stream.bins().end() }; }

    TEST(PhcPacking, KnownBytes)
    {
        EXPECT_EQ(pack(Counts(20, 3), phcPackNibble), (Bytes { 0x03, 0x43 }));
        EXPECT_EQ(pack(Counts { 1, 2, 1, 2 }, phcPackNibble), (Bytes { 0x11, 0x12, 0x11, 0x12 }));
        // Run length above the count: 5 bits of count under 3 bits of run,
        // 6 bits of count under 2 bits of run; the cap is stored as 0.
        EXPECT_EQ(pack(Counts(9, 20), phcPackFiveBits), (Bytes { 0x14, 0x34 }));
        EXPECT_EQ(pack(Counts(5, 40), phcPackSixBits), (Bytes { 0x28, 0x68 }));
        EXPECT_EQ(pack(Counts { 0x1234, 7 }, phcPackWords), (Bytes { 0x34, 0x12, 7, 0 }));
    }

    TEST(PhcPacking, TypeFollowsTheLargestCount)
    {
        EXPECT_EQ(packingFor(0), phcPackNibble);
        EXPECT_EQ(packingFor(15), phcPackNibble);
        EXPECT_EQ(packingFor(16), phcPackFiveBits);
        EXPECT_EQ(packingFor(31), phcPackFiveBits);
        EXPECT_EQ(packingFor(32), phcPackSixBits);
        EXPECT_EQ(packingFor(63), phcPackSixBits);
        EXPECT_EQ(packingFor(64), phcPackWords);
        EXPECT_EQ(packingFor(65535), phcPackWords);
    }

    TEST(PhcPacking, UnpackingRefusesBytesThatDoNotFitTheBinCount)
    {
        Counts bins(20);
        EXPECT_TRUE(unpackCounts(Bytes { 0x03, 0x43 }, phcPackNibble, bins));
        EXPECT_EQ(bins, Counts(20, 3));
        Counts fewer(19);
        EXPECT_FALSE(unpackCounts(Bytes { 0x03, 0x43 }, phcPackNibble, fewer)); // a run passes the last bin
        Counts more(21);
        EXPECT_FALSE(unpackCounts(Bytes { 0x03, 0x43 }, phcPackNibble, more)); // the bytes end early
        Counts one(1);
        EXPECT_FALSE(unpackCounts(Bytes { 0x13, 0x13 }, phcPackNibble, one)); // bytes left over
        EXPECT_FALSE(unpackCounts(Bytes { 1, 0, 2 }, phcPackWords, one));
        EXPECT_FALSE(unpackCounts(Bytes { 0x11 }, 9, one));
    }

    TEST(FileNames, ExtensionsAndFolders)
    {
        EXPECT_EQ(stripExtension("run7.dat"), "run7");
        EXPECT_EQ(stripExtension("run7"), "run7");
        EXPECT_EQ(stripExtension("a.b.dat"), "a.b");
        EXPECT_EQ(stripExtension("/data/v1.2/run7"), "/data/v1.2/run7");
        EXPECT_EQ(fileNameOf("/data/v1.2/run7.dat"), "run7.dat");
        EXPECT_EQ(fileNameOf("run7.dat"), "run7.dat");
        const std::string longName(300, 'x');
        EXPECT_EQ(fileNameOf("/data/" + longName + ".dat"), longName + ".dat");
    }

    TEST(PhcFile, HeaderFieldsAtTheirOffsets)
    {
        TempDir dir;
        PhotonStream stream = streamWith(Counts(20, 3), 2.5);
        stream.phcHeaderByte3 = 0x5A;
        ASSERT_EQ(writePhotonCountData(stream, (dir / "h.phc").string()), 0);
        const Bytes file = readBytes(dir / "h.phc");
        ASSERT_EQ(file.size(), phcHeaderSize + 2);
        Bytes expected(phcHeaderSize, 0);
        std::memcpy(expected.data(), "PHC", 3);
        expected[3] = 0x5A;
        expected[4] = 3;
        expected[8] = 2; // packed bytes
        expected[12] = 20; // bins
        expected[16] = 3; // largest count
        expected[18] = 2; // whole microseconds
        expected[20] = 1;
        storeLittleEndian(expected.data() + 24, 1.0F);
        storeLittleEndian(expected.data() + 32, 2.5);
        expected.push_back(0x03);
        expected.push_back(0x43);
        EXPECT_EQ(file, expected);
    }

    TEST(PhcFile, RoundTripsAtEveryPacking)
    {
        std::mt19937 random(3);
        TempDir dir;
        const std::vector<std::pair<std::uint16_t, std::uint8_t>> kinds { { 15, 3 }, { 31, 4 }, { 63, 5 }, { 64, 8 },
            { 65535, 8 } };
        for (const auto& [largest, packing] : kinds) {
            for (const double width : { 0.1, 0.5, 1.0, 250.0 }) {
                // Runs of all lengths, so every cap is crossed.
                Counts counts;
                while (counts.size() < 3000) {
                    const auto value = static_cast<std::uint16_t>(random() % (largest + 1u));
                    counts.insert(counts.end(), random() % 40 + 1, value);
                }
                counts.resize(3000);
                counts[17] = largest;
                PhotonStream original = streamWith(counts, width);
                original.phcHeaderByte3 = 9;
                const std::string path = (dir / "r.phc").string();
                ASSERT_EQ(writePhotonCountData(original, path), 0);

                FakePlatform platform;
                PhotonStream loaded;
                ASSERT_EQ(readPhotonCountFile(platform, Owner::mainWindow, path, loaded), readOk);
                EXPECT_EQ(binsOf(loaded), counts);
                EXPECT_EQ(loaded.phcEncoding, packing);
                EXPECT_EQ(loaded.phcHeaderByte3, 9u);
                EXPECT_EQ(loaded.fileType, fileTypePhotonCount);
                EXPECT_EQ(loaded.binWidth, width);
                EXPECT_EQ(loaded.sourceResolution, width);
                EXPECT_EQ(loaded.maxCount, largest);
                double photons = 0;
                for (const std::uint16_t c : counts)
                    photons += c;
                EXPECT_EQ(loaded.photons, photons);
                EXPECT_DOUBLE_EQ(loaded.duration, 3000 * width * 1e-6);
                EXPECT_DOUBLE_EQ(loaded.rateKHz, photons / loaded.duration / 1000);
                EXPECT_TRUE(platform.calls.empty());
            }
        }
    }

    TEST(PhcFile, PackingFollowsTheCountsAsTheyAreNow)
    {
        PhotonStream stream = streamWith(Counts(1000, 2));
        stream.counts[10] = 20; // changed after the load; maxCount still says 2
        TempDir dir;
        ASSERT_EQ(writePhotonCountData(stream, (dir / "c.phc").string()), 0);
        FakePlatform platform;
        PhotonStream loaded;
        ASSERT_EQ(readPhotonCountFile(platform, Owner::none, (dir / "c.phc").string(), loaded), readOk);
        EXPECT_EQ(loaded.phcEncoding, 4u);
        EXPECT_EQ(binsOf(loaded), binsOf(stream));
    }

    // A well-formed file of 20 bins of 3 whose header a test then spoils.
    Bytes goodFile()
    {
        Bytes file(phcHeaderSize, 0);
        std::memcpy(file.data(), "PHC", 3);
        file[4] = 3;
        storeLittleEndian<std::uint32_t>(file.data() + 8, 2);
        storeLittleEndian<std::uint32_t>(file.data() + 12, 20);
        storeLittleEndian<std::uint16_t>(file.data() + 18, 1);
        file.push_back(0x03);
        file.push_back(0x43);
        return file;
    }

    struct Decoded {
        int result;
        std::vector<PlatformCall> dialogs;
        PhotonStream stream;
    };

    Decoded decode(const Bytes& file)
    {
        FakePlatform platform;
        Decoded out;
        out.result = decodePhotonCountFile(platform, Owner::mainWindow, file, out.stream);
        out.dialogs = platform.dialogs();
        return out;
    }

    TEST(PhcFile, OlderFilesGiveWholeMicroseconds)
    {
        Decoded plain = decode(goodFile());
        ASSERT_EQ(plain.result, readOk);
        EXPECT_EQ(plain.stream.binWidth, 1.0);
        EXPECT_EQ(binsOf(plain.stream), Counts(20, 3));

        Bytes nan = goodFile();
        storeLittleEndian(nan.data() + 32, std::numeric_limits<double>::quiet_NaN());
        EXPECT_EQ(decode(nan).stream.binWidth, 1.0);
    }

    TEST(PhcFile, HostileHeadersAreRefusedCleanly)
    {
        const PlatformCall damaged { "showMessage",
            "This PHC file is damaged: its packed data do not match its header.", "PHC file error" };
        const PlatformCall unsupported { "showMessage", "This type of PHC file is not yet supported.",
            "PHC file error" };
        const auto spoiled = [](auto change) {
            Bytes file = goodFile();
            change(file);
            return file;
        };
        const auto put32 = [](std::size_t offset, std::uint32_t value) {
            return [offset, value](Bytes& f) { storeLittleEndian(f.data() + offset, value); };
        };
        struct Case {
            const char* what;
            Bytes file;
            PlatformCall message;
        };
        const std::vector<Case> cases {
            { "packed size past the end", spoiled(put32(8, 3)), damaged },
            { "huge packed size", spoiled(put32(8, 0xFFFFFFFF)), damaged },
            { "more bins than the bytes hold", spoiled(put32(12, 33)), damaged },
            { "huge bin count", spoiled(put32(12, 0xFFFFFFFF)), damaged },
            { "data end early", spoiled(put32(12, 21)), damaged },
            { "run past the last bin", spoiled(put32(12, 19)), damaged },
            { "bytes left over", spoiled(put32(12, 16)), damaged },
            { "no packed bytes for bins", spoiled([](Bytes& f) { storeLittleEndian<std::uint32_t>(f.data() + 8, 0); }),
                damaged },
            { "type 6", spoiled([](Bytes& f) { f[4] = 6; }), unsupported },
            { "type 7", spoiled([](Bytes& f) { f[4] = 7; }), unsupported },
            { "unknown type", spoiled([](Bytes& f) { f[4] = 0; }), unsupported },
            { "odd word data", spoiled([](Bytes& f) { f[4] = 8; }), damaged },
            { "no bin width", spoiled([](Bytes& f) { f[18] = 0; }),
                { "showMessage", "This PHC file gives no usable bin width.", "PHC file error" } },
            { "negative exact bin width", spoiled([](Bytes& f) {
                 f[18] = 0;
                 storeLittleEndian(f.data() + 32, -1.0);
             }),
                { "showMessage", "This PHC file gives no usable bin width.", "PHC file error" } },
            { "header cut short", spoiled([](Bytes& f) { f.resize(500); }), damaged },
        };
        for (const Case& c : cases) {
            const Decoded d = decode(c.file);
            EXPECT_EQ(d.result, readRefused) << c.what;
            EXPECT_EQ(d.dialogs, std::vector<PlatformCall> { c.message }) << c.what;
            EXPECT_FALSE(d.stream.counts) << c.what;
            EXPECT_EQ(d.stream.length, 0u) << c.what;
        }
        EXPECT_EQ(decode(Bytes { 'P', 'H', 'X', 0 }).result, readRefused);
        EXPECT_TRUE(decode(Bytes { 'P', 'H', 'X', 0 }).dialogs.empty());
        EXPECT_EQ(decode(Bytes {}).result, readNothing);
        const Decoded empty = decode(spoiled([](Bytes& f) {
            storeLittleEndian<std::uint32_t>(f.data() + 8, 0);
            storeLittleEndian<std::uint32_t>(f.data() + 12, 0);
        }));
        EXPECT_EQ(empty.result, readNothing);
    }

    TEST(PhcFile, SaveDialogProposesTheTitleWithPhc)
    {
        for (const auto& [title, proposed] : std::vector<std::pair<std::string, std::string>> {
                 { "run7.dat", "run7.phc" }, { "run7", "run7.phc" }, { "a.b.dat", "a.b.phc" } }) {
            FakePlatform platform;
            PhotonStream stream = streamWith(Counts(1000, 1));
            stream.fileTitle = title;
            EXPECT_EQ(writePhotonCountFile(platform, stream, true), 4); // cancelled
            ASSERT_EQ(platform.fileRequests.size(), 1u);
            EXPECT_EQ(platform.fileRequests[0].defaultName, proposed);
            EXPECT_EQ(platform.fileRequests[0].defaultExtension, ".phc");
            EXPECT_EQ(platform.fileRequests[0].filters[0].description, "Photon Count File (*.phc)");
            EXPECT_EQ(platform.fileRequests[0].filters[0].pattern, "*.phc");
        }
        TempDir dir;
        FakePlatform platform;
        platform.saveFileAnswers.push_back((dir / "x.phc").string());
        EXPECT_EQ(writePhotonCountFile(platform, streamWith(Counts(1000, 1)), false), 0);
        EXPECT_FALSE(std::filesystem::exists(dir / "x.phc"));
    }

    // A channel loaded from a 40 MHz correlator file at 2 µs.
    AppState stateWithCorrelatorStream(const Counts& counts)
    {
        AppState state;
        state.streams[1] = streamWith(counts, 2.0);
        state.streams[1].sourceResolution = 0.025;
        state.streams[1].fileTitle = "run7.dat";
        state.loadedFlags[1] = 1;
        state.activeChannel = 1;
        return state;
    }

    TEST(SaveData, AsksBeforeSavingARebinnedStream)
    {
        AppState state = stateWithCorrelatorStream(Counts(1000, 1));
        FakePlatform platform;
        saveDataCommand(state, platform); // No
        EXPECT_EQ(platform.calls,
            (std::vector<PlatformCall> {
                { "askYesNo", "Original binwidth = 0.03 µs, new binwidth = 2.0 µs - continue?", "Binwidth change" } }));

        TempDir dir;
        FakePlatform yes;
        yes.yesNoAnswers = { true };
        yes.saveFileAnswers.push_back((dir / "run7.phc").string());
        saveDataCommand(state, yes);
        EXPECT_EQ(yes.dialogs().size(), 1u);
        EXPECT_EQ(readBytes(dir / "run7.phc").size(), phcHeaderSize + 63); // 1000 bins of 1 in runs of 16
    }

    TEST(SaveData, WritesLargeCountsAsWordsAndReportsFailures)
    {
        Counts counts(1000, 1);
        counts[3] = 500;
        AppState state = stateWithCorrelatorStream(counts);
        state.streams[1].sourceResolution = 2.0; // a stream from a photon count file: no question
        TempDir dir;
        FakePlatform platform;
        platform.saveFileAnswers.push_back((dir / "big.phc").string());
        saveDataCommand(state, platform);
        EXPECT_TRUE(platform.dialogs().empty());
        PhotonStream loaded;
        ASSERT_EQ(readPhotonCountFile(platform, Owner::mainWindow, (dir / "big.phc").string(), loaded), readOk);
        EXPECT_EQ(loaded.phcEncoding, 8u);
        EXPECT_EQ(binsOf(loaded), counts);

        FakePlatform failing;
        failing.saveFileAnswers.push_back((dir / "no-such-folder" / "x.phc").string());
        saveDataCommand(state, failing);
        EXPECT_EQ(failing.dialogs(),
            (std::vector<PlatformCall> {
                { "showMessage", "Could not write the photon count file.", "File I/O Error" } }));

        AppState empty;
        FakePlatform nothing;
        saveDataCommand(empty, nothing);
        EXPECT_TRUE(nothing.calls.empty());
    }

    TEST(SaveData, ReplacingAFileLeavesNoTemporaryBehind)
    {
        TempDir dir;
        const std::string path = (dir / "keep.phc").string();
        writeBytes(path, Bytes(10, 0xAA));
        ASSERT_EQ(writePhotonCountData(streamWith(Counts(1000, 2)), path), 0);
        EXPECT_EQ(readBytes(path).size(), phcHeaderSize + 63);
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);

        // Save Data cancelled while packing or while writing: the file it
        // would replace stays as it was and no temporary is left.
        AppState state = stateWithCorrelatorStream(Counts(3'000'000, 2));
        state.streams[1].sourceResolution = 2.0;
        for (const int steps : { 0, 1 }) {
            FakePlatform cancelling;
            cancelling.cancelJobAfterSteps = steps;
            cancelling.saveFileAnswers.push_back(path);
            saveDataCommand(state, cancelling);
            EXPECT_TRUE(cancelling.dialogs().empty());
            EXPECT_EQ(readBytes(path).size(), phcHeaderSize + 63) << steps;
            EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
        }
    }

} // namespace
} // namespace plask
