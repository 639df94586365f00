// The lines rankings count, as servers write them: a parser asked for every
// kind makes events of them, and keeps a kill's weapon and a team score's
// side, while what the replay gets stays exactly as it was.

#include <gtest/gtest.h>

#include <string>

#include "parse/log_parser.h"
#include "tests/support/time_zone.h"

namespace zelkam {
namespace {

struct Seen {
    int kind = -1;
    std::string name;
    std::string uniqueId;
    std::int32_t team = -1;
    std::string text;
    std::string detail;
};

Seen parseOne(const std::string& line, bool allKinds)
{
    LogParser parser;
    parser.setAllKinds(allKinds);
    parser.processLine(line);
    Seen seen;
    if (parser.events().size() != 1)
        return seen;
    const LogEvent& event = parser.events()[0];
    seen.kind = event.kind;
    seen.name = event.player.name ? event.player.name : "<null>";
    seen.uniqueId = event.player.uniqueId;
    seen.team = event.player.team;
    seen.text = event.text ? event.text : "<null>";
    if (allKinds && event.kind == Killed) {
        const KillDetail kill = killDetailOf(event);
        seen.detail = std::to_string(kill.killerTeam) + " " + kill.killerUniqueId + " " + kill.weapon;
    } else if (allKinds && event.kind == TeamScore) {
        seen.detail = std::to_string(scoringTeamOf(event));
    }
    return seen;
}

TEST(RankingLines, RealLinesMakeTheirKindsOnlyWhenEveryKindIsAsked)
{
    test::ScopedTimeZone tz("UTC");
    const struct {
        const char* name;
        const char* line;
        int kind;        // with every kind
        int replayKind;  // for the replay (-1: no event)
        const char* player;
        const char* detail;
    } cases[] = {
        {"bomb planted by a bot", R"(L 08/05/2013 - 20:51:58: "Marylin_Monroe<5><BOT><TERRORIST>" triggered "Planted_The_Bomb")",
         BombPlanted, -1, "Marylin_Monroe", ""},
        {"bomb defused", R"(L 08/05/2013 - 21:29:54: "Will_Smith<26><BOT><CT>" triggered "Defused_The_Bomb")",
         BombDefused, -1, "Will_Smith", ""},
        {"hostage rescued", R"(L 11/17/2012 - 14:30:02: "Admin<2><STEAM_ID_LAN><CT>" triggered "Rescued_A_Hostage")",
         HostageRescued, -1, "Admin", ""},
        {"other triggers stay unknown", R"(L 08/05/2013 - 21:29:49: "Will_Smith<26><BOT><CT>" triggered "Begin_Bomb_Defuse_With_Kit")",
         -1, -1, "", ""},
        {"dropping the bomb is no plant", R"(L 01/27/2013 - 00:20:11: "LiKeee<44><STEAM_0:0:1904474522><TERRORIST>" triggered "Dropped_The_Bomb")",
         -1, -1, "", ""},
        {"kill keeps killer and weapon", R"(L 01/01/2020 - 19:14:26: "NE MI SE PRAVI NA PRO<282><STEAM_2:1:1478724606><TERRORIST>" killed "Mr.Knife<274><STEAM_1:1:1973042010><CT>" with "grenade")",
         Killed, Killed, "Mr.Knife", "0 STEAM_2:1:1478724606 grenade"},
        {"kill on a LAN", R"(L 11/17/2012 - 14:24:07: "Re'Vi/a/ReFLaY.Ka<4><STEAM_0:1:55031644><CT>" killed "Admin<2><STEAM_ID_LAN><TERRORIST>" with "usp")",
         Killed, Killed, "Admin", "1 STEAM_0:1:55031644 usp"},
        {"kill by a bot", R"(L 08/05/2013 - 20:50:50: "Fuzzy Logic<7><BOT><TERRORIST>" killed "Chris_Rock<1><BOT><CT>" with "deagle")",
         Killed, Killed, "Chris_Rock", "0 BOT deagle"},
        {"kill without a weapon", R"(L 08/05/2013 - 20:50:50: "A<7><BOT><CT>" killed "B<1><BOT><CT>")", Killed, Killed,
         "B", "1 BOT "},
        {"round won by the CTs", R"(L 11/17/2012 - 14:22:18: Team "CT" triggered "CTs_Win" (CT "1") (T "0"))",
         TeamScore, TeamScore, "world", "1"},
        {"target bombed", R"(L 08/05/2013 - 20:52:43: Team "TERRORIST" triggered "Target_Bombed" (CT "0") (T "1"))",
         TeamScore, TeamScore, "world", "0"},
        {"a player's chat holding a trigger", R"(L 08/05/2013 - 20:52:44: "Bob<3><STEAM_0:1:5><CT>" say "triggered "Planted_The_Bomb"")",
         Say, Say, "Bob", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const Seen all = parseOne(c.line, true);
        const Seen replay = parseOne(c.line, false);
        EXPECT_EQ(all.kind, c.kind);
        EXPECT_EQ(replay.kind, c.replayKind);
        if (c.kind >= 0) {
            EXPECT_EQ(all.name, c.player);
            EXPECT_EQ(all.detail, c.detail);
        }
        if (c.replayKind >= 0) {
            // The replay's event is the same with or without the detail.
            EXPECT_EQ(replay.name, all.name);
            EXPECT_EQ(replay.uniqueId, all.uniqueId);
            EXPECT_EQ(replay.team, all.team);
            EXPECT_EQ(replay.text, all.text);
        }
    }
}

} // namespace
} // namespace zelkam
