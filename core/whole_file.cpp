#include "core/whole_file.h"

#include <algorithm>
#include <cerrno>
#include <limits>
#include <utility>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace plask {

namespace {
    // Pieces small enough to stay in the cache for the visitor.
    constexpr std::size_t chunkBytes = std::size_t { 512 } << 10;

    class FileDescriptor {
    public:
        explicit FileDescriptor(int fd)
            : fd_(fd)
        {
        }
        ~FileDescriptor()
        {
            if (fd_ >= 0)
                ::close(fd_);
        }
        FileDescriptor(const FileDescriptor&) = delete;
        FileDescriptor& operator=(const FileDescriptor&) = delete;
        [[nodiscard]] int get() const { return fd_; }
        [[nodiscard]] bool valid() const { return fd_ >= 0; }
        // Closes now and reports whether the close succeeded (it may report a
        // delayed write error).
        bool close() { return ::close(std::exchange(fd_, -1)) == 0; }

    private:
        int fd_;
    };

    // read() that retries after signals; the count read, or -1 on an error.
    long readSome(int fd, std::uint8_t* into, std::size_t bytes)
    {
        for (;;) {
            const ssize_t n = ::read(fd, into, bytes);
            if (n >= 0 || errno != EINTR)
                return n;
        }
    }

    bool writeAll(int fd, std::span<const std::uint8_t> bytes, Progress& progress, double& written, double total)
    {
        while (!bytes.empty()) {
            if (!progress.step(total > 0.0 ? written / total : 1.0))
                return false;
            const ssize_t n = ::write(fd, bytes.data(), std::min(bytes.size(), chunkBytes));
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                return false;
            bytes = bytes.subspan(static_cast<std::size_t>(n));
            written += static_cast<double>(n);
        }
        return true;
    }
} // namespace

WholeFile readWholeFile(const std::string& path, const ChunkVisitor& visit, Progress& progress)
{
    WholeFile file;
    FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    struct stat info { };
    if (!fd.valid() || ::fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode)) {
        file.result = readCannotOpen;
        return file;
    }
    if (info.st_size <= 0) {
        file.result = readNothing;
        return file;
    }
    if (static_cast<std::uintmax_t>(info.st_size) > std::numeric_limits<std::size_t>::max()) {
        file.result = readNoMemory;
        return file;
    }
    const auto size = static_cast<std::size_t>(info.st_size);
    file.block = PageBlock::allocate(size);
    if (!file.block) {
        file.result = readNoMemory;
        return file;
    }
    auto* bytes = static_cast<std::uint8_t*>(file.block.data());
    std::size_t done = 0;
    while (done < size) {
        const long n = readSome(fd.get(), bytes + done, std::min(chunkBytes, size - done));
        if (n < 0) {
            file.block.reset();
            file.result = readCannotOpen;
            return file;
        }
        if (n == 0)
            break; // the file shrank since fstat
        if (visit)
            visit({ bytes + done, static_cast<std::size_t>(n) });
        done += static_cast<std::size_t>(n);
        if (!progress.step(static_cast<double>(done) / static_cast<double>(size))) {
            file.block.reset();
            file.result = readCancelled;
            return file;
        }
    }
    if (done == 0) {
        file.block.reset();
        file.result = readNothing;
        return file;
    }
    file.size = done;
    return file;
}

long readFileStart(const std::string& path, std::span<std::uint8_t> bytes)
{
    FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (!fd.valid())
        return -1;
    std::size_t done = 0;
    while (done < bytes.size()) {
        const long n = readSome(fd.get(), bytes.data() + done, bytes.size() - done);
        if (n <= 0)
            break;
        done += static_cast<std::size_t>(n);
    }
    return static_cast<long>(done);
}

bool writeFileAtomically(const std::string& path, std::initializer_list<std::span<const std::uint8_t>> parts)
{
    return writeFileAtomically(path, parts, noProgress());
}

bool writeFileAtomically(
    const std::string& path, std::initializer_list<std::span<const std::uint8_t>> parts, Progress& progress)
{
    const std::string temporary = path + ".tmp" + std::to_string(::getpid());
    FileDescriptor fd(::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666));
    if (!fd.valid())
        return false;
    double total = 0.0;
    for (const std::span<const std::uint8_t> part : parts)
        total += static_cast<double>(part.size());
    double written = 0.0;
    bool ok = true;
    for (const std::span<const std::uint8_t> part : parts)
        ok = ok && writeAll(fd.get(), part, progress, written, total);
    ok = fd.close() && ok;
    ok = ok && ::rename(temporary.c_str(), path.c_str()) == 0;
    if (!ok)
        ::unlink(temporary.c_str());
    return ok;
}

} // namespace plask
