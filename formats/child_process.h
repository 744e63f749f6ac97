#pragma once
// A function run in a forked child process that sends its results back
// through a socket and a shared memory region. A library that may crash or run
// out of memory on a damaged file (libhdf5 does not check all its
// allocations) then takes down only the child: the parent sees the
// messages end early and reports the file as damaged.

#include <cstddef>
#include <cstdint>
#include <functional>

namespace plask::formats {

// The child's side: messages to the parent, tokens back from it.
class ChildChannel {
public:
    ChildChannel(int socket, void* shared)
        : socket_(socket)
        , shared_(shared)
    {
    }
    bool write(const void* data, std::size_t bytes); // whole writes or false
    template <typename T> bool value(const T& v) { return write(&v, sizeof v); }
    bool awaitToken(); // false when the parent is gone
    [[nodiscard]] void* shared() const { return shared_; }

private:
    int socket_;
    void* shared_;
};

class ChildProcess {
public:
    // Maps `sharedBytes` of memory both processes see, forks and runs `body`
    // in the child, which then exits at once (no destructors, no exit
    // handlers of the parent's state). !started() when that failed.
    ChildProcess(std::size_t sharedBytes, const std::function<void(ChildChannel&)>& body);
    ~ChildProcess(); // kills a child still running, reaps it, unmaps
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    [[nodiscard]] bool started() const { return pid_ > 0; }
    // Reads exactly `bytes`; false when the child ended (or died) first.
    [[nodiscard]] bool read(void* data, std::size_t bytes);
    template <typename T> [[nodiscard]] bool value(T& v) { return read(&v, sizeof v); }
    bool sendToken();
    [[nodiscard]] void* shared() const { return shared_; }

private:
    int pid_ = -1;
    int socket_ = -1;
    void* shared_ = nullptr;
    std::size_t sharedBytes_ = 0;
};

} // namespace plask::formats
