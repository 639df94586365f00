#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "replay/viewer_state.h"
#include "tests/replay/view_summary.h"
#include "tests/support/log_lines.h"
#include "tests/support/sample_logs.h"
#include "tests/support/temp_folder.h"
#include "tests/support/time_zone.h"
#include "tools/loggen/log_generator.h"

namespace zelkam {
namespace {

using namespace zelkam::test;

// What the user sees at the clock: the map, the scores, every field of every
// player, and the chat lines stamped at or after `since`. A seek rebuilds
// from the last map start, so the lines of the map before are not shown
// again; continuous play still shows them for a few seconds.
std::string shownSince(const ViewerState& state, std::int32_t since)
{
    std::string text = std::to_string(state.viewClock()) + " map=" + state.viewMapName() + " "
        + std::to_string(state.live().ctScore) + ":" + std::to_string(state.live().tScore);
    for (const PlayerEntry& p : state.viewPlayers()) {
        text += " [" + std::string(p.name ? p.name : "(null)") + " " + std::to_string(p.userId) + " "
            + std::to_string(p.wonId) + " " + std::to_string(p.addressKey) + " t" + std::to_string(p.team) + " l"
            + std::to_string(p.lifeState) + " " + std::to_string(p.frags) + "/" + std::to_string(p.deaths) + "]";
    }
    for (const ChatLine& line : state.viewChatLines()) {
        if (line.time >= since)
            text += " {" + std::to_string(line.time) + " " + std::to_string(line.style) + " " + line.text + "}";
    }
    return text;
}

// The time of the last map start stamped before t, or the earliest time
// when none is.
std::int32_t lastMapStartBefore(const EventList& events, std::int32_t t)
{
    std::int32_t since = std::numeric_limits<std::int32_t>::min();
    for (const LogEvent& event : events) {
        if (event.kind == MapStarted && event.time < t)
            since = std::max(since, event.time);
    }
    return since;
}

// For every day of the folder: the view after a seek to t equals the view
// after playing from the day's first event to t at 1 second a tick, for
// times t from the day's first event to its end.
void expectSeekMatchesPlay(const std::string& folder, std::size_t randomTimes, std::size_t& compared)
{
    auto played = std::make_unique<ViewerState>();
    auto sought = std::make_unique<ViewerState>();
    ASSERT_TRUE(played->loadFolder(folder));
    ASSERT_TRUE(sought->loadFolder(folder));
    ASSERT_FALSE(played->days().empty());
    std::mt19937 random(11);
    for (std::size_t d = 0; d < played->days().size(); ++d) {
        ASSERT_TRUE(played->loadDayAt(d));
        ASSERT_TRUE(sought->loadDayAt(d));
        if (played->isEmptyDay())
            continue;
        const DayReplay& day = played->day();
        const std::int32_t first = day.firstTime();
        const std::int32_t end = day.endTime();
        std::vector<std::int32_t> times{first, end};
        std::uniform_int_distribution<std::int32_t> anywhere(first, end);
        for (std::size_t i = 0; i < randomTimes; ++i)
            times.push_back(anywhere(random));
        for (const LogEvent& event : day.events()) {
            if (event.kind != MapStarted && event.kind != RoundStarted && event.kind != TeamJoined)
                continue;
            for (const std::int32_t offset : {-1, 0, 1, 2, 16})
                times.push_back(std::clamp(event.time + offset, first, end));
        }
        std::sort(times.begin(), times.end());
        times.erase(std::unique(times.begin(), times.end()), times.end());

        played->command(PlaybackCommand::Play);
        for (const std::int32_t t : times) {
            while (played->clock() < t)
                ASSERT_TRUE(played->tick());
            ASSERT_EQ(played->clock(), t);
            sought->seek(t);
            const std::int32_t since = lastMapStartBefore(day.events(), t);
            ASSERT_EQ(shownSince(*sought, since), shownSince(*played, since))
                << "day " << d << " at " << t << " (" << t - day.dayStart() << " s after midnight)";
            ++compared;
        }
    }
}

TEST(SeekAgainstPlay, SeekShowsWhatPlayShowsOnGeneratedFolders)
{
    struct Folder {
        const char* zone;
        int year;
        int month;
        int day;
        std::uint64_t seed;
    };
    const Folder folders[] = {
        {"UTC", 2001, 7, 6, 3},
        {"Europe/Berlin", 2003, 10, 25, 9}, // the clocks go back on the 26th
        {"America/New_York", 2004, 4, 3, 21}, // and forward on the 4th
    };
    for (const Folder& f : folders) {
        SCOPED_TRACE(f.zone);
        ScopedTimeZone zone(f.zone);
        TempFolder folder;
        LogGenOptions options;
        options.seed = f.seed;
        options.firstYear = f.year;
        options.firstMonth = f.month;
        options.firstDay = f.day;
        options.days = 3;
        options.linesPerDay = 1500;
        options.maxPlayers = 12;
        ASSERT_TRUE(generateLogFolder(folder.path(), options));
        std::size_t compared = 0;
        expectSeekMatchesPlay(folder.string(), 150, compared);
        EXPECT_GT(compared, 300u);
    }
}

TEST(SeekAgainstPlay, SeekShowsWhatPlayShowsOnTheSamples)
{
    ScopedTimeZone zone("UTC");
    std::size_t compared = 0;
    expectSeekMatchesPlay(sampleLogs(), 150, compared);
    EXPECT_GT(compared, 300u);
}

// Players who join right after a map start are judged by the round the map
// started, not by the last round of the map before.
TEST(SeekAgainstPlay, AMapStartStartsTheRoundClock)
{
    ScopedTimeZone zone("UTC");
    TempFolder folder;
    folder.write("L0706000.log", LogText("07/06/2001")
                                     .at("19:00:00", mapStarted("de_dust"))
                                     .at("19:59:00", roundStarted())
                                     .at("20:00:00", mapStarted("de_aztec"))
                                     .at("20:00:10", connected("Ann", 1, "10.0.0.1:27005"))
                                     .at("20:00:10", joinedTeam("Ann", 1, "CT"))
                                     .at("20:00:40", connected("Bob", 2, "10.0.0.2:27005"))
                                     .at("20:00:40", joinedTeam("Bob", 2, "TERRORIST"))
                                     .at("20:05:00", roundStarted())
                                     .text());
    auto played = loaded(folder);
    played->command(PlaybackCommand::Fastest);
    while (played->clock() < localStamp(2001, 7, 6, 20, 0, 32 + 60))
        played->tick();
    // 10 seconds into the map's first round: alive; 40 seconds: unknown.
    ASSERT_EQ(played->viewPlayers().size(), 2u);
    EXPECT_EQ(played->viewPlayers()[0].lifeState, LifeState::Alive);
    EXPECT_EQ(played->viewPlayers()[1].lifeState, LifeState::Unknown);
    auto sought = loaded(folder);
    sought->seek(played->clock());
    EXPECT_EQ(viewSummary(*sought), viewSummary(*played));
}

// A search that finds nothing leaves everything as it was, the lines a hit
// applied in the clock's own second included.
TEST(SeekAgainstPlay, AMissLeavesTheViewAsItWas)
{
    ScopedTimeZone zone("UTC");
    TempFolder folder;
    folder.write("L0707000.log", LogText("07/07/2001")
                                     .at("21:00:00", mapStarted("de_dust"))
                                     .at("21:00:05", connected("Ann", 1, "10.0.0.1:27005"))
                                     .at("21:31:49", rconCommand("status", "10.0.0.1:27005"))
                                     .at("21:31:49", said("Ann", 1, "CT", "same second"))
                                     .at("21:31:49", teamScored(3, 2))
                                     .at("21:40:00", roundStarted())
                                     .text());
    auto state = loaded(folder);
    ASSERT_TRUE(state->find(SearchKind::RconCmd, "", false));
    state->command(PlaybackCommand::Fast);
    const std::string before = viewSummary(*state);
    const std::size_t cursor = state->cursor();
    ASSERT_NE(before.find("status"), std::string::npos) << before;
    EXPECT_FALSE(state->find(SearchKind::RconCmd, "", false));
    EXPECT_EQ(viewSummary(*state), before);
    EXPECT_EQ(state->cursor(), cursor);
    EXPECT_EQ(state->speed(), 5);
    // And play goes on from there as if nothing had been searched.
    auto fresh = loaded(folder);
    ASSERT_TRUE(fresh->find(SearchKind::RconCmd, "", false));
    fresh->command(PlaybackCommand::Fast);
    for (int i = 0; i < 3; ++i) {
        state->tick();
        fresh->tick();
    }
    EXPECT_EQ(viewSummary(*state), viewSummary(*fresh));
}

} // namespace
} // namespace zelkam
