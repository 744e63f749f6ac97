#pragma once
// The fuzzer's input as a file in memory, so the readers' file paths
// (open, fstat, read) run too without touching the disk. One memory file
// serves the whole process and is refilled per input: creating and closing
// a file per input costs more than most readers spend on the input itself.

#include <cstddef>
#include <cstdint>
#include <string>

#include <sys/mman.h>
#include <unistd.h>

class MemoryFile {
public:
    MemoryFile(const std::uint8_t* data, std::size_t size)
    {
        const Shared& shared = instance();
        // Writing first and then cutting to length keeps the file's pages
        // allocated from one input to the next.
        valid_ = shared.fd >= 0 && (size == 0 || pwrite(shared.fd, data, size, 0) == static_cast<ssize_t>(size))
            && ftruncate(shared.fd, static_cast<off_t>(size)) == 0;
    }
    MemoryFile(const MemoryFile&) = delete;
    MemoryFile& operator=(const MemoryFile&) = delete;
    [[nodiscard]] bool valid() const { return valid_; }
    [[nodiscard]] const std::string& path() const { return instance().path; }

private:
    struct Shared {
        int fd = memfd_create("fuzz-input", MFD_CLOEXEC);
        std::string path = "/proc/self/fd/" + std::to_string(fd);
    };
    static const Shared& instance()
    {
        static const Shared shared;
        return shared;
    }
    bool valid_ = false;
};

// A broken invariant is a crash the fuzzer reports.
inline void require(bool condition)
{
    if (!condition)
        __builtin_trap();
}
