#include "history/player_sessions.h"

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

struct Summary {
    std::string date;
    std::string start;
    std::string end;
    std::vector<std::string> names;
    std::string uniqueId;
    std::vector<std::int32_t> teams;
    int frags;
    int deaths;
    int chat;
    bool operator==(const Summary&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Summary& s)
{
    out << s.date << ' ' << s.start << '-' << s.end << ' ' << s.uniqueId << " [";
    for (const std::string& name : s.names)
        out << name << ';';
    out << "] teams";
    for (int team : s.teams)
        out << ' ' << team;
    return out << " f" << s.frags << " d" << s.deaths << " c" << s.chat;
}

std::string clock(std::int32_t t)
{
    const std::time_t time = t;
    std::tm fields{};
#ifdef _WIN32
    localtime_s(&fields, &time);
#else
    localtime_r(&time, &fields);
#endif
    char text[32];
    std::strftime(text, sizeof text, "%d/%m %H:%M:%S", &fields);
    return text;
}

std::vector<Summary> sessionsOf(const std::string& log)
{
    LogParser parser;
    parser.processLines(log);
    std::vector<Summary> out;
    SessionTracker tracker([&](PlayerSession&& s) {
        out.push_back({clock(s.day).substr(0, 5), clock(s.start).substr(6), clock(s.end).substr(6), s.names, s.uniqueId,
                       s.teams, s.frags, s.deaths, s.chat});
    });
    for (const LogEvent& event : parser.events())
        tracker.add(event);
    tracker.finish();
    return out;
}

TEST(PlayerSessions, FollowOnePlayerAcrossNamesDaysAndShutdowns)
{
    ScopedTimeZone zone("Europe/Berlin");
    const std::string al = "STEAM_0:1:42";
    const std::string text =
        LogText("07/05/2001")
            .at("22:00:00", token("Al", 2, al) + " connected, address \"10.0.0.2:1\"")
            .at("22:00:01", token("Lan", 3, "STEAM_ID_LAN") + " connected, address \"10.0.0.3:1\"")
            .at("22:00:02", token("Al", 2, al) + " joined team \"TERRORIST\"")
            .at("22:00:03", token("Al", 2, al, "TERRORIST") + " say \"hi\"")
            .at("22:00:04", token("Al", 2, al, "TERRORIST") + " changed name to \"Ally\"")
            .at("22:00:05", token("Ally", 2, al, "TERRORIST") + " killed " + token("Lan", 3, "STEAM_ID_LAN", "CT") +
                                " with \"ak47\"")
            .at("22:00:06", token("Lan", 3, "STEAM_ID_LAN", "CT") + " killed " + token("Ally", 2, al, "TERRORIST") +
                                " with \"m4a1\"")
            .at("22:00:07", token("Lan", 3, "STEAM_ID_LAN", "CT") + " disconnected")
            .at("23:59:00", token("Ally", 2, al, "TERRORIST") + " say_team \"late\"")
            .on("07/06/2001")
            .at("00:00:30", "World triggered \"Round_Start\"")
            .at("00:01:00", token("Ally", 2, al, "TERRORIST") + " changed name to \"Alfred\"")
            .at("00:02:00", token("Alfred", 2, al, "TERRORIST") + " committed suicide with \"world\"")
            // A shutdown names the players without their ids.
            .at("00:03:00", token("Alfred", -1, "", "TERRORIST") + " disconnected")
            .at("00:03:00", token("Ghost", -1, "", "CT") + " disconnected")
            .at("20:00:00", token("Al", 7, "STEAM_ID_PENDING") + " connected, address \"10.0.0.2:1\"")
            .at("20:00:01", token("Al", 7, al) + " entered the game")
            .at("20:00:02", token("Lan", 8, "STEAM_ID_LAN") + " connected, address \"10.0.0.9:1\"")
            .at("20:30:00", "World triggered \"Round_Start\"")
            .text();
    const std::vector<Summary> expected = {
        {"05/07", "22:00:00", "23:59:00", {"Al", "Ally"}, al, {0}, 1, 1, 2},
        {"05/07", "22:00:01", "22:00:07", {"Lan"}, "STEAM_ID_LAN", {}, 1, 1, 0},
        {"06/07", "00:00:30", "00:03:00", {"Ally", "Alfred"}, al, {0}, -1, 1, 0},
        {"06/07", "20:00:00", "20:30:00", {"Al"}, al, {}, 0, 0, 0},
        {"06/07", "20:00:02", "20:30:00", {"Lan"}, "STEAM_ID_LAN", {}, 0, 0, 0},
    };
    EXPECT_EQ(sessionsOf(text), expected);
}

TEST(PlayerSessions, SharedIdsAreNeverLinks)
{
    for (const char* id : {"", "0", "STEAM_ID_LAN", "STEAM_ID_PENDING", "VALVE_ID_LAN", "VALVE_ID_PENDING", "BOT", "HLTV"})
        EXPECT_TRUE(isSharedUniqueId(id)) << id;
    for (const char* id : {"STEAM_0:1:42", "STEAM_1:0:5", "345678"})
        EXPECT_FALSE(isSharedUniqueId(id)) << id;
}

TEST(PlayerSessions, AReconnectionEndsTheSessionItReplaces)
{
    ScopedTimeZone zone("UTC");
    const std::string text = LogText("01/01/2020")
                                 .at("19:30:33", token("B", 296, "VALVE_ID_LAN") + " connected, address \"1.2.3.4:5\"")
                                 .at("19:30:35", token("B", 297, "VALVE_ID_LAN") + " connected, address \"1.2.3.4:5\"")
                                 .at("19:30:40", token("B", 297, "VALVE_ID_LAN") + " entered the game")
                                 .at("19:40:00", token("B", 297, "VALVE_ID_LAN") + " disconnected")
                                 .text();
    const std::vector<Summary> sessions = sessionsOf(text);
    ASSERT_EQ(sessions.size(), 2u);
    EXPECT_EQ(sessions[0].end, "19:30:33");
    EXPECT_EQ(sessions[1].start, "19:30:35");
    EXPECT_EQ(sessions[1].end, "19:40:00");
}

// A bot has no address (key 0), and neither has a remote-console sender
// whose address cannot be read. Such a command is from no one: it must never
// land in a bot's lines, nor in those of a player who connected from an
// address that cannot be read either.
TEST(PlayerSessions, ACommandFromAnUnreadableAddressIsNoBotsLine)
{
    ScopedTimeZone zone("UTC0");
    const std::string log = LogText("07/05/2001")
                                .at("20:00:00", token("Bob", 1, "BOT") + " entered the game")
                                .at("20:00:01", token("Bob", 1, "BOT", "CT") + " joined team \"CT\"")
                                .at("20:00:02", token("Lo", 2, "STEAM_ID_LAN") + " connected, address \"loopback\"")
                                .at("20:00:03", "Rcon: \"rcon 1 pw status\" from \"[2001:db8::1]:27005\"")
                                .at("20:00:04", "Rcon: \"rcon 1 pw users\" from \"none\"")
                                .at("20:00:05", "Bad Rcon: \"rcon 1 pw kick Bob\" from \"loopback\"")
                                .at("20:00:06", token("Bob", 1, "BOT", "CT") + " say \"hi\"")
                                .text();
    LogParser parser;
    parser.processLines(log);
    ASSERT_EQ(parser.events().size(), 7u);
    std::vector<PlayerSession> sessions;
    SessionTracker tracker([&](PlayerSession&& s) { sessions.push_back(std::move(s)); }, true);
    for (std::size_t i = 0; i < parser.events().size(); ++i)
        tracker.add(parser.events()[i], i);
    tracker.finish();
    ASSERT_EQ(sessions.size(), 2u);
    EXPECT_EQ(sessions[0].uniqueId, "BOT");
    EXPECT_EQ(sessions[0].lines, (std::vector<std::size_t>{0, 1, 6}));
    EXPECT_EQ(sessions[1].lines, (std::vector<std::size_t>{2}));
}

} // namespace
} // namespace zelkam
