#pragma once
// The fuzzer's input as a file in memory, so the readers' file paths
// (open, fstat, read) run too without touching the disk.

#include <cstddef>
#include <cstdint>
#include <string>

#include <sys/mman.h>
#include <unistd.h>

class MemoryFile {
public:
    MemoryFile(const std::uint8_t* data, std::size_t size)
        : fd_(memfd_create("fuzz-input", MFD_CLOEXEC))
    {
        if (fd_ >= 0 && size > 0 && write(fd_, data, size) != static_cast<ssize_t>(size))
            __builtin_trap();
    }
    ~MemoryFile()
    {
        if (fd_ >= 0)
            close(fd_);
    }
    MemoryFile(const MemoryFile&) = delete;
    MemoryFile& operator=(const MemoryFile&) = delete;
    [[nodiscard]] bool valid() const { return fd_ >= 0; }
    [[nodiscard]] std::string path() const { return "/proc/self/fd/" + std::to_string(fd_); }

private:
    int fd_;
};

// A broken invariant is a crash the fuzzer reports.
inline void require(bool condition)
{
    if (!condition)
        __builtin_trap();
}
