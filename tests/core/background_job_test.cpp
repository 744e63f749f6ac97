#include "core/background_job.h"

#include <gtest/gtest.h>

#include <atomic>
#include <numeric>
#include <vector>

namespace plask {
namespace {

// A job that sums blocks of shared input, reporting after each block, and
// stops when told; the owner cancels it once it is under way.
TEST(BackgroundJobTest, CancelStopsAtABlockBoundaryAndAFullRunCompletes)
{
    const std::vector<std::uint64_t> input(1 << 16, 3);
    constexpr std::size_t block = 64;
    std::atomic<bool> started { false };
    std::atomic<bool> proceed { false }; // holds the job after its first block
    std::uint64_t sum = 0; // the job's scratch, read only after wait()
    std::size_t blocksDone = 0;
    const Job job = [&](Progress& progress) {
        sum = 0;
        blocksDone = 0;
        for (std::size_t first = 0; first < input.size(); first += block) {
            if (!progress.step(static_cast<double>(first) / static_cast<double>(input.size())))
                return;
            sum = std::accumulate(input.begin() + static_cast<std::ptrdiff_t>(first),
                input.begin() + static_cast<std::ptrdiff_t>(first + block), sum);
            ++blocksDone;
            started.store(true);
            while (!proceed.load())
                std::this_thread::yield();
        }
        (void)progress.step(1.0);
    };

    std::atomic<int> wakes { 0 };
    {
        BackgroundJob running(job, [&wakes] { wakes.fetch_add(1); });
        while (!started.load())
            std::this_thread::yield();
        running.cancel();
        proceed.store(true);
        EXPECT_EQ(running.wait(), JobOutcome::cancelled);
        EXPECT_TRUE(running.finished());
    }
    EXPECT_EQ(blocksDone, 1u);
    EXPECT_EQ(sum, 3 * block * blocksDone);
    EXPECT_EQ(wakes.load(), 1);

    BackgroundJob complete(job);
    EXPECT_EQ(complete.wait(), JobOutcome::completed);
    EXPECT_EQ(sum, 3 * input.size());
    EXPECT_EQ(complete.fraction(), 1.0);
}

} // namespace
} // namespace plask
