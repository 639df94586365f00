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

std::unique_ptr<ViewerState> loaded(const TempFolder& folder)
{
    auto state = std::make_unique<ViewerState>();
    EXPECT_TRUE(state->loadFolder(folder.string()));
    return state;
}

// Two maps in one day: de_dust from 10:00 with Ann and Bob, cs_office from
// 10:30 with Bob alone.
void writeTwoMaps(const TempFolder& folder)
{
    folder.write("L0706000.log", LogText("07/06/2001")
                                     .at("10:00:00", mapStarted("de_dust"))
                                     .at("10:00:01", connected("Ann", 1, "10.0.1.1:27005"))
                                     .at("10:00:02", connected("Bob", 2, "10.0.2.1:27005"))
                                     .at("10:00:03", joinedTeam("Ann", 1, "CT"))
                                     .at("10:20:00", teamScored(3, 2))
                                     .at("10:29:55", said("Ann", 1, "CT", "gg"))
                                     .at("10:30:00", mapStarted("cs_office"))
                                     .at("10:30:00", entered("Bob", 2))
                                     .at("10:30:02", rconCommand("status", "10.0.2.1:27005"))
                                     .at("10:40:00", said("Bob", 2, "", "late"))
                                     .at("11:00:00", roundStarted())
                                     .text());
}

TEST(Seeking, ClampsToTheDay)
{
    ScopedTimeZone zone("UTC");
    TempFolder folder;
    writeTwoMaps(folder);
    auto state = loaded(folder);
    const std::int32_t day = localStamp(2001, 7, 6);
    struct Case {
        const char* what;
        std::int32_t target;
        std::int32_t clock;
    };
    const Case cases[] = {
        {"before the first event", day + 3600, localStamp(2001, 7, 6, 10, 0, 0)},
        {"midnight", day, localStamp(2001, 7, 6, 10, 0, 0)},
        {"inside", localStamp(2001, 7, 6, 10, 15, 0), localStamp(2001, 7, 6, 10, 15, 0)},
        {"after the last event", day + 20 * 3600, localStamp(2001, 7, 6, 11, 0, 0)},
        {"next year", day + 400 * 86400, localStamp(2001, 7, 6, 11, 0, 0)},
    };
    for (const Case& c : cases) {
        state->seek(c.target);
        EXPECT_EQ(state->clock, c.clock) << c.what;
        EXPECT_EQ(state->viewClock, c.clock) << c.what;
    }
    state->seekMinute(0);
    EXPECT_EQ(state->clock, localStamp(2001, 7, 6, 10, 0, 0));
    state->seekMinute(-100000000);
    EXPECT_EQ(state->clock, localStamp(2001, 7, 6, 10, 0, 0));
    state->seekMinute(1440);
    EXPECT_EQ(state->clock, localStamp(2001, 7, 6, 11, 0, 0));
}

TEST(Seeking, TargetAfterTheDayLandsOnTheNextDaysFirstEvent)
{
    ScopedTimeZone zone("UTC");
    TempFolder folder;
    folder.write("L0706000.log", LogText("07/06/2001")
                                     .at("22:00:00", roundStarted())
                                     .on("07/07/2001")
                                     .at("00:30:00", roundStarted())
                                     .at("01:00:00", roundStarted())
                                     .text());
    auto state = loaded(folder);
    state->seekMinute(1440 + 120);
    EXPECT_EQ(state->clock, localStamp(2001, 7, 7, 0, 30, 0));
    EXPECT_EQ(state->viewMinute, 1470);
}

TEST(Seeking, MapStartSecondShowsThePreviousMap)
{
    ScopedTimeZone zone("UTC");
    TempFolder folder;
    writeTwoMaps(folder);
    auto state = loaded(folder);
    const std::int32_t mapChange = localStamp(2001, 7, 6, 10, 30, 0);

    state->seek(mapChange);
    EXPECT_STREQ(state->viewMapName, "de_dust");
    EXPECT_EQ(playerNames(*state), (Strings{"Ann", "Bob"}));
    EXPECT_EQ(state->ctScore, 3);
    EXPECT_EQ(state->tScore, 2);
    EXPECT_EQ(chatTexts(*state), Strings{"Ann : gg"});

    state->seek(mapChange + 1);
    EXPECT_STREQ(state->viewMapName, "cs_office");
    EXPECT_EQ(playerNames(*state), Strings{"Bob"});
    EXPECT_EQ(state->ctScore, 0);
    EXPECT_EQ(state->tScore, 0);
    // Continuous play would still show the line said 6 s ago on the old map;
    // a seek starts from the map start and does not make it again.
    EXPECT_TRUE(state->viewChatLines.empty());
}

TEST(Seeking, RestoredRecentPlayersNameRemoteConsoleSenders)
{
    ScopedTimeZone zone("UTC");
    TempFolder folder;
    writeTwoMaps(folder);
    auto state = loaded(folder);
    state->seek(localStamp(2001, 7, 6, 10, 30, 3));
    EXPECT_EQ(chatTexts(*state), Strings{"<Bob> status"});
    ASSERT_EQ(state->recentPlayers.size(), 2u);
    EXPECT_STREQ(state->recentPlayers[0].name, "Bob");
    EXPECT_STREQ(state->recentPlayers[1].name, "Ann");
}

TEST(Seeking, SameTargetGivesTheSameView)
{
    ScopedTimeZone zone("UTC");
    TempFolder folder;
    writeTwoMaps(folder);
    auto state = loaded(folder);
    const std::int32_t target = localStamp(2001, 7, 6, 10, 30, 5);
    state->seek(target);
    const std::string first = viewSummary(*state);
    state->command(5);
    for (int i = 0; i < 20; ++i)
        state->tick();
    state->seek(localStamp(2001, 7, 6, 10, 5, 0));
    state->seek(target);
    EXPECT_EQ(viewSummary(*state), first);
    state->seek(target);
    EXPECT_EQ(viewSummary(*state), first);
}

TEST(Seeking, SeekMinutePausesAndPlayResumesFromThere)
{
    ScopedTimeZone zone("UTC");
    TempFolder folder;
    writeTwoMaps(folder);
    auto state = loaded(folder);
    state->command(5);
    state->tick();
    state->seekMinute(10 * 60 + 40);
    EXPECT_EQ(state->speed, 0);
    EXPECT_FALSE(state->rewinding);
    EXPECT_EQ(state->clock, localStamp(2001, 7, 6, 10, 40, 0));
    EXPECT_FALSE(state->tick());
    state->command(3);
    EXPECT_TRUE(state->tick());
    EXPECT_EQ(state->clock, localStamp(2001, 7, 6, 10, 40, 1));
    EXPECT_EQ(chatTexts(*state), Strings{"Bob : late"});

    state->command(1);
    state->seekMinute(10 * 60 + 5);
    EXPECT_FALSE(state->rewinding);
}

TEST(Seeking, OutOfOrderEventsKeepTheCursorInsideTheWindow)
{
    // Files can hold lines out of time order (a clock set back, a file begun
    // before the previous one ended). Here the day ends at the second event,
    // yet a map start after it is a snapshot, and the cursor must still never
    // pass the last loaded event.
    ScopedTimeZone zone("UTC");
    TempFolder folder;
    folder.write("L0706000.log", LogText("07/06/2001")
                                     .at("10:00:00", said("Ann", 1, "CT", "a"))
                                     .on("07/07/2001")
                                     .at("00:30:00", said("Ann", 1, "CT", "b"))
                                     .on("07/06/2001")
                                     .at("11:00:00", mapStarted("de_late"))
                                     .on("07/07/2001")
                                     .at("05:00:00", said("Ann", 1, "CT", "c"))
                                     .text());
    auto state = loaded(folder);
    ASSERT_EQ(state->dayEndEvent, 1u);
    ASSERT_EQ(state->lastEvent, 3u);
    ASSERT_EQ(state->snapshots.size(), 2u);
    state->seekMinute(1440 + 60);
    EXPECT_EQ(state->clock, localStamp(2001, 7, 7, 0, 30, 0));
    EXPECT_EQ(state->cursor, 3u);
    EXPECT_STREQ(state->viewMapName, "de_late");
    state->command(5);
    EXPECT_TRUE(state->tick());
    EXPECT_LE(state->cursor, state->lastEvent);
    EXPECT_FALSE(state->find(SearchKind::Chat, "", false));
    EXPECT_LE(state->cursor, state->lastEvent);
    EXPECT_EQ(state->speed, 60);
}

} // namespace
} // namespace zelkam
