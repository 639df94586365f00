// Each kind of rule on a folder that grows as a server writes it.

#include <gtest/gtest.h>

#include <fstream>

#include "tests/support/log_lines.h"
#include "tests/support/temp_folder.h"
#include "tests/support/time_zone.h"
#include "watch/server_watch.h"

namespace zelkam::watch {
namespace {

using namespace zelkam::test;

constexpr const char* Date = "07/05/2001";

void append(const TempFolder& folder, const std::string& bytes)
{
    std::ofstream out(folder.path() / "L0705000.log", std::ios::binary | std::ios::app);
    out << bytes;
}

Rules rulesOf(const std::string& rule)
{
    Rules rules;
    std::string error;
    EXPECT_TRUE(parseRules("{\"actions\": {\"s\": {\"print\": true}}, \"rules\": [" + rule + "]}", rules, error)) << error;
    return rules;
}

std::vector<std::string> linesOf(const std::vector<Hit>& hits)
{
    std::vector<std::string> lines;
    for (const Hit& hit : hits)
        lines.push_back(hit.item.line);
    return lines;
}

TEST(ServerWatch, EachKindOfRuleFindsWhatItNamesInNewLinesOnly)
{
    ScopedTimeZone zone("UTC");
    struct Case {
        const char* name;
        std::string rule;
        std::vector<std::string> lines;
        std::vector<std::string> expected;
    };
    const std::vector<Case> cases = {
        {"chat words as Find finds them, letter case and scripts folded",
         R"({"name": "r", "kind": "chat", "words": ["hack", "straße"], "to": ["s"]})",
         {said("Bob", 2, "CT", "he HACKS"), said("Bob", 2, "CT", "nothing"), saidTeam("Ann", 3, "TERRORIST", "STRASSE"),
          said("Bob", 2, "CT", "no h-a-c-k")},
         {"*DEAD*Bob : he HACKS", "*DEAD*(Terrorist) Ann : STRASSE"}},
        {"team chat only", R"({"name": "r", "kind": "chat", "words": ["go"], "chat": "team", "to": ["s"]})",
         {said("Bob", 2, "CT", "go"), saidTeam("Bob", 2, "CT", "go go")},
         {"*DEAD*(CT) Bob : go go"}},
        {"every rcon command, its password never shown", R"({"name": "r", "kind": "rcon", "to": ["s"]})",
         {rconCommand("kick Ann", "10.0.0.1:27005"), rconCommand("rcon_password hunter2", "10.0.0.1:27005")},
         {"rcon kick Ann (from 10.0.0.x)", "rcon rcon_password *** (from 10.0.0.x)"}},
        {"rcon commands holding a word", R"({"name": "r", "kind": "rcon", "words": ["BAN"], "to": ["s"]})",
         {rconCommand("kick Ann", "10.0.0.1:27005"), rconCommand("banid 5 Ann", "10.0.0.1:27005")},
         {"rcon banid 5 Ann (from 10.0.0.x)"}},
        {"failed rcon: three from one address, not from three",
         R"({"name": "r", "kind": "failedRcon", "count": 3, "minutes": 5, "to": ["s"]})",
         {badRconCommand("status", "10.0.0.1:1"), badRconCommand("status", "10.0.2.1:1"),
          badRconCommand("status", "10.0.0.1:1"), badRconCommand("status", "10.0.3.1:1"),
          badRconCommand("status", "10.0.0.1:1")},
         {"3 failed rcon attempts within 5 minutes from 10.0.0.x"}},
        {"failed rcon: one address counted whatever its port",
         R"({"name": "r", "kind": "failedRcon", "count": 3, "minutes": 5, "to": ["s"]})",
         {badRconCommand("status", "10.0.0.1:50001"), badRconCommand("status", "10.0.0.1:50002"),
          badRconCommand("status", "10.0.0.1:50003")},
         {"3 failed rcon attempts within 5 minutes from 10.0.0.x"}},
        {"failed rcon: hosts of one network are not one address",
         R"({"name": "r", "kind": "failedRcon", "count": 3, "minutes": 5, "to": ["s"]})",
         {badRconCommand("status", "10.0.0.1:1"), badRconCommand("status", "10.0.0.2:1"),
          badRconCommand("status", "10.0.0.3:1"), badRconCommand("status", "10.0.0.2:1")},
         {}},
        {"a listed player by id or by name", R"({"name": "r", "kind": "join", "ids": ["100005"], "words": ["CHEAT"], "to": ["s"]})",
         {entered("Ann", 5), entered("Bob", 6), entered("xXcheatXx", 7)},
         {"Ann (100005) entered the game", "xXcheatXx (100007) entered the game"}},
        {"a listed account in either universe's spelling",
         R"({"name": "r", "kind": "join", "ids": ["STEAM_0:1:42"], "to": ["s"]})",
         {"\"Al<8><STEAM_1:1:42><>\" entered the game", "\"Bo<9><STEAM_1:0:42><>\" entered the game"},
         {"Al (STEAM_1:1:42) entered the game"}},
        {"a map change", R"({"name": "r", "kind": "map", "to": ["s"]})", {mapStarted("de_aztec")}, {"map de_aztec"}},
        {"the player count crossing a number both ways", R"({"name": "r", "kind": "players", "atLeast": 2, "to": ["s"]})",
         {entered("Ann", 5), entered("Ann", 5), disconnected("Ann", 5)},
         {"players: 2, at least 2", "players: 1, fewer than 2"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempFolder folder;
        // What the folder holds at the first look is the past.
        append(folder, LogText(Date).at("10:00:00", mapStarted("de_dust")).at("10:00:01", said("Bob", 2, "CT", "hack")).text());
        const Rules rules = rulesOf(c.rule);
        ServerWatch watch("main", folder.string(), rules, {}, std::nullopt, 0);
        std::vector<Hit> hits;
        ASSERT_EQ(watch.look(0, hits), LiveTranscript::Look::Taken);
        EXPECT_TRUE(hits.empty());
        std::string written;
        for (std::size_t i = 0; i < c.lines.size(); ++i)
            written += lineAt(Date, "10:01:0" + std::to_string(i), c.lines[i]);
        // Half a line is left until it is whole.
        append(folder, written.substr(0, written.size() - 3));
        watch.look(1, hits);
        append(folder, written.substr(written.size() - 3));
        watch.look(2, hits);
        EXPECT_EQ(linesOf(hits), c.expected);
    }
}

TEST(ServerWatch, ARuleNamingOtherServersSeesNothingHere)
{
    ScopedTimeZone zone("UTC");
    TempFolder folder;
    append(folder, LogText(Date).at("10:00:00", mapStarted("de_dust")).text());
    const Rules rules = rulesOf(R"({"name": "r", "kind": "map", "servers": ["other"], "to": ["s"]})");
    ServerWatch watch("main", folder.string(), rules, {}, std::nullopt, 0);
    std::vector<Hit> hits;
    watch.look(0, hits);
    append(folder, lineAt(Date, "10:05:00", mapStarted("de_aztec")));
    watch.look(1, hits);
    EXPECT_TRUE(hits.empty());
}

// Silence is told once when it begins and once when the server speaks
// again, by the watcher's clock; the memory carries it over a restart.
TEST(ServerWatch, TellsASilentServerOnceAndWhenItIsBack)
{
    ScopedTimeZone zone("UTC");
    TempFolder folder;
    append(folder, LogText(Date).at("10:00:00", mapStarted("de_dust")).text());
    const Rules rules = rulesOf(R"({"name": "quiet", "kind": "silent", "minutes": 2, "to": ["s"]})");
    std::vector<Hit> hits;
    ServerMemory memory;
    {
        ServerWatch watch("main", folder.string(), rules, {}, std::nullopt, 0);
        watch.look(1000, hits);
        watch.look(1119, hits);
        EXPECT_TRUE(hits.empty());
        watch.look(1120, hits);
        watch.look(1500, hits);
        EXPECT_EQ(linesOf(hits), std::vector<std::string>{"no line for 2 minutes"});
        memory = watch.memory();
    }
    hits.clear();
    ServerWatch again("main", folder.string(), rules, memory, std::nullopt, 0);
    again.look(2000, hits);
    EXPECT_TRUE(hits.empty()) << "still silent: nothing new to tell";
    append(folder, lineAt(Date, "10:30:00", said("Bob", 2, "CT", "back")));
    again.look(2001, hits);
    EXPECT_EQ(linesOf(hits), std::vector<std::string>{"the server writes its log again"});
}

// A restart goes on after the last event taken: nothing told twice,
// nothing that came while it was down missed.
TEST(ServerWatch, ResumesAfterItsMark)
{
    ScopedTimeZone zone("UTC");
    TempFolder folder;
    append(folder, LogText(Date).at("10:00:00", mapStarted("de_dust")).text());
    const Rules rules = rulesOf(R"({"name": "r", "kind": "chat", "words": ["x"], "to": ["s"]})");
    std::vector<Hit> hits;
    ServerMemory memory;
    {
        ServerWatch watch("main", folder.string(), rules, {}, std::nullopt, 0);
        watch.look(0, hits);
        append(folder, LogText(Date).at("10:00:01", said("Bob", 2, "CT", "x1")).at("10:00:01", said("Bob", 2, "CT", "x2")).text());
        watch.look(1, hits);
        memory = watch.memory();
    }
    append(folder, LogText(Date).at("10:00:01", said("Bob", 2, "CT", "x3")).at("10:00:02", said("Bob", 2, "CT", "x4")).text());
    ServerWatch again("main", folder.string(), rules, memory, std::nullopt, 0);
    again.look(2, hits);
    EXPECT_EQ(linesOf(hits), (std::vector<std::string>{"*DEAD*Bob : x1", "*DEAD*Bob : x2", "*DEAD*Bob : x3", "*DEAD*Bob : x4"}));
}

TEST(ServerWatch, PseudonymisedAddressesAreStableAndHideTheAddress)
{
    const std::string a = addressText(0x0A0000, AddressForm::Pseudonymised, 42);
    EXPECT_EQ(a, addressText(0x0A0000, AddressForm::Pseudonymised, 42));
    EXPECT_NE(a, addressText(0x0A0001, AddressForm::Pseudonymised, 42));
    EXPECT_NE(a, addressText(0x0A0000, AddressForm::Pseudonymised, 43));
    EXPECT_EQ(a.find("10.0"), std::string::npos);
    EXPECT_EQ(addressText(0x0A0000, AddressForm::Shown, 42), "10.0.0.x");
}

} // namespace
} // namespace zelkam::watch
