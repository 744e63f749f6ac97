#include "formats/t3_lanes.h"

#include "formats/little_endian.h"
#include "formats/rational_math.h"

#include <algorithm>
#include <atomic>

// GCC 12 takes the undefined vectors that the AVX-512 intrinsics start
// from for uninitialised reads (its bug 105593), at any optimisation level.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#pragma GCC diagnostic ignored "-Wuninitialized"
#endif
#include <immintrin.h>

namespace plask::formats {

namespace {
    std::atomic<bool> lanesAllowed { true };

    // Only the functions below carry the target: everything they call is
    // inline and compiled for the plain target, so no out-of-line copy of a
    // shared function is built with instructions other processors lack.
#define PLASK_LANES __attribute__((target("avx512f,avx512dq,avx512bw,avx512vl,popcnt,lzcnt,bmi,bmi2")))

    constexpr std::size_t group = 16;
    // Kept photons' bins wait here until the bins are written, so that the
    // writing loop runs long stretches instead of a few photons per group.
    constexpr std::size_t pendingRoom = 1024;

    template <T3Word word>
    struct Fields;
    template <>
    struct Fields<T3Word::picoHarp> {
        static constexpr int channelShift = 28;
        static constexpr std::uint32_t channelMask = 0xF;
        static constexpr std::uint32_t nsyncMask = 0xFFFF;
        static constexpr std::uint32_t wrap = 65536;
        static constexpr int microShift = 16;
        static constexpr std::uint32_t microMask = 0xFFF;
    };
    template <>
    struct Fields<T3Word::hydraOneOverflow> {
        static constexpr int channelShift = 25;
        static constexpr std::uint32_t channelMask = 0x3F;
        static constexpr std::uint32_t nsyncMask = 0x3FF;
        static constexpr std::uint32_t wrap = 1024;
        static constexpr int microShift = 10;
        static constexpr std::uint32_t microMask = 0x7FFF;
    };
    template <>
    struct Fields<T3Word::hydraOverflowCount> : Fields<T3Word::hydraOneOverflow> { };

    // Lane j gets lane j - s, the lowest s lanes zero.
    template <int s>
    PLASK_LANES __m512i shiftedUp(__m512i x)
    {
        return _mm512_alignr_epi32(x, _mm512_setzero_si512(), 16 - s);
    }

    PLASK_LANES __m512i prefixSum(__m512i x)
    {
        x = _mm512_add_epi32(x, shiftedUp<1>(x));
        x = _mm512_add_epi32(x, shiftedUp<2>(x));
        x = _mm512_add_epi32(x, shiftedUp<4>(x));
        return _mm512_add_epi32(x, shiftedUp<8>(x));
    }

    PLASK_LANES __m512i prefixMax(__m512i x)
    {
        x = _mm512_max_epu32(x, shiftedUp<1>(x));
        x = _mm512_max_epu32(x, shiftedUp<2>(x));
        x = _mm512_max_epu32(x, shiftedUp<4>(x));
        return _mm512_max_epu32(x, shiftedUp<8>(x));
    }

    PLASK_LANES std::uint32_t lastLane(__m512i x)
    {
        return static_cast<std::uint32_t>(_mm_extract_epi32(_mm512_extracti32x4_epi32(x, 3), 3));
    }

    PLASK_LANES std::uint32_t lane(__m512i x, unsigned j)
    {
        const __m512i picked = _mm512_permutexvar_epi32(_mm512_set1_epi32(static_cast<int>(j)), x);
        return static_cast<std::uint32_t>(_mm_cvtsi128_si32(_mm512_castsi512_si128(picked)));
    }

    // floor(x / k) for x < 2^31 and 2 <= k <= 2^30: the product in doubles is
    // at most one below the quotient, and only when x is near a multiple of k.
    PLASK_LANES __m512i dividedBy(__m512i x, __m512i k, __m512d inverse)
    {
        const __m256i low = _mm512_cvttpd_epu32(_mm512_mul_pd(_mm512_cvtepu32_pd(_mm512_castsi512_si256(x)), inverse));
        const __m256i high
            = _mm512_cvttpd_epu32(_mm512_mul_pd(_mm512_cvtepu32_pd(_mm512_extracti64x4_epi64(x, 1)), inverse));
        const __m512i q = _mm512_inserti64x4(_mm512_castsi256_si512(low), high, 1);
        const __m512i up = _mm512_add_epi32(q, _mm512_set1_epi32(1));
        return _mm512_mask_mov_epi32(q, _mm512_cmple_epu32_mask(_mm512_mullo_epi32(up, k), x), up);
    }

    // The kept photons' bins in order, each storing the count of its bin so
    // far: times only grow, so a bin's photons come one after the other.
    void writePending(const std::uint32_t* pending, std::size_t count, LaneState& s, std::uint16_t* bins)
    {
        std::uint64_t run = s.run;
        std::uint64_t runBin = s.runBin;
        for (std::size_t k = 0; k < count; ++k) {
            const std::uint64_t bin = pending[k];
            run = (run & (std::uint64_t { 0 } - static_cast<std::uint64_t>(bin == runBin))) + 1;
            runBin = bin;
            bins[bin] = static_cast<std::uint16_t>(run < 0xFFFF ? run : 0xFFFF);
        }
        s.run = run;
        s.runBin = runBin;
    }

    enum class Reach { all, none, edge };

    template <T3Word word>
    PLASK_LANES std::size_t binGroups(const LaneJob& job, LaneState& state, std::size_t i)
    {
        using F = Fields<word>;
        LaneState s = state;
        alignas(64) std::uint32_t pending[pendingRoom + group];
        std::size_t pendingCount = 0;

        const __m512i zero = _mm512_setzero_si512();
        const __m512i one = _mm512_set1_epi32(1);
        const __m512i channelMask = _mm512_set1_epi32(static_cast<int>(F::channelMask));
        const __m512i nsyncMask = _mm512_set1_epi32(static_cast<int>(F::nsyncMask));
        // The wanted channels as bits, channel c at bit c (slot c + 1).
        std::uint64_t wantedBits = 0;
        for (std::uint32_t c = 0; c <= F::channelMask; ++c)
            wantedBits |= static_cast<std::uint64_t>(job.wanted[c + 1] != 0) << c;
        const __m512i wantedLow = _mm512_set1_epi32(static_cast<int>(wantedBits & 0xFFFFFFFF));
        const __m512i wantedHigh = _mm512_set1_epi32(static_cast<int>(wantedBits >> 32));
        const __m512i gateFrom = _mm512_set1_epi32(static_cast<int>(job.gateFrom));
        const __m512i gateWidth = _mm512_set1_epi32(static_cast<int>(job.gateWidth));
        const std::uint64_t k = job.unitsPerBin;
        const __m512i kLanes = _mm512_set1_epi32(static_cast<int>(k));
        const __m512d inverse = _mm512_set1_pd(k != 0 ? 1.0 / static_cast<double>(k) : 0.0);

        for (; i + group <= job.count; i += group) {
            const __m512i r = _mm512_loadu_si512(job.records + 4 * i);
            const __m512i channel = _mm512_and_si512(_mm512_srli_epi32(r, F::channelShift), channelMask);
            const __m512i nsync = _mm512_and_si512(r, nsyncMask);
            __mmask16 special = 0;
            __mmask16 overflow = 0;
            __m512i overflowUnits;
            if constexpr (word == T3Word::picoHarp) {
                special = _mm512_cmpeq_epi32_mask(channel, _mm512_set1_epi32(15));
                const __m512i dtime = _mm512_and_si512(_mm512_srli_epi32(r, F::microShift), _mm512_set1_epi32(F::microMask));
                overflow = _mm512_mask_cmpeq_epi32_mask(special, dtime, zero);
                overflowUnits = _mm512_maskz_mov_epi32(overflow, _mm512_set1_epi32(F::wrap));
            } else {
                special = _mm512_movepi32_mask(r);
                overflow = _mm512_mask_cmpeq_epi32_mask(special, channel, channelMask);
                const __m512i overflows
                    = word == T3Word::hydraOverflowCount ? _mm512_max_epu32(nsync, one) : one;
                overflowUnits = _mm512_maskz_slli_epi32(overflow, overflows, 10);
            }
            const auto photon = static_cast<__mmask16>(~special);
            const auto marker = static_cast<__mmask16>(special & ~overflow);
            // A photon's time from the group's base: the overflows up to it plus its nsync.
            const __m512i overflowSum = prefixSum(overflowUnits);
            const __m512i offset = _mm512_add_epi32(overflowSum, nsync);
            const std::uint32_t advance = lastLane(overflowSum);
            const std::uint64_t base = s.base;
            // Every time in the group lies in [base, base + span); `from` is
            // the group's base in window time, once the base is in the window.
            const std::uint64_t span = std::uint64_t { advance } + F::wrap;
            const std::uint64_t from = base - job.windowStart;

            Reach reach = Reach::edge;
            if (base >= job.windowStart) {
                if (from >= job.windowWidth)
                    reach = Reach::none;
                else if (span <= job.fastWidth && from <= job.fastWidth - span)
                    reach = Reach::all;
            } else if (job.windowStart - base >= span) {
                reach = Reach::none;
            }
            if (reach == Reach::edge)
                break;

            // Backwards: a photon below the largest time before it in the
            // group, or below the last photon before the group. The last
            // photon's time does not wait on the one before the group: a
            // chain from group to group would hold every group up.
            const __m512i photonOffset = _mm512_maskz_mov_epi32(photon, offset);
            const std::uint64_t carried = s.last > base ? std::min<std::uint64_t>(s.last - base, 0xFFFFFFFF) : 0;
            const __m512i highest = prefixMax(photonOffset);
            const __mmask16 below = _mm512_mask_cmpgt_epu32_mask(photon, highest, photonOffset)
                | _mm512_mask_cmplt_epu32_mask(photon, photonOffset, _mm512_set1_epi32(static_cast<int>(carried)));
            s.backwards += below != 0;
            if (photon != 0)
                s.last = base + lastLane(highest);

            // Every photon on its channel; a group holds few channels, each counted at once.
            for (unsigned left = photon; left != 0;) {
                const unsigned j = static_cast<unsigned>(__builtin_ctz(left));
                const std::uint32_t c = (loadLittleEndian<std::uint32_t>(job.records + 4 * (i + j)) >> F::channelShift) & F::channelMask;
                const __mmask16 same
                    = _mm512_mask_cmpeq_epi32_mask(static_cast<__mmask16>(left), channel, _mm512_set1_epi32(static_cast<int>(c)));
                job.tally[c + 1] += static_cast<std::uint32_t>(__builtin_popcount(same));
                left &= ~static_cast<unsigned>(same);
            }
            s.markerRecords += static_cast<std::uint64_t>(__builtin_popcount(marker));
            s.overflowRecords += static_cast<std::uint64_t>(__builtin_popcount(overflow));
            s.base = base + advance;

            if (reach == Reach::none)
                continue;
            // Channels past 31 shift the low word out, those below 32 the high one.
            const __m512i wantedBit = _mm512_or_si512(_mm512_srlv_epi32(wantedLow, channel),
                _mm512_srlv_epi32(wantedHigh, _mm512_sub_epi32(channel, _mm512_set1_epi32(32))));
            __mmask16 keep = _mm512_mask_test_epi32_mask(photon, wantedBit, one);
            if (job.gated) {
                const __m512i micro = _mm512_and_si512(
                    _mm512_srli_epi32(r, F::microShift), _mm512_set1_epi32(static_cast<int>(F::microMask)));
                keep = _mm512_mask_cmplt_epu32_mask(keep, _mm512_sub_epi32(micro, gateFrom), gateWidth);
            }
            if (keep == 0)
                continue;
            s.kept += static_cast<std::uint64_t>(__builtin_popcount(keep));
            s.lastKept = from + lane(offset, 31u - static_cast<unsigned>(__builtin_clz(keep)));
            if (job.bins == nullptr)
                continue;
            // bin = floor((from + offset) / k) = q0 + floor((r0 + offset) / k), with from = q0 k + r0.
            const auto q0 = static_cast<std::uint64_t>((static_cast<Uint128>(from) * job.reciprocal) >> 64);
            const std::uint64_t r0 = from - q0 * k;
            const __m512i within = dividedBy(_mm512_add_epi32(offset, _mm512_set1_epi32(static_cast<int>(r0))), kLanes, inverse);
            // Below the counts array's length, so below 2^32.
            const __m512i bin = _mm512_add_epi32(within, _mm512_set1_epi32(static_cast<int>(q0)));
            _mm512_storeu_si512(pending + pendingCount, _mm512_maskz_compress_epi32(keep, bin));
            pendingCount += static_cast<std::size_t>(__builtin_popcount(keep));
            if (pendingCount > pendingRoom) {
                writePending(pending, pendingCount, s, job.bins);
                pendingCount = 0;
            }
        }
        if (pendingCount != 0)
            writePending(pending, pendingCount, s, job.bins);
        state = s;
        return i;
    }

#undef PLASK_LANES

    bool processorHasLanes()
    {
        return __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512dq")
            && __builtin_cpu_supports("avx512bw") && __builtin_cpu_supports("avx512vl");
    }
} // namespace

bool laneBinningFor(std::uint64_t unitsPerBin)
{
    static const bool present = processorHasLanes();
    return present && lanesAllowed.load(std::memory_order_relaxed)
        && (unitsPerBin == 0 || (unitsPerBin >= 2 && unitsPerBin <= (std::uint64_t { 1 } << 30)));
}

std::size_t binT3Lanes(T3Word word, const LaneJob& job, LaneState& state, std::size_t from)
{
    switch (word) {
    case T3Word::picoHarp:
        return binGroups<T3Word::picoHarp>(job, state, from);
    case T3Word::hydraOneOverflow:
        return binGroups<T3Word::hydraOneOverflow>(job, state, from);
    case T3Word::hydraOverflowCount:
        return binGroups<T3Word::hydraOverflowCount>(job, state, from);
    }
    return from;
}

void allowLaneBinning(bool allowed) { lanesAllowed.store(allowed, std::memory_order_relaxed); }

} // namespace plask::formats
