#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "replay/viewer_state.h"
#include "tests/replay/view_summary.h"
#include "tests/support/log_lines.h"
#include "tests/support/temp_folder.h"
#include "tests/support/time_zone.h"

namespace zelkam {
namespace {

using namespace zelkam::test;
using Strings = std::vector<std::string>;

TEST(DayLoad, FolderLoadsItsEarliestDayPausedAtTheFirstEvent)
{
    ScopedTimeZone zone("UTC");
    TempFolder folder;
    folder.write("L0706000.log", LogText("07/06/2001").at("10:00:00", mapStarted("de_dust")).text());
    folder.write("L0705000.log", LogText("07/05/2001")
                                     .at("22:00:00", mapStarted("de_aztec"))
                                     .at("22:00:10", said("Bob", 1, "CT", "hi"))
                                     .text());
    auto state = std::make_unique<ViewerState>();
    state->command(PlaybackCommand::Fast);
    ASSERT_TRUE(state->loadFolder(folder.string()));
    ASSERT_EQ(state->days().size(), 2u);
    EXPECT_EQ(state->days()[0], localStamp(2001, 7, 5));
    EXPECT_EQ(state->days()[1], localStamp(2001, 7, 6));
    EXPECT_EQ(state->dayStart(), localStamp(2001, 7, 5));
    EXPECT_EQ(state->clock(), localStamp(2001, 7, 5, 22, 0, 0));
    EXPECT_EQ(state->viewClock(), state->clock());
    EXPECT_EQ(state->viewMinute(), 22 * 60);
    EXPECT_EQ(state->speed(), 0);
    EXPECT_FALSE(state->isEmptyDay());
}

TEST(DayLoad, TheDayBeforeRebuildsWhoIsOnTheServer)
{
    ScopedTimeZone zone("UTC");
    TempFolder folder;
    folder.write("L0705000.log", LogText("07/05/2001")
                                     .at("23:00:00", mapStarted("de_dust"))
                                     .at("23:10:00", connected("Bob", 1, "10.0.0.1:27005"))
                                     .at("23:10:05", said("Bob", 1, "", "not shown"))
                                     .on("07/06/2001")
                                     .at("00:05:00", said("Bob", 1, "CT", "morning"))
                                     .text());
    folder.write("L0706000.log", LogText("07/06/2001").at("10:00:00", roundStarted()).text());
    auto state = std::make_unique<ViewerState>();
    ASSERT_TRUE(state->loadFolder(folder.string()));
    ASSERT_TRUE(state->loadDayAt(1));
    EXPECT_EQ(state->dayStart(), localStamp(2001, 7, 6));
    EXPECT_EQ(state->clock(), localStamp(2001, 7, 6, 0, 5, 0));
    EXPECT_STREQ(state->viewMapName(), "de_dust");
    EXPECT_EQ(playerNames(*state), Strings{"Bob"});
    EXPECT_TRUE(state->viewChatLines().empty()) << "lines of the day before expired long ago";
    EXPECT_EQ(state->events()[state->cursor()].kind, Say);
}

TEST(DayLoad, SnapshotsAtTheFirstEventAndEveryMapStart)
{
    ScopedTimeZone zone("UTC");
    TempFolder folder;
    folder.write("L0706000.log", LogText("07/06/2001")
                                     .at("10:00:00", mapStarted("de_dust"))
                                     .at("10:00:05", connected("Ann", 1, "10.0.0.1:27005"))
                                     .at("10:30:00", mapStarted("de_aztec"))
                                     .at("11:00:00", said("Ann", 1, "CT", "bye"))
                                     .at("11:00:00", mapStarted("cs_office"))
                                     .text());
    auto state = std::make_unique<ViewerState>();
    ASSERT_TRUE(state->loadFolder(folder.string()));
    // A map start as the window's first event gets two snapshots of the same
    // time; one stamped with the last event's second gets none.
    ASSERT_EQ(state->snapshots().size(), 3u);
    const std::int32_t ten = localStamp(2001, 7, 6, 10, 0, 0);
    EXPECT_EQ(state->snapshots()[0].time, ten);
    EXPECT_EQ(state->snapshots()[0].event, 0u);
    EXPECT_STREQ(state->snapshots()[0].mapName, "");
    EXPECT_EQ(state->snapshots()[1].time, ten);
    EXPECT_EQ(state->snapshots()[1].event, 0u);
    EXPECT_STREQ(state->snapshots()[1].mapName, "de_dust");
    EXPECT_EQ(state->snapshots()[2].time, localStamp(2001, 7, 6, 10, 30, 0));
    EXPECT_EQ(state->snapshots()[2].event, 2u);
    EXPECT_STREQ(state->snapshots()[2].mapName, "de_aztec");
    EXPECT_EQ(state->snapshots()[0].playerCount, 0u);
    EXPECT_EQ(state->snapshots()[1].playerCount, 0u);
    ASSERT_EQ(state->snapshots()[2].playerCount, 1u);
    EXPECT_STREQ(state->snapshots()[2].players[0].name, "Ann");
    EXPECT_EQ(state->lastEvent(), 4u);
    EXPECT_EQ(state->dayFirstEvent(), 0u);
    // Nothing is loaded past midnight: the day ends with the window.
    EXPECT_EQ(state->dayEndEvent(), 5u);
}

TEST(DayLoad, WindowWithoutMapStartHasOneSnapshot)
{
    ScopedTimeZone zone("UTC");
    TempFolder folder;
    folder.write("L0706000.log", LogText("07/06/2001")
                                     .at("10:00:00", connected("Ann", 1, "10.0.0.1:27005"))
                                     .at("10:00:01", entered("Ann", 1))
                                     .at("12:00:00", said("Ann", 1, "CT", "late"))
                                     .at("13:00:00", roundStarted())
                                     .text());
    auto state = std::make_unique<ViewerState>();
    ASSERT_TRUE(state->loadFolder(folder.string()));
    ASSERT_EQ(state->snapshots().size(), 1u);
    EXPECT_STREQ(state->snapshots()[0].mapName, "");
    state->seek(localStamp(2001, 7, 6, 12, 0, 5));
    EXPECT_EQ(playerNames(*state), Strings{"Ann"});
    EXPECT_EQ(chatTexts(*state), Strings{"Ann : late"});
}

TEST(DayLoad, SnapshotsStayDeepCopiesWhenTheListGrows)
{
    ScopedTimeZone zone("UTC");
    TempFolder folder;
    LogText log("07/06/2001");
    char time[32];
    for (int i = 0; i < 30; ++i) {
        std::snprintf(time, sizeof time, "10:%02d:00", i);
        log.at(time, connected("p" + std::to_string(i), i + 1, "10.0." + std::to_string(i) + ".1:27005"));
        std::snprintf(time, sizeof time, "10:%02d:30", i);
        log.at(time, mapStarted("map" + std::to_string(i)));
    }
    log.at("11:00:00", roundStarted());
    folder.write("L0706000.log", log.text());
    auto state = std::make_unique<ViewerState>();
    ASSERT_TRUE(state->loadFolder(folder.string()));
    ASSERT_EQ(state->snapshots().size(), 31u);
    EXPECT_EQ(state->snapshots().capacity(), 48u);
    EXPECT_EQ(state->snapshots()[0].playerCount, 0u);
    for (std::size_t i = 1; i < 31; ++i) {
        const Snapshot& snapshot = state->snapshots()[i];
        ASSERT_EQ(snapshot.playerCount, i) << i;
        EXPECT_EQ(std::string(snapshot.players[0].name), "p" + std::to_string(i - 1)) << i;
        EXPECT_EQ(std::string(snapshot.players[i - 1].name), "p0") << i;
        EXPECT_EQ(std::string(snapshot.mapName), "map" + std::to_string(i - 1)) << i;
    }
}

// A listed day whose only file holds no recognised line: its window has the
// day before's events but none from the day's midnight on.
void writeDayWithoutEvents(const TempFolder& folder)
{
    folder.write("L0705000.log", LogText("07/05/2001")
                                     .at("20:00:00", mapStarted("de_dust"))
                                     .at("20:00:05", connected("Bob", 1, "10.0.0.1:27005"))
                                     .at("20:01:00", said("Bob", 1, "CT", "hi"))
                                     .at("20:30:00", roundStarted())
                                     .text());
    folder.write("L0706000.log", LogText("07/06/2001").at("10:00:00", "Log file started (file \"x\")").text());
}

// Everything an empty day promises: clock at its midnight, nothing shown,
// nothing to play or find, every seek landing on the midnight.
void expectEmptyDay(ViewerState& state, std::int32_t day)
{
    SCOPED_TRACE("empty day");
    EXPECT_TRUE(state.isEmptyDay());
    EXPECT_EQ(state.dayStart(), day);
    EXPECT_EQ(state.clock(), day);
    EXPECT_EQ(state.viewClock(), day);
    EXPECT_EQ(state.viewMinute(), 0);
    EXPECT_STREQ(state.viewMapName(), "");
    EXPECT_TRUE(state.viewPlayers().empty());
    EXPECT_TRUE(state.viewChatLines().empty());
    EXPECT_EQ(state.live().ctScore, 0);
    EXPECT_EQ(state.live().tScore, 0);
    EXPECT_EQ(state.speed(), 0);
    EXPECT_EQ(state.live().roster.count, 0u);
    EXPECT_TRUE(state.live().recentPlayers.empty());

    for (PlaybackCommand command : {PlaybackCommand::Fastest, PlaybackCommand::Rewind, PlaybackCommand::Play}) {
        state.command(command);
        EXPECT_FALSE(state.tick()) << static_cast<int>(command);
        EXPECT_EQ(state.clock(), day);
    }
    state.command(PlaybackCommand::Pause);
    EXPECT_FALSE(state.find(SearchKind::Chat, "", false));
    EXPECT_FALSE(state.find(SearchKind::RconCmd, "", true));
    state.seek(day + 5000);
    EXPECT_EQ(state.viewClock(), day);
    state.seekMinute(700);
    EXPECT_EQ(state.viewClock(), day);
    EXPECT_EQ(state.viewMinute(), 0);
    EXPECT_TRUE(state.viewChatLines().empty());
}

TEST(DayLoad, DayWithoutEventsFromItsMidnightIsAnEmptyDay)
{
    ScopedTimeZone zone("UTC");
    TempFolder folder;
    writeDayWithoutEvents(folder);
    auto state = std::make_unique<ViewerState>();
    ASSERT_TRUE(state->loadFolder(folder.string()));
    state->command(PlaybackCommand::Fastest);
    EXPECT_TRUE(state->loadDayAt(1)) << "the read itself succeeded";
    expectEmptyDay(*state, localStamp(2001, 7, 6));
}

TEST(DayLoad, FailedReadIsAnEmptyDayAndForgetsThePublishedView)
{
    ScopedTimeZone zone("UTC");
    TempFolder folder;
    writeDayWithoutEvents(folder);
    auto state = std::make_unique<ViewerState>();
    ASSERT_TRUE(state->loadFolder(folder.string()));
    state->seek(localStamp(2001, 7, 5, 20, 1, 5));
    ASSERT_EQ(state->viewChatLines().size(), 1u);
    // No file starts on or after the day before this one.
    const std::int32_t later = localStamp(2001, 8, 1);
    EXPECT_FALSE(state->loadDay(later));
    expectEmptyDay(*state, later);
}

TEST(DayLoad, UnloadLeavesAnEmptyDayAtTheCurrentDay)
{
    ScopedTimeZone zone("UTC");
    TempFolder folder;
    writeDayWithoutEvents(folder);
    auto state = std::make_unique<ViewerState>();
    ASSERT_TRUE(state->loadFolder(folder.string()));
    state->command(PlaybackCommand::Rewind);
    state->unload();
    EXPECT_FALSE(state->rewinding());
    EXPECT_TRUE(state->days().empty());
    EXPECT_TRUE(state->events().empty());
    expectEmptyDay(*state, localStamp(2001, 7, 5));
    EXPECT_FALSE(state->loadDayAt(0));
    expectEmptyDay(*state, localStamp(2001, 7, 5));
}

TEST(DayLoad, DayIndexOutsideTheListIsAnEmptyDayKeepingRewind)
{
    ScopedTimeZone zone("UTC");
    TempFolder folder;
    writeDayWithoutEvents(folder);
    auto state = std::make_unique<ViewerState>();
    ASSERT_TRUE(state->loadFolder(folder.string()));
    state->command(PlaybackCommand::Rewind);
    EXPECT_FALSE(state->loadDayAt(2));
    EXPECT_TRUE(state->rewinding());
    EXPECT_EQ(state->days().size(), 2u);
    expectEmptyDay(*state, localStamp(2001, 7, 5));
    // The folder's days still load afterwards.
    EXPECT_TRUE(state->loadDayAt(0));
    EXPECT_FALSE(state->isEmptyDay());
}

TEST(DayLoad, FailedFolderScanChangesNothing)
{
    ScopedTimeZone zone("UTC");
    TempFolder folder;
    writeDayWithoutEvents(folder);
    TempFolder empty;
    auto state = std::make_unique<ViewerState>();
    ASSERT_TRUE(state->loadFolder(folder.string()));
    const std::string before = viewSummary(*state);
    EXPECT_FALSE(state->loadFolder(empty.string()));
    EXPECT_EQ(state->days().size(), 2u);
    EXPECT_EQ(viewSummary(*state), before);
    // The loaded day is still there to play.
    state->seek(localStamp(2001, 7, 5, 20, 1, 5));
    EXPECT_EQ(chatTexts(*state), Strings{"Bob : hi"});
}

} // namespace
} // namespace zelkam
