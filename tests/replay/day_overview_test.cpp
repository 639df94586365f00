#include "replay/day_overview.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "replay/viewer_state.h"
#include "tests/support/log_lines.h"
#include "tests/support/temp_folder.h"
#include "tests/support/time_zone.h"
#include "tools/loggen/log_generator.h"

namespace zelkam {
namespace {

using namespace zelkam::test;

// Central European time, written out so no zone database is needed: summer
// time from the last Sunday of March, 02:00, to the last Sunday of October,
// 03:00.
constexpr const char* CentralEurope = "CET-1CEST,M3.5.0,M10.5.0/3";

// One minute as comparable text: the three blocks, the five event counts and
// the map names.
std::string minuteText(std::int32_t t, std::int32_t ct, std::int32_t s, const std::vector<int>& counts,
                       const std::vector<std::string>& maps)
{
    std::string text = "players " + std::to_string(t) + "/" + std::to_string(ct) + "/" + std::to_string(s) + " events";
    for (int count : counts)
        text += " " + std::to_string(count);
    for (const std::string& map : maps)
        text += " " + map;
    return text;
}

std::string overviewText(const OverviewMinute& m)
{
    return minuteText(m.terrorists, m.cts, m.spectators, {m.kills, m.suicides, m.chat, m.rcon, m.badRcon}, m.maps);
}

// What the overview must say, found the slow way: the events counted one by
// one into their minute, and the player list's blocks as seekMinute leaves
// them, minute by minute.
std::vector<std::string> expectedMinutes(ViewerState& state, std::size_t minutes)
{
    const std::int64_t day = state.dayStart();
    std::vector<std::vector<int>> counts(minutes, std::vector<int>(5, 0));
    std::vector<std::vector<std::string>> maps(minutes);
    for (const LogEvent& event : state.events()) {
        if (event.time < day || event.time >= day + 60 * std::int64_t(minutes))
            continue;
        const auto minute = static_cast<std::size_t>((event.time - day) / 60);
        const int column[] = {-1, -1, -1, -1, -1, -1, 2, 2, 3, 4, -1, -1, 0, 1};
        if (event.kind == MapStarted)
            maps[minute].emplace_back(event.text);
        else if (column[event.kind] >= 0)
            ++counts[minute][column[event.kind]];
    }
    std::vector<std::string> expected;
    for (std::size_t minute = 0; minute < minutes; ++minute) {
        state.seekMinute(static_cast<std::int32_t>(minute));
        std::int32_t blocks[3] = {};
        for (const PlayerEntry& player : state.viewPlayers())
            ++blocks[player.team == Team::Terrorist ? 0 : player.team == Team::CounterTerrorist ? 1 : 2];
        expected.push_back(minuteText(blocks[0], blocks[1], blocks[2], counts[minute], maps[minute]));
    }
    return expected;
}

void generate(const TempFolder& folder, int year, int month, int day)
{
    LogGenOptions options;
    options.seed = 15;
    options.firstYear = year;
    options.firstMonth = month;
    options.firstDay = day;
    options.days = 3;
    options.linesPerDay = 3000;
    ASSERT_TRUE(generateLogFolder(folder.path(), options));
}

// Around the hour that repeats when the clocks go back, written by hand: the
// repeated times read as their first occurrence, so the log's times run
// backwards for an hour while players join and a map starts.
void writeRepeatedHour(const TempFolder& folder)
{
    folder.write("L1028000.log", LogText("10/28/2001")
                                     .at("01:50:00", mapStarted("de_dust"))
                                     .at("01:55:00", connected("Ann", 1, "10.0.0.1:27005"))
                                     .at("02:10:00", joinedTeam("Ann", 1, "CT"))
                                     .at("02:50:00", connected("Bob", 2, "10.0.0.2:27005"))
                                     .at("02:05:00", joinedTeam("Bob", 2, "TERRORIST"))
                                     .at("02:07:00", mapStarted("cs_office"))
                                     .at("02:08:00", connected("Cid", 3, "10.0.0.3:27005"))
                                     .at("02:40:00", said("Cid", 3, "", "hi"))
                                     .at("03:30:00", joinedTeam("Cid", 3, "CT"))
                                     .text());
}

// A day whose only file holds nothing the viewer plays, after a busy one.
void writeEmptyDay(const TempFolder& folder)
{
    folder.write("L0706000.log", LogText("07/06/2001")
                                     .at("23:00:00", mapStarted("de_dust"))
                                     .at("23:00:01", connected("Ann", 1, "10.0.0.1:27005"))
                                     .at("23:00:02", joinedTeam("Ann", 1, "CT"))
                                     .text());
    folder.write("L0707000.log", lineAt("07/07/2001", "10:00:00", "Log file started"));
}

TEST(DayOverview, EqualsTheEventCountsAndThePlayerListAtEveryMinute)
{
    struct Case {
        const char* what;
        const char* zone;
        std::function<void(const TempFolder&)> write;
        int year, month, day;
        std::size_t minutes;
        bool empty;
    };
    const Case cases[] = {
        {"a generated day", "UTC0", [](const TempFolder& f) { generate(f, 2001, 7, 5); }, 2001, 7, 6, 1440, false},
        {"clocks go forward", CentralEurope, [](const TempFolder& f) { generate(f, 2001, 3, 24); }, 2001, 3, 25, 1380,
         false},
        {"clocks go back", CentralEurope, [](const TempFolder& f) { generate(f, 2001, 10, 27); }, 2001, 10, 28, 1500,
         false},
        {"an hour repeated by hand", CentralEurope, writeRepeatedHour, 2001, 10, 28, 1500, false},
        {"an empty day", "UTC0", writeEmptyDay, 2001, 7, 7, 1440, true},
    };
    bool skipped = false;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
#ifdef _WIN32
        if (std::string_view(c.zone) != "UTC0") {
            skipped = true;
            continue;
        }
#endif
        ScopedTimeZone zone(c.zone);
        TempFolder folder;
        c.write(folder);
        auto state = std::make_unique<ViewerState>();
        state->loadFolder(folder.string());
        ASSERT_TRUE(state->loadDay(localStamp(c.year, c.month, c.day)));
        ASSERT_EQ(state->isEmptyDay(), c.empty);

        const DayOverview overview = computeDayOverview(*state);
        EXPECT_EQ(overview.dayStart, localStamp(c.year, c.month, c.day));
        ASSERT_EQ(overview.minutes.size(), c.minutes);
        const std::vector<std::string> expected = expectedMinutes(*state, c.minutes);
        int mismatches = 0;
        for (std::size_t m = 0; m < c.minutes && mismatches < 5; ++m) {
            if (overviewText(overview.minutes[m]) != expected[m]) {
                ADD_FAILURE() << "minute " << m << ": " << overviewText(overview.minutes[m]) << ", expected "
                              << expected[m];
                ++mismatches;
            }
        }
        std::size_t rcons = 0;
        for (const OverviewMinute& m : overview.minutes)
            rcons += static_cast<std::size_t>(m.rcon + m.badRcon);
        EXPECT_EQ(overview.rcons.size(), rcons);
        EXPECT_EQ(overview.peakPlayers() > 0, !c.empty);
    }
    if (skipped)
        GTEST_SKIP() << "the days of a clock change: the Windows C runtime applies its own daylight-saving rules, "
                        "not the zone's";
}

TEST(DayOverview, NamesRemoteConsoleSendersAsTheChatViewDoes)
{
    ScopedTimeZone zone("UTC0");
    TempFolder folder;
    folder.write("L0706000.log", LogText("07/06/2001")
                                     .at("10:00:00", mapStarted("de_dust"))
                                     .at("10:00:05", connected("Gordon", 2, "10.0.0.1:27005"))
                                     .at("10:02:00", rconCommand("kick Barney", "10.0.0.1:27005"))
                                     .at("10:02:30", badRconCommand("status", "10.9.9.9:27005"))
                                     .at("10:02:40", mapStarted("cs_office"))
                                     .at("10:02:50", mapStarted("de_aztec"))
                                     .text());
    auto state = std::make_unique<ViewerState>();
    ASSERT_TRUE(state->loadFolder(folder.string()));
    const DayOverview overview = computeDayOverview(*state);

    ASSERT_EQ(overview.rcons.size(), 2u);
    EXPECT_EQ(overview.rcons[0].minute, 602);
    EXPECT_FALSE(overview.rcons[0].failed);
    EXPECT_EQ(overview.rcons[0].line, "<Gordon> kick Barney");
    EXPECT_TRUE(overview.rcons[1].failed);
    EXPECT_EQ(overview.rcons[1].line, "<unknown (bad rcon pass)> status");
    for (const OverviewRcon& rcon : overview.rcons)
        EXPECT_EQ(rcon.line.find("secret"), std::string::npos) << rcon.line;
    EXPECT_EQ(overview.minutes[602].maps, (std::vector<std::string>{"cs_office", "de_aztec"}));
}

} // namespace
} // namespace zelkam
