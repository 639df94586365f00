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
        // Stopped before any day, each opened server is still told, empty.
        {"a stop asked before the first day reads none", true, {"pub", "war"}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::atomic<bool> stop = c.stopFirst;
        std::vector<std::string> ranked;
        std::vector<std::string> csv;
        std::vector<std::size_t> progressDays;
        std::vector<ServerDays> opened;
        openServers(servers, nullptr, opened);
        const bool complete = rankServers(
            opened, RankingRange{}, &stop,
            [&](const ServerFolder& server, const FolderDays&, Rankings& rankings) {
                ranked.push_back(server.name);
                for (std::size_t i = 0; i < rankings.players.size(); ++i)
                    csv.push_back(rankingCsvRecord(serverRankingRow(PlayerTable, rankings, i, server.name)));
                if (c.stopFirst)
                    return;
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
            [&](std::size_t walked, std::size_t total) {
                EXPECT_EQ(total, 2u);
                progressDays.push_back(walked);
            });
        EXPECT_EQ(complete, c.complete);
        EXPECT_EQ(ranked, c.ranked);
        EXPECT_EQ(csv.size(), c.stopFirst ? 0u : 2 * c.ranked.size());
        const std::vector<std::size_t> days = c.stopFirst ? std::vector<std::size_t>{} : std::vector<std::size_t>{1, 2};
        EXPECT_EQ(progressDays, days);
    }
}

} // namespace
} // namespace zelkam
