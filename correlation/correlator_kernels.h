#pragma once
// The inner loops of the multi-tau correlator over one block of bins. Each
// one is compiled for generic x86-64 and for AVX2 and picked at run time.
// They are kept out of line on purpose: inlined into the loop over lags, the
// compiler vectorises across the lags instead of along the data.

#include <cstddef>
#include <cstdint>

namespace plask::kernels {

// Block size in bins: a level's block and its history stay in L1.
inline constexpr std::size_t blockBins = 2048;
// Largest value for the 16-bit path: blockBins x 1023^2 < 2^31, so the
// 32-bit sum of one block's products cannot overflow.
inline constexpr std::uint32_t smallValueLimit = 1023;

struct BlockStats {
    // All values ORed together: every value is at most this, and all are at
    // most smallValueLimit (2^10 - 1) exactly when this is.
    std::uint32_t bits = 0;
    std::uint64_t sum = 0;
};

[[nodiscard]] BlockStats stats16(const std::uint16_t* values, std::size_t count);
[[nodiscard]] std::uint64_t sum32(const std::uint32_t* values, std::size_t count);

// out[k] = in[2k] + in[2k + 1]; an odd last value stands alone. coarsen16
// returns the stats of its input and ORs its output into outBits; coarsen32
// returns its output ORed together.
BlockStats coarsen16(const std::uint16_t* in, std::size_t count, std::uint32_t* out, std::uint32_t& outBits);
std::uint32_t coarsen32(const std::uint32_t* in, std::size_t count, std::uint32_t* out);

// Values known to be at most smallValueLimit, narrowed for the 16-bit path.
void narrow32(const std::uint32_t* in, std::size_t count, std::int16_t* out);

// Sum of a[i] x b[i]: with values at most smallValueLimit and count at most
// blockBins (16-bit multiply-adds), or for any values.
[[nodiscard]] std::uint32_t dotSmall(const std::int16_t* a, const std::int16_t* b, std::size_t count);
// Four neighbouring lags in one pass: sums[j] = sum of a[i - j] x b[i].
// Reads a[-3] ... a[count - 1]. Sharing the loads of b makes it faster than
// four single passes.
void dotSmall4(const std::int16_t* a, const std::int16_t* b, std::size_t count, std::uint32_t* sums);
// Eight lags: sums[j] = sum of a[i - j] x b[i], reading a[-7] onwards.
void dotSmall8(const std::int16_t* a, const std::int16_t* b, std::size_t count, std::uint32_t* sums);
[[nodiscard]] std::uint64_t dotWide16(const std::uint16_t* a, const std::uint16_t* b, std::size_t count);
[[nodiscard]] std::uint64_t dotWide32(const std::uint32_t* a, const std::uint32_t* b, std::size_t count);

} // namespace plask::kernels
