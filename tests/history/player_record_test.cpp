#include "history/player_record.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "parse/log_parser.h"
#include "replay/viewer_state.h"
#include "tests/support/log_lines.h"
#include "tests/support/temp_folder.h"
#include "tests/support/time_zone.h"

namespace zelkam {
namespace {

using namespace zelkam::test;

std::string token(std::string_view name, int userId, std::string_view id, std::string_view team = "")
{
    return "\"" + std::string(name) + "<" + std::to_string(userId) + "><" + std::string(id) + "><" +
           std::string(team) + ">\"";
}

// One id under three names over two days; two different LAN players, one
// of whom also calls himself "Al".
void writeFolder(const TempFolder& folder)
{
    const std::string al = "STEAM_0:1:42";
    folder.write("L0705000.log",
                 LogText("07/05/2001")
                     .at("20:00:00", token("Al", 2, al) + " connected, address \"10.0.0.2:1\"")
                     .at("20:00:01", token("Lan", 3, "STEAM_ID_LAN") + " connected, address \"10.0.0.3:1\"")
                     .at("20:00:02", token("Al", 2, al) + " changed name to \"Ally\"")
                     .at("20:00:03", token("Ally", 2, al) + " say \"hi\"")
                     .at("20:00:04", "Rcon: \"rcon 1 pw status\" from \"10.0.0.2:1\"")
                     .at("20:10:00", token("Ally", 2, al) + " disconnected")
                     .at("20:20:00", token("Lan", 3, "STEAM_ID_LAN") + " disconnected")
                     .text());
    folder.write("L0706000.log", LogText("07/06/2001")
                                     .at("20:00:00", token("Alfred", 5, al) + " connected, address \"10.0.0.2:1\"")
                                     .at("20:00:05", token("Al", 6, "STEAM_ID_LAN") + " connected, address \"10.0.0.6:1\"")
                                     .at("20:05:00", token("Alfred", 5, al) + " disconnected")
                                     .at("20:06:00", token("Al", 6, "STEAM_ID_LAN") + " disconnected")
                                     .text());
}

TEST(PlayerRecord, LinksOneIdAcrossNamesAndDaysButNeverASharedId)
{
    ScopedTimeZone zone("UTC0");
    TempFolder folder;
    writeFolder(folder);
    FolderDays days;
    ASSERT_TRUE(days.scan(folder.string()));

    PlayerHistory history;
    std::size_t reported = 0;
    ASSERT_TRUE(collectPlayerHistory(days, {"Alfred", "STEAM_0:1:42", 5}, nullptr, history,
                                     [&](std::size_t, std::size_t) { ++reported; }));
    EXPECT_EQ(reported, 2u);
    EXPECT_TRUE(history.linkedById);
    EXPECT_EQ(history.sessions.size(), 2u);
    EXPECT_EQ(history.days.size(), 2u);
    EXPECT_EQ(history.names, (LargeVector<std::string>{"Al", "Ally", "Alfred"}));
    EXPECT_EQ(history.firstSeen, localStamp(2001, 7, 5, 20, 0, 0));
    EXPECT_EQ(history.lastSeen, localStamp(2001, 7, 6, 20, 5, 0));

    // The LAN "Al" shares his id with "Lan": neither is linked to the other.
    ASSERT_TRUE(collectPlayerHistory(days, {"Al", "STEAM_ID_LAN", 6}, nullptr, history, {}));
    EXPECT_FALSE(history.linkedById);
    EXPECT_EQ(history.sessions.size(), 1u);
    EXPECT_EQ(history.names, (LargeVector<std::string>{"Al"}));
}

TEST(PlayerRecord, TheLoadedDaysSessionsHoldThePlayersLines)
{
    ScopedTimeZone zone("UTC0");
    TempFolder folder;
    writeFolder(folder);
    FolderDays days;
    ASSERT_TRUE(days.scan(folder.string()));
    // The day's events as a window read gives them.
    DayRecord record;
    walkDayWindows(days, nullptr, [&](const DayWindow& view) {
        if (view.index == 0)
            record = dayRecordOf({"Ally", "STEAM_0:1:42", 2}, *view.window, view.day);
    }, [](std::size_t, const EventList*) {});
    ASSERT_EQ(record.sessions.size(), 1u);
    EXPECT_EQ(record.sessions[0].names, (std::vector<std::string>{"Al", "Ally"}));
    EXPECT_EQ(record.sessions[0].chat, 1);
    // Connection, name change, chat, remote-console command, disconnection.
    EXPECT_EQ(record.sessions[0].lines, (std::vector<std::size_t>{0, 2, 3, 4, 5}));
}

// Al stays past midnight, then comes twice more on the second day; each
// connection is logged under the pending id before the server validates
// it, and the player list shows him so.
void writeComings(const TempFolder& folder)
{
    const std::string al = "STEAM_0:1:42";
    folder.write("L0705000.log", LogText("07/05/2001")
                                     .at("22:00:00", token("Al", 2, "STEAM_ID_PENDING") + " connected, address \"10.0.0.2:1\"")
                                     .at("22:00:01", token("Al", 2, al) + " entered the game")
                                     .at("22:00:02", token("Bo", 3, "STEAM_0:1:7") + " connected, address \"10.0.0.3:1\"")
                                     .text());
    folder.write("L0706000.log", LogText("07/06/2001")
                                     .at("00:10:00", token("Al", 2, al) + " say \"late\"")
                                     .at("01:00:00", token("Al", 2, al) + " disconnected")
                                     .at("12:00:00", token("Al", 7, "STEAM_ID_PENDING") + " connected, address \"10.0.0.2:1\"")
                                     .at("12:00:01", token("Al", 7, al) + " entered the game")
                                     .at("12:30:00", token("Al", 7, al) + " disconnected")
                                     .at("20:00:00", token("Al", 9, "STEAM_ID_PENDING") + " connected, address \"10.0.0.2:1\"")
                                     .at("20:00:01", token("Al", 9, al) + " entered the game")
                                     .at("20:30:00", "World triggered \"Round_Start\"")
                                     .text());
}

TEST(PlayerRecord, TheDaysRecordHoldsEverySessionTheAllDaysWalkFinds)
{
    ScopedTimeZone zone("UTC0");
    TempFolder folder;
    writeComings(folder);
    FolderDays days;
    ASSERT_TRUE(days.scan(folder.string()));
    ViewerState state;
    ASSERT_TRUE(state.loadFolder(folder.string()));
    ASSERT_TRUE(state.loadDayAt(1));

    // As listed at 20:15, under the pending id of his third connection.
    const DayRecord record =
        dayRecordOf({"Al", "STEAM_ID_PENDING", 9}, state.events(), state.dayStart());
    EXPECT_EQ(record.subject.uniqueId, "STEAM_0:1:42");
    std::vector<PlayerSession> walked;
    walkPlayerSessions(days, nullptr, [&](const PlayerSession& s) { return s.uniqueId == "STEAM_0:1:42"; },
                       [&](PlayerSession&& s) { walked.push_back(std::move(s)); }, {});
    ASSERT_EQ(walked.size(), 4u);
    ASSERT_EQ(record.sessions.size(), 3u);
    for (std::size_t i = 0; i < 3; ++i) {
        const PlayerSession& day = record.sessions[i];
        const PlayerSession& all = walked[i + 1];
        EXPECT_EQ(day.day, all.day) << i;
        EXPECT_EQ(day.start, all.start) << i;
        EXPECT_EQ(day.end, all.end) << i;
        EXPECT_EQ(day.names, all.names) << i;
        EXPECT_EQ(day.chat, all.chat) << i;
    }
    EXPECT_EQ(record.sessions[0].start, localStamp(2001, 7, 6, 0, 10, 0));
    EXPECT_EQ(record.sessions[2].end, localStamp(2001, 7, 6, 20, 30, 0));
}

} // namespace
} // namespace zelkam
