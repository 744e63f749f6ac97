#include "core/page_block.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <utility>

#include <sys/mman.h>
#include <unistd.h>

namespace plask {

namespace {
    // Blocks this large ask for transparent huge pages: the first touch of a
    // fresh 4 KiB page is expensive, and a 2 MiB page is faulted in once.
    constexpr std::size_t hugePageThreshold = std::size_t { 4 } << 20;

    // The innermost PageAllocationFailure of this thread and the allocations it still allows.
    thread_local const PageAllocationFailure* failure = nullptr;
    thread_local std::size_t allocationsLeft = 0;

    bool failureRequested()
    {
        if (failure == nullptr)
            return false;
        if (allocationsLeft == 0)
            return true;
        --allocationsLeft;
        return false;
    }

    // Blocks up to this size come from the heap: a mapping of its own costs a
    // TLB flush when it is unmapped, which dominates for many small blocks.
    constexpr std::size_t heapBlockLimit = std::size_t { 128 } << 10;

    std::size_t roundUpToPages(std::size_t bytes)
    {
        const std::size_t page = pageSize();
        return (bytes / page + (bytes % page != 0 ? 1 : 0)) * page;
    }

    // Whether a block of this rounded size lives on the heap; a pure function
    // of the size, so that freeing and resizing know where a block came from.
    bool onHeap(std::size_t rounded) { return rounded <= heapBlockLimit; }

    void* mapPages(std::size_t rounded)
    {
        if (onHeap(rounded)) {
            void* block = std::aligned_alloc(pageSize(), rounded);
            if (block != nullptr)
                std::memset(block, 0, rounded);
            return block;
        }
        void* block = mmap(nullptr, rounded, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (block == MAP_FAILED)
            return nullptr;
#ifdef MADV_HUGEPAGE
        if (rounded >= hugePageThreshold)
            madvise(block, rounded, MADV_HUGEPAGE);
#endif
        return block;
    }

    void unmapPages(void* block, std::size_t rounded)
    {
        if (onHeap(rounded))
            std::free(block);
        else
            munmap(block, rounded);
    }
} // namespace

std::size_t pageSize()
{
    static const std::size_t size = [] {
        const long reported = sysconf(_SC_PAGESIZE);
        return reported > 0 ? static_cast<std::size_t>(reported) : std::size_t { 4096 };
    }();
    return size;
}

PageAllocationFailure::PageAllocationFailure(std::size_t succeeding)
    : previous_(std::exchange(failure, this))
    , previousLeft_(std::exchange(allocationsLeft, succeeding))
{
}

PageAllocationFailure::~PageAllocationFailure()
{
    failure = previous_;
    allocationsLeft = previousLeft_;
}

void* allocatePages(std::size_t bytes)
{
    if (bytes == 0 || bytes > SIZE_MAX - pageSize() || failureRequested())
        return nullptr;
    return mapPages(roundUpToPages(bytes));
}

void freePages(void* block, std::size_t bytes)
{
    if (block != nullptr && bytes != 0)
        unmapPages(block, roundUpToPages(bytes));
}

PageBlock PageBlock::allocate(std::size_t bytes)
{
    PageBlock owned;
    owned.data_ = allocatePages(bytes);
    if (owned.data_ != nullptr)
        owned.bytes_ = bytes;
    return owned;
}

bool PageBlock::resize(std::size_t bytes)
{
    if (data_ == nullptr || bytes == 0 || bytes > SIZE_MAX - pageSize() || failureRequested())
        return false;
    const std::size_t oldRounded = roundUpToPages(bytes_);
    const std::size_t newRounded = roundUpToPages(bytes);
    if (newRounded != oldRounded && !onHeap(oldRounded) && !onHeap(newRounded)) {
        // Anonymous pages move without copying; new pages read as zero.
        void* moved = mremap(data_, oldRounded, newRounded, MREMAP_MAYMOVE);
        if (moved == MAP_FAILED)
            return false;
        data_ = moved;
    } else if (newRounded != oldRounded) {
        void* moved = mapPages(newRounded);
        if (moved == nullptr)
            return false;
        std::memcpy(moved, data_, std::min(bytes, bytes_));
        unmapPages(data_, oldRounded);
        data_ = moved;
        bytes_ = std::min(bytes, bytes_); // the rest of the new block is zero already
    }
    // The old last page past the old size may hold values from before a shrink.
    if (bytes > bytes_)
        std::memset(static_cast<std::uint8_t*>(data_) + bytes_, 0, std::min(bytes, oldRounded) - bytes_);
    bytes_ = bytes;
    return true;
}

void PageBlock::bringIn(std::size_t from, std::size_t to) const
{
#ifdef MADV_POPULATE_WRITE
    if (data_ == nullptr || onHeap(roundUpToPages(bytes_)) || to <= from)
        return;
    const std::size_t page = pageSize();
    const std::size_t start = from / page * page;
    const std::size_t end = std::min(roundUpToPages(to), roundUpToPages(bytes_));
    if (end > start)
        madvise(static_cast<std::uint8_t*>(data_) + start, end - start, MADV_POPULATE_WRITE);
#else
    (void)from;
    (void)to;
#endif
}

void PageBlock::reset()
{
    freePages(data_, bytes_);
    data_ = nullptr;
    bytes_ = 0;
}

} // namespace plask
