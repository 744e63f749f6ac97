#include "formats/rational_math.h"

#include <charconv>
#include <cmath>
#include <numeric>
#include <string>

namespace plask::formats {

namespace {
    [[nodiscard]] Uint128 gcd128(Uint128 a, Uint128 b)
    {
        while (b != 0) {
            const Uint128 r = a % b;
            a = b;
            b = r;
        }
        return a;
    }

    // Digits and decimal exponent of a text like "3.1249e-08": value = digits · 10^exponent.
    struct Decimal {
        Uint128 digits = 0;
        int exponent = 0;
    };

    [[nodiscard]] std::optional<Decimal> parseDecimal(const std::string& text)
    {
        Decimal d;
        bool afterPoint = false;
        std::size_t i = 0;
        for (; i < text.size() && text[i] != 'e'; ++i) {
            if (text[i] == '.') {
                afterPoint = true;
                continue;
            }
            if (text[i] < '0' || text[i] > '9')
                return std::nullopt;
            d.digits = d.digits * 10 + static_cast<unsigned>(text[i] - '0');
            if (afterPoint)
                --d.exponent;
        }
        if (i < text.size())
            d.exponent += std::stoi(text.substr(i + 1));
        return d;
    }
} // namespace

std::optional<Rational> reducedRatio(Uint128 num, Uint128 den)
{
    if (den == 0)
        return std::nullopt;
    const Uint128 g = num == 0 ? den : gcd128(num, den);
    num /= g;
    den /= g;
    if (num > UINT64_MAX || den > UINT64_MAX)
        return std::nullopt;
    return Rational { static_cast<std::uint64_t>(num), static_cast<std::uint64_t>(den) };
}

std::optional<Rational> rationalFromDouble(double seconds)
{
    if (!std::isfinite(seconds) || seconds <= 0.0)
        return std::nullopt;
    // Shortest round-trip text first, then fewer digits until the fraction fits.
    for (int precision = 0; precision <= 17; ++precision) {
        char buffer[64];
        const auto result = precision == 0
            ? std::to_chars(buffer, buffer + sizeof buffer, seconds, std::chars_format::scientific)
            : std::to_chars(buffer, buffer + sizeof buffer, seconds, std::chars_format::scientific, 17 - precision);
        const std::optional<Decimal> d = parseDecimal(std::string(buffer, result.ptr));
        if (!d || d->digits == 0)
            return std::nullopt;
        Uint128 num = d->digits;
        Uint128 den = 1;
        bool fits = true;
        for (int e = d->exponent; e < 0 && fits; ++e) {
            den *= 10;
            fits = den <= (Uint128 { UINT64_MAX } * 10);
        }
        for (int e = d->exponent; e > 0 && fits; --e) {
            num *= 10;
            fits = num <= (Uint128 { UINT64_MAX } * 10);
        }
        if (!fits)
            continue;
        if (const std::optional<Rational> r = reducedRatio(num, den))
            return r;
    }
    return std::nullopt;
}

std::uint64_t unitsAtOrAfter(const Rational& seconds, const Rational& unit)
{
    // seconds / unit = (s.num · u.den) / (s.den · u.num), rounded up.
    const Uint128 num = static_cast<Uint128>(seconds.num) * unit.den;
    const Uint128 den = static_cast<Uint128>(seconds.den) * unit.num;
    if (den == 0)
        return UINT64_MAX;
    const Uint128 q = num / den + (num % den != 0 ? 1 : 0);
    return q > UINT64_MAX ? UINT64_MAX : static_cast<std::uint64_t>(q);
}

} // namespace plask::formats
