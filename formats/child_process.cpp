#include "formats/child_process.h"

#include <cerrno>
#include <cstdio>

#include <signal.h>

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

namespace plask::formats {

namespace {
    // The child may take this much address space beyond what it inherits, so
    // that a damaged file's absurd sizes fail in the child instead of pushing
    // the machine into swap. Readers work in fixed buffers far below it.
    constexpr rlim_t childAddressHeadroom = rlim_t { 4 } << 30;

    void limitAddressSpace()
    {
        unsigned long pages = 0;
        if (FILE* statm = std::fopen("/proc/self/statm", "r")) {
            if (std::fscanf(statm, "%lu", &pages) != 1)
                pages = 0;
            std::fclose(statm);
        }
        if (pages == 0)
            return;
        const rlim_t current = static_cast<rlim_t>(pages) * static_cast<rlim_t>(sysconf(_SC_PAGESIZE));
        const rlimit limit { current + childAddressHeadroom, current + childAddressHeadroom };
        setrlimit(RLIMIT_AS, &limit);
    }

    bool writeAll(int fd, const void* data, std::size_t bytes)
    {
        const auto* at = static_cast<const char*>(data);
        while (bytes > 0) {
            // A peer that is gone is an error here, not a SIGPIPE that ends this process.
            const ssize_t n = ::send(fd, at, bytes, MSG_NOSIGNAL);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                return false;
            at += n;
            bytes -= static_cast<std::size_t>(n);
        }
        return true;
    }

    bool readAll(int fd, void* data, std::size_t bytes)
    {
        auto* at = static_cast<char*>(data);
        while (bytes > 0) {
            const ssize_t n = ::read(fd, at, bytes);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                return false;
            at += n;
            bytes -= static_cast<std::size_t>(n);
        }
        return true;
    }

} // namespace

bool ChildChannel::write(const void* data, std::size_t bytes) { return writeAll(socket_, data, bytes); }

bool ChildChannel::awaitToken()
{
    char token = 0;
    return readAll(socket_, &token, 1);
}

ChildProcess::ChildProcess(std::size_t sharedBytes, const std::function<void(ChildChannel&)>& body)
{
    if (sharedBytes > 0) {
        void* region = mmap(nullptr, sharedBytes, PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0);
        if (region == MAP_FAILED)
            return;
        shared_ = region;
        sharedBytes_ = sharedBytes;
    }
    // One socket pair carries both ways: messages up, tokens down.
    int ends[2];
    if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0)
        return;
    pid_ = fork();
    if (pid_ == 0) {
        close(ends[0]);
        limitAddressSpace();
        ChildChannel channel(ends[1], shared_);
        try {
            body(channel);
        } catch (...) {
            _exit(1); // the parent sees the results end early
        }
        _exit(0);
    }
    close(ends[1]);
    if (pid_ < 0) {
        close(ends[0]);
        return;
    }
    socket_ = ends[0];
}

ChildProcess::~ChildProcess()
{
    if (socket_ >= 0)
        close(socket_);
    if (pid_ > 0) {
        kill(pid_, SIGKILL); // harmless when it has exited: it stays a zombie until reaped
        while (waitpid(pid_, nullptr, 0) < 0 && errno == EINTR) {
        }
    }
    if (shared_ != nullptr)
        munmap(shared_, sharedBytes_);
}

bool ChildProcess::read(void* data, std::size_t bytes) { return readAll(socket_, data, bytes); }

bool ChildProcess::sendToken()
{
    const char token = 1;
    return writeAll(socket_, &token, 1);
}

} // namespace plask::formats
