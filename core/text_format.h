#pragma once
// printf-style formatting into a std::string, for messages and file lines
// whose formats are fixed C formats.

#include <string>

namespace plask {

[[nodiscard]] std::string formatText(const char* format, ...) __attribute__((format(printf, 1, 2)));

} // namespace plask
