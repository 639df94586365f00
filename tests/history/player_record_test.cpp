#include "history/player_record.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "parse/log_parser.h"
#include "parse/stamp_order.h"
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

// One account under three names over two days, logged as STEAM_1 on the
// second (the engine's update changed the universe digit, not the account);
// two different LAN players, one of whom also calls himself "Al".
void writeFolder(const TempFolder& folder)
{
    const std::string al = "STEAM_0:1:42";
    const std::string updated = "STEAM_1:1:42";
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
                                     .at("20:00:00", token("Alfred", 5, updated) + " connected, address \"10.0.0.2:1\"")
                                     .at("20:00:05", token("Al", 6, "STEAM_ID_LAN") + " connected, address \"10.0.0.6:1\"")
                                     .at("20:05:00", token("Alfred", 5, updated) + " disconnected")
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

// A busy day of one file, large enough to be read in pieces on several
// threads: players come and go, chat, kill and rename, and among their lines
// stray ones, alone and in runs up to past the longest run judged stray.
std::string busyDay()
{
    std::mt19937 random(7);
    LogText log("07/05/2001");
    const auto stamp = [](int second) {
        char text[16];
        std::snprintf(text, sizeof text, "%02d:%02d:%02d", second / 3600, second / 60 % 60, second % 60);
        return std::string(text);
    };
    constexpr int Players = 40;
    std::vector<std::string> names(Players);
    std::vector<bool> here(Players);
    int second = 3 * 3600;
    for (int line = 0; line < 40000; ++line) {
        second += line % 3 == 0;
        if (random() % 100 == 0) {
            // Two hours ahead or behind: a run of strays, or of a clock
            // that moved when it outlasts the longest run judged stray.
            const int shift = random() % 2 ? 7200 : -7200;
            const int run = 1 + static_cast<int>(random() % (StrayRunLimit + 2));
            for (int r = 0; r < run; ++r)
                log.at(stamp(second + shift), "World triggered \"Round_Start\"");
        }
        const int p = static_cast<int>(random() % Players);
        const std::string id = "STEAM_0:1:" + std::to_string(100 + p);
        const std::string team = p % 2 ? "CT" : "TERRORIST";
        if (!here[p]) {
            names[p] = "P" + std::to_string(p);
            log.at(stamp(second), token(names[p], p + 1, id) + " connected, address \"10.0.0." + std::to_string(p) + ":1\"");
            here[p] = true;
            continue;
        }
        const int q = (p + 1 + static_cast<int>(random() % (Players - 1))) % Players;
        switch (random() % 8) {
        case 0:
            log.at(stamp(second), token(names[p], p + 1, id, team) + " disconnected");
            here[p] = false;
            break;
        case 1: {
            const std::string renamed = names[p] + "x";
            log.at(stamp(second), token(names[p], p + 1, id, team) + " changed name to \"" + renamed + "\"");
            names[p] = renamed;
            break;
        }
        case 2:
        case 3:
            if (here[q]) {
                log.at(stamp(second), token(names[p], p + 1, id, team) + " killed " +
                                          token(names[q], q + 1, "STEAM_0:1:" + std::to_string(100 + q), q % 2 ? "CT" : "TERRORIST") +
                                          " with \"ak47\"");
                break;
            }
            [[fallthrough]];
        default:
            log.at(stamp(second), token(names[p], p + 1, id, team) + " say \"line " + std::to_string(line) + "\"");
            break;
        }
    }
    return log.text();
}

// A walk of one day follows the day's events as its read on several threads
// joins them: what it was given is where the day's list begins, the rest
// comes to done, and the sessions are those of the day read on one thread.
TEST(PlayerRecord, ADayFollowedAsItIsReadGivesTheSessionsOfAReadOnOneThread)
{
    ScopedTimeZone zone("UTC0");
    TempFolder folder;
    folder.write("L0705000.log", busyDay());
    FolderDays days;
    ASSERT_TRUE(days.scan(folder.string()));
    ASSERT_EQ(days.days.size(), 1u);

    std::vector<std::pair<std::int32_t, const char*>> followedEvents;
    std::size_t runs = 0;
    std::vector<FolderWalk> walk(1);
    walk[0].folder = &days;
    walk[0].follow = [&](std::size_t, const EventList& events, std::size_t first, std::size_t last) {
        ++runs;
        for (std::size_t e = first; e < last; ++e)
            followedEvents.emplace_back(events[e].time, events[e].player.name);
    };
    bool whole = false;
    walk[0].done = [&](std::size_t, const EventList* own) {
        ASSERT_TRUE(own);
        ASSERT_LE(followedEvents.size(), own->size());
        for (std::size_t e = 0; e < followedEvents.size(); ++e)
            ASSERT_EQ(followedEvents[e], std::make_pair((*own)[e].time, (*own)[e].player.name)) << e;
        whole = true;
    };
    ASSERT_TRUE(walkFolders(walk, nullptr, 2));
    EXPECT_TRUE(whole);
    EXPECT_GT(runs, 2u) << "the day is followed piece by piece";

    std::vector<ServerDays> server(1);
    server[0].days = days;
    server[0].opened = true;
    const auto sessionsOn = [&](unsigned threads) {
        std::vector<std::string> sessions;
        EXPECT_TRUE(walkServersPlayerSessions(
            server, nullptr, [](const PlayerSession&) { return true; },
            [&](PlayerSession&& s) {
                std::string text = std::to_string(s.start) + "-" + std::to_string(s.end) + " " + s.uniqueId;
                for (const std::string& name : s.names)
                    text += " " + name;
                text += " f" + std::to_string(s.frags) + " d" + std::to_string(s.deaths) + " c" + std::to_string(s.chat);
                sessions.push_back(std::move(text));
            },
            {}, threads));
        return sessions;
    };
    const std::vector<std::string> alone = sessionsOn(1);
    ASSERT_GT(alone.size(), 100u);
    EXPECT_EQ(sessionsOn(2), alone);
}

} // namespace
} // namespace zelkam
