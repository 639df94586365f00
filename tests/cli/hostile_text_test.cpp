// Names, chat and remote-console texts are written by strangers, including
// anyone on the internet who tries the remote console. Nothing zelkam-cli
// prints may let them act on the admin's terminal.

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <string>
#include <vector>

#include "tests/cli/run_cli.h"
#include "tests/support/log_lines.h"
#include "tests/support/temp_folder.h"

namespace zelkam {
namespace {

using namespace zelkam::test;
using Strings = std::vector<std::string>;

// One of every kind of character that acts rather than shows: escape
// sequences (clear screen, erase a line, window title, hyperlink, clipboard),
// other C0 controls (a carriage return ends a log line, so none is here), DEL, C1 controls as UTF-8 and as code-page bytes, and
// the bidirectional controls.
const std::string Hostile = "\x1b[2J\x1b[1A\x1b[2K\x1b]0;t\x07\x1b]8;;http://x\x1b\\\x1b]52;c;eA==\x07"
                            "\x01\x08\x7f\xc2\x9b\xc2\x85\x9b\xe2\x80\xae\xe2\x81\xa6\xe2\x81\xa9\xe2\x80\x8f\xd8\x9c";

// Whether utf8 holds an ill-formed sequence or an acting character other
// than the line feeds that end lines, and which one.
bool findsActingCharacter(const std::string& utf8, std::string& found)
{
    for (std::size_t i = 0; i < utf8.size();) {
        const auto b = [&](std::size_t k) { return k < utf8.size() ? static_cast<unsigned char>(utf8[k]) : 0u; };
        const unsigned lead = b(i);
        const std::size_t length = lead < 0x80 ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC2 ? 2 : 0;
        if (length == 0) {
            found = "ill-formed byte at " + std::to_string(i);
            return true;
        }
        char32_t code = length == 1 ? lead : lead & (0xFF >> (length + 1));
        for (std::size_t k = 1; k < length; ++k)
            code = (code << 6) | (b(i + k) & 0x3F);
        const bool bidi = (code >= 0x202A && code <= 0x202E) || (code >= 0x2066 && code <= 0x2069) ||
                          code == 0x200E || code == 0x200F || code == 0x061C;
        if ((code < 0x20 && code != '\n') || (code >= 0x7F && code <= 0x9F) || bidi) {
            found = "U+" + std::to_string(static_cast<unsigned>(code)) + " at " + std::to_string(i);
            return true;
        }
        i += length;
    }
    return false;
}

void writeFolder(const TempFolder& folder)
{
    LogText log("07/06/2001");
    log.at("20:00:00", mapStarted("de_dust"));
    log.at("20:00:01", connected("Eve" + Hostile, 2, "10.0.0.2:27005"));
    log.at("20:00:02", entered("Eve" + Hostile, 2));
    log.at("20:00:03", said("Eve" + Hostile, 2, "CT", "hi" + Hostile));
    log.at("20:00:04", saidTeam("Eve" + Hostile, 2, "CT", "team" + Hostile));
    log.at("20:00:05", changedName("Eve" + Hostile, 2, "CT", "Mallory" + Hostile));
    log.at("20:00:06", rconCommand("status" + Hostile, "10.0.0.2:27005"));
    log.at("20:00:07", badRconCommand("kick" + Hostile, "203.0.113.9:27005"));
    log.at("20:00:08", disconnected("Mallory" + Hostile, 2, "CT"));
    log.at("20:10:00", roundStarted());
    folder.write("L0706000.log", log.text());
}

TEST(HostileText, NoOutputOfZelkamCliActsOnATerminal)
{
    TempFolder folder;
    writeFolder(folder);
    const std::string f = folder.string();
    std::vector<Strings> runs = {
        {"chat", f, "06/07/2001"},
        {"events", f, "06/07/2001"},
        {"replay", f, "06/07/2001", "cmd:3", "tick:5", "tick:5", "find:player:eve"},
    };
    for (const char* kind : {"chat", "player", "rconuser", "rconcmd"})
        runs.push_back({"grep", f, "--kind", kind, ""});
    for (const Strings& args : runs) {
        const CliResult result = runCli(args);
        const std::string what = args[0] + " " + args.back();
        EXPECT_EQ(result.status, 0) << what << ": " << result.err;
        EXPECT_FALSE(result.out.empty()) << what;
        std::string found;
        EXPECT_FALSE(findsActingCharacter(result.out, found)) << what << ": " << found;
        EXPECT_FALSE(findsActingCharacter(result.err, found)) << what << ": " << found;
    }
}

TEST(HostileText, JsonStaysValidAndKeepsTheTextExactly)
{
    TempFolder folder;
    writeFolder(folder);
    const CliResult result = runCli({"events", folder.string(), "06/07/2001"});
    ASSERT_EQ(result.status, 0) << result.err;
    bool sawSay = false;
    for (const std::string& line : result.lines()) {
        const auto json = nlohmann::json::parse(line, nullptr, false);
        ASSERT_FALSE(json.is_discarded()) << line;
        if (json["kind"] == 6) {
            sawSay = true;
            // Escaped, not altered: the reader gets the characters back,
            // with the code-page byte 0x9B decoded as the quote it stands for.
            std::string expected = "hi" + Hostile;
            expected.replace(expected.find("\x9b\xe2"), 1, "\xe2\x80\xba");
            EXPECT_EQ(json["text"].get<std::string>(), expected);
        }
    }
    EXPECT_TRUE(sawSay);
}

} // namespace
} // namespace zelkam
