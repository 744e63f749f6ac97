#pragma once
// Whole-file reads into page blocks and whole-file writes that never leave a
// half-written file behind, with plain POSIX calls.

#include "core/page_block.h"
#include "core/progress.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <span>
#include <string>

namespace plask {

// Result codes shared by the file readers.
inline constexpr int readOk = 0;
inline constexpr int readCannotOpen = 1; // missing, not a regular file, or a read error
inline constexpr int readNoMemory = 2; // a block could not be allocated
inline constexpr int readNothing = 3; // the file holds no bytes (or nothing usable)
inline constexpr int readCancelled = 9; // the read was cancelled (no message)

struct WholeFile {
    int result = readOk;
    PageBlock block; // the file's bytes, zero-filled past `size`
    std::size_t size = 0;

    [[nodiscard]] std::span<const std::uint8_t> bytes() const
    {
        return { static_cast<const std::uint8_t*>(block.data()), size };
    }
};

// Called with each piece of the file right after it was read, in order, while
// it is still in the cache.
using ChunkVisitor = std::function<void(std::span<const std::uint8_t>)>;

// Reads a regular file whole into one page block, reporting the fraction
// read after every piece; readCancelled when `progress` answers a cancel.
[[nodiscard]] WholeFile readWholeFile(
    const std::string& path, const ChunkVisitor& visit = {}, Progress& progress = noProgress());

// The first bytes of a file (at most `bytes.size()`); the count read, or -1
// when the file cannot be opened.
[[nodiscard]] long readFileStart(const std::string& path, std::span<std::uint8_t> bytes);

// Writes the parts one after the other into a temporary file beside `path`
// and renames it over `path`, so a failure leaves an existing file as it was.
[[nodiscard]] bool writeFileAtomically(
    const std::string& path, std::initializer_list<std::span<const std::uint8_t>> parts);

// The same, reporting after every piece written; when `progress` answers a
// cancel the temporary file is removed and `path` left as it was (false).
[[nodiscard]] bool writeFileAtomically(
    const std::string& path, std::initializer_list<std::span<const std::uint8_t>> parts, Progress& progress);

} // namespace plask
