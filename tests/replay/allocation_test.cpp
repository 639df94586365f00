// Playback, seeking and search run once a second for hours and replay whole
// maps per step, so they must work in the storage the state was built with.
// This file counts every allocation the test program makes.

// The counting operators below pair malloc with free; when GCC inlines them
// it no longer sees that new and delete were replaced together.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <memory>
#include <new>
#include <string>

#include "replay/viewer_state.h"
#include "tests/support/log_lines.h"
#include "tests/support/temp_folder.h"
#include "tests/support/time_zone.h"

namespace {
std::atomic<long> allocations{0};
}

void* operator new(std::size_t size)
{
    ++allocations;
    if (void* p = std::malloc(size > 0 ? size : 1))
        return p;
    throw std::bad_alloc();
}
void* operator new[](std::size_t size) { return operator new(size); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
// The library's temporary buffers (std::inplace_merge) come from the
// non-throwing forms and go back through the plain delete: replace them too,
// or the sanitizers see memory from their new freed with our free.
void* operator new(std::size_t size, const std::nothrow_t&) noexcept
{
    ++allocations;
    return std::malloc(size > 0 ? size : 1);
}
void* operator new[](std::size_t size, const std::nothrow_t& tag) noexcept { return operator new(size, tag); }
void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { std::free(p); }

namespace zelkam {
namespace {

using namespace zelkam::test;

TEST(Allocation, SeekTickAndFindAllocateNothingPerEvent)
{
    ScopedTimeZone zone("UTC");
    TempFolder folder;
    LogText log("07/06/2001");
    log.at("10:00:00", mapStarted("de_dust"));
    char time[32];
    for (int i = 0; i < 600; ++i) {
        std::snprintf(time, sizeof time, "10:%02d:%02d", i / 60, i % 60);
        const std::string name = "p" + std::to_string(i % 40);
        log.at(time, connected(name, i % 40, "10.0." + std::to_string(i % 90) + ".1:27005"));
        log.at(time, said(name, i % 40, "CT", "some words " + std::to_string(i)));
        log.at(time, rconCommand("status", "10.0." + std::to_string(i % 90) + ".1:27005"));
        log.at(time, killed(name, i % 40, "CT", "p" + std::to_string((i + 1) % 40), (i + 1) % 40, "TERRORIST"));
        if (i % 100 == 99)
            log.at(time, mapStarted("map" + std::to_string(i)));
    }
    log.at("11:00:00", roundStarted());
    folder.write("L0706000.log", log.text());
    auto state = std::make_unique<ViewerState>();
    ASSERT_TRUE(state->loadFolder(folder.string()));

    allocations = 0;
    state->seek(localStamp(2001, 7, 6, 10, 9, 0));
    state->seekMinute(10 * 60 + 1);
    state->command(PlaybackCommand::Fastest);
    for (int i = 0; i < 20; ++i)
        state->tick();
    state->command(PlaybackCommand::Rewind);
    for (int i = 0; i < 20; ++i)
        state->tick();
    state->seekMinute(10 * 60);
    EXPECT_FALSE(state->find(SearchKind::Chat, "absent", true));
    EXPECT_FALSE(state->find(SearchKind::RconUser, "absent", true));
    EXPECT_EQ(allocations.load(), 0);

    // Without match case the fold buffer is made once per search, never per
    // event tested.
    allocations = 0;
    EXPECT_FALSE(state->find(SearchKind::Player, "absent", false));
    EXPECT_LE(allocations.load(), 1);
}

} // namespace
} // namespace zelkam
