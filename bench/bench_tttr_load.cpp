// Decoding and binning time-tag files: the one-pass reader (memory-mapped
// file, photons binned as they are decoded) against a plain two-pass version
// (every record decoded into an array, then binned), for a PTU HydraHarp v2
// T3 file with two channels, an SPC-130 file and a Photon-HDF5 file,
// generated once into a cache folder (PLASK_BENCH_DIR, else /dev/shm or the
// temporary folder) and reused by later runs. PLASK_BENCH_RECORDS sets the
// record count of those cases (default 250 million: a 1 GB PTU file);
// BM_PtuT3_1GB always reads the 1 GB, 250-million-record PTU file, with the
// AVX-512 lanes where the processor has them and (RecordByRecord) without.

#include "formats/mapped_file.h"
#include "formats/t3_lanes.h"
#include "formats/tttr_file.h"
#include "test_files.h"
#include "tttr_writer.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>

namespace {

using namespace plask;
using namespace plask::formats;

std::uint64_t recordCount()
{
    const char* text = std::getenv("PLASK_BENCH_RECORDS");
    return text != nullptr ? std::strtoull(text, nullptr, 10) : 250'000'000;
}

constexpr std::uint64_t oneGigabyteRecords = 250'000'000;

// Generated files are kept between runs: making the 1 GB file takes longer
// than reading it many times.
std::filesystem::path folder()
{
    namespace fs = std::filesystem;
    const char* chosen = std::getenv("PLASK_BENCH_DIR");
    fs::path dir = chosen != nullptr ? fs::path(chosen)
        : fs::is_directory("/dev/shm")  ? fs::path("/dev/shm") / "plask-bench"
                                         : fs::temp_directory_path() / "plask-bench";
    fs::create_directories(dir);
    return dir;
}

// `path`, made by `make` into a scratch name first unless it is already
// there, so that an interrupted run leaves no half-written file to reuse.
template <typename Make>
std::string cached(const std::string& name, Make&& make)
{
    const std::filesystem::path path = folder() / name;
    if (!std::filesystem::exists(path)) {
        const std::filesystem::path scratch = folder() / (name + ".partial");
        make(scratch.string());
        std::filesystem::rename(scratch, path);
    }
    return path.string();
}

// Photons on channels 0 and 1 at about 20 MHz sync with 12.5 ns syncs, plus
// the overflow records the gaps need, written in blocks.
void makeFile(testing::TestLayout layout, const std::string& path, std::uint64_t n)
{
    std::mt19937_64 rng(1);
    std::uniform_int_distribution<std::uint64_t> gap(0, 60);
    std::vector<testing::TestPhoton> block;
    std::vector<std::uint8_t> head;
    if (layout == testing::TestLayout::hydraT3v2)
        head = testing::ptuFile(0x01010304, 12.5e-9, 1e-12, {}, 0);
    else
        head = testing::spcFile(125, 4, {});
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(head.data()), static_cast<std::streamsize>(head.size()));
    // Each block's records count their overflows from the block's base, which
    // is where the decoder stands after the block before.
    const std::uint64_t period = layout == testing::TestLayout::hydraT3v2 ? 1024 : 4096;
    std::uint64_t t = 0;
    std::uint64_t base = 0;
    std::uint64_t written = 0;
    while (written < n) {
        block.clear();
        for (int i = 0; i < 1 << 20; ++i) {
            t += gap(rng);
            block.push_back({ t - base, static_cast<int>(rng() & 1), static_cast<std::uint32_t>(rng() & 0xFFF) });
        }
        base += block.back().time / period * period;
        std::vector<std::uint8_t> records = testing::encodeRecords(layout, block);
        const std::uint64_t room = (n - written) * 4;
        if (records.size() > room)
            records.resize(static_cast<std::size_t>(room));
        out.write(reinterpret_cast<const char*>(records.data()), static_cast<std::streamsize>(records.size()));
        written += records.size() / 4;
    }
}

std::string ptuPath(std::uint64_t n)
{
    return cached("bench-" + std::to_string(n) + ".ptu",
        [&](const std::string& path) { makeFile(testing::TestLayout::hydraT3v2, path, n); });
}

std::string spcPath()
{
    const std::uint64_t n = recordCount();
    return cached("bench-" + std::to_string(n) + ".spc",
        [&](const std::string& path) { makeFile(testing::TestLayout::spc130, path, n); });
}

std::string hdf5Path()
{
    const std::uint64_t n = recordCount() / 10;
    return cached("bench-" + std::to_string(n) + ".h5", [&](const std::string& path) {
        std::vector<testing::TestPhoton> photons;
        std::mt19937_64 rng(2);
        std::uint64_t t = 0;
        for (std::uint64_t i = 0; i < n; ++i) {
            t += rng() % 60;
            photons.push_back({ t, static_cast<int>(rng() & 1), 0 });
        }
        testing::writePhotonHdf5(path, photons, 12.5e-9, 0.0);
    });
}

PhotonSelection channelZero()
{
    PhotonSelection selection;
    selection.channels = { 0 };
    return selection;
}

// A field of /proc/self/status in kB ("VmRSS", "VmHWM"), 0 when unreadable.
double statusKilobytes(const std::string& field)
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.starts_with(field + ":"))
            return std::strtod(line.c_str() + field.size() + 1, nullptr);
    return 0.0;
}

// Sets the process's resident high-water mark back to what is resident now.
void resetPeakResident() { std::ofstream("/proc/self/clear_refs") << "5"; }

void onePass(benchmark::State& state, const std::string& path)
{
    std::uint64_t records = 0;
    double peakGrowthKb = 0.0;
    double streamBytes = 0.0;
    for (auto _ : state) {
        state.PauseTiming();
        resetPeakResident();
        const double before = statusKilobytes("VmRSS");
        state.ResumeTiming();
        {
            const TttrStream stream = loadTttrStream(path, channelZero(), 1.0);
            if (!stream.scan.ok())
                state.SkipWithError(stream.scan.error.c_str());
            records = stream.scan.recordsInFile;
            streamBytes = static_cast<double>(stream.bins) * sizeof(std::uint16_t);
            benchmark::DoNotOptimize(stream.counts.data());
        }
        state.PauseTiming();
        peakGrowthKb = std::max(peakGrowthKb, statusKilobytes("VmHWM") - before);
        state.ResumeTiming();
    }
    state.counters["records/s"] = benchmark::Counter(
        static_cast<double>(records) * static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
    // The load's peak resident memory above what was resident before it,
    // next to the size of the stream's counts array it returns.
    state.counters["peakMB"] = peakGrowthKb / 1024.0;
    state.counters["streamMB"] = streamBytes / (1024.0 * 1024.0);
}

// The plain way: decode every record of the HydraHarp T3 layout into an array, then bin.
struct Photon {
    std::uint64_t time;
    int channel;
    std::uint32_t microtime;
};

void twoPass(benchmark::State& state, const std::string& path, bool spc)
{
    std::uint64_t records = 0;
    for (auto _ : state) {
        const MappedFile file(path);
        const auto bytes = file.bytes();
        const TttrHeader header = spc ? parseSpcHeader(bytes, SpcType::spc130) : parsePtuHeader(bytes);
        const std::size_t n = (bytes.size() - header.dataOffset) / 4;
        std::vector<Photon> photons;
        std::uint64_t base = 0;
        for (std::size_t i = 0; i < n; ++i) {
            std::uint32_t r = 0;
            std::memcpy(&r, bytes.data() + header.dataOffset + 4 * i, 4);
            if (spc) {
                if ((r >> 30) == 3) {
                    base += 4096ull * (r & 0x0FFFFFFF);
                    continue;
                }
                photons.push_back({ base + (r & 0xFFF), static_cast<int>((r >> 12) & 0xF), (r >> 16) & 0xFFF });
            } else {
                if ((r >> 31) != 0) {
                    if (((r >> 25) & 0x3F) == 0x3F)
                        base += 1024ull * ((r & 0x3FF) == 0 ? 1 : (r & 0x3FF));
                    continue;
                }
                photons.push_back({ base + (r & 0x3FF), static_cast<int>((r >> 25) & 0x3F), (r >> 10) & 0x7FFF });
            }
        }
        const double unit = header.unit.seconds();
        const std::uint64_t bins = static_cast<std::uint64_t>(static_cast<double>(photons.back().time) * unit * 1e6) + 1;
        std::vector<std::uint16_t> counts(bins);
        for (const Photon& p : photons)
            if (p.channel == 0) {
                std::uint16_t& c = counts[static_cast<std::size_t>(static_cast<double>(p.time) * unit * 1e6)];
                c = static_cast<std::uint16_t>(c + (c != 0xFFFF ? 1 : 0));
            }
        records = n;
        benchmark::DoNotOptimize(counts.data());
    }
    state.counters["records/s"] = benchmark::Counter(
        static_cast<double>(records) * static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

// The floor: map the file and only sum its records, no decoding.
void sumOnly(benchmark::State& state, const std::string& path)
{
    std::uint64_t records = 0;
    for (auto _ : state) {
        MappedFile file(path);
        const auto bytes = file.bytes();
        const TttrHeader header = parsePtuHeader(bytes);
        const std::size_t n = (bytes.size() - header.dataOffset) / 4;
        std::uint32_t sum = 0;
        // Through the mapping a block at a time, as the decoder walks it.
        constexpr std::size_t block = std::size_t { 1 } << 20;
        for (std::size_t start = 0; start < n; start += block) {
            const std::size_t end = std::min(n, start + block);
            file.readingAt(header.dataOffset + 4 * start, 4 * (end - start));
            for (std::size_t i = start; i < end; ++i) {
                std::uint32_t r = 0;
                std::memcpy(&r, bytes.data() + header.dataOffset + 4 * i, 4);
                sum += r;
            }
        }
        records = n;
        benchmark::DoNotOptimize(sum);
    }
    state.counters["records/s"] = benchmark::Counter(
        static_cast<double>(records) * static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

void BM_PtuT3_OnePass(benchmark::State& state) { onePass(state, ptuPath(recordCount())); }
void BM_PtuT3_TwoPass(benchmark::State& state) { twoPass(state, ptuPath(recordCount()), false); }
void BM_PtuT3_SumOnly(benchmark::State& state) { sumOnly(state, ptuPath(recordCount())); }
void BM_PtuT3_1GB(benchmark::State& state) { onePass(state, ptuPath(oneGigabyteRecords)); }
// The same one-pass load without the AVX-512 lanes, as on processors that lack them.
void BM_PtuT3_1GB_RecordByRecord(benchmark::State& state)
{
    allowLaneBinning(false);
    onePass(state, ptuPath(oneGigabyteRecords));
    allowLaneBinning(true);
}
void BM_Spc130_OnePass(benchmark::State& state) { onePass(state, spcPath()); }
void BM_Spc130_TwoPass(benchmark::State& state) { twoPass(state, spcPath(), true); }
void BM_PhotonHdf5_OnePass(benchmark::State& state) { onePass(state, hdf5Path()); }

BENCHMARK(BM_PtuT3_OnePass)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_PtuT3_TwoPass)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_PtuT3_SumOnly)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_Spc130_OnePass)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_Spc130_TwoPass)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_PhotonHdf5_OnePass)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_PtuT3_1GB)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_PtuT3_1GB_RecordByRecord)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace

BENCHMARK_MAIN();
