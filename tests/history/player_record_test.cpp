#include "history/player_record.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "parse/log_parser.h"
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
    EXPECT_EQ(history.sessions, 2u);
    EXPECT_EQ(history.days.size(), 2u);
    EXPECT_EQ(history.names, (std::vector<std::string>{"Al", "Ally", "Alfred"}));
    EXPECT_EQ(history.firstSeen, localStamp(2001, 7, 5, 20, 0, 0));
    EXPECT_EQ(history.lastSeen, localStamp(2001, 7, 6, 20, 5, 0));

    // The LAN "Al" shares his id with "Lan": neither is linked to the other.
    ASSERT_TRUE(collectPlayerHistory(days, {"Al", "STEAM_ID_LAN", 6}, nullptr, history, {}));
    EXPECT_FALSE(history.linkedById);
    EXPECT_EQ(history.sessions, 1u);
    EXPECT_EQ(history.names, (std::vector<std::string>{"Al"}));
}

TEST(PlayerRecord, TheLoadedDaysSessionsHoldThePlayersLines)
{
    ScopedTimeZone zone("UTC0");
    TempFolder folder;
    writeFolder(folder);
    FolderDays days;
    ASSERT_TRUE(days.scan(folder.string()));
    // The day's events as a window read gives them.
    std::vector<PlayerSession> sessions;
    walkDayWindows(days, nullptr, [&](const DayWindow& view) {
        if (view.index == 0)
            sessions = daySessionsOf({"Ally", "STEAM_0:1:42", 2}, *view.window, 0, view.window->size());
    }, [](std::size_t, const EventList*) {});
    ASSERT_EQ(sessions.size(), 1u);
    EXPECT_EQ(sessions[0].names, (std::vector<std::string>{"Al", "Ally"}));
    EXPECT_EQ(sessions[0].chat, 1);
    // Connection, name change, chat, remote-console command, disconnection.
    EXPECT_EQ(sessions[0].lines, (std::vector<std::size_t>{0, 2, 3, 4, 5}));
}

} // namespace
} // namespace zelkam
