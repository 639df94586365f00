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

// Two maps started in minute 600 (one with a name that needs quoting in
// CSV and decoding from Windows-1252), a kill, chat and both kinds of remote console.
void writeDay(const TempFolder& folder)
{
    folder.write("L0706000.log", LogText("07/06/2001")
                                     .at("10:00:00", mapStarted("de_dust"))
                                     .at("10:00:01", connected("Ann", 1, "10.0.0.1:27005"))
                                     .at("10:00:02", joinedTeam("Ann", 1, "CT"))
                                     .at("10:00:03", connected("Bob", 2, "10.0.0.2:27005"))
                                     .at("10:00:04", joinedTeam("Bob", 2, "TERRORIST"))
                                     .at("10:00:30", mapStarted("cs_1,2\xE9"))
                                     .at("10:01:05", said("Ann", 1, "CT", "hi"))
                                     .at("10:01:06", saidTeam("Bob", 2, "TERRORIST", "go"))
                                     .at("10:01:07", killed("Ann", 1, "CT", "Bob", 2, "TERRORIST"))
                                     .at("10:01:08", rconCommand("status", "10.0.0.1:27005"))
                                     .at("10:01:09", badRconCommand("stats", "10.0.0.2:27005"))
                                     .at("10:05:00", roundStarted())
                                     .text());
}

TEST(CliOverview, PrintsOneRecordAMinuteAsJsonOrCsv)
{
    TempFolder folder;
    writeDay(folder);
    const CliResult json = runCli({"overview", folder.string(), "06/07/2001"});
    ASSERT_EQ(json.status, 0) << json.err;
    const Strings lines = json.lines();
    ASSERT_EQ(lines.size(), 1440u);
    EXPECT_EQ(lines[0], R"({"minute":0,"terrorists":0,"cts":0,"spectators":0,"kills":0,"suicides":0,"chat":0,)"
                        R"("rcon":0,"badRcon":0,"maps":[]})");
    EXPECT_EQ(lines[600], R"({"minute":600,"terrorists":0,"cts":0,"spectators":0,"kills":0,"suicides":0,"chat":0,)"
                          R"("rcon":0,"badRcon":0,"maps":["de_dust","cs_1,2é"]})");
    // At 10:01:00 the second map has emptied the list; by 10:02:00 the chat
    // lines have put both speakers back on their sides.
    EXPECT_EQ(lines[601], R"({"minute":601,"terrorists":0,"cts":0,"spectators":0,"kills":1,"suicides":0,"chat":2,)"
                          R"("rcon":1,"badRcon":1,"maps":[]})");
    EXPECT_EQ(lines[602], R"({"minute":602,"terrorists":1,"cts":1,"spectators":0,"kills":0,"suicides":0,"chat":0,)"
                          R"("rcon":0,"badRcon":0,"maps":[]})");

    const CliResult csv = runCli({"overview", "--csv", folder.string(), "06/07/2001"});
    ASSERT_EQ(csv.status, 0) << csv.err;
    const Strings rows = csv.lines();
    ASSERT_EQ(rows.size(), 1441u);
    EXPECT_EQ(rows[0], "minute,terrorists,cts,spectators,kills,suicides,chat,rcon,badRcon,maps\r");
    EXPECT_EQ(rows[601], "600,0,0,0,0,0,0,0,0,\"de_dust;cs_1,2é\"\r");
    EXPECT_EQ(rows[602], "601,0,0,0,1,0,2,1,1,\r");
}

TEST(CliOverview, ExitsAsTheOtherCommands)
{
    TempFolder folder;
    writeDay(folder);
    TempFolder empty;
    const struct {
        Strings args;
        int status;
    } cases[] = {
        {{"overview", folder.string()}, 2},
        {{"overview", folder.string(), "2001-07-06"}, 2},
        {{"overview", folder.string(), "06/07/2001", "--tsv"}, 2},
        {{"overview", folder.string(), "06/07/2001", "extra"}, 2},
        {{"overview", empty.string(), "06/07/2001"}, 1},
        {{"overview", folder.string(), "07/07/2001"}, 1},
    };
    for (const auto& c : cases) {
        const CliResult result = runCli(c.args);
        EXPECT_EQ(result.status, c.status) << c.args.back();
        EXPECT_EQ(result.out, "") << c.args.back();
    }
}

} // namespace
} // namespace zelkam
