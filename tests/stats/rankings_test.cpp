#include "stats/rankings.h"

#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "history/player_record.h"
#include "history/player_sessions.h"
#include "ingest/log_file_list.h"
#include "tests/stats/session_sums.h"
#include "tests/support/log_lines.h"
#include "tests/support/temp_folder.h"
#include "tests/support/time_zone.h"
#include "tools/loggen/log_generator.h"

namespace zelkam {
namespace {

using namespace zelkam::test;

// Player tokens as servers write them, with the unique id given.
std::string who(std::string_view name, int userId, std::string_view id, std::string_view team)
{
    return "\"" + std::string(name) + "<" + std::to_string(userId) + "><" + std::string(id) + "><" +
           std::string(team) + ">\"";
}

std::string kill(const std::string& killer, const std::string& victim, std::string_view weapon)
{
    return killer + " killed " + victim + " with \"" + std::string(weapon) + "\"";
}

const PlayerRanking* playerNamed(const Rankings& rankings, std::string_view name)
{
    for (const PlayerRanking& player : rankings.players) {
        if (player.name == name)
            return &player;
    }
    return nullptr;
}

// Two days of one server, line shapes taken from real logs: an account seen
// under both Steam universes and two names, two LAN players told apart by
// name, a bot, a team kill, the bomb and a hostage, and round wins.
void writeTwoDays(const TempFolder& folder)
{
    const std::string ann0 = who("Ann", 2, "STEAM_0:1:42", "CT");
    const std::string lan = who("Lan", 3, "STEAM_ID_LAN", "TERRORIST");
    const std::string lan2 = who("Other", 4, "STEAM_ID_LAN", "CT");
    const std::string bot = who("Chris_Rock", 5, "BOT", "TERRORIST");
    folder.write("L0705000.log",
                 LogText("07/05/2001")
                     .at("20:00:00", mapStarted("de_dust2"))
                     .at("20:00:01", who("Ann", 2, "STEAM_ID_PENDING", "") + " connected, address \"10.0.0.2:1\"")
                     .at("20:00:02", who("Ann", 2, "STEAM_0:1:42", "") + " entered the game")
                     .at("20:00:03", who("Ann", 2, "STEAM_0:1:42", "") + " joined team \"CT\"")
                     .at("20:00:04", who("Lan", 3, "STEAM_ID_LAN", "") + " connected, address \"10.0.0.3:1\"")
                     .at("20:00:05", who("Lan", 3, "STEAM_ID_LAN", "") + " joined team \"TERRORIST\"")
                     .at("20:00:06", who("Other", 4, "STEAM_ID_LAN", "") + " connected, address \"10.0.0.4:1\"")
                     .at("20:00:07", who("Other", 4, "STEAM_ID_LAN", "") + " joined team \"CT\"")
                     .at("20:00:08", who("Chris_Rock", 5, "BOT", "") + " entered the game")
                     .at("20:00:09", who("Chris_Rock", 5, "BOT", "") + " joined team \"TERRORIST\"")
                     .at("20:00:10", "World triggered \"Round_Start\"")
                     .at("20:01:00", kill(ann0, lan, "m4a1"))
                     .at("20:01:10", kill(ann0, lan2, "m4a1"))
                     .at("20:01:20", kill(bot, ann0, "ak47"))
                     .at("20:01:30", bot + " triggered \"Planted_The_Bomb\"")
                     .at("20:01:40", lan2 + " triggered \"Defused_The_Bomb\"")
                     .at("20:01:41", "Team \"CT\" triggered \"Bomb_Defused\" (CT \"1\") (T \"0\")")
                     .at("20:01:50", "World triggered \"Round_Start\"")
                     .at("20:02:00", lan2 + " triggered \"Rescued_A_Hostage\"")
                     .at("20:02:10", lan + " committed suicide with \"grenade\"")
                     .at("20:02:20", "Team \"TERRORIST\" triggered \"Terrorists_Win\" (CT \"1\") (T \"1\")")
                     .at("20:30:00", ann0 + " changed name to \"Annie\"")
                     .at("20:31:00", who("Annie", 2, "STEAM_0:1:42", "CT") + " say \"gg\"")
                     .at("20:40:00", who("Annie", 2, "STEAM_0:1:42", "CT") + " disconnected")
                     .at("20:50:00", mapStarted("cs_office"))
                     .at("21:00:00", lan2 + " say \"bye\"")
                     .text());
    // The next day the same account comes back through the other universe.
    const std::string ann1 = who("Annie", 7, "STEAM_1:1:42", "CT");
    folder.write("L0706000.log", LogText("07/06/2001")
                                     .at("10:00:00", mapStarted("de_dust2"))
                                     .at("10:00:01", who("Annie", 7, "STEAM_1:1:42", "") + " entered the game")
                                     .at("10:00:02", who("Annie", 7, "STEAM_1:1:42", "") + " joined team \"CT\"")
                                     .at("10:05:00", kill(ann1, who("Lan", 8, "STEAM_ID_LAN", "TERRORIST"), "awp"))
                                     .at("10:06:00", kill(ann1, who("Dave", 9, "STEAM_0:0:7", "CT"), "awp"))
                                     // Dropped: the line names him by name alone.
                                     .at("10:07:00", who("Dave", -1, "", "CT") + " disconnected")
                                     .at("10:08:00", "Team \"CT\" triggered \"CTs_Win\" (CT \"2\") (T \"1\")")
                                     .at("10:10:00", who("Annie", 7, "STEAM_1:1:42", "CT") + " disconnected")
                                     .text());
}

TEST(Rankings, CountsPlayersWeaponsAndMapsOfTheRange)
{
    ScopedTimeZone zone("UTC0");
    TempFolder folder;
    writeTwoDays(folder);
    FolderDays days;
    ASSERT_TRUE(days.scan(folder.string()));

    Rankings all;
    ASSERT_TRUE(collectRankings(days, {}, nullptr, all));
    const PlayerRanking* ann = playerNamed(all, "Annie");
    ASSERT_NE(ann, nullptr);
    EXPECT_EQ(ann->uniqueId, "STEAM_0:1:42") << "both universes are one account";
    EXPECT_EQ(ann->names, (LargeVector<std::string>{"Ann", "Annie"}));
    EXPECT_EQ(ann->sessions, 2);
    EXPECT_EQ(ann->days, 2);
    // Lan and Other on the first day, Lan and Dave on the second; Other and
    // Dave were on her own team.
    EXPECT_EQ(ann->kills, 2);
    EXPECT_EQ(ann->teamKills, 2);
    EXPECT_EQ(ann->deaths, 1);
    EXPECT_EQ(ann->frags, 0) << "as the player list counts: +1 -1 on each day";
    EXPECT_EQ(ann->chat, 1);
    EXPECT_EQ(ann->roundsWon, 2);
    EXPECT_EQ(ann->timeConnected, (40 * 60 - 1) + (10 * 60 - 1));
    EXPECT_EQ(ann->weaponKills, (LargeVector<std::pair<std::string, std::int32_t>>{{"awp", 2}, {"m4a1", 2}}));

    // LAN players are told apart by name; the bot is left out.
    const PlayerRanking* lan = playerNamed(all, "Lan");
    const PlayerRanking* other = playerNamed(all, "Other");
    ASSERT_TRUE(lan && other);
    EXPECT_EQ(lan->uniqueId, "");
    EXPECT_EQ(lan->suicides, 1);
    EXPECT_EQ(lan->deaths, 3);
    EXPECT_EQ(lan->roundsWon, 1);
    EXPECT_EQ(other->bombsDefused, 1);
    EXPECT_EQ(other->hostagesRescued, 1);
    EXPECT_EQ(other->roundsWon, 1);
    EXPECT_EQ(playerNamed(all, "Chris_Rock"), nullptr);
    const PlayerRanking* dave = playerNamed(all, "Dave");
    ASSERT_NE(dave, nullptr);
    EXPECT_EQ(dave->uniqueId, "STEAM_0:0:7");
    EXPECT_EQ(dave->roundsWon, 0) << "he had left when his side won";
    EXPECT_EQ(all.players.size(), 4u) << "neither Ann's connection before validation nor Dave's drop is a player of "
                                         "its own";

    std::map<std::string, std::tuple<int, int, int>> weapons;
    for (const WeaponRanking& w : all.weapons)
        weapons[w.weapon] = {w.kills, w.teamKills, w.players};
    EXPECT_EQ(weapons, (decltype(weapons){{"ak47", {1, 0, 0}}, {"awp", {2, 1, 1}}, {"m4a1", {2, 1, 1}}}));

    std::map<std::string, std::tuple<int, std::int64_t, int, int>> maps;
    for (const MapRanking& m : all.maps)
        maps[m.map] = {m.started, m.timePlayed, m.rounds, m.players};
    EXPECT_EQ(maps, (decltype(maps){{"de_dust2", {2, 40 * 60 + 10 * 60, 2, 4}}, {"cs_office", {1, 10 * 60, 0, 1}}}));

    // Bots when asked for, under their names.
    Rankings withBots;
    RankingRange bots;
    bots.bots = true;
    ASSERT_TRUE(collectRankings(days, bots, nullptr, withBots));
    const PlayerRanking* bot = playerNamed(withBots, "Chris_Rock");
    ASSERT_NE(bot, nullptr);
    EXPECT_EQ(bot->kills, 1);
    EXPECT_EQ(bot->bombsPlanted, 1);
    EXPECT_EQ(bot->roundsWon, 1);

    // The second day alone.
    Rankings second;
    RankingRange range;
    range.firstDay = days.days[1];
    range.lastDay = days.days[1];
    ASSERT_TRUE(collectRankings(days, range, nullptr, second));
    ann = playerNamed(second, "Annie");
    ASSERT_NE(ann, nullptr);
    EXPECT_EQ(ann->sessions, 1);
    EXPECT_EQ(ann->kills, 1);
    EXPECT_EQ(ann->teamKills, 1);
    EXPECT_EQ(ann->chat, 0);
    EXPECT_EQ(second.maps.size(), 1u);
}

// A session carried over midnight begins at the new day's first event the
// player record sees: a line only rankings read (a bomb planted) that comes
// first must not move it.
TEST(Rankings, SessionsOverMidnightBeginWhereThePlayerRecordBeginsThem)
{
    ScopedTimeZone zone("UTC0");
    TempFolder folder;
    const std::string ann = who("Ann", 2, "STEAM_0:1:42", "CT");
    const std::string bot = who("Chris_Rock", 5, "BOT", "TERRORIST");
    folder.write("L0705000.log", LogText("07/05/2001")
                                     .at("23:50:00", mapStarted("de_dust2"))
                                     .at("23:50:01", who("Ann", 2, "STEAM_0:1:42", "") + " entered the game")
                                     .at("23:50:02", who("Ann", 2, "STEAM_0:1:42", "") + " joined team \"CT\"")
                                     .at("23:59:00", ann + " say \"late\"")
                                     .text());
    folder.write("L0706000.log", LogText("07/06/2001")
                                     .at("00:00:30", bot + " triggered \"Planted_The_Bomb\"")
                                     .at("00:05:00", "World triggered \"Round_Start\"")
                                     .at("00:10:00", ann + " say \"still here\"")
                                     .at("00:20:00", ann + " disconnected")
                                     .text());
    FolderDays days;
    ASSERT_TRUE(days.scan(folder.string()));

    std::int64_t expected = 0;
    int sessions = 0;
    SessionTracker tracker([&](PlayerSession&& s) {
        expected += s.end - s.start;
        ++sessions;
    });
    walkDayWindows(days, nullptr, {}, [&](std::size_t, const EventList* own) {
        if (own) {
            for (const LogEvent& event : *own)
                tracker.add(event);
        }
    });
    tracker.finish();

    Rankings rankings;
    ASSERT_TRUE(collectRankings(days, {}, nullptr, rankings));
    const PlayerRanking* ranked = playerNamed(rankings, "Ann");
    ASSERT_NE(ranked, nullptr);
    EXPECT_EQ(sessions, 2);
    EXPECT_EQ(ranked->sessions, sessions);
    EXPECT_EQ(ranked->timeConnected, expected);
    EXPECT_EQ(ranked->chat, 2);
}

// A player who left and came back within one map is on the map again: the
// rounds his team wins from then on are his, on the team he came back to,
// and he is still one of the map's players.
TEST(Rankings, APlayerBackOnTheMapWinsWithTheTeamHeCameBackTo)
{
    ScopedTimeZone zone("UTC0");
    TempFolder folder;
    LogText log("07/05/2001");
    log.at("20:00:00", mapStarted("de_dust2"));
    // Bob leaves and comes back to his side, Eve comes back to the other;
    // Sam leaves for good.
    const struct {
        const char* name;
        const char* id;
        const char* first;
        const char* back;
    } players[] = {{"Bob", "STEAM_0:1:7", "CT", "CT"}, {"Eve", "STEAM_0:1:8", "TERRORIST", "CT"},
                   {"Sam", "STEAM_0:1:9", "CT", nullptr}};
    int userId = 2;
    for (const auto& p : players) {
        log.at("20:00:01", who(p.name, userId, p.id, "") + " connected, address \"10.0.0.1:1\"")
            .at("20:00:02", who(p.name, userId, p.id, "") + " joined team \"" + p.first + "\"")
            .at("20:01:00", who(p.name, userId, p.id, p.first) + " disconnected");
        ++userId;
        if (p.back) {
            log.at("20:02:00", who(p.name, userId, p.id, "") + " connected, address \"10.0.0.1:1\"")
                .at("20:02:01", who(p.name, userId, p.id, "") + " joined team \"" + p.back + "\"");
            ++userId;
        }
    }
    log.at("20:03:00", "Team \"CT\" triggered \"CTs_Win\" (CT \"1\") (T \"0\")")
        .at("20:04:00", "Team \"TERRORIST\" triggered \"Terrorists_Win\" (CT \"1\") (T \"1\")");
    folder.write("L0705000.log", log.text());
    FolderDays days;
    ASSERT_TRUE(days.scan(folder.string()));
    Rankings rankings;
    ASSERT_TRUE(collectRankings(days, {}, nullptr, rankings));
    std::map<std::string, std::int32_t> won;
    for (const PlayerRanking& player : rankings.players)
        won[player.name] = player.roundsWon;
    EXPECT_EQ(won, (std::map<std::string, std::int32_t>{{"Bob", 1}, {"Eve", 1}, {"Sam", 0}}));
    ASSERT_EQ(rankings.maps.size(), 1u);
    EXPECT_EQ(rankings.maps[0].players, 3);
}

// A bot and a LAN player may go by the same name (here on one file that
// spans days, as a server left running writes it): two players, so that
// leaving the bots out leaves the LAN player's kills in.
TEST(Rankings, ABotIsNotTheLanPlayerOfHisName)
{
    ScopedTimeZone zone("UTC0");
    TempFolder folder;
    const std::string bot = who("Zap", 2, "BOT", "TERRORIST");
    const std::string lan = who("Zap", 9, "STEAM_ID_LAN", "CT");
    const std::string ct = who("Ann", 3, "STEAM_0:1:42", "CT");
    const std::string other = who("Ann", 3, "STEAM_0:1:42", "TERRORIST");
    folder.write("L0705000.log", LogText("07/05/2001")
                                     .at("10:00:00", mapStarted("de_dust2"))
                                     .at("10:00:01", bot + " entered the game")
                                     .at("10:01:00", kill(bot, ct, "ak47"))
                                     .at("10:02:00", bot + " disconnected")
                                     .at("11:00:00", lan + " entered the game")
                                     .at("11:01:00", kill(lan, other, "m4a1"))
                                     .at("11:01:10", kill(lan, other, "m4a1"))
                                     .text());
    FolderDays days;
    ASSERT_TRUE(days.scan(folder.string()));
    for (const bool bots : {false, true}) {
        SCOPED_TRACE(bots ? "bots ranked" : "bots left out");
        RankingRange range;
        range.bots = bots;
        Rankings rankings;
        ASSERT_TRUE(collectRankings(days, range, nullptr, rankings));
        std::map<std::pair<int, int>, int> zaps; // (sessions, kills) of each Zap row
        for (const PlayerRanking& player : rankings.players) {
            if (player.name == "Zap")
                ++zaps[{player.sessions, player.kills}];
        }
        std::map<std::pair<int, int>, int> expected{{{1, 2}, 1}};
        if (bots)
            expected[{1, 1}] = 1;
        EXPECT_EQ(zaps, expected);
    }
}

// Every kill line of the folder's files.
int killLines(const std::filesystem::path& folder)
{
    int count = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        std::ifstream file(entry.path());
        for (std::string line; std::getline(file, line);)
            count += line.find("\" killed \"") != std::string::npos;
    }
    return count;
}

// The truth of the rankings: each player's frags, deaths, sessions and time
// connected are
// the sums over the sessions the player record walks (every day, in order),
// and the weapons' kills are the folder's kill lines.
TEST(Rankings, AgreeWithTheSessionsOfEveryDayAndTheKillLines)
{
    for (const char* zone : {"UTC0", "Europe/Berlin"}) {
        ScopedTimeZone tz(zone);
        for (std::uint64_t seed : {3u, 11u}) {
            TempFolder folder;
            LogGenOptions options;
            options.seed = seed;
            options.days = 4;
            options.linesPerDay = 3000;
            options.maxPlayers = 12;
            ASSERT_TRUE(generateLogFolder(folder.path(), options));
            FolderDays days;
            ASSERT_TRUE(days.scan(folder.string()));
            ASSERT_GE(days.days.size(), 4u);

            // The whole folder, and the middle two days.
            const RankingRange ranges[] = {{}, {days.days[1], days.days[2], false}};
            for (const RankingRange& range : ranges) {
                SCOPED_TRACE(std::string(zone) + " seed " + std::to_string(seed) + " from " +
                             std::to_string(range.firstDay));
                const test::SessionSums expected = test::sessionSumsOf(days, range);
                Rankings rankings;
                ASSERT_TRUE(collectRankings(days, range, nullptr, rankings));
                const test::SessionSums ranked = test::rankedSessionSums(rankings);
                EXPECT_EQ(ranked, expected);
                EXPECT_GT(expected.size(), 3u);
                if (range.firstDay == RankingRange{}.firstDay) {
                    int kills = 0;
                    for (const WeaponRanking& w : rankings.weapons)
                        kills += w.kills;
                    EXPECT_EQ(kills, killLines(folder.path()));
                    EXPECT_GT(kills, 0);
                }
            }
        }
    }
}

// Many names, weapons and maps are found by tables rather than read through:
// past the first few, a name used again, a weapon killed with again and a
// map started again still count once, in the order first met.
TEST(Rankings, ManyNamesWeaponsAndMapsCountAsAFewDo)
{
    ScopedTimeZone zone("UTC0");
    constexpr int Names = 40;
    constexpr int Weapons = 50;
    constexpr int Maps = 30;
    LogText log("07/05/2001");
    const std::string victim = who("Bo", 3, "STEAM_0:1:43", "CT");
    log.at("10:00:00", who("Name0", 2, "STEAM_0:1:42", "") + " connected, address \"10.0.0.2:1\"");
    std::vector<std::string> names{"Name0"};
    // Through every name, then through them all again.
    std::string current = names.front();
    for (int i = 1; i < 2 * Names; ++i) {
        const std::string to = "Name" + std::to_string(i % Names);
        log.at("10:01:00", who(current, 2, "STEAM_0:1:42", "TERRORIST") + " changed name to \"" + to + "\"");
        if (i < Names)
            names.push_back(to);
        current = to;
    }
    const std::string killer = who("Name" + std::to_string(Names - 1), 2, "STEAM_0:1:42", "TERRORIST");
    std::map<std::string, std::int32_t> weaponKills;
    std::map<std::string, std::int32_t> starts;
    for (int i = 0; i < 3 * Weapons; ++i) {
        const std::string weapon = "weapon" + std::to_string(i * 7 % Weapons);
        ++weaponKills[weapon];
        log.at("10:02:00", kill(killer, victim, weapon));
    }
    for (int i = 0; i < 2 * Maps; ++i) {
        const std::string map = "map" + std::to_string(i * 11 % Maps);
        ++starts[map];
        log.at("10:03:00", mapStarted(map));
    }
    // Players whose last line is a rename: no later line names them by
    // their last name, yet it is the name they use.
    const std::vector<std::pair<std::string, int>> lastRenamers = {{"Cy", 20}, {"Di", 1}};
    std::map<std::string, std::vector<std::string>> renamersNames;
    for (std::size_t p = 0; p < lastRenamers.size(); ++p) {
        const auto& [first, renames] = lastRenamers[p];
        const int userId = 4 + static_cast<int>(p);
        const std::string uniqueId = "STEAM_0:1:" + std::to_string(44 + p);
        std::vector<std::string>& used = renamersNames[first];
        used.push_back(first);
        log.at("10:04:00", who(first, userId, uniqueId, "") + " connected, address \"10.0.0.9:1\"");
        for (int i = 1; i <= renames; ++i) {
            used.push_back(first + std::to_string(i));
            log.at("10:05:00", who(used[used.size() - 2], userId, uniqueId, "CT") + " changed name to \"" + used.back() + "\"");
        }
    }
    // A LAN player is known by his name: his kill is the old name's row,
    // which a rename must not call by the new one (the new name is a row
    // of its own).
    log.at("10:06:00", kill(who("La", 9, "STEAM_ID_LAN", "T"), victim, "ak47"));
    log.at("10:07:00", who("La", 9, "STEAM_ID_LAN", "T") + " changed name to \"Lb\"");
    TempFolder folder;
    folder.write("L0705000.log", log.text());
    FolderDays days;
    ASSERT_TRUE(days.scan(folder.string()));

    std::vector<PlayerSession> sessions;
    ASSERT_TRUE(walkPlayerSessions(days, nullptr, [](const PlayerSession& s) { return s.uniqueId == "STEAM_0:1:42"; },
                                   [&](PlayerSession&& s) { sessions.push_back(std::move(s)); }, {}));
    ASSERT_EQ(sessions.size(), 1u);
    EXPECT_EQ(sessions[0].names, names) << "the session walk";
    PlayerHistory history;
    ASSERT_TRUE(collectPlayerHistory(days, {"Name0", "STEAM_0:1:42", 2}, nullptr, history, {}));
    EXPECT_EQ(history.names, (LargeVector<std::string>(names.begin(), names.end()))) << "the player record";

    Rankings rankings;
    ASSERT_TRUE(collectRankings(days, {}, nullptr, rankings));
    const PlayerRanking* ranked = playerNamed(rankings, "Name" + std::to_string(Names - 1));
    ASSERT_NE(ranked, nullptr);
    EXPECT_EQ(ranked->names, (LargeVector<std::string>(names.begin(), names.end()))) << "the rankings";
    EXPECT_EQ(ranked->weaponKills,
              (LargeVector<std::pair<std::string, std::int32_t>>(weaponKills.begin(), weaponKills.end())));
    std::map<std::string, std::int32_t> weapons;
    for (const WeaponRanking& w : rankings.weapons)
        weapons[w.weapon] = w.kills;
    EXPECT_EQ(weapons["ak47"], 1) << "the LAN player's";
    weapons.erase("ak47");
    EXPECT_EQ(weapons, weaponKills);
    std::map<std::string, std::int32_t> maps;
    for (const MapRanking& m : rankings.maps)
        maps[m.map] = m.started;
    EXPECT_EQ(maps, starts);
    for (const auto& [first, used] : renamersNames) {
        const auto renamer = std::find_if(rankings.players.begin(), rankings.players.end(),
                                          [&](const PlayerRanking& p) { return p.names.front() == first; });
        ASSERT_NE(renamer, rankings.players.end()) << first;
        EXPECT_EQ(renamer->names, (LargeVector<std::string>(used.begin(), used.end()))) << first;
        EXPECT_EQ(renamer->name, used.back()) << first << ": the name used last is the rename's";
    }
    const PlayerRanking* lan = playerNamed(rankings, "La");
    ASSERT_NE(lan, nullptr) << "the LAN player's old name keeps its row";
    EXPECT_EQ(lan->kills, 1);
    EXPECT_EQ(lan->names, LargeVector<std::string>{"La"});
}


// A weapon's kills by each player, over days that name hundreds of weapons:
// one player who used every one of them (his weapons are put in name order
// without a sort), one who used a few dozen (found by a table and sorted),
// one who used a few; names alike in their first 16 bytes, differing only
// past them or in bytes above 0x7F; weapons met again on later days. Each
// player's weapons and counts are those of his kill lines, in byte order.
TEST(Rankings, ManyWeaponsOverDaysCountAsTheirKillLines)
{
    ScopedTimeZone zone("UTC0");
    std::vector<std::string> weapons;
    for (int i = 0; i < 300; ++i) {
        std::string name = i % 3 == 0 ? "weapon" + std::to_string(i)
                           : i % 3 == 1 ? "a_long_weapon_prefix_" + std::to_string(i)
                                        : std::string("w\xe9\xff") + std::to_string(i % 7) + "x" + std::to_string(i);
        weapons.push_back(name);
    }
    const std::string victim = who("Bo", 9, "STEAM_0:1:99", "CT");
    const std::string killers[] = {who("Many", 2, "STEAM_0:1:42", "TERRORIST"), who("Some", 3, "STEAM_0:1:43", "TERRORIST"),
                                   who("Few", 4, "STEAM_0:1:44", "TERRORIST")};
    const char* const killerNames[] = {"Many", "Some", "Few"};
    std::map<std::string, std::map<std::string, std::int32_t>> expected;
    std::map<std::string, std::int32_t> weaponTotals;
    TempFolder folder;
    for (int day = 0; day < 3; ++day) {
        const std::string date = "07/0" + std::to_string(5 + day) + "/2001";
        LogText log(date);
        for (int k = 0; k < 3; ++k)
            log.at("10:00:00", killers[k] + " joined team \"TERRORIST\"");
        // Each day starts its walk through the weapons somewhere else, so
        // later days meet weapons both new and known.
        for (int i = 0; i < 400; ++i) {
            const int k = i % 10 == 0 ? 2 : i % 4 == 0 ? 1 : 0;
            const std::size_t spread = k == 0 ? weapons.size() : k == 1 ? 40 : 3;
            const std::string& weapon = weapons[(static_cast<std::size_t>(i) * 7 + day * 101) % spread];
            log.at("10:01:00", kill(killers[k], victim, weapon));
            ++expected[killerNames[k]][weapon];
            ++weaponTotals[weapon];
        }
        folder.write("L070" + std::to_string(5 + day) + "000.log", log.text());
    }
    FolderDays days;
    ASSERT_TRUE(days.scan(folder.string()));
    Rankings rankings;
    ASSERT_TRUE(collectRankings(days, {}, nullptr, rankings));
    for (const char* name : killerNames) {
        SCOPED_TRACE(name);
        const PlayerRanking* ranked = playerNamed(rankings, name);
        ASSERT_NE(ranked, nullptr);
        const std::map<std::string, std::int32_t>& own = expected[name];
        EXPECT_EQ(ranked->weaponKills, (LargeVector<std::pair<std::string, std::int32_t>>(own.begin(), own.end())));
    }
    std::map<std::string, std::int32_t> totals;
    for (const WeaponRanking& w : rankings.weapons)
        totals[w.weapon] = w.kills;
    EXPECT_EQ(totals, weaponTotals);
}

} // namespace
} // namespace zelkam
