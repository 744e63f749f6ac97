#include "core/page_block.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace plask {
namespace {

TEST(PageBlock, ZeroBytesGiveNoBlock)
{
    EXPECT_EQ(allocatePages(0), nullptr);
    EXPECT_FALSE(PageBlock::allocate(0));
    EXPECT_FALSE(PageArray<std::uint16_t>::allocate(0));
}

TEST(PageBlock, BlocksAreZeroFilledAndCoverWholePages)
{
    const std::size_t page = pageSize();
    for (const std::size_t bytes : { std::size_t { 1 }, page, page + 1, std::size_t { 5 } << 20 }) {
        PageBlock block = PageBlock::allocate(bytes);
        ASSERT_TRUE(block) << bytes;
        auto* first = static_cast<unsigned char*>(block.data());
        // The rounded-up tail of the last page is ours too.
        const std::size_t rounded = (bytes + page - 1) / page * page;
        EXPECT_TRUE(std::all_of(first, first + rounded, [](unsigned char b) { return b == 0; })) << bytes;
        first[rounded - 1] = 1;
    }
}

TEST(PageBlock, MovingHandsOverOwnership)
{
    PageArray<double> a = PageArray<double>::allocate(10);
    ASSERT_TRUE(a);
    a[9] = 4.5;
    PageArray<double> b = std::move(a);
    EXPECT_FALSE(a); // NOLINT(bugprone-use-after-move): moved-from is empty by contract
    EXPECT_EQ(b.capacity(), 10u);
    EXPECT_EQ(b[9], 4.5);
    b.reset();
    EXPECT_FALSE(b);
}

TEST(PageBlock, AbsurdSizesAreRefused)
{
    EXPECT_EQ(allocatePages(SIZE_MAX), nullptr);
    EXPECT_FALSE(PageArray<double>::allocate(SIZE_MAX / 4));
}

} // namespace
} // namespace plask
