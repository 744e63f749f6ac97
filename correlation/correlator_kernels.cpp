#include "correlation/correlator_kernels.h"

// One generic x86-64 build and one AVX2 build of each loop, chosen by the
// loader on the machine it runs on. Elsewhere (or with PLASK_GENERIC_KERNELS,
// for the benchmark) the generic build is the only one. Under ThreadSanitizer
// the loader would call the chooser before the sanitizer has started, so
// there too the generic build is the only one.
#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__) && !defined(PLASK_GENERIC_KERNELS) \
    && !defined(__SANITIZE_THREAD__)
#define PLASK_KERNEL __attribute__((target_clones("avx2", "default"), noinline))
#else
#define PLASK_KERNEL __attribute__((noinline))
#endif

namespace plask::kernels {

PLASK_KERNEL BlockStats stats16(const std::uint16_t* values, std::size_t count)
{
    std::uint16_t bits = 0;
    std::uint32_t sum = 0; // count <= blockBins, so it cannot wrap
    for (std::size_t i = 0; i < count; ++i) {
        bits = static_cast<std::uint16_t>(bits | values[i]);
        sum += values[i];
    }
    return { bits, sum };
}

PLASK_KERNEL std::uint64_t sum32(const std::uint32_t* values, std::size_t count)
{
    std::uint64_t sum = 0;
    for (std::size_t i = 0; i < count; ++i)
        sum += values[i];
    return sum;
}

PLASK_KERNEL BlockStats coarsen16(
    const std::uint16_t* in, std::size_t count, std::uint32_t* out, std::uint32_t& outBits)
{
    const std::size_t pairs = count / 2;
    std::uint16_t inBits = 0;
    std::uint32_t coarseBits = 0;
    std::uint32_t sum = 0; // count <= blockBins, so it cannot wrap
    for (std::size_t k = 0; k < pairs; ++k) {
        const std::uint16_t first = in[2 * k];
        const std::uint16_t second = in[2 * k + 1];
        const std::uint32_t value = std::uint32_t { first } + second;
        out[k] = value;
        inBits = static_cast<std::uint16_t>(inBits | first | second);
        coarseBits |= value;
        sum += value;
    }
    if (count % 2 != 0) {
        const std::uint16_t last = in[count - 1];
        out[pairs] = last;
        inBits = static_cast<std::uint16_t>(inBits | last);
        coarseBits |= last;
        sum += last;
    }
    outBits |= coarseBits;
    return { inBits, sum };
}

PLASK_KERNEL std::uint32_t coarsen32(const std::uint32_t* in, std::size_t count, std::uint32_t* out)
{
    const std::size_t pairs = count / 2;
    std::uint32_t bits = 0;
    for (std::size_t k = 0; k < pairs; ++k) {
        const std::uint32_t value = in[2 * k] + in[2 * k + 1];
        out[k] = value;
        bits |= value;
    }
    if (count % 2 != 0) {
        out[pairs] = in[count - 1];
        bits |= in[count - 1];
    }
    return bits;
}

PLASK_KERNEL void narrow32(const std::uint32_t* in, std::size_t count, std::int16_t* out)
{
    for (std::size_t i = 0; i < count; ++i)
        out[i] = static_cast<std::int16_t>(in[i]);
}

PLASK_KERNEL std::uint32_t dotSmall(const std::int16_t* a, const std::int16_t* b, std::size_t count)
{
    std::int32_t sum = 0; // the compiler turns this into 16-bit multiply-adds
    for (std::size_t i = 0; i < count; ++i)
        sum += std::int32_t { a[i] } * std::int32_t { b[i] };
    return static_cast<std::uint32_t>(sum);
}

PLASK_KERNEL void dotSmall4(const std::int16_t* a, const std::int16_t* b, std::size_t count, std::uint32_t* sums)
{
    std::int32_t s0 = 0;
    std::int32_t s1 = 0;
    std::int32_t s2 = 0;
    std::int32_t s3 = 0;
    const std::int16_t* a1 = a - 1;
    const std::int16_t* a2 = a - 2;
    const std::int16_t* a3 = a - 3;
    for (std::size_t i = 0; i < count; ++i) {
        const std::int32_t delayed = b[i];
        s0 += a[i] * delayed;
        s1 += a1[i] * delayed;
        s2 += a2[i] * delayed;
        s3 += a3[i] * delayed;
    }
    sums[0] = static_cast<std::uint32_t>(s0);
    sums[1] = static_cast<std::uint32_t>(s1);
    sums[2] = static_cast<std::uint32_t>(s2);
    sums[3] = static_cast<std::uint32_t>(s3);
}

PLASK_KERNEL void dotSmall8(const std::int16_t* a, const std::int16_t* b, std::size_t count, std::uint32_t* sums)
{
    std::int32_t s[8] = {};
    const std::int16_t* a1 = a - 1;
    const std::int16_t* a2 = a - 2;
    const std::int16_t* a3 = a - 3;
    const std::int16_t* a4 = a - 4;
    const std::int16_t* a5 = a - 5;
    const std::int16_t* a6 = a - 6;
    const std::int16_t* a7 = a - 7;
    for (std::size_t i = 0; i < count; ++i) {
        const std::int32_t delayed = b[i];
        s[0] += a[i] * delayed;
        s[1] += a1[i] * delayed;
        s[2] += a2[i] * delayed;
        s[3] += a3[i] * delayed;
        s[4] += a4[i] * delayed;
        s[5] += a5[i] * delayed;
        s[6] += a6[i] * delayed;
        s[7] += a7[i] * delayed;
    }
    for (std::size_t j = 0; j < 8; ++j)
        sums[j] = static_cast<std::uint32_t>(s[j]);
}

PLASK_KERNEL std::uint64_t dotWide16(const std::uint16_t* a, const std::uint16_t* b, std::size_t count)
{
    std::uint64_t sum = 0;
    for (std::size_t i = 0; i < count; ++i)
        sum += std::uint32_t { a[i] } * std::uint32_t { b[i] };
    return sum;
}

PLASK_KERNEL std::uint64_t dotWide32(const std::uint32_t* a, const std::uint32_t* b, std::size_t count)
{
    std::uint64_t sum = 0;
    for (std::size_t i = 0; i < count; ++i)
        sum += std::uint64_t { a[i] } * b[i];
    return sum;
}

} // namespace plask::kernels
