#include "formats/mapped_file.h"

#include "core/page_block.h"

#include <algorithm>
#include <utility>

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace plask::formats {

MappedFile::MappedFile(const std::string& path)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return;
    struct stat info {};
    if (fstat(fd, &info) == 0 && S_ISREG(info.st_mode)) {
        size_ = static_cast<std::size_t>(info.st_size);
        if (size_ == 0) {
            ok_ = true;
        } else {
            void* p = mmap(nullptr, size_, PROT_READ, MAP_PRIVATE, fd, 0);
            if (p != MAP_FAILED) {
                madvise(p, size_, MADV_SEQUENTIAL);
                data_ = static_cast<const std::uint8_t*>(p);
                ok_ = true;
                mapped_ = true;
            } else {
                size_ = 0;
            }
        }
    }
    ::close(fd);
}

MappedFile::~MappedFile() { release(); }

MappedFile::MappedFile(MappedFile&& other) noexcept
    : data_(std::exchange(other.data_, nullptr))
    , size_(std::exchange(other.size_, 0))
    , droppedTo_(std::exchange(other.droppedTo_, 0))
    , ok_(std::exchange(other.ok_, false))
    , mapped_(std::exchange(other.mapped_, false))
{
}

MappedFile& MappedFile::operator=(MappedFile&& other) noexcept
{
    if (this != &other) {
        release();
        data_ = std::exchange(other.data_, nullptr);
        size_ = std::exchange(other.size_, 0);
        droppedTo_ = std::exchange(other.droppedTo_, 0);
        ok_ = std::exchange(other.ok_, false);
        mapped_ = std::exchange(other.mapped_, false);
    }
    return *this;
}

void MappedFile::release()
{
    if (mapped_)
        munmap(const_cast<std::uint8_t*>(data_), size_);
    data_ = nullptr;
    size_ = 0;
    droppedTo_ = 0;
    ok_ = false;
    mapped_ = false;
}

void MappedFile::readingAt(std::size_t offset, std::size_t next)
{
    if (!mapped_ || offset >= size_)
        return;
    const std::size_t page = pageSize();
    auto* const base = const_cast<std::uint8_t*>(data_);
    // Behind the reader: the mapping is private and never written, so its
    // pages can go and would come back from the file unchanged.
    const std::size_t behind = offset / page * page;
    if (behind > droppedTo_) {
        madvise(base + droppedTo_, behind - droppedTo_, MADV_DONTNEED);
        droppedTo_ = behind;
    }
    // Ahead: one call maps the next pages instead of a fault every few pages.
    // Kernels without MADV_POPULATE_READ (before 5.14) fault them in as read.
    const std::size_t from = behind;
    const std::size_t to = std::min(size_, offset + next);
    if (to > from) {
#ifdef MADV_POPULATE_READ
        madvise(base + from, to - from, MADV_POPULATE_READ);
#else
        madvise(base + from, to - from, MADV_WILLNEED);
#endif
    }
}

} // namespace plask::formats
