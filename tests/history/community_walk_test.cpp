// A walk over every server of a community gives what walking each server
// on its own gives, labelled with the server, whatever the threads.

#include "history/community_walk.h"

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <string>
#include <tuple>
#include <vector>

#include <gtest/gtest.h>

#include "history/all_days_search.h"
#include "history/player_record.h"
#include "tests/support/temp_folder.h"
#include "tests/support/time_zone.h"
#include "tools/loggen/log_generator.h"

namespace zelkam {
namespace {

using namespace zelkam::test;

// Each server's days follow the one before's, so a server's first day is
// the day after another's last: a window must never reach into another
// server. "empty" holds a log that names no date, and "notes" nothing.
std::vector<ServerFolder> makeCommunity(const TempFolder& temp)
{
    std::vector<ServerFolder> servers;
    const std::vector<std::string> names = {"10.0.0.1_27015", "empty", "pub", "war"};
    for (std::size_t i = 0; i < names.size(); ++i) {
        const std::filesystem::path path = temp.path() / names[i];
        servers.push_back({names[i], path});
        if (names[i] == "empty") {
            std::filesystem::create_directories(path);
            temp.write(names[i] + "/L0701000.log", "no stamp here\n");
            continue;
        }
        LogGenOptions options;
        options.seed = 5 + i;
        options.firstDay = 6 + 2 * static_cast<int>(i);
        options.days = 2;
        options.linesPerDay = 1200;
        options.maxPlayers = 8;
        EXPECT_TRUE(generateLogFolder(path, options));
    }
    std::filesystem::create_directories(temp.path() / "notes");
    return servers;
}

using HitRow = std::tuple<std::string, std::int32_t, std::int32_t, std::size_t, std::int32_t, std::string>;
using SessionRow = std::tuple<std::string, std::int32_t, std::int32_t, std::int32_t, std::vector<std::string>,
                              std::string, std::vector<std::int32_t>, std::int32_t, std::int32_t, std::int32_t>;

HitRow rowOf(const HistoryHit& hit)
{
    return {hit.server, hit.day, hit.time, hit.event, hit.kind, hit.text};
}

SessionRow rowOf(const PlayerSession& s)
{
    return {s.server, s.day, s.start, s.end, s.names, s.uniqueId, s.teams, s.frags, s.deaths, s.chat};
}

TEST(CommunityWalk, EveryServerAtOnceIsTheUnionOfEachServerLabelled)
{
    ScopedTimeZone zone("Europe/Berlin");
    TempFolder temp;
    const std::vector<ServerFolder> servers = makeCommunity(temp);

    // Each server on its own, its results labelled by hand, server after
    // server.
    std::vector<HitRow> expectedHits;
    std::vector<SessionRow> expectedSessions;
    for (const ServerFolder& server : servers) {
        FolderDays folder;
        if (!folder.scan(server.path.string()))
            continue;
        searchAllDays(folder, SearchKind::Chat, "e", false, nullptr, [&](const DayHits& day) {
            for (HistoryHit hit : day.hits) {
                hit.server = server.name;
                expectedHits.push_back(rowOf(hit));
            }
        });
        walkPlayerSessions(folder, nullptr, [](const PlayerSession&) { return true; },
                           [&](PlayerSession&& session) {
                               session.server = server.name;
                               expectedSessions.push_back(rowOf(session));
                           }, {});
    }
    ASSERT_FALSE(expectedHits.empty());
    ASSERT_FALSE(expectedSessions.empty());

    for (unsigned threads : {1u, 2u, 8u}) {
        SCOPED_TRACE(threads);
        std::vector<ServerDays> opened;
        ASSERT_TRUE(openServers(servers, nullptr, opened, threads));
        ASSERT_EQ(opened.size(), servers.size());
        EXPECT_FALSE(opened[1].opened);
        std::vector<HitRow> hits;
        std::size_t days = 0;
        EXPECT_TRUE(searchAllServers(opened, SearchKind::Chat, "e", false, nullptr,
                                     [&](const ServerDays& server, const DayHits& day) {
            EXPECT_TRUE(server.opened);
            ++days;
            for (const HistoryHit& hit : day.hits)
                hits.push_back(rowOf(hit));
        }, threads));
        EXPECT_EQ(hits, expectedHits);

        std::vector<SessionRow> sessions;
        std::size_t walked = 0;
        std::size_t total = 0;
        EXPECT_TRUE(walkServersPlayerSessions(
            opened, nullptr, [](const PlayerSession&) { return true; },
            [&](PlayerSession&& session) { sessions.push_back(rowOf(session)); },
            [&](std::size_t at, std::size_t of) {
                EXPECT_EQ(at, ++walked);
                total = of;
            }, threads));
        EXPECT_EQ(sessions, expectedSessions);
        EXPECT_EQ(walked, days);
        EXPECT_EQ(total, days);
    }

    // A single server's folder: its hits carry no server.
    std::vector<ServerDays> single;
    ASSERT_TRUE(openServers({{std::string(), servers[2].path}}, nullptr, single));
    std::size_t unlabelled = 0;
    searchAllServers(single, SearchKind::Chat, "e", false, nullptr, [&](const ServerDays&, const DayHits& day) {
        for (const HistoryHit& hit : day.hits)
            unlabelled += hit.server.empty() ? 1 : 0;
    });
    EXPECT_EQ(unlabelled, static_cast<std::size_t>(std::count_if(expectedHits.begin(), expectedHits.end(),
                                                                 [](const HitRow& row) { return std::get<0>(row) == "pub"; })));
}

// A stop in the first server's first day: no day starts after it (those
// under way are still handed over), the walk says it was stopped, and
// every server is told it ended, once and in order, as whole only when each
// of its days was handed over.
TEST(CommunityWalk, AStopEndsEveryServerOnceInOrder)
{
    ScopedTimeZone zone("Europe/Berlin");
    TempFolder temp;
    std::vector<ServerDays> opened;
    ASSERT_TRUE(openServers(makeCommunity(temp), nullptr, opened));
    std::size_t total = 0;
    for (const ServerDays& server : opened)
        total += server.days.days.size();
    for (unsigned threads : {1u, 2u}) {
        SCOPED_TRACE(threads);
        std::atomic<bool> stop = false;
        std::vector<std::pair<std::size_t, bool>> ended;
        std::vector<std::size_t> handed(opened.size());
        const bool complete = walkServers(opened, &stop, [&](ServerDays& server, FolderWalk& walk) {
            walk.done = [&, index = server.index](std::size_t, const EventList*) {
                ++handed[index];
                stop = true;
            };
            walk.finished = [&, index = server.index](bool whole) { ended.emplace_back(index, whole); };
        }, {}, threads);
        EXPECT_FALSE(complete);
        std::size_t handedAll = 0;
        for (std::size_t count : handed)
            handedAll += count;
        EXPECT_LT(handedAll, total);
        if (threads == 1) {
            EXPECT_EQ(handedAll, 1u);
        }
        ASSERT_EQ(ended.size(), opened.size());
        std::size_t handedBefore = 0;
        std::size_t daysBefore = 0;
        for (std::size_t i = 0; i < ended.size(); ++i) {
            handedBefore += handed[i];
            daysBefore += opened[i].days.days.size();
            EXPECT_EQ(ended[i], std::make_pair(i, handedBefore == daysBefore)) << i;
        }
    }
}

} // namespace
} // namespace zelkam
