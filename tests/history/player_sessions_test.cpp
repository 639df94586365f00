#include "history/player_sessions.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "parse/log_parser.h"
#include "tests/support/log_lines.h"
#include "tests/support/temp_folder.h"
#include "tests/history/reference_session_tracker.h"
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
    SessionEndCause ended = SessionEndCause::DayEnd;
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
    return out << " f" << s.frags << " d" << s.deaths << " c" << s.chat << " e" << static_cast<int>(s.ended);
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
                       s.teams, s.frags, s.deaths, s.chat, s.ended});
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
        {"05/07", "22:00:01", "22:00:07", {"Lan"}, "STEAM_ID_LAN", {}, 1, 1, 0, SessionEndCause::Disconnected},
        {"06/07", "00:00:30", "00:03:00", {"Ally", "Alfred"}, al, {0}, -1, 1, 0, SessionEndCause::Disconnected},
        {"06/07", "20:00:00", "20:30:00", {"Al"}, al, {}, 0, 0, 0},
        {"06/07", "20:00:02", "20:30:00", {"Lan"}, "STEAM_ID_LAN", {}, 0, 0, 0},
    };
    EXPECT_EQ(sessionsOf(text), expected);
}

// A day's worth of strangers drawn from small pools, so that names, user
// ids, unique ids and addresses collide all the time: reconnections, name
// changes onto a name in use, shutdowns by name, kills by name, midnights.
// With a wide pool, hundreds of players are on at once; with few names as
// well, dozens of them under each name, so that a name's players come and go
// past the number read off one name's chain. Spaced user ids (multiples of
// a large power of two, as a folder made to collide would have them) land on
// one slot of a table that keeps runs of numbers side by side.
std::string crowdedLog(unsigned seed, int wide = 0, bool fewNames = false, int userIdSpacing = 1)
{
    std::mt19937 random(seed);
    const auto pick = [&](const auto& pool) { return pool[random() % std::size(pool)]; };
    std::vector<std::string> names = {"Al", "Bo", "Player", "Player", "Cy"};
    for (int i = 0; i < wide && !fewNames; ++i)
        names.push_back("P" + std::to_string(i));
    const char* ids[] = {"STEAM_0:1:1", "STEAM_0:1:2", "STEAM_0:1:3", "STEAM_1:1:2", "STEAM_ID_PENDING", "STEAM_ID_LAN", "BOT", ""};
    const char* addresses[] = {"10.0.0.1:1", "10.0.0.2:1", "10.0.0.3:1"};
    const char* teams[] = {"", "TERRORIST", "CT"};
    LogText log("07/05/2001");
    const char* dates[] = {"07/05/2001", "07/06/2001", "07/07/2001"};
    int seconds = 22 * 3600;
    std::size_t day = 0;
    for (int i = 0; i < 600 + 10 * wide; ++i) {
        seconds += static_cast<int>(random() % (400 / (1 + wide / 50)));
        if (seconds >= 86400 && day + 1 < std::size(dates)) {
            seconds -= 86400 - static_cast<int>(random() % 2) * 20 * 3600;
            log.on(dates[++day]);
        }
        seconds = std::min(seconds, 86399);
        char stamp[16];
        std::snprintf(stamp, sizeof stamp, "%02d:%02d:%02d", seconds / 3600, seconds / 60 % 60, seconds % 60);
        const int userId = (1 + static_cast<int>(random() % (6 + wide))) * userIdSpacing;
        const std::string who = token(pick(names), userId, pick(ids), pick(teams));
        switch (random() % 12) {
        case 0:
        case 1: log.at(stamp, who + " connected, address \"" + pick(addresses) + "\""); break;
        case 2: log.at(stamp, who + " disconnected"); break;
        case 3: log.at(stamp, token(pick(names), -1, "", pick(teams)) + " disconnected"); break;
        case 4: log.at(stamp, who + " entered the game"); break;
        case 5: log.at(stamp, who + " joined team \"" + (random() % 2 ? "TERRORIST" : "CT") + "\""); break;
        case 6: log.at(stamp, who + " changed name to \"" + pick(names) + "\""); break;
        case 7: log.at(stamp, who + (random() % 2 ? " say \"hi\"" : " say_team \"hi\"")); break;
        case 8:
            log.at(stamp, who + " killed " + token(pick(names), (1 + static_cast<int>(random() % (6 + wide))) * userIdSpacing, pick(ids), pick(teams)) +
                              " with \"ak47\"");
            break;
        case 9: log.at(stamp, who + " committed suicide with \"world\""); break;
        case 10: log.at(stamp, (random() % 2 ? rconCommand : badRconCommand)("status", pick(addresses))); break;
        default: log.at(stamp, roundStarted()); break;
        }
    }
    return log.text();
}

TEST(PlayerSessions, CrowdedFoldersGiveTheSessionsOfThePlainRules)
{
    ScopedTimeZone zone("UTC0");
    for (unsigned seed = 1; seed <= 40; ++seed) {
        LogParser parser;
        parser.processLines(crowdedLog(seed, seed % 2 == 0 ? 400 : 0, seed % 4 == 2, seed % 8 == 4 ? 1 << 20 : 1));
        std::vector<std::string> found;
        std::vector<std::string> expected;
        SessionTracker tracker([&](PlayerSession&& s) { found.push_back(described(s)); }, true);
        // Recording each session's lines (the record window, the timeline)
        // never changes the sessions themselves (`player`, `stats`).
        std::vector<std::string> unrecorded;
        std::vector<std::string> expectedUnrecorded;
        ReferenceSessionTracker reference(
            [&](PlayerSession&& s) {
                expected.push_back(described(s));
                expectedUnrecorded.push_back(described(s, false));
            },
            true);
        SessionTracker plain([&](PlayerSession&& s) { unrecorded.push_back(described(s, false)); });
        // Told how many connections come, or not: room made at once or as
        // they come gives the same sessions.
        if (seed % 3 == 0) {
            std::size_t connections = 0;
            for (const LogEvent& event : parser.events())
                connections += event.kind == PlayerConnected ? 1 : 0;
            tracker.expectConnections(connections);
        }
        // The tracker gets each event's texts in storage that is scribbled
        // over once add returns: it keeps nothing of the caller's.
        std::string name;
        std::string uniqueId;
        std::string text;
        for (std::size_t e = 0; e < parser.events().size(); ++e) {
            LogEvent event = parser.events()[e];
            name = event.player.name ? event.player.name : "";
            uniqueId = event.player.uniqueId;
            text = event.text ? event.text : "";
            event.player.name = event.player.name ? name.c_str() : nullptr;
            event.player.uniqueId = uniqueId.c_str();
            event.text = event.text ? text.c_str() : nullptr;
            tracker.add(event, e);
            plain.add(event, e);
            for (std::string* scribbled : {&name, &uniqueId, &text})
                std::fill(scribbled->begin(), scribbled->end(), '#');
            reference.add(parser.events()[e], e);
        }
        tracker.finish();
        reference.finish();
        plain.finish();
        ASSERT_GT(expected.size(), 20u) << "seed " << seed;
        ASSERT_EQ(found, expected) << "seed " << seed;
        ASSERT_EQ(unrecorded, expectedUnrecorded) << "seed " << seed;
    }
}

// Players who rename themselves past the few names read through, back onto
// names used before, onto each other's names and across midnight: each
// session lists its names once, in order of first use, as the plain rules
// say.
TEST(PlayerSessions, ManyRenamesBackAndForthListEachNameOnce)
{
    ScopedTimeZone zone("UTC0");
    for (unsigned seed = 1; seed <= 6; ++seed) {
        std::mt19937 random(seed);
        LogText log("07/05/2001");
        const char* ids[] = {"STEAM_0:1:1", "STEAM_0:1:2", "STEAM_0:1:3"};
        std::string current[3] = {"N0", "N1", "N2"};
        for (int p = 0; p < 3; ++p)
            log.at("23:00:00", token(current[p], p + 1, ids[p]) + " connected, address \"10.0.0.1:1\"");
        const int pool = seed % 2 == 0 ? 40 : 12;
        for (int i = 0; i < 400; ++i) {
            if (i == 200)
                log.on("07/06/2001");
            const char* stamp = i < 200 ? "23:30:00" : "00:30:00";
            const int p = static_cast<int>(random() % 3);
            if (random() % 8 == 0) {
                const int q = static_cast<int>(random() % 3);
                log.at(stamp, token(current[q], q + 1, ids[q]) + " killed " + token(current[p], p + 1, ids[p]) +
                                  " with \"ak47\"");
                continue;
            }
            const std::string next = "N" + std::to_string(random() % pool);
            log.at(stamp, token(current[p], p + 1, ids[p]) + " changed name to \"" + next + "\"");
            current[p] = next;
        }
        LogParser parser;
        parser.processLines(log.text());
        std::vector<std::string> found;
        std::vector<std::string> expected;
        SessionTracker tracker([&](PlayerSession&& s) { found.push_back(described(s)); }, true);
        ReferenceSessionTracker reference([&](PlayerSession&& s) { expected.push_back(described(s)); }, true);
        const EventList& events = parser.events();
        for (std::size_t e = 0; e < events.size(); ++e)
            reference.add(events[e], e);
        // Event by event, or in runs as a day's read hands them on while
        // it reads, each at its place in the day.
        for (std::size_t e = 0; e < events.size();) {
            if (seed % 2 == 0) {
                tracker.add(events[e], e);
                ++e;
                continue;
            }
            const std::size_t run = std::min<std::size_t>(1 + random() % 60, events.size() - e);
            tracker.addRun(events, e, e + run, e);
            e += run;
        }
        tracker.finish();
        reference.finish();
        ASSERT_EQ(expected.size(), 6u) << "seed " << seed;
        ASSERT_EQ(found, expected) << "seed " << seed;
    }
}

// A player still on at a day's end carries on into the day right after,
// from its first line, once he shows up; past a day the log has no line of
// (a server off for a day) nobody is known to have stayed on, and a line of
// his begins a session of its own there, as a day's window would read it.
TEST(PlayerSessions, APlayerCarriesOnIntoTheDayRightAfterOnly)
{
    ScopedTimeZone zone("UTC0");
    const std::string al = "STEAM_0:1:42";
    for (const char* later : {"07/06/2001", "07/07/2001"}) {
        SCOPED_TRACE(later);
        const bool dayAfter = std::string_view(later) == "07/06/2001";
        const std::string text = LogText("07/05/2001")
                                     .at("22:00:00", token("Al", 2, al) + " connected, address \"10.0.0.2:1\"")
                                     .at("23:00:00", token("Al", 2, al) + " say \"late\"")
                                     .on(later)
                                     .at("09:00:00", roundStarted())
                                     .at("10:00:00", token("Al", 2, al) + " say \"back\"")
                                     .text();
        const std::vector<Summary> sessions = sessionsOf(text);
        ASSERT_EQ(sessions.size(), 2u);
        EXPECT_EQ(sessions[0].end, "23:00:00");
        EXPECT_EQ(sessions[1].date, std::string(later).substr(3, 2) + "/07");
        EXPECT_EQ(sessions[1].start, dayAfter ? "09:00:00" : "10:00:00");
    }
}

TEST(PlayerSessions, SharedIdsAreNeverLinks)
{
    for (const char* id : {"", "0", "STEAM_ID_LAN", "STEAM_ID_PENDING", "VALVE_ID_LAN", "VALVE_ID_PENDING", "BOT", "HLTV"})
        EXPECT_TRUE(isSharedUniqueId(id)) << id;
    for (const char* id : {"STEAM_0:1:42", "STEAM_1:0:5", "345678"})
        EXPECT_FALSE(isSharedUniqueId(id)) << id;
}

// A client that comes back from the same address is numbered afresh, and
// the server does not always log the drop first: the new connection ends the
// session it replaces when it is the same user id, name or account from the
// same address; one of the same account under another name only if it is
// never heard from again (two players behind one address may share an id).
// A shared id, or another address, tells no client apart, so such a session
// stays to the day's last line. Each says what ended it.
TEST(PlayerSessions, AReconnectionEndsTheSessionItReplaces)
{
    ScopedTimeZone zone("UTC");
    struct Case {
        const char* what;
        std::string first;
        std::string second;
        const char* secondAddress;
        const char* firstEnd;
        SessionEndCause firstEnded;
        // The first player says something after the second connected.
        bool firstHeardAgain = false;
    };
    constexpr SessionEndCause Reconnected = SessionEndCause::Reconnected;
    constexpr SessionEndCause DayEnd = SessionEndCause::DayEnd;
    const std::string lan = "VALVE_ID_LAN";
    const std::string emulated = "STEAM_2:1:190285650";
    const Case cases[] = {
        {"same name, shared id", token("B", 296, lan), token("B", 297, lan), "1.2.3.4:5", "19:30:33", Reconnected},
        {"another name, same account", token("OverlordD", 288, emulated), token("341", 289, emulated), "1.2.3.4:5",
         "19:30:33", Reconnected},
        {"another name, the account's other spelling", token("Al", 5, "STEAM_0:1:42"), token("Bo", 6, "STEAM_1:1:42"),
         "1.2.3.9:27005", "19:30:33", Reconnected},
        {"another name, same account, another address", token("OverlordD", 288, emulated), token("341", 289, emulated),
         "5.6.7.8:5", "19:40:00", DayEnd},
        {"another name, shared id", token("A", 296, lan), token("B", 297, lan), "1.2.3.4:5", "19:40:00", DayEnd},
        {"another name, another account", token("A", 296, "STEAM_0:1:1"), token("B", 297, "STEAM_0:1:2"),
         "1.2.3.4:5", "19:40:00", DayEnd},
        {"another name, same user id", token("A", 296, lan), token("B", 296, lan), "5.6.7.8:5", "19:30:33",
         Reconnected},
        {"another name, same account, the first still on", token("OverlordD", 288, emulated),
         token("341", 289, emulated), "1.2.3.4:5", "19:40:00", DayEnd, true},
    };
    for (const Case& c : cases) {
        LogText log("01/01/2020");
        log.at("19:30:33", c.first + " connected, address \"1.2.3.4:5\"")
            .at("19:30:35", c.second + " connected, address \"" + c.secondAddress + "\"")
            .at("19:30:40", c.second + " entered the game");
        if (c.firstHeardAgain)
            log.at("19:35:00", c.first + " say \"still here\"");
        const std::string text = log.at("19:40:00", c.second + " disconnected").text();
        const std::vector<Summary> sessions = sessionsOf(text);
        ASSERT_EQ(sessions.size(), 2u) << c.what;
        EXPECT_EQ(sessions[0].end, c.firstEnd) << c.what;
        EXPECT_EQ(sessions[0].ended, c.firstEnded) << c.what;
        EXPECT_EQ(sessions[1].start, "19:30:35") << c.what;
        EXPECT_EQ(sessions[1].end, "19:40:00") << c.what;
        EXPECT_EQ(sessions[1].ended, SessionEndCause::Disconnected) << c.what;
    }
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

namespace zelkam {
namespace {

// A crowd announced ahead (its records made and backed on another thread
// while the connections come): every player's session, in order of start,
// each with its own name, id and address, until the day's last event.
TEST(PlayerSessions, AnAnnouncedCrowdKeepsEveryPlayersSession)
{
    test::ScopedTimeZone zone("UTC0");
    constexpr int Players = 150000;
    std::vector<std::string> names;
    std::vector<std::string> ids;
    names.reserve(Players);
    ids.reserve(Players);
    for (int i = 0; i < Players; ++i) {
        names.push_back("Crowd" + std::to_string(i));
        ids.push_back("STEAM_0:1:" + std::to_string(i));
    }
    const std::int32_t day = test::localStamp(2001, 7, 6, 0, 0, 0);
    std::vector<PlayerSession> sessions;
    {
        SessionTracker tracker([&](PlayerSession&& s) { sessions.push_back(std::move(s)); });
        tracker.expectConnections(Players);
        for (int i = 0; i < Players; ++i) {
            LogEvent event;
            event.kind = PlayerConnected;
            event.time = day + i / 2;
            event.player.name = names[static_cast<std::size_t>(i)].c_str();
            event.player.userId = i + 1;
            event.player.uniqueId = ids[static_cast<std::size_t>(i)].c_str();
            event.player.addressKey = i + 7;
            tracker.add(event);
        }
        tracker.finish();
    }
    ASSERT_EQ(sessions.size(), static_cast<std::size_t>(Players));
    for (std::size_t k = 0; k < sessions.size(); ++k) {
        // Of two who came in the same second, the later one is handed out
        // first, as the session walk always has.
        const std::size_t i = k ^ 1;
        const PlayerSession& s = sessions[k];
        ASSERT_EQ(s.names, std::vector<std::string>{names[i]}) << k;
        ASSERT_EQ(s.uniqueId, ids[i]) << k;
        ASSERT_EQ(s.start, day + static_cast<std::int32_t>(i / 2)) << k;
        ASSERT_EQ(s.end, day + (Players - 1) / 2) << k;
        ASSERT_EQ(s.addressKey, static_cast<std::int32_t>(i) + 7) << k;
    }
}

} // namespace
} // namespace zelkam
