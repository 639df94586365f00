// A remote-console line carries the server's password, or a guess at it:
// "rcon <challenge> <password> <command>". Only the command may ever be
// shown, searched or printed.

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <memory>
#include <string>
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

// Every password below is made of words starting with "pw", and nothing
// else in the folder holds those letters in any case, so finding them
// anywhere in an output is a leak.
constexpr const char* Marker = "pw";

bool leaks(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
    return text.find(Marker) != std::string::npos;
}

// Remote-console texts as clients send them, with passwords quoted (with and
// without spaces, holding quotes), bare, and with quotes that do not balance,
// with and without a command, and cut by the 255-character line limit.
//
// Words are split as the server splits them: doubled blanks, tabs and a
// leading blank change nothing, and commands that set a password show "***"
// for it. Left out on purpose: a bare password with a space in it ("rcon 1
// pw1 pw2 status"), which the server itself reads as a one-word password
// followed by the command "pw2 status".
const char* const rconTexts[] = {
    R"(rcon 11 "pwA" status)",
    R"(rcon 12 "pwB1 pwB2" status)",
    R"(rcon 13 "pwC1 pwC2 pwC3" kick "Bob")",
    R"(rcon 14 "pwD")",
    R"(rcon 15 "pwE1 pwE2")",
    R"(rcon 16 "pwF1 pwF2)",
    R"(rcon 17 "pwG1 pwG2" say "hi)",
    R"(rcon 18 "pwH1"pwH2" status)",
    R"(rcon 19 "pwI1 pwI2 status)",
    R"(rcon 20 "pwJ"status)",
    R"(rcon 21 "pwK1  pwK2"  changelevel de_dust)",
    R"(rcon 22 "pwL1 "pwL2" status)",
    R"(rcon 23 "pwM1 pwM2" "map" de_dust)",
    "rcon 31 pwN status",
    R"(rcon 32 pwO kick "Bob")",
    "rcon 33 pwP",
    "rcon 34 pwQ ",
    R"(rcon 35 pwR" status)",
    R"(rcon 36 pw"S status)",
    R"(rcon 37 pwT "status")",
    "rcon 38 pwU  status",
    "rcon 51  pwW status",
    " rcon 52 pwX status",
    "rcon\t53\tpwY\tstatus",
    "rcon 54 pwZ rcon_password pwNEW",
    "rcon 55 pwA sv_password pwJOIN",
    R"(rcon 56 pwB "sv_password" "pwJ1 pwJ2")",
    "rcon 57 pwC status;RCON_PASSWORD pwN2; say hi",
    "rcon 58 \"pwD1 pwD2\" sv_password\tpwJ3",
    // Every byte from 0x01 to 0x20 separates words, and a password setting
    // counts wherever it stands as a word of a command.
    "rcon\x0b" "59\x0bpwE\x0bstatus",
    "rcon 60 pwF sv_logsecret pwL36",
    "rcon 61 pwG rcon_password\x0bpwN22",
    "rcon 62 pwH rcon_password\x0cpwN23",
    "rcon 63 pwI \x01rcon_password pwN19",
    "rcon 64 pwJ amx_cvar rcon_password pwN40",
    R"(rcon 65 pwK alias a "rcon_password pwN17")",
    // Around a setting's name and its value, bytes above 0x7F separate
    // words too, as code page and as UTF-8.
    "rcon 66 pwL \xa0rcon_password\xa0pwN12",
    "rcon 67 pwM rcon_password\x85pwN33",
    "rcon 68 pwN sv_password\xc2\xa0pwN34",
};

// A line longer than 255 characters is cut there; the cut may fall inside a
// password.
std::string longText(bool quoted)
{
    std::string password;
    for (int i = 0; password.size() < 300; ++i)
        password += (quoted && i > 0 ? " pwV" : "pwV") + std::to_string(i);
    return "rcon 41 " + (quoted ? "\"" + password + "\"" : password) + " status";
}

void writeFolder(const TempFolder& folder)
{
    LogText log("07/06/2001");
    log.at("20:00:00", mapStarted("de_dust"));
    log.at("20:00:01", connected("Bob", 1, "10.0.0.1:27005"));
    log.at("20:00:02", entered("Bob", 1));
    Strings texts(std::begin(rconTexts), std::end(rconTexts));
    texts.push_back(longText(true));
    texts.push_back(longText(false));
    int second = 10;
    char time[32];
    for (const std::string& text : texts) {
        for (const char* keyword : {"Rcon: ", "Bad Rcon: "}) {
            std::snprintf(time, sizeof time, "20:%02d:%02d", second / 60, second % 60);
            log.at(time, keyword + ("\"" + text + "\"") + " from \"10.0.0.1:27005\"");
            second += 20;
        }
    }
    // An admin who types the console command into chat or the name box.
    log.at("20:59:00", said("Bob", 1, "CT", "rcon_password pwCHAT01"));
    log.at("20:59:01", saidTeam("Bob", 1, "CT", "sv_password pwCHAT02"));
    log.at("20:59:02", said("Bob", 1, "CT", "sv_logsecret\x85pwCHAT03"));
    log.at("20:59:03", changedName("Bob", 1, "CT", "rcon_password pwNAME01"));
    log.at("20:59:04", said("rcon_password pwNAME01", 1, "CT", "oops"));
    log.at("20:59:05", changedName("rcon_password pwNAME01", 1, "CT", "Bob"));
    log.at("21:00:00", said("Bob", 1, "CT", "bye"));
    log.at("21:10:00", roundStarted());
    folder.write("L0706000.log", log.text());
}

Strings chatTexts(const ViewerState& state)
{
    Strings texts;
    for (const ChatLine& line : state.viewChatLines())
        texts.emplace_back(line.text);
    return texts;
}

void expectNoLeak(const ViewerState& state, const std::string& when)
{
    for (const std::string& text : chatTexts(state))
        EXPECT_FALSE(leaks(text)) << when << ": " << text;
}

TEST(RconPassword, NeverReachesAChatLineOrASearch)
{
    ScopedTimeZone zone("UTC");
    TempFolder folder;
    writeFolder(folder);
    auto state = std::make_unique<ViewerState>();
    ASSERT_TRUE(state->loadFolder(folder.string()));

    // Every line is shown when played a second at a time.
    int commands = 0;
    state->command(PlaybackCommand::Play);
    for (int i = 0; i < 4000 && state->tick(); ++i) {
        expectNoLeak(*state, "playing");
        for (const ChatLine& line : state->viewChatLines())
            commands += line.time == state->clock() - 1 && line.text[0] == '<';
    }
    EXPECT_EQ(commands, 2 * (std::size(rconTexts) + 2)) << "every remote-console line was shown";

    // What RScan and Find show, and whether a password can be found.
    state->seekMinute(0);
    int hits = 0;
    while (state->find(SearchKind::RconCmd, "", false)) {
        ++hits;
        expectNoLeak(*state, "after RScan");
    }
    EXPECT_EQ(hits, static_cast<int>(std::size(rconTexts)) + 2);
    for (int kind = 0; kind < 4; ++kind) {
        for (bool matchCase : {false, true}) {
            for (const char* pattern : {"pw", "PW", "pwB2", "pwV3"}) {
                state->seekMinute(0);
                EXPECT_FALSE(state->find(static_cast<SearchKind>(kind), pattern, matchCase))
                    << "kind " << kind << " " << pattern;
                expectNoLeak(*state, "after a failed search");
            }
        }
    }
}

TEST(RconPassword, NeverReachesAnOutputOfZelkamCli)
{
    TempFolder folder;
    writeFolder(folder);
    const std::string f = folder.string();
    std::vector<Strings> runs = {
        {"events", f, "06/07/2001"},
        {"chat", f, "06/07/2001"},
        {"replay", f, "06/07/2001", "cmd:3", "tick:100", "minute:1200", "tick:200", "find:rconcmd:",
         "find:rconcmd:", "findcase:rconcmd:", "find:rconuser:bob", "find:rconcmd:pw", "find:chat:pw",
         "findcase:player:pw", "find:rconuser:pw", "seek:20:05:00", "cmd:5", "tick:30"},
    };
    for (const char* kind : {"chat", "player", "rconuser", "rconcmd"}) {
        runs.push_back({"grep", f, "--kind", kind, ""});
        runs.push_back({"grep", f, "--kind", kind, "pw"});
        runs.push_back({"grep", f, "--kind", kind, "--case", "pw"});
    }
    for (const Strings& args : runs) {
        const CliResult result = runCli(args);
        const std::string what = args[0] + " " + args[args.size() - 2] + " " + args.back();
        // A grep without a hit has nothing to show.
        const bool noHit = args[0] == "grep" && args.back() == "pw";
        EXPECT_EQ(result.status, noHit ? 1 : 0) << what << ": " << result.err;
        EXPECT_EQ(result.out.empty(), noHit) << what;
        for (std::string line : result.lines()) {
            // A replay line echoes its step, which may search for a password.
            if (line.rfind("{\"step\":", 0) == 0)
                line.erase(0, line.find("\"result\":"));
            EXPECT_FALSE(leaks(line)) << what << ": " << line;
        }
        EXPECT_FALSE(leaks(result.err)) << what;
    }
}

} // namespace
} // namespace zelkam
