// Every map start takes a snapshot, and a log can be made of little else.
// Snapshots hold only the recent players that were live, shared while the
// ring does not change; each must still restore exactly the ring it saw.

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "replay/viewer_state.h"
#include "tests/support/log_lines.h"
#include "tests/support/temp_folder.h"
#include "tests/support/time_zone.h"
#include "state/event_application.h"

namespace zelkam {
namespace {

using namespace zelkam::test;

std::string timeOf(int second)
{
    char text[16];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d", second / 3600, second % 3600 / 60, second % 60);
    return text;
}

TEST(MapStarts, EverySnapshotHoldsTheRingItSaw)
{
    ScopedTimeZone zone("UTC");
    TempFolder folder;
    LogText log("07/06/2001");
    // Map starts in runs, with connections (new and known addresses), name
    // changes and disconnections between some of them.
    int second = 0;
    for (int i = 0; i < 300; ++i) {
        log.at(timeOf(second++), mapStarted("de_" + std::to_string(i)));
        if (i % 7 == 3)
            log.at(timeOf(second++), connected("p" + std::to_string(i), i, "10.0." + std::to_string(i % 90) + ".1:1"));
        if (i % 14 == 3)
            log.at(timeOf(second++), changedName("p" + std::to_string(i), i, "", "n" + std::to_string(i)));
        if (i % 13 == 0)
            log.at(timeOf(second++), disconnected("p" + std::to_string(i - 10), i - 10));
    }
    log.at(timeOf(second++), roundStarted());
    folder.write("L0706000.log", log.text());

    auto state = std::make_unique<ViewerState>();
    ASSERT_TRUE(state->loadFolder(folder.string()));
    ASSERT_EQ(state->snapshots().size(), 301u);

    // The plain way: walk the window from its start to each snapshot's event.
    LiveState plain;
    std::size_t applied = 0;
    for (const Snapshot& snapshot : state->snapshots()) {
        while (applied < snapshot.event)
            applyEventMasked(plain, state->events()[applied++], SnapshotKindMask);
        ASSERT_EQ(snapshot.playerCount, plain.recentPlayers.size()) << snapshot.event;
        for (std::size_t i = 0; i < snapshot.playerCount; ++i) {
            EXPECT_STREQ(snapshot.players[i].name, plain.recentPlayers[i].name) << snapshot.event << " " << i;
            EXPECT_EQ(snapshot.players[i].addressKey, plain.recentPlayers[i].addressKey) << snapshot.event;
        }
    }
}

TEST(MapStarts, HalfAMillionMapStartsLoadAndSeek)
{
    ScopedTimeZone zone("UTC");
    TempFolder folder;
    std::string text;
    text += lineAt("07/06/2001", "00:00:00", connected("Bob", 1, "10.0.0.1:27005"));
    constexpr int MapStarts = 500000;
    for (int i = 0; i < MapStarts; ++i)
        text += lineAt("07/06/2001", timeOf(static_cast<int>(static_cast<long long>(i) * 86399 / MapStarts)),
                       mapStarted(i % 2 ? "de_dust" : "cs_italy"));
    text += lineAt("07/06/2001", "23:59:58", rconCommand("status", "10.0.0.1:1"));
    text += lineAt("07/06/2001", "23:59:59", roundStarted());
    folder.write("L0706000.log", text);

    auto state = std::make_unique<ViewerState>();
    ASSERT_TRUE(state->loadFolder(folder.string()));
    EXPECT_GT(state->snapshots().size(), static_cast<std::size_t>(MapStarts) - 10);
    for (const Snapshot& snapshot : {state->snapshots()[1], state->snapshots()[state->snapshots().size() - 1]}) {
        ASSERT_EQ(snapshot.playerCount, 1u);
        EXPECT_STREQ(snapshot.players[0].name, "Bob");
    }
    state->seekMinute(23 * 60 + 59);
    state->command(PlaybackCommand::Play);
    for (int i = 0; i < 60; ++i)
        state->tick();
    ASSERT_FALSE(state->viewChatLines().empty());
    EXPECT_STREQ(state->viewChatLines()[state->viewChatLines().size() - 1].text, "<Bob> status");
}

} // namespace
} // namespace zelkam
