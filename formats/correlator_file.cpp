#include "formats/correlator_file.h"

#include "core/platform.h"
#include "core/text_format.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace plask {

namespace {
    constexpr std::size_t headerBytes = 2;
    constexpr std::uint8_t runByte = 0xFF; // 255 ticks, no photon yet
    constexpr std::uint8_t byteData = 8;
    constexpr std::uint8_t wordData = 16;
    constexpr std::uint16_t countLimit = 0xFFFF;

    // What one walk over the data bytes learns: every byte adds its value in
    // ticks, every byte but 0xFF ends a photon entry.
    struct DataTotals {
        std::uint64_t ticks = 0;
        std::uint64_t photons = 0;
        std::uint64_t zeroBytes = 0; // photons on the same tick as the one before
    };

    void addTotals(std::span<const std::uint8_t> bytes, DataTotals& totals)
    {
        std::uint64_t runBytes = 0;
        std::size_t i = 0;
#if defined(__SSE2__)
        const __m128i zero = _mm_setzero_si128();
        const __m128i allOnes = _mm_set1_epi8(-1);
        __m128i sums = zero;
        __m128i runCounts = zero;
        __m128i zeroCounts = zero;
        while (bytes.size() - i >= 16) {
            // Per-lane byte counters hold at most 255 before they are folded.
            const std::size_t blocks = std::min<std::size_t>((bytes.size() - i) / 16, 255);
            __m128i runs = zero;
            __m128i zeros = zero;
            for (std::size_t k = 0; k < blocks; ++k, i += 16) {
                const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes.data() + i));
                sums = _mm_add_epi64(sums, _mm_sad_epu8(v, zero));
                runs = _mm_sub_epi8(runs, _mm_cmpeq_epi8(v, allOnes));
                zeros = _mm_sub_epi8(zeros, _mm_cmpeq_epi8(v, zero));
            }
            runCounts = _mm_add_epi64(runCounts, _mm_sad_epu8(runs, zero));
            zeroCounts = _mm_add_epi64(zeroCounts, _mm_sad_epu8(zeros, zero));
        }
        std::array<std::uint64_t, 2> lanes {};
        _mm_storeu_si128(reinterpret_cast<__m128i*>(lanes.data()), sums);
        totals.ticks += lanes[0] + lanes[1];
        _mm_storeu_si128(reinterpret_cast<__m128i*>(lanes.data()), runCounts);
        runBytes += lanes[0] + lanes[1];
        _mm_storeu_si128(reinterpret_cast<__m128i*>(lanes.data()), zeroCounts);
        totals.zeroBytes += lanes[0] + lanes[1];
#endif
        for (; i < bytes.size(); ++i) {
            totals.ticks += bytes[i];
            runBytes += bytes[i] == runByte ? 1 : 0;
            totals.zeroBytes += bytes[i] == 0 ? 1 : 0;
        }
        totals.photons += bytes.size() - runBytes;
    }

#if defined(__SIZEOF_INT128__)
    __extension__ typedef unsigned __int128 Uint128;

    [[nodiscard]] inline std::uint64_t mulHigh(std::uint64_t a, std::uint64_t b)
    {
        return static_cast<std::uint64_t>((static_cast<Uint128>(a) * b) >> 64);
    }

    // t / T as a multiplication: with M = ceil(2^64 / T) and M·T = 2^64 + e,
    // e < T, the high half of t·M is exact while t·e < 2^64.
    constexpr std::uint64_t fastMaxTicks = std::uint64_t { 1 } << 48;
    constexpr std::uint64_t fastMaxTicksPerBin = 0xFFFF;

    // One pass with t / T by multiplication. Sparse streams are full of 0xFF
    // bytes in no predictable order, so every byte adds 0 or 1 to the bin its
    // running time falls in, without a branch. Dense streams have almost none,
    // and there skipping them with a branch that is nearly always taken is
    // faster. Needs bins that cannot pass 65535.
    template <bool branchOnRunBytes>
    void binByReciprocal(
        std::span<const std::uint8_t> data, std::uint64_t ticksPerBinValue, std::uint16_t* counts, std::uint64_t& start)
    {
        const std::uint64_t reciprocal = std::numeric_limits<std::uint64_t>::max() / ticksPerBinValue + 1;
        std::uint64_t time = start;
        for (const std::uint8_t byte : data) {
            time += byte;
            if constexpr (branchOnRunBytes) {
                if (byte != runByte)
                    ++counts[mulHigh(time, reciprocal)];
            } else {
                std::uint16_t& bin = counts[mulHigh(time, reciprocal)];
                bin = static_cast<std::uint16_t>(bin + (byte != runByte ? 1 : 0));
            }
        }
        start = time;
    }
#endif

    void binSaturating(
        std::span<const std::uint8_t> data, std::uint64_t ticksPerBinValue, std::uint16_t* counts, std::uint64_t& start)
    {
        std::uint64_t time = start;
        for (const std::uint8_t byte : data) {
            time += byte;
            if (byte != runByte) {
                std::uint16_t& bin = counts[time / ticksPerBinValue];
                if (bin != countLimit)
                    ++bin;
            }
        }
        start = time;
    }

    // Bins the data a block at a time (the running time carries over), with
    // a progress step after each block; false when it answered a cancel.
    bool binPhotons(std::span<const std::uint8_t> data, const DataTotals& totals, std::uint64_t ticksPerBinValue,
        std::uint16_t* counts, Progress& progress)
    {
        constexpr std::size_t blockBytes = std::size_t { 4 } << 20;
        using Kernel = void (*)(std::span<const std::uint8_t>, std::uint64_t, std::uint16_t*, std::uint64_t&);
        Kernel kernel = binSaturating;
#if defined(__SIZEOF_INT128__)
        // A bin of T ticks holds its first photon, at most T - 1 later ones
        // that moved the time on, and the zero intervals: while that sum stays
        // below 65536 no bin can saturate.
        const bool cannotSaturate = totals.zeroBytes + ticksPerBinValue <= countLimit;
        if (ticksPerBinValue >= 2 && ticksPerBinValue <= fastMaxTicksPerBin && totals.ticks < fastMaxTicks
            && cannotSaturate) {
            const std::uint64_t runBytes = data.size() - totals.photons;
            kernel = runBytes * 64 <= data.size() ? binByReciprocal<true> : binByReciprocal<false>;
        }
#endif
        std::uint64_t time = 0;
        for (std::size_t start = 0; start < data.size(); start += blockBytes) {
            const std::size_t end = std::min(data.size(), start + blockBytes);
            kernel(data.subspan(start, end - start), ticksPerBinValue, counts, time);
            if (!progress.step(static_cast<double>(end) / static_cast<double>(data.size())))
                return false;
        }
        return true;
    }

    std::size_t trailingRunBytes(std::span<const std::uint8_t> data)
    {
        std::size_t n = 0;
        while (n < data.size() && data[data.size() - 1 - n] == runByte)
            ++n;
        return n;
    }

    int decodeWithTotals(Platform& platform, std::span<const std::uint8_t> file, DataTotals totals,
        PhotonStream& stream, double binWidthUs, Progress& progress = noProgress())
    {
        if (file.size() < headerBytes)
            return readNothing;
        const std::uint8_t wordSize = file[0];
        const std::uint8_t clock = file[1];
        stream.sourceResolution = clock != 0 ? 1.0 / clock : 0.0;
        stream.binWidth = binWidthUs;
        if (wordSize != byteData) {
            platform.showMessage("Vireo file was WORD data -- save as BYTE.", "Load Error", Owner::none);
            return readWordData;
        }
        const std::uint64_t ticks = ticksPerBin(clock, binWidthUs);
        if (ticks == 0) {
            platform.showMessage(formatText("A bin width of %g µs is shorter than one clock tick of this file (%g µs) "
                                            "-- choose a larger bin width.",
                                     binWidthUs, stream.sourceResolution),
                "Load Error", Owner::none);
            return readBinBelowTick;
        }
        std::span<const std::uint8_t> data = file.subspan(headerBytes);
        const std::size_t unfinished = trailingRunBytes(data);
        data = data.first(data.size() - unfinished);
        totals.ticks -= std::uint64_t { runByte } * unfinished;
        if (totals.photons == 0)
            return readNothing;

        const std::uint64_t bins = totals.ticks / ticks + 1;
        if (bins > std::numeric_limits<std::uint32_t>::max())
            return readNoMemory;
        PageArray<std::uint16_t> counts = PageArray<std::uint16_t>::allocate(bins);
        if (!counts)
            return readNoMemory;
        if (!binPhotons(data, totals, ticks, counts.data(), progress))
            return readCancelled;

        stream.counts = std::move(counts);
        stream.length = static_cast<std::uint32_t>(bins);
        stream.photons = static_cast<double>(totals.photons);
        stream.duration = static_cast<double>(totals.ticks) * stream.sourceResolution * 1e-6;
        stream.rateKHz = stream.duration > 0.0 ? stream.photons / stream.duration / 1000.0 : 0.0;
        const CountRange range = countRange(stream.bins());
        stream.maxCount = range.max;
        stream.minCount = range.min;
        stream.smoothPasses = 0;
        return readOk;
    }
} // namespace

std::uint64_t ticksPerBin(unsigned clockMHz, double binWidthUs)
{
    // In extended precision and truncated: 60 MHz × 0.1 µs is 6 ticks, not 5.
    const long double exact = static_cast<long double>(clockMHz) * static_cast<long double>(binWidthUs);
    if (!(exact >= 1.0L))
        return 0;
    constexpr long double cap = 0x1p62L;
    return static_cast<std::uint64_t>(std::min(exact, cap));
}

int sniffFileType(const std::string& path)
{
    std::array<std::uint8_t, 3> start {};
    const long n = readFileStart(path, start);
    if (n >= 3 && start[0] == 'P' && start[1] == 'H' && start[2] == 'C')
        return fileTypePhotonCount;
    if (n >= 2 && (start[0] == byteData || start[0] == wordData) && (start[1] == 40 || start[1] == 60))
        return fileTypeCorrelator;
    return fileTypeNone;
}

int readCorrelatorStream(
    Platform& platform, const std::string& path, PhotonStream& stream, double binWidthUs, Progress& progress)
{
    // The totals are added up while each piece of the file is still cached.
    DataTotals totals;
    std::size_t offset = 0;
    // Reading (with the totals) and binning take about as long as each other.
    PhaseProgress reading(progress, 0.0, 0.5);
    const WholeFile file = readWholeFile(path, [&totals, &offset](std::span<const std::uint8_t> chunk) {
        const std::size_t skip = std::min(chunk.size(), headerBytes - std::min(offset, headerBytes));
        addTotals(chunk.subspan(skip), totals);
        offset += chunk.size();
    }, reading);
    if (file.result != readOk)
        return file.result;
    PhaseProgress binning(progress, 0.5, 1.0);
    return decodeWithTotals(platform, file.bytes(), totals, stream, binWidthUs, binning);
}

int decodeCorrelatorStream(
    Platform& platform, std::span<const std::uint8_t> file, PhotonStream& stream, double binWidthUs)
{
    DataTotals totals;
    if (file.size() > headerBytes)
        addTotals(file.subspan(headerBytes), totals);
    return decodeWithTotals(platform, file, totals, stream, binWidthUs);
}

void appendCorrelatorHeader(std::vector<std::uint8_t>& out, unsigned clockMHz)
{
    out.push_back(byteData);
    out.push_back(static_cast<std::uint8_t>(clockMHz));
}

void appendCorrelatorEntry(std::vector<std::uint8_t>& out, std::uint64_t ticks)
{
    out.insert(out.end(), static_cast<std::size_t>(ticks / runByte), runByte);
    out.push_back(static_cast<std::uint8_t>(ticks % runByte));
}

} // namespace plask
