#pragma once
// A file mapped read-only into memory for one sequential pass. Pages come in
// as they are read (or ahead of a reader that says where it is), and a reader
// can give back what lies behind it, so that a pass over a file much larger
// than memory keeps only a window of it resident.

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

    // For a front-to-back reader about to read [offset, offset + next):
    // brings those pages in and drops the whole pages before `offset`. The
    // bytes stay readable everywhere (dropped pages are read again from the file).
    void readingAt(std::size_t offset, std::size_t next);

private:
    void release();
    const std::uint8_t* data_ = nullptr;
    std::size_t size_ = 0;
    std::size_t droppedTo_ = 0; // pages before this offset were given back
    bool ok_ = false;
    bool mapped_ = false;
};

} // namespace plask::formats
