// zelkam-cli follow, run as a user would: in the background over a folder
// that a test writes to as a server would.

#include <gtest/gtest.h>

#include <signal.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "tests/cli/cli_process.h"
#include "tests/support/log_lines.h"
#include "tests/support/temp_folder.h"

namespace zelkam {
namespace {

using namespace zelkam::test;

void append(const TempFolder& folder, const std::string& name, const std::string& bytes)
{
    std::ofstream out(folder.path() / name, std::ios::binary | std::ios::app);
    out << bytes;
}

TEST(CliFollow, PrintsTheDaySoFarThenEachLineAsItIsWrittenAndEndsOnASignal)
{
    struct Case {
        std::vector<std::string> options;
        int signal;
        std::vector<std::string> firstLines;
    };
    const std::vector<Case> cases = {
        {{}, SIGINT, {"10:00:02 *DEAD*Bob : one"}},
        {{"--from", "04/07/2001"}, SIGTERM, {"22:00:01 *DEAD*Ann : yesterday", "10:00:02 *DEAD*Bob : one"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.signal);
        TempFolder folder;
        folder.write("L0704000.log", LogText("07/04/2001").at("22:00:01", said("Ann", 1, "CT", "yesterday")).text());
        folder.write("L0705000.log", LogText("07/05/2001")
                                         .at("10:00:00", mapStarted("de_dust"))
                                         .at("10:00:02", said("Bob", 2, "CT", "one"))
                                         .text());
        std::vector<std::string> args{"follow", folder.string()};
        args.insert(args.end(), c.options.begin(), c.options.end());
        CliProcess follow(args);
        for (const std::string& expected : c.firstLines)
            EXPECT_EQ(follow.readLine(), expected);

        // A line is printed once it is whole, and a stranger's control
        // characters never reach the terminal.
        const std::string two = lineAt("07/05/2001", "10:00:05", said("Bob", 2, "CT", "two\x1b[2J"));
        append(folder, "L0705000.log", two.substr(0, 50));
        EXPECT_EQ(follow.readLine(std::chrono::milliseconds(700)), std::nullopt) << "half a line is not printed";
        append(folder, "L0705000.log", two.substr(50));
        const std::optional<std::string> second = follow.readLine();
        ASSERT_TRUE(second);
        EXPECT_EQ(second->rfind("10:00:05 *DEAD*Bob : two", 0), 0u) << *second;
        EXPECT_EQ(second->find('\x1b'), std::string::npos);

        // The server's new day: follow moves on to it by itself.
        folder.write("L0706000.log", LogText("07/06/2001")
                                         .at("00:10:00", mapStarted("de_aztec"))
                                         .at("00:10:01", said("Bob", 2, "CT", "morning"))
                                         .text());
        EXPECT_EQ(follow.readLine(), "00:10:01 *DEAD*Bob : morning");

        EXPECT_EQ(follow.stop(c.signal), 0) << follow.errors();
    }
}

// A change that is not growth reads the day again; what was printed before
// is never printed again, whether the file comes back whole at once or is
// emptied and written again line by line.
TEST(CliFollow, PrintsEachLineOnceWhenTheDaysFileGoesAndComesBack)
{
    const std::string day = LogText("07/05/2001")
                                .at("10:00:00", mapStarted("de_dust"))
                                .at("10:00:02", said("Bob", 2, "CT", "one"))
                                .at("10:00:02", said("Bob", 2, "CT", "two"))
                                .text();
    const std::string three = lineAt("07/05/2001", "10:00:09", said("Bob", 2, "CT", "three"));
    for (const bool moved : {true, false}) {
        SCOPED_TRACE(moved ? "moved away and back" : "emptied and written again");
        TempFolder folder;
        folder.write("L0705000.log", day);
        CliProcess follow({"follow", folder.string()});
        EXPECT_EQ(follow.readLine(), "10:00:02 *DEAD*Bob : one");
        EXPECT_EQ(follow.readLine(), "10:00:02 *DEAD*Bob : two");
        if (moved) {
            std::filesystem::rename(folder.path() / "L0705000.log", folder.path() / "away");
            EXPECT_EQ(follow.readLine(std::chrono::milliseconds(700)), std::nullopt);
            std::filesystem::rename(folder.path() / "away", folder.path() / "L0705000.log");
            EXPECT_EQ(follow.readLine(std::chrono::milliseconds(700)), std::nullopt);
            append(folder, "L0705000.log", three);
        } else {
            folder.write("L0705000.log", "");
            EXPECT_EQ(follow.readLine(std::chrono::milliseconds(700)), std::nullopt);
            append(folder, "L0705000.log", day);
            EXPECT_EQ(follow.readLine(std::chrono::milliseconds(700)), std::nullopt);
            append(folder, "L0705000.log", three);
        }
        EXPECT_EQ(follow.readLine(), "10:00:09 *DEAD*Bob : three");
        EXPECT_EQ(follow.stop(SIGINT), 0) << follow.errors();
    }
}

TEST(CliFollow, WaitsForTheFirstLogAndFailsWhenTheFolderGoes)
{
    auto folder = std::make_unique<TempFolder>();
    CliProcess follow({"follow", folder->string(), "--kind", "events"});
    EXPECT_EQ(follow.readLine(std::chrono::milliseconds(600)), std::nullopt);
    folder->write("L0705000.log", LogText("07/05/2001").at("10:00:02", said("Bob", 2, "CT", "first")).text());
    const std::optional<std::string> event = follow.readLine();
    ASSERT_TRUE(event);
    EXPECT_NE(event->find("\"first\""), std::string::npos) << *event;

    folder.reset();
    EXPECT_EQ(follow.stop(0), 1);
    EXPECT_NE(follow.errors().find("is gone"), std::string::npos) << follow.errors();
}

} // namespace
} // namespace zelkam
