#pragma once
// The batch status log: every line of the program's lifetime is kept (the
// process log file receives it whole), while the dialog's box shows only the
// newest part once the log outgrows the box's 16000 bytes.

#include <cstddef>
#include <string_view>

namespace plask {

// Bytes of text the dialog's box shows at most (16000 with the end mark).
inline constexpr std::size_t statusLogShownBytes = 15999;

// The newest part of the log that fits the box: the whole log while it fits,
// else its end from the first line start within the last `limit` bytes (or,
// for a single longer line, from the first whole UTF-8 character).
[[nodiscard]] std::string_view shownLogPart(std::string_view log, std::size_t limit = statusLogShownBytes);

} // namespace plask
