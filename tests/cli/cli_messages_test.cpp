// What zelkam-cli tells a newcomer, and that its searches find what the
// viewer's Find finds.

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "replay/viewer_state.h"
#include "tests/cli/run_cli.h"
#include "tests/support/log_lines.h"
#include "tests/support/temp_folder.h"
#include "tests/support/time_zone.h"

namespace zelkam {
namespace {

using namespace zelkam::test;
using Strings = std::vector<std::string>;

void writeDay(const TempFolder& folder)
{
    folder.write("L0706000.log", lineAt("07/06/2001", "09:00:00", "Started map \"de_dust\"")
                                     + lineAt("07/06/2001", "09:00:10", "\"Bob<2><5><CT>\" say \"hello\""));
}

TEST(CliMessages, EachUsageErrorNamesTheArgumentAndItsRule)
{
    TempFolder folder;
    writeDay(folder);
    const std::string f = folder.string();
    const struct {
        Strings args;
        const char* line;
    } cases[] = {
        {{}, "zelkam-cli: missing command: days, events, replay, chat or grep"},
        {{"show", f}, "zelkam-cli: unknown command \"show\", not one of the commands --help lists"},
        {{"events", f, "32/13/2001"}, "zelkam-cli: \"32/13/2001\" is not a date (DD/MM/YYYY)"},
        {{"chat", f}, "zelkam-cli: chat: missing DATE"},
        {{"overview", f, "32/13/2001", "--csv"}, "zelkam-cli: \"32/13/2001\" is not a date (DD/MM/YYYY)"},
        {{"overview", f, "06/07/2001", "--cvs"}, "zelkam-cli: overview: unexpected argument \"--cvs\""},
        {{"follow", f, "--kind", "map"}, "zelkam-cli: \"map\" is not one of chat and events"},
        {{"follow", f, "--from", "31/02/2001"}, "zelkam-cli: \"31/02/2001\" is not a date of the calendar"},
        {{"days"}, "zelkam-cli: days: missing FOLDER"},
        {{"days", f, "extra"}, "zelkam-cli: days: unexpected argument \"extra\""},
        {{"replay", f, "06/07/2001", "tick:0"}, "zelkam-cli: unknown step \"tick:0\": N must be 1 or more"},
        {{"replay", f, "06/07/2001", "cmd:16"}, "zelkam-cli: unknown step \"cmd:16\": ID must be a number from 0 to 15"},
        {{"replay", f, "06/07/2001", "find:words:x"},
         "zelkam-cli: unknown step \"find:words:x\": KIND must be player, chat, rconuser or rconcmd"},
        {{"grep", f, "--kind", "map", "x"},
         "zelkam-cli: \"map\" is not a search kind (player, chat, rconuser or rconcmd)"},
        {{"grep", f}, "zelkam-cli: grep: missing PATTERN"},
        {{"grep", "--fast", f, "x"}, "zelkam-cli: unknown option \"--fast\" (grep takes --kind KIND and --case)"},
        // A range of days written backwards holds no day: every command
        // that takes one says so, as report does of its times.
        {{"stats", f, "--from", "08/06/2001", "--to", "07/06/2001"}, "zelkam-cli: stats: --to is before --from"},
        {{"audit", f, "--to", "07/06/2001", "--from", "08/06/2001"}, "zelkam-cli: audit: --to is before --from"},
        {{"timeline", f, "--id", "5", "--from", "08/06/2001", "--to", "07/06/2001"},
         "zelkam-cli: timeline: --to is before --from"},
        {{"report", f, "07/06/2001", "--from", "09:00:10", "--to", "09:00:00", "-o", "x.html"},
         "zelkam-cli: report: --to is before --from"},
        // An argument is shown safely, whatever it holds.
        {{"events", f, "\x1b[2J"}, "zelkam-cli: \"\\x1b[2J\" is not a date (DD/MM/YYYY)"},
    };
    for (const auto& c : cases) {
        const CliResult result = runCli(c.args);
        EXPECT_EQ(result.status, 2) << c.line;
        EXPECT_EQ(result.err, std::string(c.line) + "\nTry 'zelkam-cli --help' for more information.\n");
    }
}

TEST(CliMessages, FolderProblemsEachHaveTheirOwnMessage)
{
    TempFolder folder;
    writeDay(folder);
    TempFolder empty;
    const std::string file = folder.string() + "/L0706000.log";
    const std::string gone = empty.string() + "/gone";
    const struct {
        Strings args;
        std::string line;
    } cases[] = {
        {{"days", gone}, "zelkam-cli: folder \"" + gone + "\" does not exist"},
        {{"events", file, "06/07/2001"}, "zelkam-cli: \"" + file + "\" is a file, not a folder"},
        {{"grep", empty.string(), "x"}, "zelkam-cli: no logs (L*.log) in folder \"" + empty.string() + "\""},
        {{"chat", folder.string(), "07/07/2001"}, "zelkam-cli: 07/07/2001 is not a day of \"" + folder.string() + "\""},
        {{"grep", folder.string(), "nowhere"}, "zelkam-cli: nothing to show: no hit"},
    };
    for (const auto& c : cases) {
        const CliResult result = runCli(c.args);
        EXPECT_EQ(result.status, 1) << c.line;
        EXPECT_EQ(result.out, "") << c.line;
        EXPECT_EQ(result.err, c.line + "\n");
    }
}

TEST(CliMessages, VersionPrintsTheVersion)
{
    const CliResult result = runCli({"--version"});
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.out, "zelkam-cli 1.8\n");
    EXPECT_EQ(result.err, "");
}

// One server that logged in the old code page and later in UTF-8. Between
// two hits stands an event that matches nothing, because Find Next steps
// over the event it starts from.
void writeMixedDay(const TempFolder& folder)
{
    LogText log("07/06/2001");
    log.at("09:00:00", "Started map \"de_dust\"");
    const char* names[] = {"Ren\xE9", "REN\xC9", "Ren\xC3\xA9", "RE\xC3\x9F", "Stra\xDF" "e", "\xD0\x9F\xD0\x95\xD0\xA2\xD0\xAF",
                           "Ren"};
    int minute = 1;
    for (const char* name : names) {
        char time[16];
        std::snprintf(time, sizeof time, "09:%02d:00", minute);
        log.at(time, said(name, 2, "CT", std::string("hi from ") + name));
        std::snprintf(time, sizeof time, "09:%02d:30", minute++);
        log.at(time, "World triggered \"Round_Start\"");
    }
    folder.write("L0706000.log", log.text());
}

// zelkam-cli grep, a row of find: steps and the model's own find must report
// the same hits for patterns beyond ASCII, on code-page and UTF-8 lines.
TEST(CliMessages, GrepAndFindStepsAgreeWithFind)
{
    ScopedTimeZone zone("UTC");
    TempFolder folder;
    writeMixedDay(folder);
    const struct {
        const char* pattern;
        bool matchCase;
        std::size_t hits;
    } cases[] = {
        {"Ren\xC3\xA9", true, 2},  // as typed in the viewer: UTF-8
        {"Ren\xE9", true, 2},      // as pasted from an old log
        {"ren\xC3\xA9", false, 3}, // folded: René, RENÉ, René
        {"\xC3\x9F", false, 2},     // ß: REß and Straße (ß folds to ss)
        {"ss", false, 2},
        {"\xD0\xBF\xD0\xB5", false, 1}, // Cyrillic, folded
        {"\xEF\xBC\xB2", false, 0},     // fullwidth R: no normalisation
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.pattern);
#ifdef _WIN32
        // A Windows command line is UTF-16 text: a lone code-page byte
        // cannot be passed as an argument there.
        if (std::string_view(c.pattern) == "Ren\xE9")
            continue;
#endif
        // The viewer's Find, pressed until it misses.
        auto state = std::make_unique<ViewerState>();
        ASSERT_TRUE(state->loadFolder(folder.string()));
        std::set<std::int32_t> found;
        std::vector<std::int32_t> clocks;
        while (state->find(SearchKind::Chat, c.pattern, c.matchCase)) {
            found.insert(state->events()[state->cursor() - 1].time);
            clocks.push_back(state->clock());
        }
        EXPECT_EQ(found.size(), c.hits);

        Strings grep = {"grep", folder.string(), c.pattern};
        if (c.matchCase)
            grep.insert(grep.begin() + 2, "--case");
        const CliResult grepped = runCli(grep);
        EXPECT_EQ(grepped.status, c.hits > 0 ? 0 : 1);
        std::set<std::int32_t> grepTimes;
        for (const std::string& line : grepped.lines()) {
            const int hour = std::stoi(line.substr(11, 2));
            const int minute = std::stoi(line.substr(14, 2));
            const int second = std::stoi(line.substr(17, 2));
            grepTimes.insert(static_cast<std::int32_t>(state->dayStart() + hour * 3600 + minute * 60 + second));
        }
        EXPECT_EQ(grepTimes, found);

        Strings replay = {"replay", folder.string(), "06/07/2001"};
        for (std::size_t i = 0; i <= c.hits; ++i)
            replay.push_back(std::string(c.matchCase ? "findcase" : "find") + ":chat:" + c.pattern);
        const CliResult replayed = runCli(replay);
        ASSERT_EQ(replayed.status, 0) << replayed.err;
        std::vector<std::int32_t> stepClocks;
        for (const std::string& line : replayed.lines()) {
            if (line.find("\"result\":true") == std::string::npos || line.find("\"step\":\"load\"") != std::string::npos)
                continue;
            const std::size_t at = line.find("\"clock\":") + 8;
            stepClocks.push_back(std::stoi(line.substr(at)));
        }
        EXPECT_EQ(stepClocks, clocks);
    }
}

} // namespace
} // namespace zelkam
