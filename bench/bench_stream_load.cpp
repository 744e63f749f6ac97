// Decoding and binning correlator stream files of 10^8 bins at 1 µs (40 MHz):
// sparse (0.1 photon per bin) and dense (1 photon per bin), the program's
// one-pass reader against the straightforward two passes (an arrival-time
// array of 4 bytes per file byte, then binning by division). Also what
// transparent huge pages save on a fresh 200 MB zero-filled block.

#include "formats/correlator_file.h"
#include "core/page_block.h"
#include "core/silent_platform.h"
#include "core/whole_file.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include <sys/mman.h>
#include <sys/resource.h>
#include <unistd.h>

namespace {

constexpr std::uint64_t benchBins = 100'000'000;
constexpr unsigned clockMHz = 40;
constexpr std::uint64_t ticksPerMicrosecond = 40;

struct StreamFile {
    std::string path;
    std::uint64_t photons = 0;
};

std::filesystem::path benchFolder;
StreamFile sparseFile;
StreamFile denseFile;

// Poisson photons at `perBin` photons per 1 µs bin over 10^8 bins, written
// through a small buffer.
StreamFile writeStreamFile(const std::string& name, double perBin)
{
    StreamFile file { (benchFolder / name).string(), 0 };
    std::ofstream out(file.path, std::ios::binary);
    std::mt19937_64 random(42);
    std::exponential_distribution<double> interval(perBin / ticksPerMicrosecond);
    std::vector<std::uint8_t> buffer;
    plask::appendCorrelatorHeader(buffer, clockMHz);
    const std::uint64_t end = benchBins * ticksPerMicrosecond;
    std::uint64_t time = 0;
    for (;;) {
        const auto ticks = static_cast<std::uint64_t>(interval(random));
        if (time + ticks >= end)
            break;
        time += ticks;
        ++file.photons;
        plask::appendCorrelatorEntry(buffer, ticks);
        if (buffer.size() > (1u << 20)) {
            out.write(reinterpret_cast<const char*>(buffer.data()), static_cast<std::streamsize>(buffer.size()));
            buffer.clear();
        }
    }
    out.write(reinterpret_cast<const char*>(buffer.data()), static_cast<std::streamsize>(buffer.size()));
    return file;
}

// Peak resident memory since the last reset, in MiB (Linux: VmHWM, reset
// through clear_refs), and over the whole process (getrusage).
void resetPeakMemory() { std::ofstream("/proc/self/clear_refs") << "5"; }

double peakMemoryMiB()
{
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("VmHWM:", 0) == 0)
            return std::stod(line.substr(6)) / 1024.0;
    return 0.0;
}

double processPeakMiB()
{
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

// Wall-clock time of the timed part of each iteration, summed.
class Stopwatch {
public:
    void start() { begin_ = std::chrono::steady_clock::now(); }
    void stop() { total_ += std::chrono::steady_clock::now() - begin_; }
    [[nodiscard]] double seconds() const { return std::chrono::duration<double>(total_).count(); }

private:
    std::chrono::steady_clock::time_point begin_;
    std::chrono::steady_clock::duration total_ {};
};

void reportPhotons(benchmark::State& state, std::uint64_t photons, const Stopwatch& watch)
{
    const double n = static_cast<double>(photons) * static_cast<double>(state.iterations());
    state.counters["photons/s"] = n / watch.seconds();
    state.counters["ns/photon"] = watch.seconds() * 1e9 / n;
    state.counters["peakMiB"] = peakMemoryMiB();
    state.counters["processPeakMiB"] = processPeakMiB();
}

void oneTimeSetUp(const StreamFile& file, benchmark::State& state)
{
    if (file.path.empty())
        state.SkipWithError("no stream file");
    resetPeakMemory();
}

void loadStream(benchmark::State& state, const StreamFile* file)
{
    oneTimeSetUp(*file, state);
    plask::SilentPlatform platform;
    Stopwatch watch;
    for (auto _ : state) {
        watch.start();
        plask::PhotonStream stream;
        const int result = plask::readCorrelatorStream(platform, file->path, stream, 1.0);
        benchmark::DoNotOptimize(stream.counts.data());
        watch.stop();
        if (result != plask::readOk || stream.photons != static_cast<double>(file->photons))
            state.SkipWithError("wrong stream");
    }
    reportPhotons(state, file->photons, watch);
}

// The two passes as first written: every arrival time into a flat array
// sized by the file, then one division per photon.
void twoPassBaseline(benchmark::State& state, const StreamFile* file)
{
    oneTimeSetUp(*file, state);
    Stopwatch watch;
    for (auto _ : state) {
        watch.start();
        const plask::WholeFile whole = plask::readWholeFile(file->path);
        const std::span<const std::uint8_t> data = whole.bytes().subspan(2);
        plask::PageArray<std::uint32_t> arrivals = plask::PageArray<std::uint32_t>::allocate(data.size());
        std::uint64_t sum = 0;
        std::size_t photons = 0;
        for (const std::uint8_t byte : data) {
            sum += byte;
            if (byte != 0xFF)
                arrivals[photons++] = static_cast<std::uint32_t>(sum);
        }
        const std::uint32_t ticks = 40;
        const std::size_t length = sum / ticks + 1;
        plask::PageArray<std::uint16_t> counts = plask::PageArray<std::uint16_t>::allocate(length);
        for (std::size_t i = 0; i < photons; ++i)
            ++counts[arrivals[i] / ticks];
        const plask::CountRange range = plask::countRange(counts.first(length));
        benchmark::DoNotOptimize(range);
        watch.stop();
        if (photons != file->photons)
            state.SkipWithError("wrong stream");
    }
    reportPhotons(state, file->photons, watch);
}

// A fresh 200 MB block, first touch of every page: with transparent huge
// pages (as allocatePages asks for) and with 4 KiB pages only.
void zeroFilledBlock(benchmark::State& state, bool hugePages)
{
    constexpr std::size_t bytes = std::size_t { 200 } << 20;
    for (auto _ : state) {
        void* block = nullptr;
        if (hugePages) {
            block = plask::allocatePages(bytes);
        } else {
            block = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
            if (block == MAP_FAILED)
                block = nullptr;
#ifdef MADV_NOHUGEPAGE
            else
                madvise(block, bytes, MADV_NOHUGEPAGE);
#endif
        }
        if (block == nullptr) {
            state.SkipWithError("no memory");
            break;
        }
        auto* page = static_cast<volatile std::uint8_t*>(block);
        for (std::size_t offset = 0; offset < bytes; offset += 4096)
            page[offset] = 1;
        if (hugePages)
            plask::freePages(block, bytes);
        else
            munmap(block, bytes);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes));
}

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    benchFolder = std::filesystem::temp_directory_path() / ("plask-bench-" + std::to_string(getpid()));
    std::filesystem::create_directories(benchFolder);
    std::fprintf(stderr, "Writing the stream files into %s ...\n", benchFolder.c_str());
    sparseFile = writeStreamFile("sparse.dat", 0.1);
    denseFile = writeStreamFile("dense.dat", 1.0);

    // The one-pass reader runs first, so the process peak it reports is its own.
    const auto configure
        = [](benchmark::internal::Benchmark* b) { b->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0); };
    configure(benchmark::RegisterBenchmark("LoadStream/sparse", loadStream, &sparseFile));
    configure(benchmark::RegisterBenchmark("LoadStream/dense", loadStream, &denseFile));
    configure(benchmark::RegisterBenchmark("TwoPassBaseline/sparse", twoPassBaseline, &sparseFile));
    configure(benchmark::RegisterBenchmark("TwoPassBaseline/dense", twoPassBaseline, &denseFile));
    configure(benchmark::RegisterBenchmark("ZeroFilledBlock200MB/hugePages", zeroFilledBlock, true));
    configure(benchmark::RegisterBenchmark("ZeroFilledBlock200MB/smallPages", zeroFilledBlock, false));
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();

    std::error_code ignored;
    std::filesystem::remove_all(benchFolder, ignored);
    return 0;
}
