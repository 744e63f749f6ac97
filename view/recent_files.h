#pragma once
// The File menu's "Recent files": the last files opened, newest first.

#include <cstddef>
#include <string>
#include <vector>

namespace plask {

inline constexpr std::size_t recentFileLimit = 8;

// The list with `path` in front: an earlier entry of the same path goes, and
// the oldest fall off beyond `limit`. Empty paths are not kept.
[[nodiscard]] std::vector<std::string> withRecentFile(
    std::vector<std::string> list, const std::string& path, std::size_t limit = recentFileLimit);

} // namespace plask
