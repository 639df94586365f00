#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <tuple>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "history/player_record.h"
#include "investigate/player_timeline.h"
#include "investigate/rcon_audit.h"
#include "investigate/rcon_target.h"
#include "parse/recognizer.h"
#include "tests/support/log_lines.h"
#include "tests/support/temp_folder.h"
#include "tests/support/time_zone.h"
#include "tools/loggen/log_generator.h"

namespace zelkam {
namespace {

using namespace zelkam::test;

// What a test keeps of one event of a day's window: the window's events die
// with the walk.
struct KeptEvent {
    std::int32_t kind = 0;
    std::int32_t time = 0;
    std::string name;
    std::string uniqueId;
    std::int32_t userId = 0;
    std::int32_t addressKey = 0;
    std::string text;
    std::string killerUniqueId;
};

std::map<std::int32_t, std::vector<KeptEvent>> windowsOf(const FolderDays& folder)
{
    FolderDays all = folder;
    all.allKinds = true;
    std::map<std::int32_t, std::vector<KeptEvent>> windows;
    std::mutex lock;
    walkDayWindows(all, nullptr, [&](const DayWindow& view) {
        if (!view.window)
            return;
        std::vector<KeptEvent> kept;
        for (const LogEvent& event : *view.window) {
            KeptEvent& copy = kept.emplace_back();
            copy.kind = event.kind;
            copy.time = event.time;
            copy.name = event.player.name ? event.player.name : "";
            copy.uniqueId = event.player.uniqueId;
            copy.userId = event.player.userId;
            copy.addressKey = event.player.addressKey;
            copy.text = event.text ? event.text : "";
            if (event.kind == Killed && event.text)
                copy.killerUniqueId = killDetailOf(event).killerUniqueId;
        }
        std::lock_guard guard(lock);
        windows[view.day] = std::move(kept);
    }, [](std::size_t, const EventList*) {});
    return windows;
}

// Differential: on generated folders, the timeline of each of several
// players holds the start and end of every session the session walk finds
// for him, and each of its other lines is an event of the day's window that
// names him: his token (or, for a kill, the killer's), his session's
// address for a command from it, his user id for a kick by number.
TEST(PlayerTimeline, HoldsEverySessionOfTheWalkAndOnlyEventsNamingThePlayer)
{
    ScopedTimeZone zone("Europe/Berlin");
    TempFolder generated;
    LogGenOptions options;
    options.seed = 11;
    options.days = 3;
    options.linesPerDay = 4000;
    options.maxPlayers = 14;
    ASSERT_TRUE(generateLogFolder(generated.path(), options));
    FolderDays folder;
    ASSERT_TRUE(folder.scan(generated.string()));
    const auto windows = windowsOf(folder);

    // Every unshared id of the folder, with its sessions as the walk finds them.
    std::map<std::string, std::vector<PlayerSession>> walked;
    walkPlayerSessions(folder, nullptr, [](const PlayerSession& s) { return !isSharedUniqueId(s.uniqueId); },
                       [&](PlayerSession&& s) { walked[s.uniqueId].push_back(std::move(s)); }, {});
    ASSERT_GE(walked.size(), 10u);

    std::size_t actedOn = 0;
    std::size_t checkedPlayers = 0;
    for (const auto& [id, sessions] : walked) {
        if (++checkedPlayers > 12)
            break;
        PlayerQuery query;
        query.text = id;
        std::vector<TimelineEntry> entries;
        ASSERT_TRUE(collectTimeline(folder, query, DayRange(), nullptr, [&](TimelineDay&& day) {
            for (TimelineEntry& entry : day.entries)
                entries.push_back(std::move(entry));
        }));
        std::multiset<std::pair<std::int32_t, std::int32_t>> starts, ends, wantedStarts, wantedEnds;
        for (const PlayerSession& session : sessions) {
            wantedStarts.insert({session.day, session.start});
            wantedEnds.insert({session.day, session.end});
        }
        std::int32_t last = 0;
        for (const TimelineEntry& entry : entries) {
            EXPECT_GE(entry.time, last) << id << ": in time order";
            last = entry.time;
            if (entry.kind == TimelineKind::SessionStart) {
                starts.insert({entry.day, entry.time});
                continue;
            }
            if (entry.kind == TimelineKind::SessionEnd) {
                ends.insert({entry.day, entry.time});
                continue;
            }
            const std::vector<KeptEvent>& window = windows.at(entry.day);
            ASSERT_LT(entry.event, window.size());
            const KeptEvent& event = window[entry.event];
            EXPECT_EQ(event.time, entry.time);
            switch (entry.kind) {
            case TimelineKind::Killed:
                EXPECT_EQ(event.kind, Killed);
                EXPECT_EQ(event.killerUniqueId, id);
                break;
            case TimelineKind::RconFromAddress:
            case TimelineKind::BadRconFromAddress:
                EXPECT_TRUE(event.kind == RconCommand || event.kind == BadRconCommand);
                EXPECT_EQ(event.addressKey, entry.addressKey);
                break;
            case TimelineKind::RconActedOn:
                EXPECT_EQ(event.kind, RconCommand);
                EXPECT_EQ(event.text, "kick #" + std::to_string(entry.userId)) << "the generator kicks by user id";
                ++actedOn;
                break;
            default:
                // A connection may carry the pending id the server
                // validates later; every other line carries the id.
                EXPECT_TRUE(event.uniqueId == id || (event.kind == PlayerConnected && isSharedUniqueId(event.uniqueId)))
                    << id << " at " << entry.time << ": " << event.uniqueId;
                EXPECT_EQ(event.name, entry.name);
            }
        }
        EXPECT_EQ(starts, wantedStarts) << id;
        EXPECT_EQ(ends, wantedEnds) << id;

        // The walk reads the days in turn with one tracker; a range of one
        // day reads only it and the day before, as a day's window does: the
        // same lines, at the same places of the window.
        std::vector<TimelineEntry> dayByDay;
        for (std::size_t d = 0; d < folder.days.size(); ++d) {
            DayRange one;
            one.firstDay = one.lastDay = folder.days[d];
            collectTimeline(folder, query, one, nullptr, [&](TimelineDay&& day) {
                for (TimelineEntry& entry : day.entries)
                    dayByDay.push_back(std::move(entry));
            });
        }
        ASSERT_EQ(dayByDay.size(), entries.size()) << id;
        for (std::size_t i = 0; i < entries.size(); ++i) {
            const TimelineEntry& a = entries[i];
            const TimelineEntry& b = dayByDay[i];
            EXPECT_TRUE(a.day == b.day && a.time == b.time && a.kind == b.kind && a.name == b.name &&
                        a.text == b.text && a.event == b.event && a.addressKey == b.addressKey &&
                        a.userId == b.userId)
                << id << " entry " << i << " at " << a.time;
        }
    }

    // Every kick by number the audit resolves is in the kicked player's
    // timeline, and the generator's kicks all resolve.
    RconAudit audit;
    ASSERT_TRUE(collectRconAudit(folder, DayRange(), nullptr, audit));
    std::size_t kicks = 0;
    for (const AddressAudit& address : audit.addresses) {
        for (const AuditCommand& command : address.commands) {
            if (command.failed || command.command.rfind("kick #", 0) != 0)
                continue;
            ++kicks;
            ASSERT_EQ(command.actedOn.size(), 1u) << command.command;
            EXPECT_EQ("kick #" + std::to_string(command.actedOn[0].userId), command.command);
        }
    }
    EXPECT_GT(kicks + actedOn, 0u) << "the folder should hold a kick";
}

// A file whose clock jumps days ahead for good (a server's clock set
// forward, logs run together) holds sessions of a day no file begins on.
// The player record finds them; the timeline must too, for each player,
// the lines read in the window of the day the file begins on.
TEST(PlayerTimeline, SessionsOfADayNoFileBeginsOn)
{
    ScopedTimeZone zone("Europe/Berlin");
    TempFolder folder;
    const auto player = [](const char* name, const char* rest) {
        return std::string("\"") + name + "\" " + rest;
    };
    std::string text = lineAt("08/05/2013", "20:50:00", "Loading map \"de_dust2\"");
    const char* blah = "Blah<8><STEAM_0:0:1><>";
    const char* neo = "Neo<9><STEAM_0:0:2><>";
    text += lineAt("08/05/2013", "20:50:30", player(blah, "connected, address \"10.0.0.1:27005\""));
    text += lineAt("08/05/2013", "20:50:33", player(blah, "entered the game"));
    text += lineAt("08/05/2013", "21:10:00", player(blah, "say \"early\""));
    text += lineAt("08/05/2013", "21:12:00", player(blah, "disconnected"));
    for (int minute = 10; minute < 20; ++minute) {
        const std::string time = "08:" + std::to_string(minute) + ":00";
        if (minute == 10)
            text += lineAt("08/14/2013", time, player(neo, "connected, address \"10.0.0.2:27005\""));
        else if (minute == 11)
            text += lineAt("08/14/2013", time, player(neo, "entered the game"));
        else if (minute == 19)
            text += lineAt("08/14/2013", time, player(neo, "disconnected"));
        else
            text += lineAt("08/14/2013", time, player(neo, ("say \"late" + std::to_string(minute) + "\"").c_str()));
    }
    folder.write("L0805000.log", text);
    FolderDays days;
    ASSERT_TRUE(days.scan(folder.string()));
    ASSERT_EQ(days.days.size(), 1u);

    for (const char* id : {"STEAM_0:0:1", "STEAM_0:0:2"}) {
        std::vector<PlayerSession> sessions;
        walkPlayerSessions(days, nullptr, [&](const PlayerSession& s) { return s.uniqueId == id; },
                           [&](PlayerSession&& s) { sessions.push_back(std::move(s)); }, {});
        ASSERT_EQ(sessions.size(), 1u) << id;
        PlayerQuery query;
        query.text = id;
        std::vector<TimelineDay> timeline;
        ASSERT_TRUE(collectTimeline(days, query, DayRange(), nullptr,
                                    [&](TimelineDay&& day) { timeline.push_back(std::move(day)); }));
        ASSERT_EQ(timeline.size(), 1u) << id;
        EXPECT_EQ(timeline[0].day, days.days[0]) << id << ": read in the window of the file's day";
        const std::vector<TimelineEntry>& entries = timeline[0].entries;
        ASSERT_GE(entries.size(), 2u) << id;
        EXPECT_EQ(entries.front().kind, TimelineKind::SessionStart);
        EXPECT_EQ(entries.front().day, sessions[0].day);
        EXPECT_EQ(entries.front().time, sessions[0].start);
        EXPECT_EQ(entries.back().kind, TimelineKind::SessionEnd);
        EXPECT_EQ(entries.back().time, sessions[0].end);
        const auto said = std::count_if(entries.begin(), entries.end(),
                                        [](const TimelineEntry& e) { return e.kind == TimelineKind::Said; });
        EXPECT_EQ(said, id == std::string("STEAM_0:0:1") ? 1 : 7) << id;
    }
}

using EntryRow = std::tuple<std::string, std::int32_t, std::int32_t, int, std::string, std::string, std::int32_t,
                            std::int32_t, std::string, std::string, std::string, std::size_t>;

EntryRow rowOf(const TimelineEntry& e)
{
    return {e.server, e.day, e.time, static_cast<int>(e.kind), e.name, e.uniqueId, e.userId, e.addressKey,
            e.text, e.otherName, e.action, e.event};
}

using CommandRow = std::tuple<std::string, std::int32_t, bool, std::int32_t, std::string, std::string, std::size_t>;

std::vector<CommandRow> commandRowsOf(const RconAudit& audit)
{
    std::vector<CommandRow> rows;
    for (const AddressAudit& address : audit.addresses) {
        for (const AuditCommand& c : address.commands)
            rows.emplace_back(c.server, c.time, c.failed, c.addressKey, c.sender, c.command, c.actedOn.size());
    }
    std::sort(rows.begin(), rows.end());
    return rows;
}

// Differential: over a community whose servers share players and days, the
// timeline of every server at once is each server's own timeline, labelled
// with it, merged in time order (server after server within a second),
// whatever the threads; the audit holds each server's own commands,
// labelled.
// A day of tens of thousands of a player's lines (a flood, an archive of one
// line repeated) is handed out in pieces, never made into entries all at
// once: the pieces, one after the other, are the day's timeline whole.
TEST(PlayerTimeline, AFloodedDayComesInPiecesThatMakeItWhole)
{
    ScopedTimeZone zone("UTC");
    TempFolder folder;
    const auto line = [](int second, const char* rest) {
        char time[16];
        std::snprintf(time, sizeof time, "%02d:%02d:%02d", second / 3600, second / 60 % 60, second % 60);
        return lineAt("07/05/2001", time, std::string("\"Bob<2><STEAM_0:0:2><CT>\" ") + rest);
    };
    constexpr int Said = 40000;
    std::string text = line(0, "connected, address \"10.0.0.2:27005\"");
    for (int i = 0; i < Said; ++i) {
        text += line(1 + i, "say \"flood\"");
        if (i == Said / 2)
            text += line(1 + i, "disconnected") + line(1 + i, "connected, address \"10.0.0.2:27005\"");
    }
    folder.write("L0705000.log", text);
    FolderDays days;
    ASSERT_TRUE(days.scan(folder.string()));
    PlayerQuery query;
    query.text = "STEAM_0:0:2";
    std::vector<std::size_t> pieces;
    std::vector<TimelineEntry> entries;
    ASSERT_TRUE(collectTimeline(days, query, DayRange(), nullptr, [&](TimelineDay&& day) {
        EXPECT_EQ(day.day, days.days[0]);
        pieces.push_back(day.entries.size());
        for (TimelineEntry& entry : day.entries)
            entries.push_back(std::move(entry));
    }));
    EXPECT_GT(pieces.size(), 1u);
    EXPECT_LE(*std::max_element(pieces.begin(), pieces.end()), 16384u);
    // In time order; within a second a session's start first, its end
    // last, its lines in the log's order.
    const auto place = [](const TimelineEntry& entry) {
        const int rank = entry.kind == TimelineKind::SessionStart ? 0 : entry.kind == TimelineKind::SessionEnd ? 2 : 1;
        return std::tuple(entry.time, rank, entry.event);
    };
    std::map<TimelineKind, int> kinds;
    for (std::size_t e = 0; e < entries.size(); ++e) {
        ++kinds[entries[e].kind];
        if (e > 0) {
            EXPECT_LE(place(entries[e - 1]), place(entries[e])) << e;
        }
    }
    EXPECT_EQ(kinds, (std::map<TimelineKind, int>{{TimelineKind::SessionStart, 2},
                                                   {TimelineKind::Connected, 2},
                                                   {TimelineKind::Said, Said},
                                                   {TimelineKind::Disconnected, 1},
                                                   {TimelineKind::SessionEnd, 2}}));
    EXPECT_EQ(entries.front().kind, TimelineKind::SessionStart);
    EXPECT_EQ(entries.back().kind, TimelineKind::SessionEnd);
}

TEST(PlayerTimeline, EveryServerIsEachServersOwnTimelineMerged)
{
    ScopedTimeZone zone("Europe/Berlin");
    TempFolder temp;
    // "pub" and "war" draw the same people (same seed and slots) on days
    // that overlap; "far" has people of its own, "empty" no dated log.
    struct Server {
        const char* name;
        std::uint64_t seed;
        int firstDay;
        int days;
        std::int64_t lines;
    };
    std::vector<ServerFolder> servers;
    for (const Server& s : {Server{"pub", 21, 6, 3, 3000}, Server{"empty", 0, 0, 0, 0}, Server{"war", 21, 7, 2, 2500},
                            Server{"far", 22, 6, 2, 2000}}) {
        const std::filesystem::path path = temp.path() / s.name;
        servers.push_back({s.name, path});
        if (s.days == 0) {
            temp.write(std::string(s.name) + "/L0701000.log", "no stamp here\n");
            continue;
        }
        LogGenOptions options;
        options.seed = s.seed;
        options.firstDay = s.firstDay;
        options.days = s.days;
        options.linesPerDay = s.lines;
        options.maxPlayers = 10;
        ASSERT_TRUE(generateLogFolder(path, options));
    }

    // The players asked about: every unshared id of "pub" and "war", and a
    // name that matches several.
    std::set<std::string> ids;
    for (const ServerFolder& server : {servers[0], servers[2]}) {
        FolderDays folder;
        ASSERT_TRUE(folder.scan(server.path.string()));
        walkPlayerSessions(folder, nullptr, [](const PlayerSession& s) { return !isSharedUniqueId(s.uniqueId); },
                           [&](PlayerSession&& s) { ids.insert(s.uniqueId); }, {});
    }
    std::vector<PlayerQuery> queries;
    for (const std::string& id : ids) {
        PlayerQuery query;
        query.text = id;
        queries.push_back(query);
    }
    PlayerQuery named;
    named.byId = false;
    named.text = "a";
    queries.push_back(named);

    std::size_t mixedDays = 0;
    for (const PlayerQuery& query : queries) {
        SCOPED_TRACE(query.text);
        // Each server alone, labelled by hand, merged by day and time.
        std::vector<EntryRow> expected;
        for (const ServerFolder& server : servers) {
            FolderDays folder;
            if (!folder.scan(server.path.string()))
                continue;
            collectTimeline(folder, query, DayRange(), nullptr, [&](TimelineDay&& day) {
                for (TimelineEntry& entry : day.entries) {
                    entry.server = server.name;
                    expected.push_back(rowOf(entry));
                }
            });
        }
        std::stable_sort(expected.begin(), expected.end(), [](const EntryRow& a, const EntryRow& b) {
            return std::tie(std::get<1>(a), std::get<2>(a)) < std::tie(std::get<1>(b), std::get<2>(b));
        });
        for (unsigned threads : {1u, 2u, 8u}) {
            SCOPED_TRACE(threads);
            std::vector<ServerDays> opened;
            ASSERT_TRUE(openServers(servers, nullptr, opened, threads));
            std::vector<EntryRow> got;
            std::int32_t lastDay = INT32_MIN;
            ASSERT_TRUE(collectTimeline(opened, query, DayRange(), nullptr, [&](TimelineDay&& day) {
                EXPECT_GT(day.day, lastDay);
                lastDay = day.day;
                std::set<std::string> serversOfDay;
                for (const TimelineEntry& entry : day.entries) {
                    EXPECT_EQ(entry.day, day.day);
                    serversOfDay.insert(entry.server);
                    got.push_back(rowOf(entry));
                }
                mixedDays += serversOfDay.size() > 1 ? 1 : 0;
            }, threads));
            EXPECT_EQ(got, expected);
        }
    }
    EXPECT_GT(mixedDays, 0u) << "some day should hold lines of two servers";

    // One server of the community alone: its own timeline, labelled.
    std::vector<ServerDays> war;
    ASSERT_TRUE(openServers({servers[2]}, nullptr, war));
    std::vector<EntryRow> alone;
    std::vector<EntryRow> own;
    collectTimeline(war, named, DayRange(), nullptr, [&](TimelineDay&& day) {
        for (const TimelineEntry& entry : day.entries)
            alone.push_back(rowOf(entry));
    });
    FolderDays warFolder;
    ASSERT_TRUE(warFolder.scan(servers[2].path.string()));
    collectTimeline(warFolder, named, DayRange(), nullptr, [&](TimelineDay&& day) {
        for (TimelineEntry& entry : day.entries) {
            entry.server = "war";
            own.push_back(rowOf(entry));
        }
    });
    EXPECT_FALSE(own.empty());
    EXPECT_EQ(alone, own);

    // The audit of every server holds each server's own commands.
    std::vector<CommandRow> commands;
    for (const ServerFolder& server : servers) {
        FolderDays folder;
        if (!folder.scan(server.path.string()))
            continue;
        RconAudit own;
        collectRconAudit(folder, DayRange(), nullptr, own);
        for (CommandRow row : commandRowsOf(own)) {
            std::get<0>(row) = server.name;
            commands.push_back(row);
        }
    }
    std::sort(commands.begin(), commands.end());
    ASSERT_FALSE(commands.empty());
    for (unsigned threads : {1u, 8u}) {
        std::vector<ServerDays> opened;
        ASSERT_TRUE(openServers(servers, nullptr, opened, threads));
        RconAudit audit;
        ASSERT_TRUE(collectRconAudit(opened, DayRange(), nullptr, audit, threads));
        EXPECT_EQ(commandRowsOf(audit), commands) << threads;
    }
}

// A day is replayed to resolve its commands only when one could mean the
// player asked about: the quick test must never rule out a player the
// resolution finds, and should rule out a word that cannot reach him.
TEST(PlayerTimeline, CommandThatCouldMeanHimIsNeverRuledOut)
{
    const std::string longName = "AVeryLongPlayerNameThatGoesOnPast31Bytes";
    const std::string longWord = longName.substr(0, 31) + "Typed";
    struct Player {
        const char* name;
        std::int32_t userId;
        const char* uniqueId;
        const char* address;
    };
    const Player players[] = {{"Alice", 2, "STEAM_0:1:5", "10.0.0.2"},
                              {"Bob", 3, "BOT", "10.0.1.3"},
                              {longName.c_str(), 4, "STEAM_0:0:9", "10.0.2.4"},
                              {"Alicia", 5, "STEAM_ID_LAN", "10.0.3.5"}};
    LiveState state;
    std::vector<std::string_view> ids;
    for (const Player& player : players) {
        PlayerEntry& entry = state.roster.entries[state.roster.count++];
        entry.name = player.name;
        entry.userId = player.userId;
        entry.uniqueId = player.uniqueId;
        entry.addressKey = parseAddress(player.address);
        ids.emplace_back(player.uniqueId);
    }
    const auto isUniqueId = [&](std::string_view word) {
        return std::find(ids.begin(), ids.end(), word) != ids.end();
    };
    const std::string words[] = {"#2",     "#02",   "#3",      "#9",     "#x",    "STEAM_0:1:5", "BOT",
                                 "10.0.0.2", "Alice", "alice",   "ALICIA", "lic",   "Bo",          "b",
                                 "Zed",    "",      longWord,  "Past31", "#4"};
    std::size_t found = 0;
    for (const std::string& word : words) {
        const RconTargeting targeting{RconAction::Kick, word};
        const PlayerEntry* meant = nullptr;
        if (!resolveRconTarget(state, targeting, meant))
            continue;
        ++found;
        EXPECT_TRUE(rconTargetCouldMean(targeting, meant->userId, {meant->name}, isUniqueId))
            << word << " resolves to " << meant->name;
    }
    EXPECT_GE(found, 8u) << "the table should reach every way in";

    // Words that cannot reach Bob: another's number, another's name or part of it.
    for (const std::string word : {"#2", "#x", "Alice", "lic", "Zed", ""})
        EXPECT_FALSE(rconTargetCouldMean({RconAction::Kick, word}, 3, {"Bob"}, isUniqueId)) << word;
}

} // namespace
} // namespace zelkam
