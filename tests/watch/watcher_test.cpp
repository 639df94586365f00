// The watcher as a service runs it: rounds on a clock, stopped and started
// again on the same state folder.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/log_lines.h"
#include "tests/support/temp_folder.h"
#include "tests/support/time_zone.h"
#include "tests/watch/hook_server.h"
#include "watch/watcher.h"

namespace zelkam::watch {
namespace {

using namespace zelkam::test;

constexpr const char* Date = "07/05/2001";

// A silent server and its return told once each, whether the watcher runs
// on or is restarted between: silence that began before a restart is told
// when it is due, a restart while silent tells it no second time, and lines
// written while the watcher was down end the silence.
TEST(Watcher, SilenceAndReturnAreToldOnceAcrossRestarts)
{
    ScopedTimeZone zone("UTC");
    TempFolder logs;
    TempFolder state;
    const auto file = logs.path() / "L0705000.log";
    std::ofstream(file, std::ios::binary) << LogText(Date).at("10:00:00", mapStarted("de_dust")).text();

    struct Step {
        const char* name;
        bool restart;
        const char* line; // appended before the round, or null
        std::int64_t now;
        std::string expected; // what the round prints
    };
    const std::string silent = "no line for 2 minutes";
    const std::string back = "the server writes its log again";
    const Step steps[] = {
        {"first look: the past", false, nullptr, 1000, ""},
        {"a line", false, "10:01:00", 1060, ""},
        {"restarted before silence is due", true, nullptr, 1100, ""},
        {"silence due by the line before the restart", false, nullptr, 1180, silent},
        {"restarted while silent: not told again", true, nullptr, 1400, ""},
        {"still silent", false, nullptr, 1500, ""},
        {"back", false, "10:30:00", 1600, back},
        {"silent again", false, nullptr, 1800, silent},
        {"back while the watcher was down", true, "10:40:00", 2400, back},
        {"and not told again", true, nullptr, 2410, ""},
    };
    std::int64_t now = 0;
    std::ostringstream out;
    std::unique_ptr<Watcher> watcher;
    const auto startWatcher = [&] {
        WatchOptions options;
        options.servers = {{"main", logs.string()}};
        std::string error;
        ASSERT_TRUE(parseRules(R"({"actions": {"s": {"print": true}},
            "rules": [{"name": "quiet", "kind": "silent", "minutes": 2, "everySeconds": 0, "to": ["s"]}]})",
                               options.rules, error))
            << error;
        options.stateFolder = state.string();
        options.out = &out;
        options.report = [](const std::string& message) { ADD_FAILURE() << message; };
        options.clock = [&now] { return now; };
        watcher.reset();
        watcher = std::make_unique<Watcher>(std::move(options));
        ASSERT_TRUE(watcher->start(error)) << error;
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.name);
        now = step.now;
        if (step.line)
            std::ofstream(file, std::ios::binary | std::ios::app) << lineAt(Date, step.line, said("Bob", 2, "CT", "hi"));
        if (!watcher || step.restart)
            startWatcher();
        out.str("");
        std::string error;
        ASSERT_TRUE(watcher->round(error)) << error;
        const std::string printed = out.str();
        if (step.expected.empty())
            EXPECT_EQ(printed, "");
        else
            EXPECT_NE(printed.find(step.expected), std::string::npos) << printed;
        EXPECT_EQ(printed.find('\n'), printed.empty() ? std::string::npos : printed.size() - 1)
            << "one notice at most: " << printed;
    }
}

// A watcher restarted long after its server's last line (a server quiet
// for a week) catches up from a few days back at most. When the folder
// holds nothing that recent, nothing it holds is told again: its newest
// day was told before, and only what comes from then on is told.
TEST(Watcher, ARestartAfterAQuietWeekTellsNothingAgain)
{
    ScopedTimeZone zone("UTC");
    TempFolder logs;
    TempFolder state;
    const auto file = logs.path() / "L0705000.log";
    std::ofstream(file, std::ios::binary) << LogText(Date)
                                                 .at("10:00:00", mapStarted("de_dust"))
                                                 .at("10:01:00", said("Bob", 2, "CT", "admin, help"))
                                                 .text();
    std::ostringstream out;
    std::vector<std::string> reports;
    std::int64_t now = localStamp(2001, 7, 5, 10, 2);
    std::unique_ptr<Watcher> watcher;
    const auto round = [&](bool restart) {
        std::string error;
        if (restart) {
            WatchOptions options;
            options.servers = {{"main", logs.string()}};
            ASSERT_TRUE(parseRules(R"({"actions": {"s": {"print": true}},
                "rules": [{"name": "calls", "kind": "chat", "words": ["admin"], "everySeconds": 0, "to": ["s"]}]})",
                                   options.rules, error))
                << error;
            options.stateFolder = state.string();
            options.out = &out;
            options.report = [&](const std::string& message) { reports.push_back(message); };
            options.clock = [&now] { return now; };
            watcher.reset();
            watcher = std::make_unique<Watcher>(std::move(options));
            ASSERT_TRUE(watcher->start(error)) << error;
        }
        out.str("");
        ASSERT_TRUE(watcher->round(error)) << error;
    };
    round(true);
    EXPECT_EQ(out.str(), "") << "the first run starts at the end";

    now += 7 * 86400;
    round(true);
    EXPECT_EQ(out.str(), "") << "a week later, nothing told again";
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_NE(reports[0].find("catching up from 2 days back only"), std::string::npos);

    // What the server writes from then on is told, once.
    std::ofstream(logs.path() / "L0712000.log", std::ios::binary)
        << LogText("07/12/2001").at("11:00:00", said("Dee", 4, "CT", "admin!")).text();
    now += 60;
    round(false);
    EXPECT_EQ(out.str(), "[main] calls: 11:00:00 *DEAD*Dee : admin!\n");
    std::ofstream(logs.path() / "L0712000.log", std::ios::binary | std::ios::app)
        << lineAt("07/12/2001", "11:01:00", said("Dee", 4, "CT", "admin!!"));
    now += 60;
    round(true);
    EXPECT_EQ(out.str(), "[main] calls: 11:01:00 *DEAD*Dee : admin!!\n");
}

// A watcher that tells a web hook: the words said on the server reach it
// as one notice, its address read from a file of the rules' folder. libcurl
// is opened by the watcher itself when the web hook is set up; a watcher
// of print and command actions never opens it.
TEST(Watcher, AWebHookGetsWhatTheRuleFinds)
{
    ScopedTimeZone zone("UTC");
    TempFolder logs;
    TempFolder state;
    TempFolder rules;
    HookServer hook({});
    const auto file = logs.path() / "L0705000.log";
    std::ofstream(file, std::ios::binary) << LogText(Date).at("10:00:00", mapStarted("de_dust")).text();
    rules.write("hook-url", hook.url() + "\n");
    namespace fs = std::filesystem;
    fs::permissions(rules.path() / "hook-url", fs::perms::owner_read | fs::perms::owner_write,
                    fs::perm_options::replace);

    std::int64_t now = 1000;
    WatchOptions options;
    options.servers = {{"main", logs.string()}};
    std::string error;
    ASSERT_TRUE(parseRules(R"({"actions": {"admins": {"webhook": "hook-url", "timeoutSeconds": 5}},
        "rules": [{"name": "cheat", "kind": "chat", "words": ["wallhack"], "everySeconds": 0, "to": ["admins"]}]})",
                           options.rules, error))
        << error;
    options.rulesFolder = rules.string();
    options.stateFolder = state.string();
    options.report = [](const std::string& message) { ADD_FAILURE() << message; };
    options.clock = [&now] { return now; };
    Watcher watcher(std::move(options));
    ASSERT_TRUE(watcher.start(error)) << error;
    ASSERT_TRUE(watcher.round(error)) << error;
    std::ofstream(file, std::ios::binary | std::ios::app) << lineAt(Date, "10:01:00", said("Bob", 2, "CT", "nice wallhack"));
    now = 1060;
    ASSERT_TRUE(watcher.round(error)) << error;
    watcher.gatherAll();
    EXPECT_TRUE(watcher.tellWaiting(10));
    const std::vector<std::string> bodies = hook.accepted();
    ASSERT_EQ(bodies.size(), 1u);
    EXPECT_NE(bodies[0].find("nice wallhack"), std::string::npos) << bodies[0];
}

} // namespace
} // namespace zelkam::watch
