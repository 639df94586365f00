// zelkam-cli watch, run as an admin's service or cron job would.

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/stat.h>

#include <chrono>
#include <ctime>
#include <fstream>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include <nlohmann/json.hpp>

#include "tests/cli/cli_process.h"
#include "tests/support/log_lines.h"
#include "tests/support/temp_folder.h"

namespace zelkam {
namespace {

using namespace zelkam::test;

// Today's date as the server stamps it, and its file name: a restart only
// catches up on recent days.
std::string today(const char* format)
{
    const std::time_t now = std::time(nullptr);
    std::tm fields{};
    gmtime_r(&now, &fields);
    char text[16];
    std::strftime(text, sizeof text, format, &fields);
    return text;
}

void append(const std::filesystem::path& file, const std::string& bytes)
{
    std::ofstream out(file, std::ios::binary | std::ios::app);
    out << bytes;
}

// Waits until the watcher has saved its place in each of servers: only the
// lines that come after that are news. A watcher slow to start (a loaded
// machine, a sanitized build) would otherwise take the test's first line
// as the past.
bool waitUntilWatching(const std::filesystem::path& stateFolder, const std::vector<std::string>& servers)
{
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (std::chrono::steady_clock::now() < until) {
        std::ifstream in(stateFolder / "watch-state.json");
        const nlohmann::json state = nlohmann::json::parse(in, nullptr, false);
        bool all = !state.is_discarded();
        for (const std::string& server : servers)
            all = all && state.contains("servers") && state["servers"].contains(server)
                  && state["servers"][server].contains("mark");
        if (all)
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
}

// Gathered hits that wait for the rule's rate limit are in the state file:
// a watcher stopped before telling them tells them after the restart, once,
// and tells nothing it told before.
TEST(CliWatch, ARestartInTheMiddleOfABatchTellsItOnceAndNothingTwice)
{
    TempFolder work;
    std::filesystem::create_directory(work.path() / "main");
    const std::filesystem::path log = work.path() / "main" / ("L" + today("%m%d") + "000.log");
    const std::string date = today("%m/%d/%Y");
    append(log, lineAt(date, "00:00:01", mapStarted("de_dust")));
    const auto rules = work.write("rules.json", R"({"actions": {"screen": {"print": true}},
 "rules": [{"name": "words", "kind": "chat", "words": ["hack"], "to": ["screen"], "everySeconds": 3600}]})");
    const std::string state = (work.path() / "state").string();
    const std::vector<std::string> args = {"watch", (work.path() / "main").string(), "--rules", rules.string(), "--state", state};
    {
        CliProcess watch(args);
        ASSERT_TRUE(waitUntilWatching(state, {"main"})) << watch.errors();
        EXPECT_EQ(watch.readLine(std::chrono::milliseconds(600)), std::nullopt) << "the past is not told";
        append(log, lineAt(date, "00:00:02", said("Bob", 2, "CT", "hack one")));
        EXPECT_EQ(watch.readLine(), "[main] words: 00:00:02 *DEAD*Bob : hack one");
        append(log, lineAt(date, "00:00:03", said("Bob", 2, "CT", "hack two\x1b[2J")));
        EXPECT_EQ(watch.readLine(std::chrono::milliseconds(800)), std::nullopt) << "the rate limit holds it";
        EXPECT_EQ(watch.stop(SIGTERM), 0) << watch.errors();
    }
    append(log, lineAt(date, "00:00:04", said("Bob", 2, "CT", "hack three")));
    CliProcess once([&] {
        auto again = args;
        again.push_back("--once");
        return again;
    }());
    EXPECT_EQ(once.readLine(),
              "[main] words: | 00:00:03 *DEAD*Bob : hack two\\x1b[2J | 00:00:04 *DEAD*Bob : hack three");
    EXPECT_EQ(once.readLine(std::chrono::milliseconds(300)), std::nullopt);
    EXPECT_EQ(once.stop(0), 0) << once.errors();
    CliProcess nothingLeft([&] {
        auto again = args;
        again.push_back("--once");
        return again;
    }());
    EXPECT_EQ(nothingLeft.readLine(std::chrono::milliseconds(600)), std::nullopt);
    EXPECT_EQ(nothingLeft.stop(0), 0) << nothingLeft.errors();
    EXPECT_FALSE(std::filesystem::exists(work.path() / "main" / "watch-state.json")) << "the log folder is never written";
}

// The web hook's address is a secret: a file others can read is refused
// the way the receiver refuses its secret file, and the address is never
// shown.
// watch --community finds every server of the folder (not a folder
// without logs), applies the rules to each server's own events (a rule
// narrowed to one server, a rate limit kept per server) and names the
// server in every notice.
TEST(CliWatch, ACommunityIsWatchedServerByServer)
{
    TempFolder work;
    const std::filesystem::path community = work.path() / "archive";
    const std::string name = "L" + today("%m%d") + "000.log";
    const std::string date = today("%m/%d/%Y");
    for (const char* server : {"10.0.0.1_27015", "war"}) {
        std::filesystem::create_directories(community / server);
        append(community / server / name, lineAt(date, "00:00:01", mapStarted("de_dust")));
    }
    std::filesystem::create_directories(community / "notes");
    const auto rules = work.write("rules.json", R"({"actions": {"screen": {"print": true}},
 "rules": [{"name": "words", "kind": "chat", "words": ["hack"], "to": ["screen"], "everySeconds": 3600},
           {"name": "warOnly", "kind": "chat", "words": ["gg"], "servers": ["war"], "to": ["screen"]}]})");
    CliProcess watch({"watch", "--community", community.string(), "--rules", rules.string(), "--state",
                      (work.path() / "state").string()});
    ASSERT_TRUE(waitUntilWatching(work.path() / "state", {"10.0.0.1_27015", "war"})) << watch.errors();
    EXPECT_EQ(watch.readLine(std::chrono::milliseconds(600)), std::nullopt) << "the past is not told";
    struct Step {
        const char* what;
        const char* server;
        const char* message;
        std::optional<std::string> told;
    };
    const std::vector<Step> steps = {
        {"a rule over every server", "10.0.0.1_27015", "hack", "[10.0.0.1_27015] words: 00:00:02 *DEAD*Bob : hack"},
        {"a rule narrowed to another server", "10.0.0.1_27015", "gg", std::nullopt},
        {"a rule narrowed to this server", "war", "gg", "[war] warOnly: 00:00:02 *DEAD*Bob : gg"},
        {"the rate limit of one server holds no other", "war", "hack", "[war] words: 00:00:02 *DEAD*Bob : hack"},
        {"the rate limit of a server holds it", "war", "hack again", std::nullopt},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.what);
        append(community / step.server / name, lineAt(date, "00:00:02", said("Bob", 2, "CT", step.message)));
        EXPECT_EQ(watch.readLine(std::chrono::milliseconds(step.told ? 5000 : 800)), step.told);
    }
    EXPECT_EQ(watch.stop(SIGTERM), 0) << watch.errors();
}

TEST(CliWatch, RefusesAWebHookFileOthersCanReadWithoutShowingTheAddress)
{
    TempFolder work;
    std::filesystem::create_directory(work.path() / "main");
    const auto hook = work.write("hook-url", "http://127.0.0.1:9/very-secret-token\n");
    ::chmod(hook.c_str(), 0644);
    const auto rules = work.write("rules.json", R"({"actions": {"admins": {"webhook": "hook-url"}},
 "rules": [{"name": "maps", "kind": "map", "to": ["admins"]}]})");
    CliProcess watch({"watch", (work.path() / "main").string(), "--rules", rules.string(), "--state",
                      (work.path() / "state").string(), "--once"});
    EXPECT_EQ(watch.stop(0), 1);
    EXPECT_NE(watch.errors().find("chmod 600"), std::string::npos) << watch.errors();
    EXPECT_EQ(watch.errors().find("very-secret-token"), std::string::npos) << watch.errors();
}

// A state file changed by hand or damaged is refused with a word on what to
// do, whatever wrong type its fields hold: never a crash.
TEST(CliWatch, RefusesADamagedStateFile)
{
    const char* const states[] = {
        R"({"version": 1, "salt": 5, "nextId": 1, "servers": {"main": {"players": "many"}}})",
        R"({"version": 1, "salt": 5, "nextId": 1, "servers": {"main": {"mark": {"day": "today"}}}})",
        R"({"version": 1, "salt": 5, "nextId": 1, "gates": [{"rule": 7}]})",
        R"({"version": "one"})",
    };
    for (const char* state : states) {
        SCOPED_TRACE(state);
        TempFolder work;
        std::filesystem::create_directory(work.path() / "main");
        std::filesystem::create_directory(work.path() / "state");
        work.write("state/watch-state.json", state);
        const auto rules = work.write("rules.json", R"({"actions": {"screen": {"print": true}},
 "rules": [{"name": "maps", "kind": "map", "to": ["screen"]}]})");
        CliProcess watch({"watch", (work.path() / "main").string(), "--rules", rules.string(), "--state",
                          (work.path() / "state").string(), "--once"});
        EXPECT_EQ(watch.stop(0), 1);
        EXPECT_NE(watch.errors().find("start afresh"), std::string::npos) << watch.errors();
    }
}

TEST(CliWatch, CheckTellsTheLineOfAWrongRule)
{
    TempFolder work;
    const auto rules = work.write("rules.json", "{\"actions\": {\"s\": {\"print\": true}},\n \"rules\": [\n  {\"name\": \"x\", \"kind\": \"silent\", \"to\": [\"s\"]}]}");
    CliProcess check({"watch", "--check", rules.string()});
    EXPECT_EQ(check.stop(0), 2);
    EXPECT_NE(check.errors().find("line 3, column"), std::string::npos) << check.errors();
    EXPECT_NE(check.errors().find("needs \"minutes\""), std::string::npos) << check.errors();
}

} // namespace
} // namespace zelkam
