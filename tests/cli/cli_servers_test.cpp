// A community of servers on the command line: the searches over every
// server against the same searches server by server, and how --server is
// taken.

#include <chrono>
#include <filesystem>
#include <fstream>
#include <utility>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "tests/cli/run_cli.h"
#include "tests/support/log_lines.h"
#include "tests/support/temp_folder.h"
#include "tools/loggen/log_generator.h"

namespace zelkam {
namespace {

using test::CliResult;
using test::runCli;
using test::TempFolder;
using Json = nlohmann::ordered_json;

const std::vector<std::string> ServerNames = {"10.0.0.1_27015", "10.0.0.1_27016", "war"};

// Three generated servers, named as the receiver and an admin name them,
// each with its own days, and a folder without logs beside them.
void makeCommunity(const std::filesystem::path& folder)
{
    for (std::size_t i = 0; i < ServerNames.size(); ++i) {
        LogGenOptions options;
        options.seed = 11 + i;
        options.days = 2 + static_cast<int>(i % 2);
        options.firstDay = 6 + static_cast<int>(i);
        options.linesPerDay = 1500;
        options.maxPlayers = 10;
        ASSERT_TRUE(generateLogFolder(folder / ServerNames[i], options));
    }
    std::filesystem::create_directories(folder / "notes");
}

// Every all-servers result is a server's own result, labelled with it, and
// every server's results are all there: text lines prefixed with the name,
// JSON objects with a "server" field first.
TEST(CliServers, AllServersAreTheUnionOfEachServer)
{
    TempFolder temp;
    makeCommunity(temp.path());
    const std::string community = temp.string();
    const std::vector<std::vector<std::string>> searches = {
        {"grep", community, "e"},
        {"grep", community, "--kind", "player", "a"},
        {"player", community, "--name", "*"},
        {"stats", community},
        {"stats", community, "--by", "weapon"},
        {"stats", community, "--by", "map"},
    };
    for (const std::vector<std::string>& search : searches) {
        SCOPED_TRACE(search[0] + " " + search.back());
        const CliResult all = runCli(search);
        ASSERT_EQ(all.status, 0) << all.err;
        std::vector<std::string> expected;
        for (const std::string& server : ServerNames) {
            std::vector<std::string> narrowed = search;
            narrowed.push_back("--server");
            narrowed.push_back(server);
            const CliResult one = runCli(narrowed);
            std::vector<std::string> direct = search;
            direct[1] = (temp.path() / server).string();
            const CliResult own = runCli(direct);
            ASSERT_EQ(own.status, 0) << own.err;
            EXPECT_FALSE(own.lines().empty());
            std::vector<std::string> labelled;
            for (const std::string& line : own.lines()) {
                if (search[0] == "grep") {
                    labelled.push_back(server + " " + line);
                } else {
                    Json json = Json::object();
                    json["server"] = server;
                    const Json session = Json::parse(line);
                    for (const auto& [key, value] : session.items())
                        json[key] = value;
                    labelled.push_back(json.dump());
                }
            }
            EXPECT_EQ(one.lines(), labelled) << server;
            expected.insert(expected.end(), labelled.begin(), labelled.end());
        }
        std::vector<std::string> got = all.lines();
        if (search[0] != "grep") {
            for (std::string& line : got)
                line = Json::parse(line).dump();
        }
        EXPECT_EQ(got, expected);
    }
}

TEST(CliServers, ServerOption)
{
    TempFolder temp;
    makeCommunity(temp.path());
    const std::string community = temp.string();
    const std::string single = (temp.path() / "war").string();
    struct Case {
        const char* what;
        std::vector<std::string> args;
        int status;
        std::string inError;
    };
    const std::vector<Case> cases = {
        {"a community needs --server", {"days", community}, 2, "--server NAME (10.0.0.1_27015, 10.0.0.1_27016, war)"},
        {"an unknown server is named with the others", {"chat", community, "07/07/2001", "--server", "pub"}, 2,
         "\"pub\" is not a server"},
        {"--server without a name", {"days", community, "--server"}, 2, "--server needs a NAME"},
        {"--server twice", {"days", community, "--server", "war", "--server", "war"}, 2, "once"},
        {"a single server refuses another name", {"days", single, "--server", "pub"}, 2, "one server"},
        {"a single server answers to its own name", {"days", single, "--server", "war"}, 0, ""},
        {"a single server as always", {"days", single}, 0, ""},
        {"the server's days", {"days", community, "--server=war"}, 0, ""},
        {"a day of the server", {"overview", community, "09/07/2001", "--server", "war"}, 0, ""},
        {"a day of another server is not its", {"chat", community, "06/07/2001", "--server", "war"}, 1, "not a day"},
        {"a report reads one server",
         {"report", community, "07/07/2001", "--from", "20:00:00", "--to", "21:00:00", "-o", "x.html"}, 2,
         "--server NAME (10.0.0.1_27015"},
        {"investigating an unknown server", {"timeline", community, "--id", "x", "--server", "pub"}, 2,
         "\"pub\" is not a server"},
        {"a player's accounts on a server", {"alts", community, "--id", "STEAM_0:0:1", "--server", "war"}, 1,
         "no session of that player"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const CliResult result = runCli(c.args);
        EXPECT_EQ(result.status, c.status) << result.err;
        EXPECT_NE(result.err.find(c.inError), std::string::npos) << result.err;
    }
    const CliResult own = runCli({"days", single});
    EXPECT_EQ(runCli({"days", community, "--server", "war"}).out, own.out);
}

TEST(CliServers, ListsEachServer)
{
    TempFolder temp;
    makeCommunity(temp.path());
    const CliResult listed = runCli({"servers", temp.string()});
    ASSERT_EQ(listed.status, 0) << listed.err;
    ASSERT_EQ(listed.lines().size(), ServerNames.size());
    for (std::size_t i = 0; i < ServerNames.size(); ++i) {
        const Json server = Json::parse(listed.lines()[i]);
        EXPECT_EQ(server["name"], ServerNames[i]);
        const std::vector<std::string> days =
            runCli({"days", temp.string(), "--server", ServerNames[i]}).lines();
        ASSERT_FALSE(days.empty());
        EXPECT_EQ(server["days"], days.size());
        EXPECT_EQ(server["first"], days.front());
        EXPECT_EQ(server["last"], days.back());
        EXPECT_TRUE(server["newest"].is_string());
        EXPECT_TRUE(server["live"].is_boolean());
    }
    // One server: one line for it.
    const CliResult one = runCli({"servers", (temp.path() / "war").string()});
    ASSERT_EQ(one.lines().size(), 1u) << one.err;
    EXPECT_EQ(Json::parse(one.lines()[0])["name"], "war");
}

} // namespace
} // namespace zelkam

namespace zelkam {
namespace {

// "now" replays the end of each server's newest file: a map start inside
// that end begins the roster afresh, and what lies before the end is never
// read (a map started before it is not known).
TEST(CliServers, NowReadsTheEndOfTheNewestFile)
{
    using test::LogText;
    TempFolder temp;
    LogText pub("12/08/2026");
    pub.at("10:00:00", test::mapStarted("de_old"))
        .at("10:00:01", test::joinedTeam("Zed", 9, "TERRORIST"))
        .at("10:00:02", test::mapStarted("de_new"))
        .at("10:00:03", test::joinedTeam("Ann", 1, "TERRORIST"))
        .at("10:00:04", test::joinedTeam("Bob", 2, "CT"))
        .at("10:00:05", test::joinedTeam("Cid", 3, "SPECTATOR"))
        .at("10:00:06", test::said("Ann", 1, "TERRORIST", "hello all"));
    LogText war("12/08/2026");
    war.at("09:00:00", test::mapStarted("de_long_ago"));
    // More than the part read, so the map start lies before it.
    while (war.text().size() < 300 * 1024)
        war.at("09:30:00", test::rconCommand("status", "10.0.0.9:27005"));
    war.at("09:59:59", test::said("Dan", 4, "CT", "still here"));
    for (const auto& [name, text] : {std::pair{"pub", pub.text()}, std::pair{"war", war.text()}}) {
        std::filesystem::create_directories(temp.path() / name);
        // An older file first: only the newest is read.
        std::ofstream(temp.path() / name / "L0811000.log", std::ios::binary)
            << test::chatLineAt("08/11/2026", "10:00:00", "yesterday");
        std::ofstream(temp.path() / name / "L0812000.log", std::ios::binary) << text;
    }
    // Across a new year the newest file's name sorts first: the file
    // written last is the one read.
    std::filesystem::create_directories(temp.path() / "wrap");
    std::ofstream(temp.path() / "wrap" / "L1231000.log", std::ios::binary)
        << test::chatLineAt("12/31/2026", "23:00:00", "old year");
    std::ofstream(temp.path() / "wrap" / "L0101000.log", std::ios::binary)
        << test::chatLineAt("01/01/2027", "00:30:00", "new year");
    const auto written = std::filesystem::last_write_time(temp.path() / "wrap" / "L0101000.log");
    std::filesystem::last_write_time(temp.path() / "wrap" / "L1231000.log", written - std::chrono::hours(1));
    const CliResult now = runCli({"now", temp.string()});
    ASSERT_EQ(now.status, 0) << now.err;
    ASSERT_EQ(now.lines().size(), 3u);
    const Json first = Json::parse(now.lines()[0]);
    EXPECT_EQ(first["server"], "pub");
    EXPECT_EQ(first["map"], "de_new");
    EXPECT_EQ(first["terrorists"], 1);
    EXPECT_EQ(first["cts"], 1);
    EXPECT_EQ(first["spectators"], 1);
    EXPECT_EQ(first["chatTime"], "10:00:06");
    EXPECT_NE(first["chat"].get<std::string>().find("hello all"), std::string::npos);
    EXPECT_EQ(first["newest"], "08/12/2026 10:00:06");
    EXPECT_GE(first["secondsAgo"].get<std::int64_t>(), 0);
    const Json second = Json::parse(now.lines()[1]);
    EXPECT_EQ(second["server"], "war");
    EXPECT_EQ(second["map"], "");
    EXPECT_NE(second["chat"].get<std::string>().find("still here"), std::string::npos);
    const Json third = Json::parse(now.lines()[2]);
    EXPECT_EQ(third["server"], "wrap");
    EXPECT_EQ(third["newest"], "01/01/2027 00:30:00");
}

} // namespace
} // namespace zelkam
