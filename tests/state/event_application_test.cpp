#include "state/event_application.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "state/live_state.h"

namespace zelkam {
namespace {

PlayerEntry player(const char* name, std::int32_t userId, std::int32_t team = Team::Terrorist,
                   std::int32_t addressKey = 0)
{
    PlayerEntry entry;
    entry.name = name;
    entry.userId = userId;
    entry.wonId = 1000 + userId;
    entry.addressKey = addressKey;
    entry.team = team;
    return entry;
}

LogEvent event(std::int32_t kind, std::int32_t time, const PlayerEntry& who, const char* text = nullptr)
{
    LogEvent e;
    e.kind = kind;
    e.time = time;
    e.player = who;
    e.text = text;
    return e;
}

LogEvent worldEvent(std::int32_t kind, std::int32_t time, const char* text = nullptr)
{
    return event(kind, time, WorldIdentity, text);
}

LogEvent rcon(std::int32_t kind, std::int32_t time, std::int32_t addressKey, const char* command)
{
    PlayerEntry sender;
    sender.name = nullptr;
    sender.addressKey = addressKey;
    return event(kind, time, sender, command);
}

std::string newestLine(const LiveState& state)
{
    return state.chatLines.empty() ? std::string() : state.chatLines[state.chatLines.size() - 1].text;
}

// Names that live as long as the test: the roster keeps pointers.
class Names {
public:
    const char* operator()(const std::string& name)
    {
        storage_.push_back(std::make_unique<std::string>(name));
        return storage_.back()->c_str();
    }

private:
    std::vector<std::unique_ptr<std::string>> storage_;
};

// A seek leaves uncomposed the chat lines that later lines push out of the
// ring, counting on the kinds said to always add one: each must, whether
// its player is known or not.
TEST(EventApplication, KindsThatAlwaysAddAChatLineDo)
{
    for (std::int32_t kind = -1; kind <= EventKindCount; ++kind) {
        if (!alwaysAddsChatLine(kind))
            continue;
        for (bool known : {false, true}) {
            LiveState state;
            if (known) {
                applyEvent(state, event(PlayerConnected, 0, player("Bob", 7, Team::Terrorist, 5)));
                applyEvent(state, event(PlayerEntered, 0, player("Bob", 7)));
            }
            state.chatLines.clear();
            const LogEvent e = kind == RconCommand || kind == BadRconCommand
                                   ? rcon(kind, 10, known ? 5 : 6, "status")
                                   : event(kind, 10, player("Bob", 7), "CT");
            applyEvent(state, e);
            ASSERT_EQ(state.chatLines.size(), 1u) << "kind " << kind << (known ? ", known" : ", stranger");
            EXPECT_EQ(state.chatLines[0].time, 10);
        }
    }
    EXPECT_FALSE(alwaysAddsChatLine(PlayerDisconnected)) << "only for a player on the roster";
}

TEST(EventApplication, SayFromAStrangerAddsThePlayerDead)
{
    LiveState state;
    applyEvent(state, event(Say, 10, player("Bob", 7, Team::CounterTerrorist), "hello"));
    ASSERT_EQ(state.roster.count, 1u);
    EXPECT_EQ(state.roster.entries[0].team, Team::CounterTerrorist);
    EXPECT_EQ(state.roster.entries[0].lifeState, LifeState::Dead);
    EXPECT_EQ(newestLine(state), "*DEAD*Bob : hello");
    EXPECT_EQ(state.chatLines[0].style, LineStyle::CounterTerrorist);
    EXPECT_EQ(state.chatLines[0].time, 10);
}

TEST(EventApplication, PlayerFoundByUserIdKeepsTheRosterName)
{
    LiveState state;
    applyEvent(state, event(PlayerEntered, 0, player("Bob", 7)));
    applyEvent(state, event(SayTeam, 1, player("Robert", 7, Team::CounterTerrorist), "hi"));
    EXPECT_EQ(state.roster.count, 1u);
    // Found entries are not refreshed from the event: still team None, Pending.
    EXPECT_EQ(newestLine(state), "Bob : hi");
    EXPECT_EQ(state.chatLines[0].style, LineStyle::Neutral);
}

TEST(EventApplication, FindsPlayersByTheFirst31CharactersOfTheirName)
{
    LiveState state;
    const std::string longName = std::string(31, 'a') + "first";
    const std::string sameStart = std::string(31, 'a') + "second";
    applyEvent(state, event(PlayerEntered, 0, player(longName.c_str(), 1)));
    applyEvent(state, event(Say, 1, player(sameStart.c_str(), 2), "x"));
    EXPECT_EQ(state.roster.count, 1u);
    applyEvent(state, event(Say, 1, player("aaaa", 3), "x"));
    EXPECT_EQ(state.roster.count, 2u);
}

// A name finds the first entry whose name agrees with it in the first 31
// characters, an absent name reading as empty: every query against a roster
// of names that share first bytes, lengths and prefixes with each other.
TEST(EventApplication, NameLookupFindsTheFirstEntryAgreeingInThe31FirstCharacters)
{
    const std::string long31(31, 'x');
    const std::string longOne = long31 + "one";
    const std::string longTwo = long31 + "two";
    const std::vector<const char*> roster = {
        "Bob", "Bobby", "bob", "", nullptr, "B", longOne.c_str(), "\xC3\xA9t\xC3\xA9", "Al",
    };
    const std::vector<const char*> queries = {
        "Bob", "Bobb", "Bobby", "bob", "", nullptr, "B", "Bo", longTwo.c_str(), long31.c_str(),
        "\xC3\xA9t\xC3\xA9", "\xC3\xA9", "Al", "Alan", "Zed",
    };
    LiveState state;
    for (std::size_t i = 0; i < roster.size(); ++i)
        addPlayer(state, player(roster[i], static_cast<std::int32_t>(i + 1)));
    ASSERT_EQ(state.roster.count, roster.size());
    const auto text = [](const char* name) { return name ? name : ""; };
    for (const char* query : queries) {
        const PlayerEntry* expected = nullptr;
        for (std::size_t i = 0; i < state.roster.count && !expected; ++i) {
            if (std::string_view(text(state.roster.entries[i].name)).substr(0, 31) ==
                std::string_view(text(query)).substr(0, 31))
                expected = &state.roster.entries[i];
        }
        EXPECT_EQ(findPlayerByName(state, query), expected) << "query \"" << text(query) << "\"";
    }
}

TEST(EventApplication, TeamJoinSetsTeamByText)
{
    struct Case {
        const char* text;
        std::int32_t team;
        const char* line;
    };
    const Case cases[] = {
        {"TERRORIST", Team::Terrorist, "* Bob joined the Terrorists"},
        {"CT", Team::CounterTerrorist, "* Bob joined the Counter-Terrorists"},
        {"terrorist", Team::CounterTerrorist, "* Bob joined the Counter-Terrorists"},
        {"SPECTATOR", Team::None, "* Bob joined the Spectators"},
        {"Spectator", Team::CounterTerrorist, "* Bob joined the Counter-Terrorists"},
        {nullptr, Team::CounterTerrorist, "* Bob joined the Counter-Terrorists"},
    };
    for (const Case& c : cases) {
        LiveState state;
        applyEvent(state, event(TeamJoined, 0, player("Bob", 1), c.text));
        EXPECT_EQ(state.roster.entries[0].team, c.team) << (c.text ? c.text : "null");
        EXPECT_EQ(newestLine(state), c.line) << (c.text ? c.text : "null");
        EXPECT_EQ(state.chatLines[0].style, LineStyle::Neutral);
    }
}

TEST(EventApplication, JoinRuleBySecondsSinceRoundStart)
{
    struct Case {
        const char* what;
        bool firstTeam;
        std::int32_t secondsAfterRoundStart;
        std::int32_t lifeState;
    };
    const Case cases[] = {
        {"pending, 24 s", true, 24, LifeState::Alive},   {"pending, 25 s", true, 25, LifeState::Unknown},
        {"pending, 44 s", true, 44, LifeState::Unknown}, {"pending, 45 s", true, 45, LifeState::Dead},
        {"pending, before", true, -5, LifeState::Alive}, {"change of team, 0 s", false, 0, LifeState::Dead},
        {"change of team, 30 s", false, 30, LifeState::Dead},
    };
    for (const Case& c : cases) {
        LiveState state;
        applyEvent(state, worldEvent(RoundStarted, 1000));
        if (c.firstTeam)
            applyEvent(state, event(PlayerEntered, 990, player("Bob", 1)));
        else
            applyEvent(state, event(Say, 990, player("Bob", 1), "x"));
        applyEvent(state, event(TeamJoined, 1000 + c.secondsAfterRoundStart, player("Bob", 1), "CT"));
        EXPECT_EQ(state.roster.entries[0].lifeState, c.lifeState) << c.what;
    }
}

TEST(EventApplication, TeamScoreReadsTwoFourColumnPieces)
{
    struct Case {
        const char* text;
        std::int32_t ct;
        std::int32_t t;
    };
    const Case cases[] = {
        {"   3   2", 3, 2}, {"  12   0", 12, 0}, {"9999   1", 9999, 1}, {"        ", 0, 0},
        {"  ab  -4", 0, -4}, {"   7", 7, 0},    {"", 0, 0},          {nullptr, 0, 0},
        {"1 2 3 4 ", 1, 3},
    };
    for (const Case& c : cases) {
        LiveState state;
        applyEvent(state, worldEvent(TeamScore, 0, c.text));
        EXPECT_EQ(state.ctScore, c.ct) << (c.text ? c.text : "null");
        EXPECT_EQ(state.tScore, c.t) << (c.text ? c.text : "null");
    }
}

TEST(EventApplication, TeamScoreRevivesAllButPendingPlayers)
{
    LiveState state;
    applyEvent(state, event(PlayerEntered, 0, player("Pending", 1)));
    applyEvent(state, event(Say, 0, player("Dead", 2), "x"));
    applyEvent(state, event(PlayerEntered, 0, player("Unknown", 3)));
    applyEvent(state, worldEvent(RoundStarted, 0));
    applyEvent(state, event(TeamJoined, 30, player("Unknown", 3), "CT"));
    ASSERT_EQ(state.roster.entries[2].lifeState, LifeState::Unknown);
    applyEvent(state, worldEvent(TeamScore, 40, "   3   2"));
    EXPECT_EQ(state.roster.entries[0].lifeState, LifeState::Pending);
    EXPECT_EQ(state.roster.entries[1].lifeState, LifeState::Alive);
    EXPECT_EQ(state.roster.entries[2].lifeState, LifeState::Alive);
}

TEST(EventApplication, KillsAndSuicidesCount)
{
    LiveState state;
    applyEvent(state, event(PlayerEntered, 0, player("T1", 1, Team::Terrorist)));
    applyEvent(state, event(PlayerEntered, 0, player("T2", 2, Team::Terrorist)));
    applyEvent(state, event(PlayerEntered, 0, player("C1", 3, Team::CounterTerrorist)));
    // Entered players have no team; give them theirs.
    applyEvent(state, event(TeamJoined, 0, player("T1", 1), "TERRORIST"));
    applyEvent(state, event(TeamJoined, 0, player("T2", 2), "TERRORIST"));
    applyEvent(state, event(TeamJoined, 0, player("C1", 3), "CT"));
    PlayerEntry* t1 = &state.roster.entries[0];
    PlayerEntry* t2 = &state.roster.entries[1];
    PlayerEntry* c1 = &state.roster.entries[2];

    applyEvent(state, event(Killed, 1, player("C1", 3, Team::CounterTerrorist), "T1"));
    EXPECT_EQ(t1->frags, 1);
    EXPECT_EQ(c1->deaths, 1);
    EXPECT_EQ(c1->lifeState, LifeState::Dead);

    applyEvent(state, event(Killed, 2, player("T2", 2, Team::Terrorist), "T1"));
    EXPECT_EQ(t1->frags, 0) << "a team kill costs a frag";
    EXPECT_EQ(t2->deaths, 1);

    applyEvent(state, event(Killed, 3, player("T1", 1, Team::Terrorist), "Nobody"));
    EXPECT_EQ(t1->deaths, 1) << "an unknown killer changes only the victim";
    EXPECT_EQ(t2->frags, 0);
    EXPECT_EQ(c1->frags, 0);

    applyEvent(state, event(Suicide, 4, player("C1", 3, Team::CounterTerrorist)));
    EXPECT_EQ(c1->frags, -1);
    EXPECT_EQ(c1->deaths, 2);
    EXPECT_EQ(c1->lifeState, LifeState::Dead);
}

TEST(EventApplication, ThirtyThirdPlayerOverwritesEntryZero)
{
    LiveState state;
    Names names;
    for (int i = 0; i < 33; ++i)
        applyEvent(state, event(PlayerEntered, i, player(names("p" + std::to_string(i)), i + 1)));
    EXPECT_EQ(state.roster.count, 32u);
    EXPECT_STREQ(state.roster.entries[0].name, "p32");
    EXPECT_STREQ(state.roster.entries[1].name, "p1");
    EXPECT_STREQ(state.roster.entries[31].name, "p31");
}

TEST(EventApplication, KillerOverwrittenByTheVictimsArrivalIsNotCredited)
{
    // With a full roster, the victim's find-or-add runs first and overwrites
    // entry 0; the killer who stood there is then no longer found.
    LiveState state;
    Names names;
    for (int i = 0; i < 32; ++i)
        applyEvent(state, event(PlayerEntered, i, player(names("p" + std::to_string(i)), i + 1)));
    applyEvent(state, event(Killed, 100, player("newcomer", 99, Team::CounterTerrorist), "p0"));
    EXPECT_EQ(state.roster.count, 32u);
    EXPECT_STREQ(state.roster.entries[0].name, "newcomer");
    EXPECT_EQ(state.roster.entries[0].deaths, 1);
    for (std::size_t i = 0; i < state.roster.count; ++i)
        EXPECT_EQ(state.roster.entries[i].frags, 0) << i;
}

TEST(EventApplication, DisconnectionEmitsThenMovesTheLastEntry)
{
    LiveState state;
    applyEvent(state, event(PlayerEntered, 0, player("A", 1)));
    applyEvent(state, event(PlayerEntered, 0, player("B", 2)));
    applyEvent(state, event(PlayerEntered, 0, player("C", 3)));
    applyEvent(state, event(PlayerDisconnected, 5, player("A-renamed", 1)));
    EXPECT_EQ(newestLine(state), "* A has left the game");
    ASSERT_EQ(state.roster.count, 2u);
    EXPECT_STREQ(state.roster.entries[0].name, "C");
    EXPECT_STREQ(state.roster.entries[1].name, "B");

    // A user id that is not in the roster does nothing at all, even when
    // the name is.
    applyEvent(state, event(PlayerDisconnected, 6, player("B", 42)));
    EXPECT_EQ(state.roster.count, 2u);
    EXPECT_EQ(state.chatLines.size(), 1u);
}

TEST(EventApplication, ConnectionFromAKnownAddressMovesItToTheFront)
{
    LiveState state;
    Names names;
    for (int i = 0; i < 5; ++i)
        applyEvent(state, event(PlayerConnected, i, player(names("p" + std::to_string(i)), i + 1, Team::None, 100 + i)));
    // Most recent first: p4 p3 p2 p1 p0; the address of p1 is at index 3.
    ASSERT_STREQ(state.recentPlayers[3].name, "p1");
    const std::size_t head = state.recentPlayers.head();
    applyEvent(state, event(PlayerConnected, 10, player("again", 50, Team::None, 101)));
    ASSERT_EQ(state.recentPlayers.size(), 5u);
    EXPECT_EQ(state.recentPlayers.head(), head);
    const char* expected[] = {"again", "p4", "p3", "p2", "p0"};
    for (std::size_t i = 0; i < 5; ++i)
        EXPECT_STREQ(state.recentPlayers[i].name, expected[i]) << i;
    EXPECT_EQ(state.recentPlayers[0].userId, 50);
    EXPECT_EQ(state.recentPlayers[0].addressKey, 101);
}

TEST(EventApplication, SeventyThirdAddressDropsTheOldest)
{
    LiveState state;
    Names names;
    for (int i = 0; i < 73; ++i)
        applyEvent(state, event(PlayerConnected, i, player(names("p" + std::to_string(i)), i + 1, Team::None, 100 + i)));
    EXPECT_EQ(state.recentPlayers.size(), 72u);
    EXPECT_STREQ(state.recentPlayers[0].name, "p72");
    EXPECT_STREQ(state.recentPlayers[71].name, "p1");
    EXPECT_EQ(findRecentByAddress(state, 100), nullptr);
    // Each new address moves the head back one slot: 73 times from 0.
    EXPECT_EQ(state.recentPlayers.head(), (72u * 73u - 73u) % 72u);
}

TEST(EventApplication, ConnectionResetsTheRosterEntry)
{
    LiveState state;
    applyEvent(state, event(Say, 0, player("Bob", 1, Team::CounterTerrorist), "x"));
    applyEvent(state, event(Suicide, 1, player("Bob", 1)));
    applyEvent(state, event(PlayerConnected, 2, player("Bob", 1, Team::None, 7)));
    const PlayerEntry& bob = state.roster.entries[0];
    EXPECT_EQ(bob.team, Team::None);
    EXPECT_EQ(bob.lifeState, LifeState::Pending);
    EXPECT_EQ(bob.frags, 0);
    EXPECT_EQ(bob.deaths, 0);
    // The recent ring got the copy taken before the reset.
    EXPECT_EQ(state.recentPlayers[0].lifeState, LifeState::Dead);
    EXPECT_EQ(state.recentPlayers[0].deaths, 1);
}

TEST(EventApplication, RenameShowsOldNameAndRenamesTheRconSender)
{
    LiveState state;
    applyEvent(state, event(PlayerConnected, 0, player("Old", 1, Team::None, 555)));
    applyEvent(state, event(NameChanged, 1, player("Old", 1), "New"));
    EXPECT_EQ(newestLine(state), "* Old changed name to New");
    EXPECT_STREQ(state.roster.entries[0].name, "New");
    applyEvent(state, rcon(RconCommand, 2, 555, "status"));
    EXPECT_EQ(newestLine(state), "<New> status");
    applyEvent(state, rcon(BadRconCommand, 3, 556, "status"));
    EXPECT_EQ(newestLine(state), "<unknown (bad rcon pass)> status");
    applyEvent(state, rcon(RconCommand, 4, 556, nullptr));
    EXPECT_EQ(newestLine(state), "<unknown> ");
}

TEST(EventApplication, MapStartEmptiesRosterAndScoresButKeepsRecentPlayers)
{
    LiveState state;
    applyEvent(state, event(PlayerConnected, 0, player("Bob", 1, Team::None, 9)));
    applyEvent(state, worldEvent(TeamScore, 1, "   3   2"));
    applyEvent(state, worldEvent(MapStarted, 2, "de_dust"));
    EXPECT_EQ(state.roster.count, 0u);
    EXPECT_EQ(state.ctScore, 0);
    EXPECT_EQ(state.tScore, 0);
    EXPECT_STREQ(state.mapName, "de_dust");
    EXPECT_EQ(state.recentPlayers.size(), 1u);
}

TEST(EventApplication, SnapshotMaskAppliesOnlyTheKindsThatCrossAMapStart)
{
    const PlayerEntry bob = player("Bob", 1, Team::CounterTerrorist, 9);
    struct Case {
        const char* what;
        LogEvent event;
        bool changes;
    };
    const Case cases[] = {
        {"say", event(Say, 0, bob, "x"), false},
        {"team chat", event(SayTeam, 0, bob, "x"), false},
        {"kill", event(Killed, 0, bob, "Ann"), false},
        {"team join", event(TeamJoined, 0, bob, "CT"), false},
        {"entry", event(PlayerEntered, 0, bob), false},
        {"rcon", rcon(RconCommand, 0, 9, "x"), false},
        {"round start", worldEvent(RoundStarted, 50), false},
        {"score", worldEvent(TeamScore, 0, "   1   1"), false},
        {"suicide", event(Suicide, 0, bob), false},
        {"map start", worldEvent(MapStarted, 0, "de_aztec"), true},
        {"connection", event(PlayerConnected, 0, player("Cid", 2, Team::None, 8)), true},
        {"disconnection", event(PlayerDisconnected, 0, bob), true},
        {"rename", event(NameChanged, 0, bob, "Robert"), true},
    };
    for (const Case& c : cases) {
        LiveState state;
        applyEvent(state, event(PlayerConnected, 0, bob));
        const std::size_t rosterBefore = state.roster.count;
        const std::size_t recentBefore = state.recentPlayers.size();
        applyEventMasked(state, c.event, SnapshotKindMask);
        const bool changed = state.roster.count != rosterBefore || state.recentPlayers.size() != recentBefore
            || std::string(state.mapName) != "" || state.chatLines.size() != 0 || state.roundStartTime != 0
            || state.ctScore != 0 || state.roster.entries[0].team != Team::None
            || std::string(state.roster.entries[0].name) != "Bob";
        EXPECT_EQ(changed, c.changes) << c.what;
    }
}

TEST(EventApplication, KindsOutsideTheTableDoNothing)
{
    for (std::int32_t kind : {-1, 14, 32 + Say, 1000, -32 + Say}) {
        LiveState state;
        applyEvent(state, event(kind, 5, player("Bob", 1), "x"));
        applyEventMasked(state, event(kind, 5, player("Bob", 1), "x"), 0xFFFFFFFFu);
        EXPECT_EQ(state.roster.count, 0u) << kind;
        EXPECT_EQ(state.chatLines.size(), 0u) << kind;
        EXPECT_EQ(state.recentPlayers.size(), 0u) << kind;
    }
}

} // namespace
} // namespace zelkam
