#pragma once
// Exact integer arithmetic on time units: seconds as fractions, and the bin
// index floor(t · a / b) without rounding, in 128-bit intermediates.

#include "formats/time_tags.h"

#include <cstdint>
#include <optional>

namespace plask::formats {

__extension__ typedef unsigned __int128 Uint128;

// The fraction of the shortest decimal text of `seconds` (31.249e-9 is
// 31249 / 10^12). Empty for values that are not finite and positive, or whose
// fraction does not fit 64 bits even after dropping trailing digits.
[[nodiscard]] std::optional<Rational> rationalFromDouble(double seconds);

// a / b reduced, or empty when the reduced parts do not fit 64 bits.
[[nodiscard]] std::optional<Rational> reducedRatio(Uint128 num, Uint128 den);

[[nodiscard]] inline std::uint64_t floorMulDiv(std::uint64_t t, std::uint64_t a, std::uint64_t b)
{
    const Uint128 q = static_cast<Uint128>(t) * a / b;
    return q > UINT64_MAX ? UINT64_MAX : static_cast<std::uint64_t>(q);
}

[[nodiscard]] inline std::uint64_t ceilMulDiv(std::uint64_t t, std::uint64_t a, std::uint64_t b)
{
    const Uint128 q = (static_cast<Uint128>(t) * a + b - 1) / b;
    return q > UINT64_MAX ? UINT64_MAX : static_cast<std::uint64_t>(q);
}

// The first time in `unit` at or after `seconds` (a window edge), saturating.
[[nodiscard]] std::uint64_t unitsAtOrAfter(const Rational& seconds, const Rational& unit);

} // namespace plask::formats
