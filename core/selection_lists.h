#pragma once
// The fixed selection lists shared by the control panel and the dialogs.

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

namespace plask {

inline constexpr std::array<double, 11> binWidthValues { 0.1, 0.5, 1, 2, 5, 10, 20, 50, 100, 250, 500 };
// Entry texts as the lists show them (UTF-8; µ is the micro sign).
inline constexpr std::array<std::string_view, 11> binWidthTexts { "0.1 µs", "0.5 µs", "1.0 µs", "2.0 µs",
    "5.0 µs", "10.0 µs", "20.0 µs", "50.0 µs", "100.0 µs", "250.0 µs", "500 µs" };

inline constexpr std::array<std::uint16_t, 9> multiTauStepValues { 2, 4, 8, 12, 16, 24, 32, 64, 128 };
inline constexpr std::array<std::string_view, 9> multiTauStepTexts { "2", "4", "8", "12", "16", "24", "32", "64",
    "128" };

inline constexpr std::array<std::int32_t, 5> sgFilterWidthValues { 5, 7, 9, 11, 13 };
inline constexpr std::array<std::string_view, 5> sgFilterWidthTexts { "5", "7", "9", "11", "13" };

// Index of the first entry equal to value; 0 when there is none, so a stored
// value outside the list shows the first entry.
template <typename T>
[[nodiscard]] constexpr std::size_t indexOfValue(T value, std::span<const T> table)
{
    for (std::size_t i = 0; i < table.size(); ++i)
        if (table[i] == value)
            return i;
    return 0;
}

[[nodiscard]] bool isListedBinWidth(double value);
[[nodiscard]] bool isListedMultiTauStep(long value);
[[nodiscard]] bool isListedSgFilterWidth(long value);

} // namespace plask
