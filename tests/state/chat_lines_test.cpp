#include "state/chat_lines.h"

#include <gtest/gtest.h>

#include <string>

#include "state/live_state.h"

namespace zelkam {
namespace {

PlayerEntry speaker(const char* name, std::int32_t team, std::int32_t lifeState)
{
    PlayerEntry entry;
    entry.name = name;
    entry.team = team;
    entry.lifeState = lifeState;
    return entry;
}

std::string newestText(const LiveState& state) { return state.chatLines[state.chatLines.size() - 1].text; }

TEST(ChatLines, ComposesEachKind)
{
    struct Case {
        const char* what;
        PlayerEntry entry;
        std::int32_t kind;
        const char* text;
        const char* line;
        std::int32_t style;
    };
    const Case cases[] = {
        {"left game", speaker("Bob", Team::CounterTerrorist, LifeState::Alive), LeftGameLine, nullptr,
         "* Bob has left the game", LineStyle::Neutral},
        {"dead player leaving gets no dead mark", speaker("Bob", Team::Terrorist, LifeState::Dead), LeftGameLine,
         nullptr, "* Bob has left the game", LineStyle::Neutral},
        {"say of a living player starts with the name", speaker("Bob", Team::Terrorist, LifeState::Alive), SayLine,
         "hi", "Bob : hi", LineStyle::Terrorist},
        {"say of a dead player", speaker("Bob", Team::CounterTerrorist, LifeState::Dead), SayLine, "hi",
         "*DEAD*Bob : hi", LineStyle::CounterTerrorist},
        {"say while unknown is not dead", speaker("Bob", Team::CounterTerrorist, LifeState::Unknown), SayLine, "hi",
         "Bob : hi", LineStyle::CounterTerrorist},
        {"dead team message of a counter-terrorist", speaker("Bob", Team::CounterTerrorist, LifeState::Dead),
         SayTeamLine, "hi", "*DEAD*(CT) Bob : hi", LineStyle::CounterTerrorist},
        {"team message of a terrorist", speaker("Ann", Team::Terrorist, LifeState::Alive), SayTeamLine, "go",
         "(Terrorist) Ann : go", LineStyle::Terrorist},
        {"team message without a team has no tag", speaker("Ann", Team::None, LifeState::Pending), SayTeamLine,
         "go", "Ann : go", LineStyle::Neutral},
        {"name change shows old then new", speaker("Old", Team::Terrorist, LifeState::Dead), NameChangeLine, "New",
         "* Old changed name to New", LineStyle::Neutral},
        {"joined terrorists", speaker("Bob", Team::Terrorist, LifeState::Alive), JoinedTeamLine, nullptr,
         "* Bob joined the Terrorists", LineStyle::Neutral},
        {"joined counter-terrorists", speaker("Bob", Team::CounterTerrorist, LifeState::Alive), JoinedTeamLine,
         nullptr, "* Bob joined the Counter-Terrorists", LineStyle::Neutral},
        {"joined spectators", speaker("Bob", Team::None, LifeState::Alive), JoinedTeamLine, nullptr,
         "* Bob joined the Spectators", LineStyle::Neutral},
        {"rcon", speaker("Admin", Team::None, LifeState::Unknown), RconLine, "changelevel de_dust",
         "<Admin> changelevel de_dust", LineStyle::Neutral},
        {"bad rcon", speaker("Admin", Team::Terrorist, LifeState::Dead), BadRconLine, "kick Bob",
         "<Admin (bad rcon pass)> kick Bob", LineStyle::Neutral},
        {"rcon without a command reads as empty", speaker("unknown", Team::None, LifeState::Unknown), RconLine,
         nullptr, "<unknown> ", LineStyle::Neutral},
        {"bad rcon without a command reads as empty", speaker("unknown", Team::None, LifeState::Unknown),
         BadRconLine, nullptr, "<unknown (bad rcon pass)> ", LineStyle::Neutral},
        {"say of a player without a name", speaker(nullptr, Team::Terrorist, LifeState::Alive), SayLine, "x", " : x",
         LineStyle::Terrorist},
    };
    for (const Case& c : cases) {
        LiveState state;
        emitChatLine(state, c.entry, 1234, c.kind, c.text);
        ASSERT_EQ(state.chatLines.size(), 1u) << c.what;
        EXPECT_EQ(newestText(state), c.line) << c.what;
        EXPECT_EQ(state.chatLines[0].style, c.style) << c.what;
        EXPECT_EQ(state.chatLines[0].time, 1234) << c.what;
    }
}

TEST(ChatLines, BoundsEveryPiece)
{
    const std::string name50(50, 'n');
    const std::string name40(40, 'n');
    const std::string text200(200, 't');
    const std::string text127(127, 't');
    const std::string newName60(60, 'm');
    const std::string newName40(40, 'm');
    const PlayerEntry entry = speaker(name50.c_str(), Team::CounterTerrorist, LifeState::Dead);

    struct Case {
        std::int32_t kind;
        const char* text;
        std::string line;
    };
    const Case cases[] = {
        {LeftGameLine, nullptr, "* " + name40 + " has left the game"},
        {SayLine, text200.c_str(), "*DEAD*" + name40 + " : " + text127},
        {SayTeamLine, text200.c_str(), "*DEAD*(CT) " + name40 + " : " + text127},
        {NameChangeLine, newName60.c_str(), "* " + name40 + " changed name to " + newName40},
        {JoinedTeamLine, nullptr, "* " + name40 + " joined the Counter-Terrorists"},
        {RconLine, text200.c_str(), "<" + name40 + "> " + text127},
        {BadRconLine, text200.c_str(), "<" + name40 + " (bad rcon pass)> " + text127},
    };
    for (const Case& c : cases) {
        LiveState state;
        emitChatLine(state, entry, 0, c.kind, c.text);
        EXPECT_EQ(newestText(state), c.line) << "kind " << c.kind;
    }
}

TEST(ChatLines, KindsOutsideTheTableComposeNothing)
{
    LiveState state;
    const PlayerEntry entry = speaker("Bob", Team::Terrorist, LifeState::Alive);
    emitChatLine(state, entry, 0, SayLine, "one");
    for (std::int32_t kind : {0, 8, -1, 100}) {
        emitChatLine(state, entry, 0, kind, "x");
        EXPECT_EQ(state.chatLines.size(), 1u) << kind;
        EXPECT_EQ(state.chatLines.head(), 0u) << kind;
    }
}

TEST(ChatLines, SixthLineDropsTheOldest)
{
    LiveState state;
    const PlayerEntry entry = speaker("P", Team::Terrorist, LifeState::Alive);
    const char* texts[] = {"1", "2", "3", "4", "5", "6"};
    for (std::int32_t i = 0; i < 6; ++i)
        emitChatLine(state, entry, i, SayLine, texts[i]);
    ASSERT_EQ(state.chatLines.size(), 5u);
    EXPECT_EQ(state.chatLines.head(), 1u);
    for (std::size_t i = 0; i < 5; ++i) {
        EXPECT_EQ(std::string(state.chatLines[i].text), std::string("P : ") + texts[i + 1]);
        EXPECT_EQ(state.chatLines[i].time, static_cast<std::int32_t>(i + 1));
    }
}

TEST(ChatLines, ComposingOverAnOldSlotLeavesNoTrace)
{
    // The ring reuses its slots; a short line written over a long one must
    // not keep the long one's tail.
    LiveState state;
    const PlayerEntry entry = speaker("P", Team::Terrorist, LifeState::Alive);
    const std::string longText(100, 'x');
    for (int i = 0; i < 5; ++i)
        emitChatLine(state, entry, 0, SayLine, longText.c_str());
    emitChatLine(state, entry, 0, SayLine, "y");
    EXPECT_EQ(newestText(state), "P : y");
}

} // namespace
} // namespace zelkam
