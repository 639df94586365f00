#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <string>
#include <vector>

#include "tests/cli/run_cli.h"
#include "tests/support/log_lines.h"
#include "tests/support/temp_folder.h"
#include "tools/loggen/log_generator.h"

namespace zelkam {
namespace {

using namespace zelkam::test;
using Json = nlohmann::json;

std::string who(std::string_view name, int userId, std::string_view id, std::string_view team)
{
    return "\"" + std::string(name) + "<" + std::to_string(userId) + "><" + std::string(id) + "><" +
           std::string(team) + ">\"";
}

// Three players and a bot; one name would be a formula in a spreadsheet.
void writeDay(const TempFolder& folder)
{
    const std::string ann = who("Ann", 2, "STEAM_0:1:42", "CT");
    const std::string formula = who("=HYPERLINK(1)", 3, "STEAM_0:0:9", "TERRORIST");
    const std::string bot = who("Chris_Rock", 5, "BOT", "TERRORIST");
    folder.write("L0705000.log", LogText("07/05/2001")
                                     .at("20:00:00", mapStarted("de_dust2"))
                                     .at("20:00:01", ann + " entered the game")
                                     .at("20:00:02", formula + " entered the game")
                                     .at("20:00:03", bot + " entered the game")
                                     .at("20:01:00", ann + " killed " + formula + " with \"m4a1\"")
                                     .at("20:01:10", ann + " killed " + bot + " with \"m4a1\"")
                                     .at("20:01:20", formula + " killed " + ann + " with \"ak47\"")
                                     .at("20:01:30", bot + " killed " + ann + " with \"knife\"")
                                     .text());
}

std::vector<Json> rowsOf(const CliResult& result)
{
    std::vector<Json> rows;
    for (const std::string& line : result.lines())
        rows.push_back(Json::parse(line));
    return rows;
}

TEST(CliStats, RanksAsAskedInJsonAndCsv)
{
    TempFolder folder;
    writeDay(folder);
    const std::string f = folder.string();

    CliResult result = runCli({"stats", f});
    ASSERT_EQ(result.status, 0) << result.err;
    std::vector<Json> rows = rowsOf(result);
    ASSERT_EQ(rows.size(), 2u) << "bots only when asked";
    EXPECT_EQ(rows[0]["player"], "Ann") << "sorted by frags";
    EXPECT_EQ(rows[0]["uniqueId"], "STEAM_0:1:42");
    EXPECT_EQ(rows[0]["kills"], 2);
    EXPECT_EQ(rows[0]["weapons"], Json::parse(R"({"m4a1":2})"));
    EXPECT_EQ(rows[0]["deaths"], 2);
    EXPECT_EQ(rows[0]["kd"], 1.0);

    result = runCli({"stats", f, "--bots", "--by", "player", "--sort", "player", "--min-kills", "1"});
    ASSERT_EQ(result.status, 0) << result.err;
    rows = rowsOf(result);
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0]["player"], "=HYPERLINK(1)");
    EXPECT_EQ(rows[1]["player"], "Ann");
    EXPECT_EQ(rows[2]["player"], "Chris_Rock");

    result = runCli({"stats", f, "--by", "weapon"});
    ASSERT_EQ(result.status, 0) << result.err;
    rows = rowsOf(result);
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0], Json::parse(R"({"weapon":"m4a1","kills":2,"teamKills":0,"players":1})"));

    result = runCli({"stats", f, "--by", "map", "--csv"});
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.out, "map,started,time,rounds,players\r\nde_dust2,1,90,0,2\r\n");

    // The spreadsheet guard keeps the name from being a formula.
    result = runCli({"stats", f, "--csv", "--sort", "player"});
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_NE(result.out.find("\r\n'=HYPERLINK(1),STEAM_0:0:9,'=HYPERLINK(1),"), std::string::npos) << result.out;
}

TEST(CliStats, NothingToRankOrWrongArguments)
{
    TempFolder folder;
    writeDay(folder);
    const std::string f = folder.string();
    EXPECT_EQ(runCli({"stats", f, "--from", "06/07/2001"}).status, 1) << "no day in the range";
    EXPECT_EQ(runCli({"stats", f, "--min-kills", "99"}).status, 1);
    EXPECT_EQ(runCli({"stats", f, "--by", "team"}).status, 2);
    EXPECT_EQ(runCli({"stats", f, "--sort", "names"}).status, 2) << "a list is no column to sort by";
    EXPECT_EQ(runCli({"stats", f, "--to", "31/02/2001x"}).status, 2);
    EXPECT_EQ(runCli({"stats", f, "--to", "31/02/2001"}).status, 2) << "no such day, not the 3rd of March";
    EXPECT_EQ(runCli({"stats"}).status, 2);
}

// The lines only rankings count never reach the replay's events: `events`
// prints what it always did, and --all-kinds adds the new kinds and the
// kills' and scores' detail, nothing else.
TEST(CliEvents, AllKindsAddOnlyTheRankingLines)
{
    TempFolder folder;
    const std::string ann = who("Ann", 2, "STEAM_0:1:42", "CT");
    const std::string bob = who("Bob", 3, "STEAM_0:0:9", "TERRORIST");
    folder.write("L0705000.log", LogText("07/05/2001")
                                     .at("20:00:00", mapStarted("de_dust2"))
                                     .at("20:01:00", bob + " triggered \"Planted_The_Bomb\"")
                                     .at("20:01:10", ann + " triggered \"Defused_The_Bomb\"")
                                     .at("20:01:11", "Team \"CT\" triggered \"Bomb_Defused\" (CT \"1\") (T \"0\")")
                                     .at("20:01:20", ann + " killed " + bob + " with \"m4a1\"")
                                     .at("20:01:30", ann + " triggered \"Rescued_A_Hostage\"")
                                     .at("20:01:40", ann + " say \"gg\"")
                                     .text());
    const CliResult plain = runCli({"events", folder.string(), "05/07/2001"});
    const CliResult all = runCli({"events", folder.string(), "05/07/2001", "--all-kinds"});
    ASSERT_EQ(plain.status, 0) << plain.err;
    ASSERT_EQ(all.status, 0) << all.err;
    std::vector<Json> kept;
    std::vector<int> added;
    for (Json event : rowsOf(all)) {
        if (event["kind"].get<int>() >= 14) {
            added.push_back(event["kind"]);
            continue;
        }
        if (event["kind"] == 12) {
            EXPECT_EQ(event["weapon"], "m4a1");
        }
        if (event["kind"] == 11) {
            EXPECT_EQ(event["team"], 1);
        }
        for (const char* key : {"killerUniqueId", "killerTeam", "weapon", "team"})
            event.erase(key);
        kept.push_back(event);
    }
    EXPECT_EQ(kept, rowsOf(plain));
    EXPECT_EQ(added, (std::vector<int>{14, 15, 16}));
}

// Each ranked player's frags, deaths and sessions are the sums of what
// `player` prints for that id over the same days.
TEST(CliStats, AgreesWithThePlayerRecord)
{
    TempFolder folder;
    LogGenOptions options;
    options.seed = 5;
    options.days = 3;
    options.linesPerDay = 2000;
    options.maxPlayers = 10;
    ASSERT_TRUE(generateLogFolder(folder.path(), options));
    const std::string f = folder.string();
    const CliResult stats = runCli({"stats", f, "--from", "07/07/2001", "--to", "08/07/2001"});
    ASSERT_EQ(stats.status, 0) << stats.err;
    int checked = 0;
    for (const Json& row : rowsOf(stats)) {
        const std::string id = row["uniqueId"];
        if (id.empty() || checked == 6)
            continue;
        ++checked;
        const CliResult sessions = runCli({"player", f, "--id", id});
        ASSERT_EQ(sessions.status, 0) << sessions.err;
        int frags = 0, deaths = 0, count = 0;
        for (const Json& session : rowsOf(sessions)) {
            const std::string date = session["date"];
            if (date != "07/07/2001" && date != "08/07/2001")
                continue;
            frags += session["frags"].get<int>();
            deaths += session["deaths"].get<int>();
            ++count;
        }
        EXPECT_EQ(row["frags"], frags) << id;
        EXPECT_EQ(row["deaths"], deaths) << id;
        EXPECT_EQ(row["sessions"], count) << id;
    }
    EXPECT_EQ(checked, 6);
}

} // namespace
} // namespace zelkam
