#include "stats/community_rankings.h"

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "tests/support/log_lines.h"
#include "tests/support/temp_folder.h"
#include "tests/support/time_zone.h"

namespace zelkam {
namespace {

using namespace zelkam::test;

// Ann kills Bob once on each of two servers: a community ranks each server
// on its own, so Ann is two rows, one labelled with each server, and each
// server's rows are what ranking that server's folder alone gives.
TEST(CommunityRankings, EachServerRankedOnItsOwnAndLabelled)
{
    ScopedTimeZone zone("UTC");
    TempFolder temp;
    const std::vector<std::string> names = {"pub", "war", "empty"};
    for (const std::string& map : {std::string("de_dust"), std::string("cs_office")}) {
        const std::string server = map == "de_dust" ? "pub" : "war";
        std::filesystem::create_directories(temp.path() / server);
        std::ofstream(temp.path() / server / "L0706000.log", std::ios::binary)
            << LogText("07/06/2001")
                   .at("10:00:00", mapStarted(map))
                   .at("10:00:01", joinedTeam("Ann", 1, "CT"))
                   .at("10:00:02", joinedTeam("Bob", 2, "TERRORIST"))
                   .at("10:00:03", killed("Ann", 1, "CT", "Bob", 2, "TERRORIST"))
                   .text();
    }
    std::filesystem::create_directories(temp.path() / "empty");
    std::vector<ServerFolder> servers;
    for (const std::string& name : names)
        servers.push_back(ServerFolder{name, temp.path() / name});

    struct Case {
        const char* what;
        bool stopFirst;
        std::vector<std::string> ranked;
        bool complete;
    };
    const std::vector<Case> cases = {
        // A server without datable logs is passed over, not ranked empty.
        {"every server that opens, in order", false, {"pub", "war"}, true},
        {"a stop asked before the first server reads none", true, {}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::atomic<bool> stop = c.stopFirst;
        std::vector<std::string> ranked;
        std::vector<std::string> csv;
        std::vector<std::size_t> progressServers;
        const bool complete = rankServers(
            servers, RankingRange{}, &stop, scanServerDays,
            [&](const ServerFolder& server, const FolderDays&, Rankings& rankings) {
                ranked.push_back(server.name);
                for (const RankingRow& row : serverRankingRows(PlayerTable, rankings, server.name))
                    csv.push_back(rankingCsvRecord(row));
                // The same server ranked alone.
                FolderDays alone;
                ASSERT_TRUE(alone.scan((temp.path() / server.name).string()));
                Rankings own;
                ASSERT_TRUE(collectRankings(alone, RankingRange{}, nullptr, own));
                const std::vector<RankingRow> ownRows = rankingRows(PlayerTable, own);
                ASSERT_EQ(ownRows.size(), rankings.players.size());
                ASSERT_EQ(ownRows.size(), 2u);
                const std::string record = rankingCsvRecord(ownRows[0]);
                EXPECT_EQ(csv[csv.size() - 2], record.substr(0, record.size() - 2) + "," + server.name + "\r\n");
            },
            [&](std::size_t server, std::size_t count, std::size_t, std::size_t) {
                EXPECT_EQ(count, servers.size());
                progressServers.push_back(server);
            });
        EXPECT_EQ(complete, c.complete);
        EXPECT_EQ(ranked, c.ranked);
        EXPECT_EQ(csv.size(), 2 * c.ranked.size());
        if (!c.ranked.empty())
            EXPECT_EQ(progressServers.back(), 1u);
    }
}

} // namespace
} // namespace zelkam
