#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include <csignal>

#include <sys/stat.h>
#include <sys/wait.h>

#include "tests/cli/cli_process.h"
#include "tests/cli/run_cli.h"
#include "tests/support/log_lines.h"
#include "tests/support/temp_folder.h"

namespace zelkam {
namespace {

using namespace zelkam::test;

// Sets an environment variable for the test's lifetime; the commands run as
// children and inherit it.
class ScopedEnvironment {
public:
    ScopedEnvironment(const char* name, const std::string& value) : name_(name)
    {
        if (const char* old = std::getenv(name))
            previous_ = old;
        ::setenv(name, value.c_str(), 1);
    }
    ~ScopedEnvironment()
    {
        if (previous_)
            ::setenv(name_, previous_->c_str(), 1);
        else
            ::unsetenv(name_);
    }

private:
    const char* name_;
    std::optional<std::string> previous_;
};

std::string token(std::string_view name, int userId, std::string_view id, std::string_view team = "")
{
    return "\"" + std::string(name) + "<" + std::to_string(userId) + "><" + std::string(id) + "><" +
           std::string(team) + ">\"";
}

// A player seen from two addresses, a second account from one of them, an
// admin whose address sends commands, one of which kicks the player. With
// typed, addresses also stand in texts: in commands (one that bans the
// player by his address) and in a chat message.
void writeAddressFolder(const TempFolder& folder, bool typed = false)
{
    LogText text("07/05/2001");
    text.at("20:00:00", mapStarted("de_dust2"))
        .at("20:00:01", token("Al", 2, "STEAM_0:1:42") + " connected, address \"172.16.30.40:27005\"")
        .at("20:00:02", token("Admin", 3, "STEAM_0:0:3") + " connected, address \"192.168.77.8:27005\"")
        .at("20:00:03", token("Al", 2, "STEAM_0:1:42") + " joined team \"CT\"")
        .at("20:00:04", token("Admin", 3, "STEAM_0:0:3") + " joined team \"TERRORIST\"")
        .at("20:01:00", token("Al", 2, "STEAM_0:1:42", "CT") + " say \"hello\"")
        .at("20:02:00", token("Admin", 3, "STEAM_0:0:3", "TERRORIST") + " killed " +
                            token("Al", 2, "STEAM_0:1:42", "CT") + " with \"ak47\"")
        .at("20:03:00", rconCommand("kick #2", "192.168.77.8:27005"))
        .at("20:03:00", token("Al", 2, "STEAM_0:1:42", "CT") + " disconnected")
        .at("20:04:00", badRconCommand("status", "203.0.113.9:1"));
    if (typed)
        text.at("20:04:50", rconCommand("removeip 198.51.100.23", "192.168.77.8:27005"));
    text.at("20:10:00", token("Alt", 4, "STEAM_0:1:99") + " connected, address \"172.16.30.41:27005\"")
        .at("20:20:00", token("Al", 5, "STEAM_0:1:42") + " connected, address \"10.44.55.66:27005\"");
    if (typed) {
        text.at("20:22:00", token("Al", 5, "STEAM_0:1:42") + " say \"find me at 198.51.100.23:27015\"")
            .at("20:25:00", rconCommand("addip 60 10.44.55.66;writeip", "192.168.77.8:27005"));
    }
    text.at("20:30:00", token("Al", 5, "STEAM_0:1:42") + " disconnected");
    folder.write("L0705000.log", text.text());
}

// Every command that shows an address, with --hide-addresses: no address
// (nor the network of one, as addresses are shown) is in any output, not
// even one typed in a command or a chat message, while without the option
// the same command shows one. A linked account is still linked under
// pseudonyms, and the same address gives the same pseudonym, typed or not.
TEST(CliInvestigate, HideAddressesLeavesNoAddressInAnyOutput)
{
    TempFolder logs;
    writeAddressFolder(logs, true);
    TempFolder settings;
    const ScopedEnvironment config("XDG_CONFIG_HOME", settings.string());
    const std::string folder = logs.string();
    const std::string report = (settings.path() / "report.html").string();
    const std::vector<std::string> addresses = {"172.16.30", "192.168.77", "10.44.55", "203.0.113", "198.51.100"};

    // Where the output goes: standard output, the report file, or the lines
    // a follower prints until it has been quiet for a while.
    enum class Output { Standard, File, Followed };
    struct Case {
        const char* what;
        std::vector<std::string> args;
        Output output;
    };
    const std::vector<Case> cases = {
        {"timeline", {"timeline", folder, "--id", "STEAM_0:1:42"}, Output::Standard},
        {"timeline as JSON", {"timeline", folder, "--id", "STEAM_0:1:42", "--json"}, Output::Standard},
        {"timeline by name", {"timeline", folder, "--name", "al"}, Output::Standard},
        {"alts", {"alts", folder, "--id", "STEAM_0:1:42"}, Output::Standard},
        {"alts as JSON", {"alts", folder, "--id", "STEAM_0:1:42", "--json"}, Output::Standard},
        {"audit", {"audit", folder}, Output::Standard},
        {"audit as JSON", {"audit", folder, "--json"}, Output::Standard},
        {"report", {"report", folder, "05/07/2001", "--from", "20:00:00", "--to", "20:59:00", "-o", report,
                    "--show-addresses"}, Output::File},
        {"events", {"events", folder, "05/07/2001"}, Output::Standard},
        {"events of every kind", {"events", folder, "05/07/2001", "--all-kinds"}, Output::Standard},
        {"replay", {"replay", folder, "05/07/2001", "seek:20:05:00"}, Output::Standard},
        {"follow", {"follow", folder, "--kind", "events"}, Output::Followed},
    };
    const auto outputOf = [&](const Case& c, bool hide) {
        std::vector<std::string> args = c.args;
        if (hide)
            args.push_back("--hide-addresses");
        if (c.output == Output::Followed) {
            CliProcess follow(args);
            // The first line waits for the follower to start and read the
            // day, which takes seconds under the sanitizers on a busy
            // machine; after it, a quiet spell means the day is printed.
            std::string out;
            for (auto wait = std::chrono::milliseconds(15000);
                 const std::optional<std::string> line = follow.readLine(wait); wait = std::chrono::milliseconds(700))
                out += *line + '\n';
            EXPECT_EQ(follow.stop(SIGINT), 0) << c.what;
            return out + follow.errors();
        }
        std::filesystem::remove(report);
        const CliResult result = runCli(args);
        EXPECT_EQ(result.status, 0) << c.what << ": " << result.err;
        if (c.output == Output::Standard)
            return result.out + result.err;
        std::ifstream in(report);
        std::stringstream text;
        text << in.rdbuf();
        return text.str() + result.err;
    };
    // An event's address key is a number that tells the network as well as
    // its dotted form does.
    const std::regex addressKey("\"addressKey\":[1-9]");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string shown = outputOf(c, false);
        const std::string hidden = outputOf(c, true);
        bool anyShown = std::regex_search(shown, addressKey);
        EXPECT_FALSE(std::regex_search(hidden, addressKey)) << hidden;
        for (const std::string& address : addresses) {
            anyShown = anyShown || shown.find(address) != std::string::npos;
            EXPECT_EQ(hidden.find(address), std::string::npos) << address << " in\n" << hidden;
        }
        EXPECT_TRUE(anyShown) << "without the option the output shows an address:\n" << shown;
        EXPECT_NE(hidden.find("addr-"), std::string::npos) << hidden;
    }

    // The linked account stays linked, under the same pseudonym the
    // timeline gives the shared address.
    const CliResult alts = runCli({"alts", folder, "--id", "STEAM_0:1:42", "--hide-addresses"});
    ASSERT_EQ(alts.status, 0) << alts.err;
    EXPECT_NE(alts.out.find("STEAM_0:1:99"), std::string::npos) << alts.out;
    const CliResult timeline = runCli({"timeline", folder, "--id", "STEAM_0:1:42", "--hide-addresses"});
    const std::size_t at = alts.out.find("address addr-");
    ASSERT_NE(at, std::string::npos) << alts.out;
    const std::string pseudonym = alts.out.substr(at + 8, 17);
    EXPECT_NE(timeline.out.find(pseudonym), std::string::npos) << pseudonym << " not in\n" << timeline.out;
    // The ban by his address names the pseudonym of his connection.
    const std::size_t connected = timeline.out.find("connected from addr-", timeline.out.find("user id 5"));
    ASSERT_NE(connected, std::string::npos) << timeline.out;
    const std::string his = timeline.out.substr(connected + 15, 17);
    EXPECT_NE(timeline.out.find("ban by rcon from addr-"), std::string::npos) << timeline.out;
    EXPECT_NE(timeline.out.find(": addip 60 " + his + ";writeip"), std::string::npos) << his << " not in\n"
                                                                                        << timeline.out;

    // The key is the user's own, in the settings folder, never in the logs.
    struct stat status {};
    ASSERT_EQ(::stat((settings.path() / "zelkam" / "address-key").c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0600u);
    for (const auto& entry : std::filesystem::directory_iterator(logs.path()))
        EXPECT_EQ(entry.path().filename().string().rfind("L07", 0), 0u) << entry.path();
}

// The timeline tells the player's day in order, the kick that meant him
// resolved from his user id at that moment.
TEST(CliInvestigate, TimelineTellsThePlayersDayInOrder)
{
    TempFolder logs;
    writeAddressFolder(logs);
    const CliResult result = runCli({"timeline", logs.string(), "--id", "STEAM_0:1:42"});
    ASSERT_EQ(result.status, 0) << result.err;
    const std::vector<std::string> expected = {
        "05/07/2001 20:00:01 Al <STEAM_0:1:42> session begins (user id 2)",
        "05/07/2001 20:00:01 Al <STEAM_0:1:42> connected from 172.16.30.*",
        "05/07/2001 20:00:03 Al <STEAM_0:1:42> joined team CT",
        "05/07/2001 20:01:00 Al <STEAM_0:1:42> say: hello",
        "05/07/2001 20:02:00 Al <STEAM_0:1:42> killed by Admin <STEAM_0:0:3> with ak47",
        "05/07/2001 20:03:00 Al <STEAM_0:1:42> kick by rcon from 192.168.77.*: kick #2",
        "05/07/2001 20:03:00 Al <STEAM_0:1:42> disconnected",
        "05/07/2001 20:03:00 Al <STEAM_0:1:42> session ends (disconnected)",
        "05/07/2001 20:20:00 Al <STEAM_0:1:42> session begins (user id 5)",
        "05/07/2001 20:20:00 Al <STEAM_0:1:42> connected from 10.44.55.*",
        "05/07/2001 20:30:00 Al <STEAM_0:1:42> disconnected",
        "05/07/2001 20:30:00 Al <STEAM_0:1:42> session ends (disconnected)",
    };
    EXPECT_EQ(result.lines(), expected);
}

// A server logs one account as STEAM_0:X:Y before an engine update and as
// STEAM_1:X:Y after it, and the rankings count both as one player. Asked by
// either spelling, every command that follows a player finds all of him:
// his sessions, his timeline (whose look at a day's bytes must not pass
// over a day that holds only the other spelling), a report, and no linked
// account that is himself.
TEST(CliInvestigate, AnAccountInEitherUniversesSpellingIsOnePlayer)
{
    TempFolder logs;
    const auto day = [](const char* date, const char* id, const char* text) {
        return LogText(date)
            .at("20:00:00", mapStarted("de_dust2"))
            .at("20:00:01", token("Al", 2, id) + " connected, address \"172.16.30.40:27005\"")
            .at("20:01:00", token("Al", 2, id, "CT") + " say \"" + text + "\"")
            .at("20:02:00", token("Al", 2, id, "CT") + " disconnected")
            .at("20:03:00", token("Zed", 3, "STEAM_1:0:42") + " connected, address \"10.9.9.9:27005\"")
            .text();
    };
    logs.write("L0705000.log", day("07/05/2001", "STEAM_0:1:42", "before the update"));
    logs.write("L0706000.log", day("07/06/2001", "STEAM_1:1:42", "after the update"));

    const CliResult stats = runCli({"stats", logs.string()});
    ASSERT_EQ(stats.status, 0) << stats.err;
    EXPECT_NE(stats.out.find("\"player\":\"Al\",\"uniqueId\":\"STEAM_0:1:42\""), std::string::npos) << stats.out;
    EXPECT_NE(stats.out.find("\"sessions\":2,"), std::string::npos) << stats.out;
    const std::string page = (logs.path() / "report.html").string();
    for (const char* id : {"STEAM_0:1:42", "STEAM_1:1:42"}) {
        SCOPED_TRACE(id);
        const CliResult sessions = runCli({"player", logs.string(), "--id", id});
        EXPECT_EQ(sessions.lines().size(), 2u) << sessions.out;
        const CliResult timeline = runCli({"timeline", logs.string(), "--id", id});
        EXPECT_NE(timeline.out.find("say: before the update"), std::string::npos) << timeline.out;
        EXPECT_NE(timeline.out.find("say: after the update"), std::string::npos) << timeline.out;
        EXPECT_EQ(timeline.out.find("Zed"), std::string::npos) << timeline.out;
        const CliResult alts = runCli({"alts", logs.string(), "--id", id});
        EXPECT_EQ(alts.status, 1) << alts.out;
        for (const auto& [date, said] : {std::pair{"05/07/2001", "before the update"},
                                         std::pair{"06/07/2001", "after the update"}}) {
            const CliResult report = runCli({"report", logs.string(), date, "--from", "20:00:00", "--to", "21:00:00",
                                             "--id", id, "-o", page, "--show-addresses"});
            ASSERT_EQ(report.status, 0) << report.err;
            std::ifstream in(page, std::ios::binary);
            const std::string written((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
            EXPECT_NE(written.find(said), std::string::npos) << date;
            std::filesystem::remove(page);
        }
    }
}

// A player's other account on another server of the community, from the
// same address: alts links them across the servers, --server keeps to one.
TEST(CliInvestigate, AltsLinkAccountsAcrossACommunitysServers)
{
    TempFolder logs;
    const auto write = [&](const char* server, const std::string& line) {
        std::filesystem::create_directories(logs.path() / server);
        std::ofstream(logs.path() / server / "L0705000.log", std::ios::binary)
            << LogText("07/05/2001").at("20:00:00", mapStarted("de_dust2")).at("20:00:01", line).text();
    };
    write("pub", token("Al", 2, "STEAM_0:1:42") + " connected, address \"172.16.30.40:27005\"");
    write("war", token("Alt", 3, "STEAM_0:1:99") + " connected, address \"172.16.30.40:27005\"");
    struct Case {
        const char* what;
        std::vector<std::string> narrowed;
        int status;
        bool linked;
    };
    const std::vector<Case> cases = {
        {"every server", {}, 0, true},
        {"the player's own server alone", {"--server", "pub"}, 1, false},
        {"an unknown server", {"--server", "nope"}, 2, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<std::string> args = {"alts", logs.string(), "--id", "STEAM_0:1:42"};
        args.insert(args.end(), c.narrowed.begin(), c.narrowed.end());
        const CliResult result = runCli(args);
        EXPECT_EQ(result.status, c.status) << result.err;
        EXPECT_EQ(result.out.find("STEAM_0:1:99") != std::string::npos, c.linked) << result.out;
    }
}

// Al plays on two servers of a community at once, and an address guesses
// at the console of both: timeline and audit read every server unless
// --server narrows them, each line of a server led by its name; the
// guesses at both servers add up to one warning.
TEST(CliInvestigate, TimelineAndAuditCoverEveryServerOfACommunity)
{
    TempFolder logs;
    const auto write = [&](const char* server, LogText text) {
        std::filesystem::create_directories(logs.path() / server);
        std::ofstream(logs.path() / server / "L0705000.log", std::ios::binary) << text.text();
    };
    const std::string guesser = "203.0.113.9:1";
    write("pub", LogText("07/05/2001")
                     .at("20:00:00", mapStarted("de_dust2"))
                     .at("20:00:01", token("Al", 2, "STEAM_0:1:42") + " connected, address \"172.16.30.40:27005\"")
                     .at("20:01:00", badRconCommand("status", guesser))
                     .at("20:02:00", token("Al", 2, "STEAM_0:1:42") + " say \"hello\"")
                     .at("20:03:00", badRconCommand("status", guesser))
                     .at("20:04:00", token("Al", 2, "STEAM_0:1:42") + " disconnected"));
    write("war", LogText("07/05/2001")
                     .at("20:00:00", mapStarted("de_aztec"))
                     .at("20:01:30", token("Al", 5, "STEAM_0:1:42") + " connected, address \"10.44.55.66:27005\"")
                     .at("20:02:00", token("Al", 5, "STEAM_0:1:42") + " say \"hi\"")
                     .at("20:02:30", badRconCommand("status", guesser))
                     .at("20:05:00", token("Al", 5, "STEAM_0:1:42") + " disconnected"));
    const std::vector<std::string> pubLines = {
        "pub 05/07/2001 20:00:01 Al <STEAM_0:1:42> session begins (user id 2)",
        "pub 05/07/2001 20:00:01 Al <STEAM_0:1:42> connected from 172.16.30.*",
        "pub 05/07/2001 20:02:00 Al <STEAM_0:1:42> say: hello",
        "pub 05/07/2001 20:04:00 Al <STEAM_0:1:42> disconnected",
        "pub 05/07/2001 20:04:00 Al <STEAM_0:1:42> session ends (disconnected)",
    };
    struct Case {
        const char* what;
        std::vector<std::string> args;
        int status;
        std::vector<std::string> lines;
    };
    const std::vector<Case> cases = {
        {"a timeline of every server, merged in time",
         {"timeline", "--id", "STEAM_0:1:42"},
         0,
         {pubLines[0], pubLines[1], "war 05/07/2001 20:01:30 Al <STEAM_0:1:42> session begins (user id 5)",
          "war 05/07/2001 20:01:30 Al <STEAM_0:1:42> connected from 10.44.55.*", pubLines[2],
          "war 05/07/2001 20:02:00 Al <STEAM_0:1:42> say: hi", pubLines[3], pubLines[4],
          "war 05/07/2001 20:05:00 Al <STEAM_0:1:42> disconnected",
          "war 05/07/2001 20:05:00 Al <STEAM_0:1:42> session ends (disconnected)"}},
        {"a timeline of one server", {"timeline", "--id", "STEAM_0:1:42", "--server", "pub"}, 0, pubLines},
        {"a timeline's JSON names the server first",
         {"timeline", "--id", "STEAM_0:1:42", "--server", "war", "--json", "--to", "05/07/2001"},
         0,
         {R"({"server":"war","date":"05/07/2001","time":"20:01:30","stamp":994363290,"kind":"sessionStart",)"
          R"("name":"Al","uniqueId":"STEAM_0:1:42","userId":5,"address":"10.44.55.*"})"}},
        {"the guesses at both servers add up",
         {"audit"},
         0,
         {"address 203.0.113.*: 0 commands, 3 failed attempts", "  pub 05/07/2001 20:01:00 FAILED unknown: status",
          "  war 05/07/2001 20:02:30 FAILED unknown: status", "  pub 05/07/2001 20:03:00 FAILED unknown: status",
          "warning: 3 failed attempts from 203.0.113.* from 05/07/2001 20:01:00 to 05/07/2001 20:03:00"}},
        {"the guesses at one server",
         {"audit", "--server", "pub"},
         0,
         {"address 203.0.113.*: 0 commands, 2 failed attempts", "  pub 05/07/2001 20:01:00 FAILED unknown: status",
          "  pub 05/07/2001 20:03:00 FAILED unknown: status"}},
        {"an unknown server", {"audit", "--server", "nope"}, 2, {}},
        {"an unknown server's timeline", {"timeline", "--id", "STEAM_0:1:42", "--server", "nope"}, 2, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<std::string> args = c.args;
        args.insert(args.begin() + 1, logs.string());
        const CliResult result = runCli(args);
        EXPECT_EQ(result.status, c.status) << result.err;
        std::vector<std::string> lines = result.lines();
        // The JSON case checks the first object only.
        if (!c.lines.empty() && c.lines.size() == 1 && !lines.empty())
            lines.resize(1);
        EXPECT_EQ(lines, c.lines);
    }
}

} // namespace
} // namespace zelkam
