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

// Every item is taken once whatever the threads, including more threads
// than items; an item that says stop keeps further items from being taken,
// and the items already taken still finish.
TEST(ThreadGroup, SharedItemsAreEachTakenOnceAndAStopTakesNoMore)
{
    for (const std::size_t count : {0u, 1u, 7u, 300u}) {
        for (const unsigned threads : {0u, 1u, 2u, 8u, 400u}) {
            SCOPED_TRACE(testing::Message() << count << " items on " << threads << " threads");
            std::vector<std::atomic<int>> runs(count);
            shareItems(count, threads, [&](std::size_t index) {
                ++runs[index];
                return true;
            });
            for (const auto& run : runs)
                EXPECT_EQ(run.load(), 1);
        }
    }
    // Every item says stop: no thread takes a second one.
    for (const unsigned threads : {1u, 4u}) {
        SCOPED_TRACE(threads);
        std::atomic<int> taken{0};
        shareItems(1000, threads, [&](std::size_t) {
            ++taken;
            return false;
        });
        EXPECT_GE(taken.load(), 1);
        EXPECT_LE(taken.load(), static_cast<int>(threads));
    }
}

} // namespace
} // namespace zelkam
