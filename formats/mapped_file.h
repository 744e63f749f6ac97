#pragma once
// A file mapped read-only into memory for one sequential pass.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace plask::formats {

class MappedFile {
public:
    MappedFile() = default;
    explicit MappedFile(const std::string& path);
    ~MappedFile();
    MappedFile(MappedFile&& other) noexcept;
    MappedFile& operator=(MappedFile&& other) noexcept;
    MappedFile(const MappedFile&) = delete;
    MappedFile& operator=(const MappedFile&) = delete;

    [[nodiscard]] bool ok() const { return ok_; }
    [[nodiscard]] std::span<const std::uint8_t> bytes() const { return { data_, size_ }; }

private:
    void release();
    const std::uint8_t* data_ = nullptr;
    std::size_t size_ = 0;
    bool ok_ = false;
    bool mapped_ = false;
};

} // namespace plask::formats
