#pragma once
// Fixed-width little-endian fields in byte images of files.

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <cstring>

namespace plask {

template <typename T> void storeLittleEndian(std::uint8_t* at, T value)
{
    auto bytes = std::bit_cast<std::array<std::uint8_t, sizeof(T)>>(value);
    if constexpr (std::endian::native == std::endian::big)
        std::ranges::reverse(bytes);
    std::memcpy(at, bytes.data(), sizeof(T));
}

template <typename T> [[nodiscard]] T loadLittleEndian(const std::uint8_t* at)
{
    std::array<std::uint8_t, sizeof(T)> bytes {};
    std::memcpy(bytes.data(), at, sizeof(T));
    if constexpr (std::endian::native == std::endian::big)
        std::ranges::reverse(bytes);
    return std::bit_cast<T>(bytes);
}

} // namespace plask
