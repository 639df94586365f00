#include "parse/log_parser.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/support/temp_folder.h"
#include "tests/support/time_zone.h"

namespace zelkam {
namespace {

using test::lineAt;
using test::localStamp;
using test::ScopedTimeZone;

TEST(LogParser, StampsAndRecognisesALine)
{
    ScopedTimeZone tz("Europe/Berlin");
    LogParser parser;
    parser.processLine(lineAt("07/06/2001", "11:21:08", R"("Bob<12><345678><CT>" say "hello")"));
    ASSERT_EQ(parser.events().size(), 1u);
    const LogEvent& event = parser.events()[0];
    EXPECT_EQ(event.kind, Say);
    EXPECT_EQ(event.time, localStamp(2001, 7, 6, 11, 21, 8));
    EXPECT_STREQ(event.player.name, "Bob");
    EXPECT_STREQ(event.text, "hello");
}

// Only the server writes a phrase right after the time stamp: those lines
// are its bookkeeping and make no event. The same phrase anywhere else is a
// player's text and must not hide his line.
TEST(LogParser, DropsOnlyTheServersBookkeeping)
{
    ScopedTimeZone tz("UTC");
    const struct {
        const char* name;
        const char* rest;
        bool kept;
    } cases[] = {
        {"file started", R"(Log file started (file "logs/L0706000.log") (game "cstrike"))", false},
        {"file closed", "Log file closed", false},
        {"a setting", R"(Server cvar "mp_timelimit" = "20")", false},
        {"settings start", "Server cvars start", false},
        {"settings end", "Server cvars end", false},
        {"bookkeeping shaped like a kill", R"(Log file closed "killed" "Bob<1><2><CT>")", false},
        {"said", R"("Bob<12><345678><CT>" say "Log file closed")", true},
        {"said in a team", R"("Bob<12><345678><CT>" say_team "Server cvar changes are annoying")", true},
        {"a player so named", R"("Log file started<1><2><CT>" say "hi")", true},
        {"a password guess", R"(Bad Rcon: "rcon 1 x status Log file started" from "10.1.2.3:27005")", true},
        {"after the line end", "\"Bob<12><345678><CT>\" say \"hi\"\rServer cvar", true},
        {"one space late", R"( Log file closed "killed" "Bob<1><2><CT>")", true},
    };
    for (const auto& c : cases) {
        LogParser parser;
        parser.processLine(lineAt("07/06/2001", "11:21:08", c.rest));
        EXPECT_EQ(parser.events().size(), c.kept ? 1u : 0u) << c.name;
        LogParser blockwise;
        blockwise.processLines(lineAt("07/06/2001", "11:21:08", c.rest));
        EXPECT_EQ(blockwise.events().size(), parser.events().size()) << c.name;
    }
}

TEST(LogParser, LineEndsDoNotMatter)
{
    ScopedTimeZone tz("UTC");
    const std::string base = "L 07/06/2001 - 11:21:08: \"Bob<1><2><CT>\" say \"hi\"";
    for (const std::string& line : {base, base + "\n", base + "\r\n", base + "\r", base + "\r\nmore"}) {
        LogParser parser;
        parser.processLine(line);
        ASSERT_EQ(parser.events().size(), 1u);
        EXPECT_STREQ(parser.events()[0].text, "hi");
    }
}

TEST(LogParser, ReadsALineOnlyUpToItsFirstNul)
{
    ScopedTimeZone tz("UTC");
    LogParser parser;
    std::string line = lineAt("07/06/2001", "11:21:08", R"("Bob<1><2><CT>" say "hi")");
    line[line.find("hi")] = '\0';
    parser.processLine(line);
    ASSERT_EQ(parser.events().size(), 1u);
    EXPECT_STREQ(parser.events()[0].text, "") << "the message ends at the NUL";
}

TEST(LogParser, ShortLinesYieldNothing)
{
    ScopedTimeZone tz("UTC");
    LogParser parser;
    parser.processLine("L 07/06/2001 - 11:21:08:");
    parser.processLine("L 07/06/2001 - 11:21:08: ");
    parser.processLine("");
    parser.processLine("\n");
    EXPECT_EQ(parser.events().size(), 0u);
}

// Every truncation of real-looking lines must parse without reading out of
// bounds (the sanitizers watch) and yield at most one event each.
TEST(LogParser, EveryTruncationParses)
{
    ScopedTimeZone tz("UTC");
    const std::string lines[] = {
        lineAt("07/06/2001", "11:21:08", R"("Al<3><9><TERRORIST>" killed "Bob<12><345678><CT>" with "ak47")"),
        lineAt("07/06/2001", "11:21:08", R"(Bad Rcon: "rcon 1 "pw x" say "hi" from "10.0.2.2:60829")"),
        lineAt("07/06/2001", "11:21:08", R"(Team "CT" triggered "CTs_Win" (CT "3") (T "12"))"),
    };
    for (const std::string& line : lines) {
        for (std::size_t n = 0; n <= line.size(); ++n) {
            LogParser parser;
            parser.processLine(std::string_view(line).substr(0, n));
            EXPECT_LE(parser.events().size(), 1u);
        }
    }
}

TEST(LogParser, ResetForgetsEverything)
{
    ScopedTimeZone tz("UTC");
    LogParser parser;
    for (int i = 0; i < 200; ++i)
        parser.processLine(lineAt("07/06/2001", "11:21:08", R"("Bob<12><345678><CT>" say "hello")"));
    EXPECT_EQ(parser.events().size(), 200u);
    EXPECT_EQ(parser.events().capacity(), 300u);
    parser.reset();
    EXPECT_EQ(parser.events().size(), 0u);
    EXPECT_EQ(parser.tokens().count(), 0);
    EXPECT_EQ(parser.arena().blockCount(), 1u);
}

} // namespace
} // namespace zelkam

namespace zelkam {
namespace {

std::vector<std::string> describe(const EventList& events)
{
    std::vector<std::string> out;
    for (const LogEvent& e : events)
        out.push_back(std::to_string(e.kind) + "@" + std::to_string(e.time) + " " + (e.player.name ? e.player.name : "-")
                      + " " + (e.text ? e.text : "-"));
    return out;
}

// The reader hands over whole blocks of lines; the result must be exactly
// that of taking the lines one by one, bookkeeping phrases, line ends, cut
// lines and all.
TEST(LogParser, BlocksReadLikeTheirLines)
{
    ScopedTimeZone tz("UTC");
    static constexpr char nulText[] = "\"Bob<1><2><CT>\" say \"b\0\" Log file closed";
    const std::string nulInside(nulText, sizeof nulText - 1);
    const std::string longChat = "\"Bob<1><2><CT>\" say \"" + std::string(240, 'x') + "Server cvar\"";
    const std::vector<std::string> lineSets[] = {
        {
            lineAt("07/06/2001", "11:21:08", R"(Log file started (file "logs/L0706000.log"))"),
            lineAt("07/06/2001", "11:21:08", R"(Server cvar "mp_timelimit" = "20")"),
            lineAt("07/06/2001", "11:21:09", R"("Bob<1><2><CT>" say "the Server cvar list")"),
            lineAt("07/06/2001", "11:21:09", R"("Log file closed<1><2><CT>" say "hi")"),
            lineAt("07/06/2001", "11:21:10", R"("Bob<1><2><CT>" say "Server cva")"),
            lineAt("07/06/2001", "11:21:10", "\"Server<1><2><CT>\" say \"cvar\""),
            lineAt("07/06/2001", "11:21:11", longChat),
            lineAt("07/06/2001", "11:21:12", R"("Bob<1><2><CT>" say "Log file")"),
            "L 07/06/2001 - 11:21:13: Log file closed\n",
            "L 07/06/2001 - 11:21:\n",
            "Server cvar\n",
            "\n",
        },
        {
            lineAt("07/06/2001", "11:21:08", "\"Bob<1><2><CT>\" say \"a\"\rServer cvar"),
            lineAt("07/06/2001", "11:21:09", nulInside),
            lineAt("07/06/2001", "11:21:10", R"("Bob<1><2><CT>" say "c")"),
        },
    };
    for (const auto& lines : lineSets) {
        LogParser oneByOne;
        std::string block;
        for (const std::string& line : lines) {
            oneByOne.processLine(std::string_view(line).substr(0, LogParser::MaxLineLength));
            block += line;
        }
        LogParser blockwise;
        blockwise.processLines(block);
        EXPECT_EQ(describe(blockwise.events()), describe(oneByOne.events()));
        EXPECT_FALSE(oneByOne.events().empty());
    }
}

} // namespace
} // namespace zelkam
