#include "replay/day_replay.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "replay/viewer_state.h"
#include "tests/replay/view_summary.h"
#include "tests/support/log_lines.h"
#include "tests/support/temp_folder.h"
#include "tests/support/time_zone.h"

namespace zelkam {
namespace {

using namespace zelkam::test;

TEST(DayReplay, EndsAtTheNextMidnightOrASecondAfterTheLastEvent)
{
    ScopedTimeZone zone("UTC");
    struct Case {
        const char* what;
        bool pastMidnight;
    };
    for (const Case c : {Case{"files end before midnight", false}, Case{"a file runs past midnight", true}}) {
        SCOPED_TRACE(c.what);
        TempFolder folder;
        LogText text("07/06/2001");
        text.at("22:00:00", mapStarted("de_dust")).at("23:59:59", said("Ann", 1, "CT", "late"));
        if (c.pastMidnight)
            text.on("07/07/2001").at("00:00:03", said("Ann", 1, "CT", "early")).at("00:10:00", roundStarted());
        folder.write("L0706000.log", text.text());
        auto state = loaded(folder);
        const DayReplay& day = state->day();
        const std::int32_t late = localStamp(2001, 7, 6, 23, 59, 59);
        EXPECT_EQ(day.endsWithWindow(), !c.pastMidnight);
        if (c.pastMidnight) {
            EXPECT_EQ(day.endEvent(), 2u);
            EXPECT_EQ(day.endTime(), localStamp(2001, 7, 7, 0, 0, 3));
            EXPECT_EQ(day.playEndTime(), localStamp(2001, 7, 7, 0, 10, 1));
        } else {
            EXPECT_EQ(day.endEvent(), day.events().size());
            EXPECT_EQ(day.endTime(), late + 1);
            EXPECT_EQ(day.playEndTime(), late + 1);
        }
        // The seek to the end shows the day's last line either way.
        state->seek(day.endTime());
        ASSERT_FALSE(state->viewChatLines().empty());
        EXPECT_STREQ(state->viewChatLines()[state->viewChatLines().size() - 1].text, "*DEAD*Ann : late");
    }
}

// A server shut down after midnight disconnects everyone in the last second
// of the loaded lines: playing on to there applies it, as at a day's end.
TEST(DayReplay, PlayingPastMidnightAppliesTheLastSecond)
{
    ScopedTimeZone zone("UTC");
    TempFolder folder;
    LogText text("07/06/2001");
    text.at("23:59:00", mapStarted("de_dust"))
        .at("23:59:01", entered("Ann", 1))
        .at("23:59:02", joinedTeam("Ann", 1, "CT"))
        .on("07/07/2001")
        .at("00:18:13", disconnected("Ann", 1, "CT"));
    folder.write("L0706000.log", text.text());
    auto state = loaded(folder);
    state->command(PlaybackCommand::Fastest);
    for (int i = 0; i < 40; ++i)
        state->tick();
    EXPECT_EQ(state->clock(), localStamp(2001, 7, 7, 0, 18, 14));
    EXPECT_EQ(state->viewPlayers().size(), 0u) << "the disconnection of the last second was not applied";
}

// No line of a day is lost because another lies about its time: a line in
// the middle of the day stamped on the next one (or the day before) is set
// aside, and the day plays, transcribes and ends as if it were not there.
TEST(DayReplay, AStrayStampNeitherEndsNorStallsTheDay)
{
    ScopedTimeZone zone("UTC");
    for (const char* strayDate : {"07/07/2001", "07/05/2001"}) {
        SCOPED_TRACE(strayDate);
        TempFolder folder;
        LogText text("07/06/2001");
        text.at("10:00:00", mapStarted("de_dust"));
        for (int i = 0; i < 60; ++i) {
            char time[16];
            std::snprintf(time, sizeof time, "10:%02d:05", i);
            text.at(time, said("Bob", 2, "CT", "msg" + std::to_string(i)));
            if (i == 30)
                text.on(strayDate).at("03:00:00", said("Eve", 3, "TERRORIST", "stray")).on("07/06/2001");
        }
        folder.write("L0706000.log", text.text());
        auto state = loaded(folder);
        const DayReplay& day = state->day();
        EXPECT_TRUE(day.endsWithWindow());
        EXPECT_EQ(day.events().size(), 61u);
        EXPECT_EQ(day.endTime(), localStamp(2001, 7, 6, 10, 59, 6));
        // A seek lands where it is asked, past the stray line's place.
        state->seek(localStamp(2001, 7, 6, 10, 44, 6));
        ASSERT_FALSE(state->viewChatLines().empty());
        EXPECT_STREQ(state->viewChatLines()[state->viewChatLines().size() - 1].text, "*DEAD*Bob : msg44");
        state->seek(day.endTime());
        EXPECT_STREQ(state->viewChatLines()[state->viewChatLines().size() - 1].text, "*DEAD*Bob : msg59");
    }
}

// A followed day keeps a stray-looking line at its end while the line after
// it is only half written: the half line decides nothing, so the day reads
// as the same day with that half line cut off, however it is read.
TEST(DayReplay, AHalfWrittenLineMakesNoLineStray)
{
    ScopedTimeZone zone("UTC");
    TempFolder folder;
    LogText text("07/06/2001");
    text.at("10:00:00", mapStarted("de_dust")).at("10:00:05", said("Ann", 1, "CT", "yo"));
    text.at("03:20:30", said("Bob", 2, "CT", "hi"));
    folder.write("L0706000.log", text.text());
    auto whole = loaded(folder);
    text.at("10:21:00", said("Bob", 2, "CT", "half"));
    folder.write("L0706000.log", text.text().substr(0, text.text().size() - 3));
    auto followed = std::make_unique<ViewerState>();
    ASSERT_TRUE(followed->scanFolder(folder.string()));
    ASSERT_TRUE(followed->followDay(whole->dayStart()));
    ASSERT_EQ(followed->events().size(), whole->events().size());
    EXPECT_STREQ(followed->events()[followed->events().size() - 1].text, "hi");
}

// Every event that composes a line says so, also once the five slots are
// taken and a new line pushes the oldest out; a rebuild at any time equals
// a walk from the restart point.
TEST(DayReplay, ApplyNextTellsEachLineAndRebuildMatchesAWalk)
{
    ScopedTimeZone zone("UTC");
    TempFolder folder;
    LogText text("07/06/2001");
    text.at("10:00:00", mapStarted("de_dust"));
    for (int i = 0; i < 8; ++i) {
        const std::string second = std::to_string(10 + i);
        text.at("10:00:" + second, said("Ann", 1, "CT", "line " + std::to_string(i)));
        text.at("10:00:" + second, roundStarted());
    }
    folder.write("L0706000.log", text.text());
    auto state = loaded(folder);
    const DayReplay& day = state->day();

    LiveState walked;
    std::size_t cursor = DayReplay::restore(walked, day.snapshotBefore(day.firstTime()));
    int lines = 0;
    while (cursor < day.endEvent()) {
        const bool chat = day.events()[cursor].kind == Say;
        EXPECT_EQ(day.applyNext(walked, cursor), chat) << cursor;
        lines += chat ? 1 : 0;
    }
    EXPECT_EQ(lines, 8);
    EXPECT_EQ(walked.chatLines.size(), ChatLineCapacity);

    for (std::int32_t t = day.firstTime(); t <= day.endTime(); ++t) {
        LiveState rebuilt;
        const std::size_t at = day.rebuild(rebuilt, t);
        LiveState plain;
        std::size_t next = DayReplay::restore(plain, day.snapshotBefore(t));
        day.advanceTo(plain, next, day.firstAtOrAfter(next, t));
        ASSERT_EQ(at, next) << t;
        ASSERT_EQ(rebuilt.chatLines.size(), plain.chatLines.size()) << t;
        for (std::size_t i = 0; i < plain.chatLines.size(); ++i)
            EXPECT_STREQ(rebuilt.chatLines[i].text, plain.chatLines[i].text) << t;
        EXPECT_EQ(rebuilt.roster.count, plain.roster.count) << t;
        EXPECT_STREQ(rebuilt.mapName, plain.mapName) << t;
    }
}

} // namespace
} // namespace zelkam
