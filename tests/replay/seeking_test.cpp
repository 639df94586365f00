#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "replay/viewer_state.h"
#include "state/event_application.h"
#include "tests/replay/view_summary.h"
#include "tests/support/log_lines.h"
#include "tests/support/sample_logs.h"
#include "tests/support/temp_folder.h"
#include "tests/support/time_zone.h"

namespace zelkam {
namespace {

using namespace zelkam::test;
using Strings = std::vector<std::string>;

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
        // Nothing is loaded past midnight: the day ends a second after its
        // last event, so that second is shown too.
        {"after the last event", day + 20 * 3600, localStamp(2001, 7, 6, 11, 0, 1)},
        {"next year", day + 400 * 86400, localStamp(2001, 7, 6, 11, 0, 1)},
    };
    for (const Case& c : cases) {
        state->seek(c.target);
        EXPECT_EQ(state->clock(), c.clock) << c.what;
        EXPECT_EQ(state->viewClock(), c.clock) << c.what;
    }
    state->seekMinute(0);
    EXPECT_EQ(state->clock(), localStamp(2001, 7, 6, 10, 0, 0));
    state->seekMinute(-100000000);
    EXPECT_EQ(state->clock(), localStamp(2001, 7, 6, 10, 0, 0));
    state->seekMinute(1440);
    EXPECT_EQ(state->clock(), localStamp(2001, 7, 6, 11, 0, 1));
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
    EXPECT_EQ(state->clock(), localStamp(2001, 7, 7, 0, 30, 0));
    EXPECT_EQ(state->viewMinute(), 1470);
}

TEST(Seeking, MapStartSecondShowsThePreviousMap)
{
    ScopedTimeZone zone("UTC");
    TempFolder folder;
    writeTwoMaps(folder);
    auto state = loaded(folder);
    const std::int32_t mapChange = localStamp(2001, 7, 6, 10, 30, 0);

    state->seek(mapChange);
    EXPECT_STREQ(state->viewMapName(), "de_dust");
    EXPECT_EQ(playerNames(*state), (Strings{"Ann", "Bob"}));
    EXPECT_EQ(state->live().ctScore, 3);
    EXPECT_EQ(state->live().tScore, 2);
    EXPECT_EQ(chatTexts(*state), Strings{"Ann : gg"});

    state->seek(mapChange + 1);
    EXPECT_STREQ(state->viewMapName(), "cs_office");
    EXPECT_EQ(playerNames(*state), Strings{"Bob"});
    EXPECT_EQ(state->live().ctScore, 0);
    EXPECT_EQ(state->live().tScore, 0);
    // Continuous play would still show the line said 6 s ago on the old map;
    // a seek starts from the map start and does not make it again.
    EXPECT_TRUE(state->viewChatLines().empty());
}

TEST(Seeking, RestoredRecentPlayersNameRemoteConsoleSenders)
{
    ScopedTimeZone zone("UTC");
    TempFolder folder;
    writeTwoMaps(folder);
    auto state = loaded(folder);
    state->seek(localStamp(2001, 7, 6, 10, 30, 3));
    EXPECT_EQ(chatTexts(*state), Strings{"<Bob> status"});
    ASSERT_EQ(state->live().recentPlayers.size(), 2u);
    EXPECT_STREQ(state->live().recentPlayers[0].name, "Bob");
    EXPECT_STREQ(state->live().recentPlayers[1].name, "Ann");
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
    state->command(PlaybackCommand::Fastest);
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
    state->command(PlaybackCommand::Fastest);
    state->tick();
    state->seekMinute(10 * 60 + 40);
    EXPECT_EQ(state->speed(), 0);
    EXPECT_FALSE(state->rewinding());
    EXPECT_EQ(state->clock(), localStamp(2001, 7, 6, 10, 40, 0));
    EXPECT_FALSE(state->tick());
    state->command(PlaybackCommand::Play);
    EXPECT_TRUE(state->tick());
    EXPECT_EQ(state->clock(), localStamp(2001, 7, 6, 10, 40, 1));
    EXPECT_EQ(chatTexts(*state), Strings{"Bob : late"});

    state->command(PlaybackCommand::Rewind);
    state->seekMinute(10 * 60 + 5);
    EXPECT_FALSE(state->rewinding());
}

TEST(Seeking, OutOfOrderEventsKeepTheCursorInsideTheWindow)
{
    // Files can hold lines out of time order (a clock set back, a file begun
    // before the previous one ended). Here the day ends at the second event,
    // yet a map start after it is a snapshot, and the cursor must still never
    // pass the last loaded event. A seek stops where play would stand: at
    // the first line in the log's order stamped at or after its target,
    // before the map start stamped earlier that comes after that line.
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
    ASSERT_EQ(state->dayEndEvent(), 1u);
    ASSERT_EQ(state->lastEvent(), 3u);
    ASSERT_EQ(state->snapshots().size(), 2u);
    state->seekMinute(1440 + 60);
    EXPECT_EQ(state->clock(), localStamp(2001, 7, 7, 0, 30, 0));
    EXPECT_EQ(state->cursor(), 1u);
    EXPECT_STREQ(state->viewMapName(), "");
    state->command(PlaybackCommand::Fastest);
    EXPECT_TRUE(state->tick());
    EXPECT_LE(state->cursor(), state->lastEvent());
    EXPECT_FALSE(state->find(SearchKind::Chat, "", false));
    EXPECT_LE(state->cursor(), state->lastEvent());
    EXPECT_EQ(state->speed(), 60);
}

// The live state as one comparable text: map, scores, round start, every
// roster entry, every recent player and every chat line in order.
std::string describe(const LiveState& state)
{
    const auto name = [](const char* text) { return std::string(text ? text : "(null)"); };
    std::string text = name(state.mapName) + " " + std::to_string(state.ctScore) + ":" + std::to_string(state.tScore)
                       + " round@" + std::to_string(state.roundStartTime);
    for (std::size_t i = 0; i < state.roster.count; ++i) {
        const PlayerEntry& p = state.roster.entries[i];
        text += " [" + name(p.name) + " " + std::to_string(p.userId) + " t" + std::to_string(p.team) + " l"
                + std::to_string(p.lifeState) + " " + std::to_string(p.frags) + "/" + std::to_string(p.deaths) + "]";
    }
    for (std::size_t i = 0; i < state.recentPlayers.size(); ++i)
        text += " <" + name(state.recentPlayers[i].name) + " " + std::to_string(state.recentPlayers[i].addressKey)
                + ">";
    for (std::size_t i = 0; i < state.chatLines.size(); ++i) {
        const ChatLine& line = state.chatLines[i];
        text += " {" + std::to_string(line.time) + " " + std::to_string(line.style) + " " + line.text + "}";
    }
    return text;
}

// A seek leaves the text of chat lines it knows will be pushed out of the
// ring uncomposed. Whatever it shows must be what replaying every event from
// the snapshot with full application shows, here on every day of the
// sample logs, at times spread over each day and around every map start.
TEST(Seeking, ShowsWhatAPlainReplayFromTheSnapshotShows)
{
    ScopedTimeZone zone("UTC");
    ViewerState state;
    ASSERT_TRUE(state.loadFolder(sampleLogs()));
    ASSERT_GE(state.days().size(), 3u);
    std::size_t seeks = 0;
    for (std::size_t day = 0; day < state.days().size(); ++day) {
        ASSERT_TRUE(state.loadDayAt(day));
        const EventList& events = state.events();
        const std::int32_t first = events[state.dayFirstEvent()].time;
        const std::int32_t last = state.day().endTime();
        std::vector<std::int32_t> targets;
        for (std::int32_t t = first; t <= last; t += 97)
            targets.push_back(t);
        for (const Snapshot& snapshot : state.snapshots()) {
            for (std::int32_t offset : {-16, -1, 0, 1, 2, 15, 16, 60})
                targets.push_back(std::clamp(snapshot.time + offset, first, last));
        }
        for (const std::int32_t t : targets) {
            state.seek(t);

            // The plain replay, restated: the last snapshot before t, then
            // every event before t with everything applied.
            std::size_t chosen = 0;
            while (chosen < state.snapshots().size() && state.snapshots()[chosen].time < t)
                ++chosen;
            const Snapshot& snapshot = state.snapshots()[chosen > 0 ? chosen - 1 : 0];
            LiveState plain;
            for (std::size_t i = 0; i < snapshot.playerCount; ++i)
                plain.recentPlayers.pushBack(snapshot.players[i]);
            plain.roundStartTime = snapshot.time;
            plain.mapName = snapshot.mapName;
            std::size_t cursor = snapshot.event;
            while (cursor < events.size() && events[cursor].time < t)
                applyEvent(plain, events[cursor++]);
            while (!plain.chatLines.empty() && std::int64_t{plain.chatLines[0].time} + ChatLineLifetime < t)
                plain.chatLines.popFront();

            ASSERT_EQ(describe(state.live()), describe(plain)) << "day " << day << " at " << t;
            ASSERT_EQ(state.cursor(), cursor);
            ++seeks;
        }
    }
    EXPECT_GT(seeks, 1000u);
}

} // namespace
} // namespace zelkam
