#pragma once
// Scratch folders and small file helpers for tests.

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace plask::testing {

// A fresh folder under the system's temporary folder, removed with its
// contents when the object dies.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    [[nodiscard]] const std::filesystem::path& path() const { return path_; }
    [[nodiscard]] std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

private:
    std::filesystem::path path_;
};

void writeBytes(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes);
[[nodiscard]] std::vector<std::uint8_t> readBytes(const std::filesystem::path& path);
[[nodiscard]] std::string readText(const std::filesystem::path& path);

// The test data folder and the examples folder of the source tree.
[[nodiscard]] std::filesystem::path testDataPath(const std::string& name);
[[nodiscard]] std::filesystem::path examplePath(const std::string& name);

} // namespace plask::testing
