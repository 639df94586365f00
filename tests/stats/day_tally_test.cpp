#include "stats/day_tally.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "parse/log_parser.h"
#include "tests/support/log_lines.h"
#include "tests/support/time_zone.h"

namespace zelkam {
namespace {

using namespace zelkam::test;

std::string triggered(std::string_view name, int userId, std::string_view team, std::string_view what)
{
    return "\"" + playerToken(name, userId, team) + "\" triggered \"" + std::string(what) + "\"";
}

const DayTally::Player* named(const DayTally& tally, std::string_view name)
{
    for (const DayTally::Player& player : tally.players) {
        if (player.lastName == name)
            return &player;
    }
    return nullptr;
}

// One day as a server writes it; the tally counts only what falls from the
// first counted second to the end (the day's own events), keeps a bot apart
// and gives each kill to its side's column.
TEST(DayTally, CountsEachPlayersDeedsWithinTheDayOnly)
{
    ScopedTimeZone zone("UTC0");
    // Every kind of line, as the rankings' walk reads them.
    LogParser parser;
    parser.setAllKinds(true);
    parser.processLines(LogText("07/05/2001")
                            .at("09:59:59", killed("Tee", 2, "TERRORIST", "Cee", 3, "CT"))
                            .at("10:00:00", mapStarted("de_dust"))
                            .at("10:00:01", joinedTeam("Tee", 2, "TERRORIST"))
                            .at("10:00:01", joinedTeam("Cee", 3, "CT"))
                            .at("10:00:01", joinedTeam("Mate", 4, "CT"))
                            .at("10:00:01", joinedTeam("Spec", 5, "SPECTATOR"))
                            .at("10:00:10", killed("Tee", 2, "TERRORIST", "Cee", 3, "CT"))
                            .at("10:00:20", killed("Cee", 3, "CT", "Mate", 4, "CT"))
                            .at("10:00:30", suicide("Mate", 4, "CT"))
                            .at("10:00:40", triggered("Tee", 2, "TERRORIST", "Planted_The_Bomb"))
                            .at("10:00:50", triggered("Cee", 3, "CT", "Defused_The_Bomb"))
                            .at("10:00:55", triggered("Mate", 4, "CT", "Rescued_A_Hostage"))
                            .at("10:01:00", "Team \"CT\" triggered \"Bomb_Defused\" (CT \"1\") (T \"0\")")
                            .at("23:00:00", killed("Tee", 2, "TERRORIST", "Cee", 3, "CT"))
                            .text());
    const EventList& events = parser.events();
    const std::int64_t first = events[1].time;
    const std::int64_t end = events[events.size() - 1].time;
    DayTally tally;
    tallyDay(events.data(), events.size(), first, end, tally);

    const struct {
        const char* name;
        std::int32_t kills, teamKills, suicides, planted, defused, rescued;
    } rows[] = {
        {"Tee", 1, 0, 0, 1, 0, 0},
        {"Cee", 0, 1, 0, 0, 1, 0},
        {"Mate", 0, 0, 1, 0, 0, 1},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const DayTally::Player* player = named(tally, row.name);
        ASSERT_NE(player, nullptr);
        EXPECT_EQ(player->kills, row.kills);
        EXPECT_EQ(player->teamKills, row.teamKills);
        EXPECT_EQ(player->suicides, row.suicides);
        EXPECT_EQ(player->bombsPlanted, row.planted);
        EXPECT_EQ(player->bombsDefused, row.defused);
        EXPECT_EQ(player->hostagesRescued, row.rescued);
    }
    ASSERT_EQ(tally.maps, LargeVector<std::string_view>{"de_dust"});
    // The merge's steps: the map, each player's side once (a spectator on
    // none), the round the counter-terrorists won; the kills tell nothing new.
    using K = DayTally::StepKind;
    std::vector<std::pair<K, std::int32_t>> steps;
    for (const DayTally::Step& step : tally.steps)
        steps.emplace_back(step.kind, step.team);
    const std::vector<std::pair<K, std::int32_t>> expected = {
        {K::MapStarted, Team::None},       {K::Seen, Team::Terrorist}, {K::Seen, Team::CounterTerrorist},
        {K::Seen, Team::CounterTerrorist}, {K::Seen, NoSide},          {K::Scored, Team::CounterTerrorist},
    };
    EXPECT_EQ(steps, expected);
    ASSERT_EQ(tally.weapons.size(), 1u);
    EXPECT_EQ(tally.weapons[0].name, "ak47");
    EXPECT_EQ(tally.weapons[0].kills, 2);
    EXPECT_EQ(tally.weapons[0].teamKills, 1);
    EXPECT_TRUE(tally.hasLast);
}

} // namespace
} // namespace zelkam
