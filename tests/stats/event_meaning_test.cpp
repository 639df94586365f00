// Which side a join puts a player on and what a kill is worth, as every
// room that reads events sees it: the replay's player list, the day
// overview, the session walk (the player record, `zelkam-cli player`) and
// the rankings, all on the same lines.

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "history/player_record.h"
#include "ingest/log_file_list.h"
#include "replay/day_overview.h"
#include "replay/viewer_state.h"
#include "stats/rankings.h"
#include "tests/support/log_lines.h"
#include "tests/support/temp_folder.h"
#include "tests/support/time_zone.h"

namespace zelkam {
namespace {

using namespace zelkam::test;

// What one player ends the day as, in every consumer's terms.
struct Meaning {
    // The player list's team at the day's end (Team codes).
    std::int32_t side = Team::None;
    // The session's teams, in the order joined.
    std::vector<std::int32_t> teams;
    std::int32_t frags = 0;
    std::int32_t roundsWon = 0;
    std::int32_t kills = 0;
    std::int32_t teamKills = 0;
};

struct Row {
    const char* what;
    const char* name;
    int userId;
    // The team names of the player's joins, in order.
    std::vector<const char*> joins;
    Meaning expected;
};

constexpr std::int32_t T = Team::Terrorist;
constexpr std::int32_t CT = Team::CounterTerrorist;
constexpr std::int32_t None = Team::None;

const Row rows[] = {
    {"a terrorist who kills a counter-terrorist", "Tee", 2, {"TERRORIST"}, {T, {T}, 1, 1, 1, 0}},
    {"a counter-terrorist who kills his own side", "Cee", 3, {"CT"}, {CT, {CT}, -1, 1, 0, 1}},
    {"a counter-terrorist killed by his own side", "Mate", 4, {"CT"}, {CT, {CT}, 0, 1, 0, 0}},
    {"a spectator is on no side", "Spec", 5, {"SPECTATOR"}, {None, {}, 0, 0, 0, 0}},
    {"an unknown team name reads as the counter-terrorists", "Blue", 6, {"Blue"}, {CT, {CT}, 0, 1, 0, 0}},
    {"a counter-terrorist turned spectator before the win", "Turn", 7, {"CT", "SPECTATOR"}, {None, {CT}, 0, 0, 0, 0}},
};

void writeDay(const TempFolder& folder)
{
    LogText log("07/05/2001");
    log.at("10:00:00", mapStarted("de_dust"));
    for (const Row& row : rows)
        log.at("10:00:01", connected(row.name, row.userId, "10.0.0." + std::to_string(row.userId) + ":27005"));
    for (const Row& row : rows)
        log.at("10:00:10", joinedTeam(row.name, row.userId, row.joins.front()));
    log.at("10:00:20", roundStarted())
        .at("10:00:30", killed("Tee", 2, "TERRORIST", "Cee", 3, "CT"))
        .at("10:00:40", killed("Cee", 3, "CT", "Mate", 4, "CT"));
    for (const Row& row : rows) {
        for (std::size_t j = 1; j < row.joins.size(); ++j)
            log.at("10:01:00", joinedTeam(row.name, row.userId, row.joins[j]));
    }
    log.at("10:02:00", teamScored(1, 0))
        .at("10:02:10", roundStarted())
        .at("10:03:00", "Team \"TERRORIST\" triggered \"Terrorists_Win\" (CT \"1\") (T \"1\")")
        .at("10:05:00", mapStarted("de_aztec"));
    folder.write("L0705000.log", log.text());
}

TEST(EventMeaning, EveryConsumerReadsOneSideAndFragRule)
{
    ScopedTimeZone zone("UTC0");
    TempFolder folder;
    writeDay(folder);

    // The replay's player list and the overview, just before the next map.
    auto state = std::make_unique<ViewerState>();
    ASSERT_TRUE(state->loadFolder(folder.string()));
    state->seek(localStamp(2001, 7, 5, 10, 4, 59));
    std::map<std::string, const PlayerEntry*> listed;
    for (const PlayerEntry& player : state->viewPlayers())
        listed[player.name] = &player;
    const DayOverview overview = computeDayOverview(*state);
    const OverviewMinute& minute = overview.minutes[10 * 60 + 4];

    // The session walk and the rankings over the folder.
    FolderDays days;
    ASSERT_TRUE(days.scan(folder.string()));
    std::map<std::string, PlayerSession> sessions;
    ASSERT_TRUE(walkPlayerSessions(days, nullptr, [](const PlayerSession&) { return true; }, [&](PlayerSession&& s) { sessions[s.names.back()] = s; }, {}));
    Rankings rankings;
    ASSERT_TRUE(collectRankings(days, {}, nullptr, rankings));
    std::map<std::string, const PlayerRanking*> ranked;
    for (const PlayerRanking& player : rankings.players)
        ranked[player.name] = &player;

    std::int32_t blocks[3] = {};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        const Meaning& expected = row.expected;
        ++blocks[expected.side];
        ASSERT_TRUE(listed.count(row.name) && sessions.count(row.name) && ranked.count(row.name));
        EXPECT_EQ(listed[row.name]->team, expected.side) << "the player list";
        EXPECT_EQ(listed[row.name]->frags, expected.frags) << "the player list";
        EXPECT_EQ(sessions[row.name].teams, expected.teams) << "the session walk";
        EXPECT_EQ(sessions[row.name].frags, expected.frags) << "the session walk";
        const PlayerRanking& ranking = *ranked[row.name];
        EXPECT_EQ(ranking.frags, expected.frags) << "the rankings";
        EXPECT_EQ(ranking.roundsWon, expected.roundsWon) << "the rankings";
        EXPECT_EQ(ranking.kills, expected.kills) << "the rankings";
        EXPECT_EQ(ranking.teamKills, expected.teamKills) << "the rankings";
    }
    EXPECT_EQ(minute.terrorists, blocks[T]) << "the overview";
    EXPECT_EQ(minute.cts, blocks[CT]) << "the overview";
    EXPECT_EQ(minute.spectators, blocks[None]) << "the overview";
}

} // namespace
} // namespace zelkam
