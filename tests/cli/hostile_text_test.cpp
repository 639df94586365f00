// Names, chat and remote-console texts are written by strangers, including
// anyone on the internet who tries the remote console. Nothing zelkam-cli
// prints may let them act on the admin's terminal.

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#ifndef _WIN32
#include <signal.h>

#include "tests/cli/cli_process.h"
#endif
#include "ingest/open_file.h"
#include "tests/cli/run_cli.h"
#include "tests/support/log_lines.h"
#include "tests/support/temp_folder.h"

namespace zelkam {
namespace {

using namespace zelkam::test;
using Strings = std::vector<std::string>;

// One of every kind of character that acts rather than shows: escape
// sequences (clear screen, erase a line, window title, hyperlink, clipboard),
// other C0 controls (a carriage return ends a log line, so none is here), DEL,
// C1 controls as UTF-8 and as code-page bytes, the bidirectional controls,
// and the characters that show nothing or break a line: the line and
// paragraph separators, zero-width characters, the word joiner, the byte
// order mark, a tag character, an interlinear annotation character, a
// deprecated format character and the soft hyphen.
const std::string Hostile = "\x1b[2J\x1b[1A\x1b[2K\x1b]0;t\x07\x1b]8;;http://x\x1b\\\x1b]52;c;eA==\x07"
                            "\x01\x08\x7f\xc2\x9b\xc2\x85\x9b\xe2\x80\xae\xe2\x81\xa6\xe2\x81\xa9\xe2\x80\x8f\xd8\x9c"
                            "\xe2\x80\xa8\xe2\x80\xa9\xe2\x80\x8b\xe2\x80\x8c\xe2\x80\x8d\xe2\x81\xa0\xef\xbb\xbf"
                            "\xf3\xa0\x81\x81\xef\xbf\xb9\xe2\x81\xaa\xc2\xad";

// The default-ignorable characters that are no format characters, which a
// font draws as nothing too: unassigned U+2065 and U+E0080, the Hangul
// fillers, a Khmer inherent vowel, a variation selector.
const std::string Ignorable = "\xe2\x81\xa5\xf3\xa0\x82\x80\xe3\x85\xa4\xef\xbe\xa0\xe1\x85\x9f\xe1\x85\xa0"
                              "\xe1\x9e\xb4\xef\xb8\x8f";

// Names made only of characters that show nothing.
const std::string Invisible = "\xe2\x80\x8b\xe2\x80\x8b";
const std::string Fillers = "\xe3\x85\xa4\xef\xbe\xa0";

// The characters that act or show nothing, written out here rather than
// taken from the code under test: controls, the format characters of the
// scripts a name may use, the separators, the tag block and the other
// default-ignorable code points.
bool actsOrHides(char32_t code)
{
    return code < 0x20 || (code >= 0x7F && code <= 0x9F) || code == 0xAD || code == 0x34F ||
           (code >= 0x600 && code <= 0x605) || code == 0x61C || code == 0x6DD || code == 0x70F ||
           (code >= 0x115F && code <= 0x1160) || (code >= 0x17B4 && code <= 0x17B5) ||
           (code >= 0x180B && code <= 0x180F) || (code >= 0x200B && code <= 0x200F) ||
           (code >= 0x2028 && code <= 0x202E) || (code >= 0x2060 && code <= 0x206F) || code == 0x3164 ||
           (code >= 0xFE00 && code <= 0xFE0F) || code == 0xFEFF || code == 0xFFA0 || (code >= 0xFFF0 && code <= 0xFFFB) ||
           (code >= 0xE0000 && code <= 0xE0FFF);
}

// Whether utf8 holds an ill-formed sequence or an acting character other
// than the line feeds that end lines (and, where allowed, the carriage
// returns before them that end CSV rows), and which one.
bool findsActingCharacter(const std::string& utf8, std::string& found, bool crlf = false)
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
        const bool lineEnd = code == '\n' || (crlf && code == '\r' && b(i + 1) == '\n');
        if (!lineEnd && actsOrHides(code)) {
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
    log.at("20:00:00", mapStarted("de_" + Hostile));
    log.at("20:00:01", connected("Eve" + Hostile, 2, "10.0.0.2:27005"));
    log.at("20:00:02", entered("Eve" + Hostile, 2));
    log.at("20:00:03", said("Eve" + Hostile, 2, "CT", "hi" + Hostile));
    log.at("20:00:04", saidTeam("Eve" + Hostile, 2, "CT", "team" + Hostile));
    log.at("20:00:04", killed("Eve" + Hostile, 2, "CT", "Bob" + Hostile, 4, "TERRORIST"));
    log.at("20:00:05", changedName("Eve" + Hostile, 2, "CT", "Mallory" + Hostile));
    log.at("20:00:06", rconCommand("status" + Hostile, "10.0.0.2:27005"));
    log.at("20:00:07", badRconCommand("kick" + Hostile, "203.0.113.9:27005"));
    log.at("20:00:08", disconnected("Mallory" + Hostile, 2, "CT"));
    log.at("20:00:09", connected(Invisible, 3, "10.0.0.3:27005"));
    log.at("20:00:10", said(Invisible, 3, "CT", "boo"));
    log.at("20:00:11", connected("Admin" + Ignorable, 5, "10.0.0.5:27005"));
    log.at("20:00:12", said("Admin" + Ignorable, 5, "CT", "ho" + Ignorable));
    log.at("20:00:13", changedName("Admin" + Ignorable, 5, "CT", Fillers));
    log.at("20:00:14", said(Fillers, 5, "CT", "boo"));
    log.at("20:10:00", roundStarted());
    folder.write("L0706000.log", log.text());
}

// Every command that prints, each kind of output: text, JSON and CSV.
TEST(HostileText, NoOutputOfZelkamCliActsOnATerminal)
{
    TempFolder folder;
    writeFolder(folder);
    const std::string f = folder.string();
    std::vector<Strings> runs = {
        {"days", f},
        {"chat", f, "06/07/2001"},
        {"events", f, "06/07/2001"},
        {"replay", f, "06/07/2001", "cmd:3", "tick:5", "tick:5", "find:player:eve"},
        {"player", f, "--name", "eve"},
        {"player", f, "--name", ""},
        {"player", f, "--id", "100002"},
        {"overview", f, "06/07/2001"},
        {"overview", f, "06/07/2001", "--csv"},
        {"stats", f},
        {"stats", f, "--by", "map", "--csv"},
    };
    for (const char* kind : {"chat", "player", "rconuser", "rconcmd"})
        runs.push_back({"grep", f, "--kind", kind, ""});
    for (const Strings& args : runs) {
        const CliResult result = runCli(args);
        std::string what;
        for (const std::string& arg : args)
            what += (arg == f ? std::string("FOLDER") : arg) + " ";
        EXPECT_EQ(result.status, 0) << what << ": " << result.err;
        EXPECT_FALSE(result.out.empty()) << what;
        std::string found;
        const bool csv = args.back() == "--csv";
        EXPECT_FALSE(findsActingCharacter(result.out, found, csv)) << what << ": " << found;
        EXPECT_FALSE(findsActingCharacter(result.err, found)) << what << ": " << found;
        if (args[0] == "events" || args[0] == "replay" || args[0] == "player" ||
            ((args[0] == "overview" || args[0] == "stats") && !csv)) {
            for (const std::string& line : result.lines())
                EXPECT_FALSE(nlohmann::json::parse(line, nullptr, false).is_discarded()) << what << ": " << line;
        }
    }
}

// A folder's name is the user's, but it may come from anywhere (a script, an
// archive unpacked): no message repeats it raw, whichever command tells.
TEST(HostileText, MessagesShowAFolderNameSafely)
{
    TempFolder base;
    const std::string name = "x\x1b]0;t\x07\xe2\x80\xae\xe2\x80\xa8";
#ifdef _WIN32
    // Windows takes no control character in a file name; the folder that is
    // not there still carries them into every message.
    const std::string made = "x\xe2\x80\xae\xe2\x80\xa8";
#else
    const std::string made = name;
#endif
    std::filesystem::create_directory(base.path() / pathFromUtf8(made));
    for (const std::string& folder : {base.string() + "/" + made, base.string() + "/gone" + name}) {
        std::vector<Strings> runs = {
            {"days", folder},
            {"events", folder, "06/07/2001"},
            {"chat", folder, "06/07/2001"},
            {"replay", folder, "06/07/2001"},
            {"overview", folder, "06/07/2001"},
            {"overview", folder, "06/07/2001", "--csv"},
            {"player", folder, "--name", "x"},
            {"grep", folder, "x"},
            {"stats", folder},
        };
        // follow waits for the first log of a folder that has none yet.
        if (folder.find("gone") != std::string::npos)
            runs.push_back({"follow", folder});
        for (const Strings& args : runs) {
            const CliResult result = runCli(args);
            EXPECT_EQ(result.status, 1) << args[0];
            EXPECT_FALSE(result.err.empty()) << args[0];
            std::string found;
            EXPECT_FALSE(findsActingCharacter(result.err, found)) << args[0] << ": " << found << ": " << result.err;
        }
    }
}

#ifndef _WIN32
TEST(HostileText, FollowActsOnNoTerminal)
{
    TempFolder folder;
    writeFolder(folder);
    for (const char* kind : {"chat", "events"}) {
        CliProcess follow({"follow", folder.string(), "--kind", kind});
        std::string out;
        while (const std::optional<std::string> line = follow.readLine(std::chrono::milliseconds(700)))
            out += *line + '\n';
        EXPECT_EQ(follow.stop(SIGINT), 0) << kind;
        EXPECT_FALSE(out.empty()) << kind;
        std::string found;
        EXPECT_FALSE(findsActingCharacter(out, found)) << kind << ": " << found;
        EXPECT_FALSE(findsActingCharacter(follow.errors(), found)) << kind << ": " << found;
    }
}
#endif

// What a name made only of invisible characters looks like, and the
// spreadsheet guard on every map of a minute.
TEST(HostileText, InvisibleNamesShowAndMapCellsAreGuarded)
{
    TempFolder folder;
    writeFolder(folder);
    folder.write("L0707000.log", LogText("07/07/2001")
                                     .at("10:00:00", mapStarted("first"))
                                     .at("10:00:01", mapStarted("=2+2"))
                                     .at("10:00:02", mapStarted(" @x"))
                                     .text());
    const CliResult chat = runCli({"chat", folder.string(), "06/07/2001"});
    EXPECT_NE(chat.out.find("20:00:10 \\u{200B}\\u{200B} : boo"), std::string::npos) << chat.out;
    EXPECT_NE(chat.out.find("20:00:14 \\u{3164}\\u{FFA0} : boo"), std::string::npos) << chat.out;
    const CliResult grep = runCli({"grep", folder.string(), "--kind", "player", "\xe2\x80\x8b"});
    EXPECT_NE(grep.out.find(" \\u{200B}\\u{200B}"), std::string::npos) << grep.out;
    const CliResult csv = runCli({"overview", folder.string(), "07/07/2001", "--csv"});
    ASSERT_EQ(csv.status, 0) << csv.err;
    ASSERT_GT(csv.lines().size(), 601u);
    const std::string row = csv.lines()[601];
    const std::string maps = ",first;'=2+2;' @x\r";
    EXPECT_EQ(row.substr(row.size() - std::min(row.size(), maps.size())), maps) << row;
}

TEST(HostileText, JsonStaysValidAndKeepsTheTextExactly)
{
    TempFolder folder;
    writeFolder(folder);
    const CliResult result = runCli({"events", folder.string(), "06/07/2001"});
    ASSERT_EQ(result.status, 0) << result.err;
    bool sawSay = false;
    bool sawIgnorable = false;
    for (const std::string& line : result.lines()) {
        const auto json = nlohmann::json::parse(line, nullptr, false);
        ASSERT_FALSE(json.is_discarded()) << line;
        if (json["kind"] == 6 && json["text"].get<std::string>().rfind("hi", 0) == 0) {
            sawSay = true;
            // Escaped, not altered: the reader gets the characters back,
            // with the code-page byte 0x9B decoded as the quote it stands for.
            std::string expected = "hi" + Hostile;
            expected.replace(expected.find("\x9b\xe2"), 1, "\xe2\x80\xba");
            EXPECT_EQ(json["text"].get<std::string>(), expected);
        }
        if (json["kind"] == 6 && json["text"].get<std::string>().rfind("ho", 0) == 0) {
            sawIgnorable = true;
            EXPECT_EQ(json["text"].get<std::string>(), "ho" + Ignorable);
        }
    }
    EXPECT_TRUE(sawSay);
    EXPECT_TRUE(sawIgnorable);
}

} // namespace
} // namespace zelkam
