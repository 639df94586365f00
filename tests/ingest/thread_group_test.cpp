#include "ingest/thread_group.h"

#include <atomic>
#include <vector>

#include <gtest/gtest.h>

namespace zelkam {
namespace {

// Every index runs once, and its work is done when join returns; a group
// started again first finishes what it ran before.
TEST(ThreadGroup, RunsEachIndexOnceAndJoinsBeforeStartingAgain)
{
    ThreadGroup group;
    for (unsigned count : {0u, 1u, 4u, 2u}) {
        SCOPED_TRACE(count);
        std::vector<std::atomic<int>> runs(count);
        const unsigned started = group.start(count, [&](unsigned index) { ++runs[index]; });
        EXPECT_EQ(started, count);
        group.join();
        EXPECT_EQ(group.size(), 0u);
        for (const auto& run : runs)
            EXPECT_EQ(run.load(), 1);
    }
    std::atomic<int> finished{0};
    {
        ThreadGroup going;
        going.start(3, [&](unsigned) { ++finished; });
    }
    EXPECT_EQ(finished.load(), 3);
}

} // namespace
} // namespace zelkam
