#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/cli/run_cli.h"
#include "tests/support/log_lines.h"
#include "tests/support/temp_folder.h"

namespace zelkam {
namespace {

using namespace zelkam::test;
using Strings = std::vector<std::string>;

// One id under three names over two days; two LAN players who share an id.
void writeTwoDays(const TempFolder& folder)
{
    const auto al = [](const char* name, const char* team = "") {
        return "\"" + std::string(name) + "<2><STEAM_0:1:42><" + team + ">\"";
    };
    folder.write("L0705000.log",
                 LogText("07/05/2001")
                     .at("22:00:00", al("Al") + " connected, address \"10.0.0.2:1\"")
                     .at("22:00:01", "\"Lan\"<3><STEAM_ID_LAN><>\" connected, address \"10.0.0.3:1\"")
                     .at("22:00:02", al("Al") + " joined team \"CT\"")
                     .at("22:00:03", al("Al", "CT") + " changed name to \"Al, \"the\" 2nd\"")
                     .at("22:10:00", al("Al, \"the\" 2nd", "CT") + " say \"bye\"")
                     .at("22:10:01", al("Al, \"the\" 2nd", "CT") + " disconnected")
                     .text());
    folder.write("L0706000.log", LogText("07/06/2001")
                                     .at("20:00:00", al("Alfred") + " connected, address \"10.0.0.2:1\"")
                                     .at("20:00:05", "\"Lan<4><STEAM_ID_LAN><>\" connected, address \"10.0.0.4:1\"")
                                     .at("20:05:00", al("Alfred") + " disconnected")
                                     .text());
}

TEST(CliPlayer, PrintsEverySessionOfTheIdOrTheName)
{
    TempFolder folder;
    writeTwoDays(folder);
    const CliResult byId = runCli({"player", folder.string(), "--id", "STEAM_0:1:42"});
    ASSERT_EQ(byId.status, 0) << byId.err;
    const Strings expected = {
        R"({"date":"05/07/2001","start":"22:00:00","end":"22:10:01","names":["Al","Al, \"the\" 2nd"],"uniqueId":"STEAM_0:1:42","teams":[1],"frags":0,"deaths":0,"chat":1})",
        R"({"date":"06/07/2001","start":"20:00:00","end":"20:05:00","names":["Alfred"],"uniqueId":"STEAM_0:1:42","teams":[],"frags":0,"deaths":0,"chat":0})",
    };
    EXPECT_EQ(byId.lines(), expected);

    const CliResult byName = runCli({"player", folder.string(), "--name", "THE"});
    ASSERT_EQ(byName.status, 0) << byName.err;
    EXPECT_EQ(byName.lines(), Strings{expected[0]});
    EXPECT_EQ(runCli({"player", folder.string(), "--name", "THE", "--case"}).status, 1);

    const CliResult lan = runCli({"player", folder.string(), "--id", "STEAM_ID_LAN"});
    ASSERT_EQ(lan.status, 0) << lan.err;
    EXPECT_EQ(lan.lines().size(), 1u) << "the malformed token is no LAN player";

    const CliResult none = runCli({"player", folder.string(), "--id", "STEAM_0:0:1"});
    EXPECT_EQ(none.status, 1);
    EXPECT_EQ(none.out, "");
    EXPECT_FALSE(none.err.empty());
    for (const Strings& args : std::vector<Strings>{{"player", folder.string()},
                                                    {"player", folder.string(), "--id"},
                                                    {"player", folder.string(), "--id", "x", "--name", "y"},
                                                    {"player", "--name", "x"}})
        EXPECT_EQ(runCli(args).status, 2) << args.back();
}

TEST(CliPlayer, ASpectatorHasNoTeamAndWinsNoRound)
{
    TempFolder folder;
    folder.write("L0705000.log", LogText("07/05/2001")
                                     .at("22:00:00", mapStarted("de_dust"))
                                     .at("22:00:01", connected("Spec", 2, "10.0.0.2:1"))
                                     .at("22:00:02", joinedTeam("Spec", 2, "SPECTATOR"))
                                     .at("22:00:03", connected("Cee", 3, "10.0.0.3:1"))
                                     .at("22:00:04", joinedTeam("Cee", 3, "CT"))
                                     .at("22:01:00", teamScored(1, 0))
                                     .text());
    const CliResult player = runCli({"player", folder.string(), "--name", "Spec"});
    ASSERT_EQ(player.status, 0) << player.err;
    ASSERT_EQ(player.lines().size(), 1u);
    EXPECT_NE(player.lines()[0].find(R"("teams":[],)"), std::string::npos) << player.out;

    const CliResult stats = runCli({"stats", folder.string()});
    ASSERT_EQ(stats.status, 0) << stats.err;
    ASSERT_EQ(stats.lines().size(), 2u) << stats.out;
    for (const std::string& line : stats.lines()) {
        const bool spectator = line.find(R"("player":"Spec")") != std::string::npos;
        EXPECT_NE(line.find(spectator ? R"("roundsWon":0,)" : R"("roundsWon":1,)"), std::string::npos) << line;
    }
}

} // namespace
} // namespace zelkam
