#include "tools/loggen/command_line.h"

#include <vector>

#include <gtest/gtest.h>

namespace zelkam {
namespace {

bool parse(std::vector<std::string_view> arguments, LogGenCommand& command, std::string& problem)
{
    return parseCommandLine(arguments, command, problem);
}

TEST(CommandLine, ReadsEveryOption)
{
    LogGenCommand command;
    std::string problem;
    ASSERT_TRUE(parse({"--out", "logs", "--seed", "18446744073709551615", "--start", "2004-02-29", "--days", "7",
                       "--lines-per-day", "1000000", "--players", "12", "--files-per-day", "1000"},
                      command, problem))
        << problem;
    EXPECT_FALSE(command.help);
    EXPECT_EQ(command.out, std::filesystem::path("logs"));
    EXPECT_EQ(command.options.seed, 18446744073709551615u);
    EXPECT_EQ(command.options.firstYear, 2004);
    EXPECT_EQ(command.options.firstMonth, 2);
    EXPECT_EQ(command.options.firstDay, 29);
    EXPECT_EQ(command.options.days, 7);
    EXPECT_EQ(command.options.linesPerDay, 1000000);
    EXPECT_EQ(command.options.maxPlayers, 12);
    EXPECT_EQ(command.options.filesPerDay, 1000);
}

TEST(CommandLine, KeepsDefaultsForOptionsNotGiven)
{
    LogGenCommand command;
    std::string problem;
    ASSERT_TRUE(parse({"--out", "logs"}, command, problem));
    const LogGenOptions defaults;
    EXPECT_EQ(command.options.seed, defaults.seed);
    EXPECT_EQ(command.options.days, defaults.days);
    EXPECT_EQ(command.options.linesPerDay, defaults.linesPerDay);
    EXPECT_EQ(command.options.filesPerDay, 0);
}

TEST(CommandLine, HelpWinsOverEverythingElse)
{
    LogGenCommand command;
    std::string problem;
    ASSERT_TRUE(parse({"--days", "2", "--help", "--bogus"}, command, problem));
    EXPECT_TRUE(command.help);
}

TEST(CommandLine, RejectsUsageErrors)
{
    struct Case {
        const char* name;
        std::vector<std::string_view> arguments;
    };
    const Case cases[] = {
        {"no arguments", {}},
        {"no out", {"--days", "2"}},
        {"empty out", {"--out", ""}},
        {"missing value", {"--out", "logs", "--days"}},
        {"unknown option", {"--out", "logs", "--verbose", "1"}},
        {"stray argument", {"logs"}},
        {"negative seed", {"--out", "logs", "--seed", "-1"}},
        {"seed with junk", {"--out", "logs", "--seed", "12abc"}},
        {"zero days", {"--out", "logs", "--days", "0"}},
        {"too many days", {"--out", "logs", "--days", "100000"}},
        {"zero lines", {"--out", "logs", "--lines-per-day", "0"}},
        {"one player", {"--out", "logs", "--players", "1"}},
        {"too many players", {"--out", "logs", "--players", "33"}},
        {"negative file count", {"--out", "logs", "--files-per-day", "-1"}},
        {"more files than names", {"--out", "logs", "--files-per-day", "1001"}},
        {"no leap day", {"--out", "logs", "--start", "2001-02-29"}},
        {"day-month-year", {"--out", "logs", "--start", "06-07-2001"}},
        {"short date", {"--out", "logs", "--start", "2001-7-6"}},
        {"past year 9999", {"--out", "logs", "--start", "9999-12-30", "--days", "5"}},
    };
    for (const Case& c : cases) {
        LogGenCommand command;
        std::string problem;
        EXPECT_FALSE(parse(c.arguments, command, problem)) << c.name;
        EXPECT_FALSE(problem.empty()) << c.name;
    }
}

} // namespace
} // namespace zelkam
