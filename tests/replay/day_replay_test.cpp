#include "replay/day_replay.h"

#include <gtest/gtest.h>

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
            EXPECT_EQ(day.playEndTime(), localStamp(2001, 7, 7, 0, 10, 0));
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
