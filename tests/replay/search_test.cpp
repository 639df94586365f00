#include "replay/search.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "replay/viewer_state.h"
#include "tests/replay/view_summary.h"
#include "tests/support/log_lines.h"
#include "tests/support/temp_folder.h"
#include "tests/support/time_zone.h"

namespace zelkam {
namespace {

using namespace zelkam::test;
using Strings = std::vector<std::string>;

// Find compares what the views show: log bytes decoded (UTF-8 where valid,
// Windows-1252 otherwise), and without match case folded in every script.
TEST(Search, ComparesTheShownTextWithFullCaseFolding)
{
    struct Case {
        const char* what;
        const char* pattern;
        bool matchCase;
        const char* message;
        bool found;
    };
    const Case cases[] = {
        {"small pattern, mixed text", "hello", false, "well HeLLo there", true},
        {"capital pattern, small text", "HELLO", false, "hello", true},
        {"match case, other case", "hello", true, "Hello", false},
        {"match case, same case", "Hello", true, "say Hello", true},
        {"empty pattern", "", false, "anything", true},
        {"not there", "bye", false, "hello", false},
        {"digits and signs are compared as they are", "[1]", false, "x[1]", true},
        {"accented letters fold (UTF-8)", "\xC3\xA9t\xC3\xA9", false, "\xC3\x89T\xC3\x89", true},
        {"accented letters match themselves", "caf\xC3\xA9", false, "CAF\xC3\xA9!", true},
        {"a UTF-8 pattern finds a code-page text", "Ren\xC3\xA9", true, "hi Ren\xE9!", true},
        {"a UTF-8 pattern finds a code-page text, folded", "REN\xC3\x89", false, "hi Ren\xE9!", true},
        {"a code-page pattern finds a UTF-8 text", "Ren\xE9", true, "Ren\xC3\xA9", true},
        {"match case keeps accents apart", "\xC3\xA9", true, "\xC3\x89", false},
        {"Cyrillic folds", "\xD0\xBF\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82", false,
         "\xD0\x9F\xD0\xA0\xD0\x98\xD0\x92\xD0\x95\xD0\xA2 all", true},
        {"Greek final sigma folds like sigma", "\xCE\xA3\xCE\x99\xCE\xA3", false, "\xCF\x83\xCE\xB9\xCF\x82", true},
        {"sharp s matches SS (full folding)", "STRASSE", false, "stra\xC3\x9F" "e", true},
        {"SS matches sharp s (full folding)", "stra\xC3\x9F" "e", false, "STRASSE", true},
        {"no normalisation: fullwidth A is not a", "\xEF\xBC\xA1", false, "a", false},
        {"no normalisation: a is not fullwidth A", "a", false, "\xEF\xBC\xA1", false},
        {"Kelvin sign folds to k", "k", false, "\xE2\x84\xAA", true},
    };
    for (const Case& c : cases) {
        ScopedTimeZone zone("UTC");
        TempFolder folder;
        folder.write("L0706000.log", LogText("07/06/2001")
                                         .at("10:00:00", roundStarted())
                                         .at("10:00:10", said("Ann", 1, "CT", c.message))
                                         .at("10:00:20", roundStarted())
                                         .text());
        auto state = loaded(folder);
        EXPECT_EQ(state->find(SearchKind::Chat, c.pattern, c.matchCase), c.found) << c.what;
    }
}

TEST(Search, HitStandsJustAfterTheHitPaused)
{
    ScopedTimeZone zone("UTC");
    TempFolder folder;
    folder.write("L0706000.log", LogText("07/06/2001")
                                     .at("10:00:00", roundStarted())
                                     .at("10:00:05", said("Ann", 1, "CT", "first"))
                                     .at("10:00:10", said("Bob", 2, "TERRORIST", "needle here"))
                                     .at("10:01:00", roundStarted())
                                     .at("10:02:00", roundStarted())
                                     .text());
    auto state = loaded(folder);
    state->command(PlaybackCommand::Play);
    ASSERT_TRUE(state->find(SearchKind::Chat, "NEEDLE", false));
    EXPECT_EQ(state->speed(), 0);
    EXPECT_EQ(state->cursor(), 3u);
    // The clock stands at the next event, 50 s on: the older lines are gone,
    // and so is the hit's own line, stamped more than 15 s earlier.
    EXPECT_EQ(state->clock(), localStamp(2001, 7, 6, 10, 1, 0));
    EXPECT_TRUE(state->viewChatLines().empty());
    EXPECT_EQ(playerNames(*state), (Strings{"Ann", "Bob"}));
}

TEST(Search, HitLineShowsWhenTheNextEventIsClose)
{
    ScopedTimeZone zone("UTC");
    TempFolder folder;
    folder.write("L0706000.log", LogText("07/06/2001")
                                     .at("10:00:00", roundStarted())
                                     .at("10:00:05", said("Ann", 1, "CT", "first"))
                                     .at("10:00:10", saidTeam("Bob", 2, "TERRORIST", "needle"))
                                     .at("10:00:12", roundStarted())
                                     .at("10:02:00", roundStarted())
                                     .text());
    auto state = loaded(folder);
    ASSERT_TRUE(state->find(SearchKind::Chat, "needle", true));
    EXPECT_EQ(state->clock(), localStamp(2001, 7, 6, 10, 0, 12));
    EXPECT_EQ(chatTexts(*state), (Strings{"*DEAD*Ann : first", "*DEAD*(Terrorist) Bob : needle"}));
}

TEST(Search, MissReturnsToWhereItWasAndKeepsPlaying)
{
    ScopedTimeZone zone("UTC");
    TempFolder folder;
    folder.write("L0706000.log", LogText("07/06/2001")
                                     .at("10:00:00", roundStarted())
                                     .at("10:00:05", said("Ann", 1, "CT", "hello"))
                                     .at("10:00:30", roundStarted())
                                     .text());
    auto state = loaded(folder);
    state->seek(localStamp(2001, 7, 6, 10, 0, 7));
    state->command(PlaybackCommand::Fast);
    const std::string before = viewSummary(*state);
    EXPECT_FALSE(state->find(SearchKind::Chat, "absent", false));
    EXPECT_EQ(viewSummary(*state), before);
    EXPECT_EQ(state->speed(), 5);
}

TEST(Search, TestsTheEventUnderTheCursorSoFindNextMissesNoHit)
{
    ScopedTimeZone zone("UTC");
    TempFolder folder;
    folder.write("L0706000.log", LogText("07/06/2001")
                                     .at("10:00:00", said("Ann", 1, "CT", "x one"))
                                     .at("10:00:01", said("Ann", 1, "CT", "x two"))
                                     .at("10:00:02", said("Ann", 1, "CT", "x three"))
                                     .at("10:00:03", said("Ann", 1, "CT", "x four"))
                                     .at("10:00:04", roundStarted())
                                     .text());
    auto state = loaded(folder);
    ASSERT_EQ(state->cursor(), 0u);
    // The event under the cursor has not been shown yet: it is tested first,
    // and each Find Next finds the very next of matches in a row.
    for (const char* line : {"x one", "x two", "x three", "x four"}) {
        ASSERT_TRUE(state->find(SearchKind::Chat, "x", false)) << line;
        ASSERT_FALSE(state->viewChatLines().empty());
        EXPECT_NE(std::string(state->viewChatLines()[state->viewChatLines().size() - 1].text).find(line),
                  std::string::npos)
            << line;
    }
    EXPECT_EQ(state->cursor(), 4u);
    EXPECT_FALSE(state->find(SearchKind::Chat, "x", false));
}

TEST(Search, PlayerSearchFindsNamesBeforeTheirChange)
{
    ScopedTimeZone zone("UTC");
    TempFolder folder;
    folder.write("L0706000.log", LogText("07/06/2001")
                                     .at("10:00:00", roundStarted())
                                     .at("10:00:01", changedName("OldName", 1, "CT", "Renamed"))
                                     .at("10:00:02", killed("Renamed", 1, "CT", "Victim", 2, "TERRORIST"))
                                     .at("10:00:03", roundStarted())
                                     .text());
    auto state = loaded(folder);
    EXPECT_FALSE(state->find(SearchKind::Player, "renamed", false));
    ASSERT_TRUE(state->find(SearchKind::Player, "oldname", false));
    EXPECT_EQ(state->cursor(), 2u);
    EXPECT_EQ(chatTexts(*state), Strings{"* OldName changed name to Renamed"});
}

TEST(Search, RemoteConsoleUserIsAnyPlayerOfTheSendersAddress)
{
    ScopedTimeZone zone("UTC");
    TempFolder folder;
    // Beta, still on the server, connects again from Alpha's network: the
    // ring then holds two players under that address (keys keep the first
    // three groups of an address).
    folder.write("L0706000.log", LogText("07/06/2001")
                                     .at("10:00:00", roundStarted())
                                     .at("10:00:01", connected("Alpha", 1, "10.0.0.1:27005"))
                                     .at("10:00:02", connected("Beta", 2, "10.0.1.1:27006"))
                                     .at("10:00:03", connected("Beta", 2, "10.0.0.5:27006"))
                                     .at("10:00:04", rconCommand("status", "10.0.7.7:4000"))
                                     .at("10:00:05", badRconCommand("status", "10.0.0.1:27005"))
                                     .at("10:00:06", rconCommand("kick x", "10.0.0.1:27005"))
                                     .at("10:00:07", roundStarted())
                                     .text());
    struct Case {
        const char* pattern;
        bool found;
    };
    for (const Case& c : {Case{"alpha", true}, Case{"BETA", true}, Case{"gamma", false}}) {
        auto state = loaded(folder);
        EXPECT_EQ(state->find(SearchKind::RconUser, c.pattern, false), c.found) << c.pattern;
        EXPECT_EQ(state->cursor(), c.found ? 7u : 0u) << c.pattern;
    }
}

TEST(Search, RemoteConsoleUserIsForgottenAfter72NewerAddresses)
{
    ScopedTimeZone zone("UTC");
    TempFolder folder;
    LogText log("07/06/2001");
    log.at("10:00:00", roundStarted()).at("10:00:01", connected("Admin", 1, "192.168.1.5:27005"));
    for (int i = 0; i < 72; ++i)
        log.at("10:01:00", connected("p" + std::to_string(i), 10 + i, "10." + std::to_string(i) + ".0.1:27005"));
    log.at("10:02:00", rconCommand("status", "192.168.1.5:27005")).at("10:03:00", roundStarted());
    folder.write("L0706000.log", log.text());
    auto state = loaded(folder);
    EXPECT_FALSE(state->find(SearchKind::RconUser, "admin", false));
    // The command itself is still there, from an unknown sender.
    ASSERT_TRUE(state->find(SearchKind::RconCmd, "", false));
    EXPECT_EQ(state->events()[state->cursor() - 1].kind, RconCommand);
}

TEST(Search, RScanStopsAtTheNextRemoteConsoleCommand)
{
    ScopedTimeZone zone("UTC");
    TempFolder folder;
    folder.write("L0706000.log", LogText("07/06/2001")
                                     .at("10:00:00", roundStarted())
                                     .at("10:00:01", connected("Admin", 1, "10.0.0.1:27005"))
                                     .at("10:00:02", badRconCommand("status", "10.0.0.1:27005"))
                                     .at("10:00:03", rconCommand("", "10.0.0.1:27005"))
                                     .at("10:00:04", rconCommand("changelevel de_dust", "10.0.0.1:27005"))
                                     .at("10:00:05", roundStarted())
                                     .text());
    auto state = loaded(folder);
    // A command text without a command reads as empty: RScan finds it, a
    // search for any text does not.
    ASSERT_TRUE(state->find(SearchKind::RconCmd, "", false));
    EXPECT_EQ(state->cursor(), 4u);
    EXPECT_EQ(chatTexts(*state), (Strings{"<Admin (bad rcon pass)> status", "<Admin> "}));
    state->seekMinute(0);
    ASSERT_TRUE(state->find(SearchKind::RconCmd, "LEVEL", false));
    EXPECT_EQ(state->cursor(), 5u);
    EXPECT_FALSE(state->find(SearchKind::RconCmd, "", false));
}

TEST(Search, NothingToFindAtOrPastTheDaysEnd)
{
    ScopedTimeZone zone("UTC");
    TempFolder folder;
    folder.write("L0706000.log", LogText("07/06/2001")
                                     .at("23:59:50", said("Ann", 1, "CT", "x"))
                                     .at("23:59:55", said("Ann", 1, "CT", "x"))
                                     .on("07/07/2001")
                                     .at("00:00:30", said("Ann", 1, "CT", "x"))
                                     .at("00:01:00", said("Ann", 1, "CT", "x"))
                                     .at("00:05:00", said("Ann", 1, "CT", "x"))
                                     .text());
    auto state = loaded(folder);
    ASSERT_EQ(state->dayEndEvent(), 2u);
    // Cursor on the day's end: the next day's events are not searched.
    state->seekMinute(1440);
    ASSERT_EQ(state->cursor(), 2u);
    EXPECT_FALSE(state->find(SearchKind::Chat, "x", false));
    // Cursor past the day's end, after playing on into the next day.
    state->command(PlaybackCommand::Fastest);
    for (int i = 0; i < 10; ++i)
        state->tick();
    ASSERT_EQ(state->cursor(), state->events().size());
    const std::int32_t clock = state->clock();
    const std::string view = viewSummary(*state);
    EXPECT_FALSE(state->find(SearchKind::Chat, "x", false));
    // A miss leaves the replay where it stood, even past the day's end.
    EXPECT_EQ(state->cursor(), state->events().size());
    EXPECT_EQ(state->clock(), clock);
    EXPECT_EQ(viewSummary(*state), view);
}

TEST(Search, MatchersConsiderOnlyTheirKinds)
{
    PlayerEntry bob;
    bob.name = "Bob";
    bob.addressKey = 7;
    const auto make = [&](std::int32_t kind, const char* text) {
        LogEvent event;
        event.kind = kind;
        event.player = bob;
        event.text = text;
        return event;
    };
    BoundedRing<PlayerEntry> recent(72);
    recent.pushBack(bob);
    struct Case {
        SearchKind kind;
        std::int32_t eventKind;
        bool found;
    };
    const Case cases[] = {
        {SearchKind::Player, MapStarted, false},       {SearchKind::Player, PlayerConnected, true},
        {SearchKind::Player, SayTeam, true},           {SearchKind::Player, RconCommand, false},
        {SearchKind::Player, Killed, false},           {SearchKind::Player, Suicide, false},
        {SearchKind::Chat, Say, true},                 {SearchKind::Chat, SayTeam, true},
        {SearchKind::Chat, NameChanged, false},        {SearchKind::Chat, RconCommand, false},
        {SearchKind::RconUser, RconCommand, true},     {SearchKind::RconUser, BadRconCommand, false},
        {SearchKind::RconCmd, RconCommand, true},      {SearchKind::RconCmd, BadRconCommand, false},
        {static_cast<SearchKind>(7), RconCommand, false},
    };
    for (const Case& c : cases) {
        // Text and name both hold the pattern, so only the kind decides.
        EventSearch search(c.kind, "b", false, recent);
        EXPECT_EQ(search.matches(make(c.eventKind, "abc")), c.found)
            << static_cast<int>(c.kind) << " " << c.eventKind;
    }
}

TEST(Search, PatternIsCutTo255Characters)
{
    const std::string longPattern = std::string(255, 'a') + "zzz";
    EXPECT_EQ(prepareSearchPattern(longPattern, true), std::string(255, 'a'));
    EXPECT_EQ(prepareSearchPattern("MiXed", false), "mixed");
    EXPECT_EQ(prepareSearchPattern("MiXed", true), "MiXed");
    // Characters, not bytes: 255 two-byte letters stay whole.
    std::string accents;
    for (int i = 0; i < 256; ++i)
        accents += "\xC3\xA9";
    EXPECT_EQ(prepareSearchPattern(accents, true), accents.substr(0, 510));

    // The cut pattern finds a text holding its first 255 characters only.
    const std::string text = "x" + std::string(255, 'a') + "y";
    LogEvent say;
    say.kind = Say;
    say.text = text.c_str();
    BoundedRing<PlayerEntry> recent(72);
    EventSearch search(SearchKind::Chat, longPattern, true, recent);
    EXPECT_TRUE(search.matches(say));
}

} // namespace
} // namespace zelkam
