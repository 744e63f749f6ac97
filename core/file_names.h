#pragma once
// Splitting file names the way the save dialogs propose them.

#include <string>

namespace plask {

// The name cut at its last "." ("run7.dat" -> "run7", "a.b.dat" -> "a.b");
// unchanged when it has none. A "." inside a folder name does not count.
[[nodiscard]] std::string stripExtension(const std::string& name);

// The file name without its folder ("/data/run7.dat" -> "run7.dat").
[[nodiscard]] std::string fileNameOf(const std::string& path);

} // namespace plask
