#pragma once
// Page-granular, zero-filled memory blocks for the program's large arrays
// (counts, scratch, burst arrays, lag records).

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>
#include <utility>

namespace plask {

// Size of one memory page as the system reports it.
[[nodiscard]] std::size_t pageSize();

// A zero-filled, readable and writable block of `bytes` rounded up to whole
// pages, or nullptr when the system refuses or `bytes` is 0.
[[nodiscard]] void* allocatePages(std::size_t bytes);

// While one lives, this thread's page allocations succeed `succeeding` more
// times and then fail, as when the system runs out of memory: the seam the
// tests of the memory-failure paths use. Scopes nest.
class PageAllocationFailure {
public:
    explicit PageAllocationFailure(std::size_t succeeding);
    ~PageAllocationFailure();
    PageAllocationFailure(const PageAllocationFailure&) = delete;
    PageAllocationFailure& operator=(const PageAllocationFailure&) = delete;

private:
    const PageAllocationFailure* previous_;
    std::size_t previousLeft_;
};

// Releases a block from allocatePages; `bytes` is the size that was asked for.
void freePages(void* block, std::size_t bytes);

// Owns one block from allocatePages. Move-only.
class PageBlock {
public:
    PageBlock() = default;
    [[nodiscard]] static PageBlock allocate(std::size_t bytes);
    ~PageBlock() { reset(); }
    PageBlock(PageBlock&& other) noexcept
        : data_(std::exchange(other.data_, nullptr))
        , bytes_(std::exchange(other.bytes_, 0))
    {
    }
    PageBlock& operator=(PageBlock&& other) noexcept
    {
        if (this != &other) {
            reset();
            data_ = std::exchange(other.data_, nullptr);
            bytes_ = std::exchange(other.bytes_, 0);
        }
        return *this;
    }
    PageBlock(const PageBlock&) = delete;
    PageBlock& operator=(const PageBlock&) = delete;

    void reset();
    // Grows (or shrinks) the block to `bytes`, keeping its contents; pages
    // added are zero. The block may move. False, and unchanged, on refusal.
    [[nodiscard]] bool resize(std::size_t bytes);
    // Maps the pages of bytes [from, to) (within the block) ahead of their
    // first writes, in one call instead of a fault per page; a hint only.
    void bringIn(std::size_t from, std::size_t to) const;
    [[nodiscard]] void* data() const { return data_; }
    [[nodiscard]] std::size_t bytes() const { return bytes_; }
    [[nodiscard]] explicit operator bool() const { return data_ != nullptr; }

private:
    void* data_ = nullptr;
    std::size_t bytes_ = 0;
};

// A typed array living in a PageBlock: `capacity` elements, zero at start.
template <typename T>
class PageArray {
public:
    PageArray() = default;
    PageArray(PageArray&& other) noexcept
        : block_(std::move(other.block_))
        , capacity_(std::exchange(other.capacity_, 0))
    {
    }
    PageArray& operator=(PageArray&& other) noexcept
    {
        block_ = std::move(other.block_);
        capacity_ = std::exchange(other.capacity_, 0);
        return *this;
    }
    ~PageArray() = default;
    PageArray(const PageArray&) = delete;
    PageArray& operator=(const PageArray&) = delete;

    [[nodiscard]] static PageArray allocate(std::size_t count)
    {
        PageArray array;
        if (count == 0 || count > SIZE_MAX / sizeof(T))
            return array;
        array.block_ = PageBlock::allocate(count * sizeof(T));
        if (array.block_)
            array.capacity_ = count;
        return array;
    }
    void reset()
    {
        block_.reset();
        capacity_ = 0;
    }
    // Keeps the first elements and zero-fills the new ones; false on refusal.
    [[nodiscard]] bool resize(std::size_t count)
    {
        if (count == 0 || count > SIZE_MAX / sizeof(T))
            return false;
        if (!block_) {
            *this = allocate(count);
            return capacity_ == count;
        }
        if (!block_.resize(count * sizeof(T)))
            return false;
        capacity_ = count;
        return true;
    }
    // Elements [from, to) ahead of their first writes (see PageBlock::bringIn).
    void bringIn(std::size_t from, std::size_t to) const
    {
        block_.bringIn(std::min(from, capacity_) * sizeof(T), std::min(to, capacity_) * sizeof(T));
    }
    [[nodiscard]] T* data() const { return static_cast<T*>(block_.data()); }
    [[nodiscard]] std::size_t capacity() const { return capacity_; }
    [[nodiscard]] bool empty() const { return capacity_ == 0; }
    [[nodiscard]] explicit operator bool() const { return capacity_ != 0; }
    T& operator[](std::size_t i) const { return data()[i]; }
    [[nodiscard]] std::span<T> span() const { return { data(), capacity_ }; }
    [[nodiscard]] std::span<T> first(std::size_t n) const { return { data(), n }; }

private:
    PageBlock block_;
    std::size_t capacity_ = 0;
};

} // namespace plask
