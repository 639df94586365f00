#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/cli/run_cli.h"
#include "tests/support/temp_folder.h"

namespace zelkam {
namespace {

using namespace zelkam::test;
using Strings = std::vector<std::string>;

// Two days of a small server. 09:21:08 UTC on 6 July 2001 is 994411268.
void writeServerLogs(const TempFolder& folder)
{
    folder.write("L0705000.log", lineAt("07/05/2001", "23:00:00",
                                        "\"Bob<12><345678><>\" connected, address \"10.0.0.1:27005\"")
                                     + lineAt("07/05/2001", "23:00:10", "\"Bob<12><345678><CT>\" say \"hello yesterday\"")
                                     + lineAt("07/05/2001", "23:10:00", "World triggered \"Round_Start\""));
    folder.write("L0706000.log",
                 lineAt("07/06/2001", "09:00:00", "Started map \"de_dust\" (CRC \"1\")")
                     + lineAt("07/06/2001", "09:21:08", "\"Bob<12><345678><CT>\" say \"hello\"")
                     + lineAt("07/06/2001", "09:21:10", "Rcon: \"rcon 1 pw status\" from \"10.0.0.1:27005\"")
                     + lineAt("07/06/2001", "09:21:20", "\"Andr\xE9<3><5><TERRORIST>\" say_team \"caf\xE9 HELLO\"")
                     + lineAt("07/06/2001", "09:21:21", "\"Bob<12><345678><CT>\" say \"HELLO again\"")
                     + lineAt("07/06/2001", "09:30:00", "World triggered \"Round_Start\""));
}

TEST(Cli, DaysListsTheFoldersDaysAscending)
{
    TempFolder folder;
    writeServerLogs(folder);
    const CliResult result = runCli({"days", folder.string()});
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.out, "05/07/2001\n06/07/2001\n");
    EXPECT_EQ(result.err, "");
}

TEST(Cli, NothingToShowExitsWithOneAndSaysWhy)
{
    TempFolder folder;
    writeServerLogs(folder);
    TempFolder empty;
    const std::vector<Strings> cases = {
        {"days", empty.string()},
        {"events", empty.string(), "06/07/2001"},
        {"events", folder.string(), "07/07/2001"},
        {"replay", folder.string(), "04/07/2001", "tick"},
        {"grep", empty.string(), "x"},
    };
    for (const Strings& args : cases) {
        const CliResult result = runCli(args);
        EXPECT_EQ(result.status, 1) << args[0] << " " << args.back();
        EXPECT_EQ(result.out, "") << args[0] << " " << args.back();
        ASSERT_FALSE(result.err.empty());
        EXPECT_EQ(result.err.find('\n'), result.err.size() - 1) << "one line: " << result.err;
    }
}

TEST(Cli, UsageErrorsExitWithTwoAndSayWhatIsWrongInOneLine)
{
    TempFolder folder;
    writeServerLogs(folder);
    const std::string f = folder.string();
    const std::vector<Strings> cases = {
        {},
        {"frobnicate"},
        {"days"},
        {"events", f},
        {"events", f, "2001-07-06"},
        {"replay", f},
        {"replay", f, "06/07/2001", "tick:0"},
        {"replay", f, "06/07/2001", "tick:x"},
        {"replay", f, "06/07/2001", "cmd:16"},
        {"replay", f, "06/07/2001", "seek:10:60:00"},
        {"replay", f, "06/07/2001", "minute:ten"},
        {"replay", f, "06/07/2001", "find:chat"},
        {"replay", f, "06/07/2001", "find:words:x"},
        {"replay", f, "06/07/2001", "day:7/6/2001"},
        {"replay", f, "06/07/2001", "tick", "jump"},
        {"grep", f},
        {"grep", f, "--kind", "map", "x"},
        {"grep", f, "a", "b"},
    };
    for (const Strings& args : cases) {
        const CliResult result = runCli(args);
        const std::string what = args.empty() ? "(none)" : args.back();
        EXPECT_EQ(result.status, 2) << what;
        EXPECT_EQ(result.out, "") << what << ": nothing runs before the arguments are checked";
        // One line naming what is wrong, one pointing at --help; not the
        // whole usage text.
        const std::vector<std::string> lines = CliResult{0, result.err, ""}.lines();
        ASSERT_EQ(lines.size(), 2u) << what << ": " << result.err;
        EXPECT_EQ(lines[0].rfind("zelkam-cli: ", 0), 0u) << what;
        EXPECT_NE(lines[1].find("--help"), std::string::npos) << what;
        EXPECT_EQ(result.err.find("usage: zelkam-cli"), std::string::npos) << what;
    }
}

TEST(Cli, HelpPrintsTheUsage)
{
    for (const Strings& args : {Strings{"--help"}, Strings{"grep", "--help"}, Strings{"replay", "x", "--help"}}) {
        const CliResult result = runCli(args);
        EXPECT_EQ(result.status, 0);
        EXPECT_NE(result.out.find("usage: zelkam-cli"), std::string::npos);
        EXPECT_NE(result.out.find("findcase:KIND:PAT"), std::string::npos);
        EXPECT_EQ(result.err, "");
    }
}

TEST(Cli, EventsPrintsTheWindowAsCompactJson)
{
    TempFolder folder;
    writeServerLogs(folder);
    const CliResult result = runCli({"events", folder.string(), "06/07/2001"});
    ASSERT_EQ(result.status, 0) << result.err;
    const Strings expected = {
        R"({"kind":1,"time":994374000,"player":{"name":"Bob","userId":12,"wonId":345678,"uniqueId":"345678","addressKey":655360,"team":2,"lifeState":0,"frags":0,"deaths":0},"text":null})",
        R"({"kind":6,"time":994374010,"player":{"name":"Bob","userId":12,"wonId":345678,"uniqueId":"345678","addressKey":0,"team":1,"lifeState":0,"frags":0,"deaths":0},"text":"hello yesterday"})",
        R"({"kind":10,"time":994374600,"player":{"name":"world","userId":0,"wonId":0,"uniqueId":"","addressKey":0,"team":2,"lifeState":3,"frags":0,"deaths":0},"text":null})",
        R"({"kind":0,"time":994410000,"player":{"name":"world","userId":0,"wonId":0,"uniqueId":"","addressKey":0,"team":2,"lifeState":3,"frags":0,"deaths":0},"text":"de_dust"})",
        R"({"kind":6,"time":994411268,"player":{"name":"Bob","userId":12,"wonId":345678,"uniqueId":"345678","addressKey":0,"team":1,"lifeState":0,"frags":0,"deaths":0},"text":"hello"})",
        R"({"kind":8,"time":994411270,"player":{"name":null,"userId":0,"wonId":0,"uniqueId":"","addressKey":655360,"team":0,"lifeState":0,"frags":0,"deaths":0},"text":"status"})",
        "{\"kind\":7,\"time\":994411280,\"player\":{\"name\":\"Andr\xC3\xA9\",\"userId\":3,\"wonId\":5,\"uniqueId\":\"5\",\"addressKey\":0,"
        "\"team\":0,\"lifeState\":0,\"frags\":0,\"deaths\":0},\"text\":\"caf\xC3\xA9 HELLO\"}",
        R"({"kind":6,"time":994411281,"player":{"name":"Bob","userId":12,"wonId":345678,"uniqueId":"345678","addressKey":0,"team":1,"lifeState":0,"frags":0,"deaths":0},"text":"HELLO again"})",
        R"({"kind":10,"time":994411800,"player":{"name":"world","userId":0,"wonId":0,"uniqueId":"","addressKey":0,"team":2,"lifeState":3,"frags":0,"deaths":0},"text":null})",
    };
    EXPECT_EQ(result.lines(), expected);
}

TEST(Cli, ReplayPrintsTheViewAfterEachStep)
{
    TempFolder folder;
    writeServerLogs(folder);
    const CliResult result = runCli({"replay", folder.string(), "06/07/2001", "seek:09:21:09", "find:rconuser:bob",
                                     "findcase:chat:HELLO", "cmd:3", "tick:3", "minute:0", "cmd:1", "tick",
                                     "day:05/07/2001"});
    ASSERT_EQ(result.status, 0) << result.err;
    const Strings lines = result.lines();
    ASSERT_EQ(lines.size(), 10u);
    // Paused at the map start, which waits for the next step: the day before
    // left Bob on the server and no map yet.
    EXPECT_EQ(lines[0],
              R"({"step":"load","result":true,"clock":994410000,"minute":540,"map":"","ctScore":0,"tScore":0,"speed":0,"rewinding":false,"players":[{"name":"Bob","userId":12,"wonId":345678,"uniqueId":"345678","addressKey":655360,"team":2,"lifeState":3,"frags":0,"deaths":0}],"chat":[]})");
    EXPECT_EQ(lines[1],
              R"({"step":"seek:09:21:09","result":true,"clock":994411269,"minute":561,"map":"de_dust","ctScore":0,"tScore":0,"speed":0,"rewinding":false,"players":[{"name":"Bob","userId":12,"wonId":345678,"uniqueId":"345678","addressKey":0,"team":1,"lifeState":0,"frags":0,"deaths":0}],"chat":[{"time":994411268,"style":1,"text":"*DEAD*Bob : hello"}]})");
    // The remote-console command under the cursor has not been shown yet, so
    // Find Next stops on it.
    EXPECT_NE(lines[2].find(R"("step":"find:rconuser:bob","result":true,"clock":994411280,)"), std::string::npos);
    EXPECT_NE(lines[3].find(R"("step":"findcase:chat:HELLO","result":true,"clock":994411281,)"), std::string::npos);
    EXPECT_NE(lines[3].find("\"chat\":[{\"time\":994411268,\"style\":1,\"text\":\"*DEAD*Bob : hello\"},"
                            "{\"time\":994411270,\"style\":2,\"text\":\"<Bob> status\"},"
                            "{\"time\":994411280,\"style\":0,\"text\":\"*DEAD*(Terrorist) Andr\xC3\xA9 : caf\xC3\xA9 HELLO\"}]"),
              std::string::npos)
        << lines[3];
    EXPECT_NE(lines[4].find(R"("step":"cmd:3","result":true,"clock":994411281,)"), std::string::npos);
    EXPECT_NE(lines[4].find(R"("speed":1,"rewinding":false)"), std::string::npos);
    EXPECT_NE(lines[5].find(R"("step":"tick:3","result":true,"clock":994411284,)"), std::string::npos);
    EXPECT_NE(lines[6].find(R"("step":"minute:0","result":true,"clock":994410000,"minute":540,)"), std::string::npos);
    EXPECT_NE(lines[6].find(R"("speed":0,"rewinding":false)"), std::string::npos);
    EXPECT_NE(lines[7].find(R"("speed":5,"rewinding":true)"), std::string::npos);
    EXPECT_NE(lines[8].find(R"("step":"tick","result":true,"clock":994410000,)"), std::string::npos);
    EXPECT_NE(lines[9].find(R"("step":"day:05/07/2001","result":true,"clock":994374000,"minute":1380,)"),
              std::string::npos);
    EXPECT_NE(lines[9].find(R"("speed":0,"rewinding":true)"), std::string::npos) << "a day load keeps rewinding";
}

TEST(Cli, ReplayStopsAtADayThatIsNotListed)
{
    TempFolder folder;
    writeServerLogs(folder);
    const CliResult result =
        runCli({"replay", folder.string(), "05/07/2001", "cmd:4", "day:07/07/2001", "tick"});
    EXPECT_EQ(result.status, 1);
    ASSERT_EQ(result.lines().size(), 2u);
    EXPECT_NE(result.lines()[1].find(R"("step":"cmd:4")"), std::string::npos);
    EXPECT_NE(result.err.find("07/07/2001"), std::string::npos);
}

TEST(Cli, ReplayFindPatternIsEverythingAfterTheSecondColon)
{
    TempFolder folder;
    writeServerLogs(folder);
    const CliResult result =
        runCli({"replay", folder.string(), "06/07/2001", "find:rconcmd:", "find:chat:a:b", "findcase:player:"});
    ASSERT_EQ(result.status, 0) << result.err;
    const Strings lines = result.lines();
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_NE(lines[1].find(R"("step":"find:rconcmd:","result":true,"clock":994411280,)"), std::string::npos);
    EXPECT_NE(lines[2].find(R"("step":"find:chat:a:b","result":false,"clock":994411280,)"), std::string::npos);
    // The line under the cursor, right after the last hit, is the next hit.
    EXPECT_NE(lines[3].find(R"("step":"findcase:player:","result":true,"clock":994411281,)"), std::string::npos);
}

TEST(Cli, ChatPrintsTheDaysLinesAsTheyAreComposed)
{
    TempFolder folder;
    writeServerLogs(folder);
    const CliResult result = runCli({"chat", folder.string(), "06/07/2001"});
    ASSERT_EQ(result.status, 0) << result.err;
    const Strings expected = {
        "09:21:08 *DEAD*Bob : hello",
        "09:21:10 <Bob> status",
        "09:21:20 *DEAD*(Terrorist) Andr\xC3\xA9 : caf\xC3\xA9 HELLO",
        "09:21:21 *DEAD*Bob : HELLO again",
    };
    EXPECT_EQ(result.lines(), expected);

    const CliResult berlin = runCli({"chat", folder.string(), "05/07/2001"}, "Europe/Berlin");
    ASSERT_EQ(berlin.status, 0) << berlin.err;
    EXPECT_EQ(berlin.lines(), Strings{"23:00:10 Bob : hello yesterday"})
        << "log times are local times, whatever the zone";
}

TEST(Cli, GrepReportsEveryHitOfEveryDay)
{
    TempFolder folder;
    writeServerLogs(folder);
    const std::string f = folder.string();
    struct Case {
        Strings args;
        Strings lines;
    };
    const Case cases[] = {
        {{"grep", f, "hello"},
         {"05/07/2001 23:00:10 Bob : hello yesterday", "06/07/2001 09:21:08 *DEAD*Bob : hello",
          "06/07/2001 09:21:20 *DEAD*(Terrorist) Andr\xC3\xA9 : caf\xC3\xA9 HELLO",
          "06/07/2001 09:21:21 *DEAD*Bob : HELLO again"}},
        {{"grep", f, "--case", "HELLO"},
         {"06/07/2001 09:21:20 *DEAD*(Terrorist) Andr\xC3\xA9 : caf\xC3\xA9 HELLO",
          "06/07/2001 09:21:21 *DEAD*Bob : HELLO again"}},
        {{"grep", f, "--kind", "player", "BOB"},
         {"05/07/2001 23:00:00 Bob", "05/07/2001 23:00:10 Bob : hello yesterday",
          "06/07/2001 09:21:08 *DEAD*Bob : hello", "06/07/2001 09:21:21 *DEAD*Bob : HELLO again"}},
        {{"grep", f, "--kind=rconuser", "bob"}, {"06/07/2001 09:21:10 <Bob> status"}},
        {{"grep", "--kind", "rconcmd", f, ""}, {"06/07/2001 09:21:10 <Bob> status"}},
        {{"grep", f, "caf\xE9"}, {"06/07/2001 09:21:20 *DEAD*(Terrorist) Andr\xC3\xA9 : caf\xC3\xA9 HELLO"}},
    };
    for (const Case& c : cases) {
#ifdef _WIN32
        // A Windows command line is text: a byte that is not UTF-8 cannot be passed.
        if (c.args.back() == "caf\xE9")
            continue;
#endif
        const CliResult result = runCli(c.args);
        EXPECT_EQ(result.status, 0) << c.args.back() << result.err;
        EXPECT_EQ(result.lines(), c.lines) << c.args.back();
        EXPECT_EQ(result.err, "") << "no progress line for a quick search";
    }
    // No hit is nothing to show.
    for (const Strings& args : {Strings{"grep", f, "nowhere"}, Strings{"grep", f, "--", "--case"}}) {
        const CliResult result = runCli(args);
        EXPECT_EQ(result.status, 1) << args.back();
        EXPECT_EQ(result.out, "") << args.back();
        EXPECT_NE(result.err.find("nothing to show"), std::string::npos) << args.back();
    }
}

// Days whose files end before their midnight, each with the same line: the
// day ends a second after that line, so every command reaches it.
TEST(Cli, EveryCommandReachesADaysLastLine)
{
    TempFolder folder;
    const char* const dates[] = {"07/04/2001", "07/05/2001", "07/06/2001"};
    for (const char* date : dates) {
        const std::string name = std::string("L") + date[0] + date[1] + date[3] + date[4] + "000.log";
        folder.write(name, lineAt(date, "20:00:00", "Started map \"de_dust\" (CRC \"1\")")
                               + lineAt(date, "20:10:00", "\"Bob<12><345678><CT>\" say \"first\"")
                               + lineAt(date, "23:10:05", "World triggered \"Round_Start\"")
                               + lineAt(date, "23:10:05", "\"Bob<12><345678><CT>\" say \"last words\""));
    }
    const CliResult chat = runCli({"chat", folder.string(), "05/07/2001"});
    ASSERT_EQ(chat.status, 0) << chat.err;
    EXPECT_EQ(chat.lines(), (Strings{"20:10:00 *DEAD*Bob : first", "23:10:05 *DEAD*Bob : last words"}));

    const CliResult grep = runCli({"grep", folder.string(), "last words"});
    ASSERT_EQ(grep.status, 0) << grep.err;
    EXPECT_EQ(grep.lines().size(), 3u) << grep.out;

    const CliResult replay = runCli({"replay", folder.string(), "06/07/2001", "find:chat:last", "seek:23:59:59"});
    ASSERT_EQ(replay.status, 0) << replay.err;
    ASSERT_EQ(replay.lines().size(), 3u);
    // The hit is the day's last event: the clock stands a second past it, as
    // a seek past the day's end does.
    EXPECT_NE(replay.lines()[1].find(R"("result":true,"clock":994461006,)"), std::string::npos) << replay.lines()[1];
    EXPECT_NE(replay.lines()[2].find(R"("clock":994461006,)"), std::string::npos) << replay.lines()[2];
    EXPECT_NE(replay.lines()[2].find("last words"), std::string::npos) << replay.lines()[2];
}

} // namespace
} // namespace zelkam
