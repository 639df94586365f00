#include "history/all_days_search.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "history/window_replay.h"
#include "parse/time_stamp.h"
#include "replay/search.h"
#include "replay/viewer_state.h"
#include "tests/support/log_lines.h"
#include "tests/support/sample_logs.h"
#include "tests/support/temp_folder.h"
#include "tests/support/time_zone.h"
#include "tools/loggen/log_generator.h"
#include "state/event_application.h"

namespace zelkam {
namespace {

using namespace zelkam::test;

struct Row {
    std::int32_t day;
    std::int32_t time;
    std::size_t event;
    std::string text;
    bool operator==(const Row&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Row& row)
{
    return out << row.day << ' ' << row.time << " #" << row.event << ' ' << row.text;
}

// The straightforward way: load each day in the viewer's model and test
// every event from where the load stands to the day's end, applying each.
std::vector<Row> searchDayByDay(const std::string& folder, SearchKind kind, const std::string& pattern, bool matchCase)
{
    auto state = std::make_unique<ViewerState>();
    state->loadFolder(folder);
    std::vector<Row> rows;
    for (std::size_t d = 0; d < state->days().size(); ++d) {
        if (!state->loadDayAt(d))
            continue;
        EventSearch search(kind, pattern, matchCase, state->live().recentPlayers);
        while (!state->isEmptyDay() && state->cursor() < state->dayEndEvent()) {
            const LogEvent& event = state->events()[state->cursor()];
            const std::size_t at = state->cursor();
            const bool hit = search.matches(event);
            const bool composed = state->applyNext();
            if (!hit)
                continue;
            rows.push_back({state->days()[d], event.time, at,
                            composed ? state->live().chatLines[state->live().chatLines.size() - 1].text
                                     : (event.player.name ? event.player.name : "")});
        }
    }
    return rows;
}

std::vector<Row> searchAll(const std::string& path, SearchKind kind, const std::string& pattern, bool matchCase,
                           unsigned threads)
{
    FolderDays folder;
    std::vector<Row> rows;
    if (!folder.scan(path))
        return rows;
    std::size_t expectedIndex = 0;
    searchAllDays(folder, kind, pattern, matchCase, nullptr, [&](const DayHits& day) {
        EXPECT_EQ(day.index, expectedIndex++) << "days come in order";
        for (const HistoryHit& hit : day.hits)
            rows.push_back({hit.day, hit.time, hit.event, hit.text});
    }, threads);
    EXPECT_EQ(expectedIndex, folder.days.size());
    return rows;
}

// A hand-made folder with what the generator never writes: a gap of a day,
// a remote-console user known only from the day before, a day whose file
// holds nothing, a file running past midnight, and out-of-order stamps.
void writeAwkwardFolder(const TempFolder& folder)
{
    folder.write("L0705000.log", LogText("07/05/2001")
                                     .at("22:00:00", mapStarted("de_dust"))
                                     .at("22:00:05", connected("Bob", 12, "10.0.0.1:27005"))
                                     .at("22:00:06", joinedTeam("Bob", 12, "CT"))
                                     .at("23:59:50", said("Bob", 12, "CT", "before midnight"))
                                     .on("07/06/2001")
                                     .at("00:00:10", said("Bob", 12, "CT", "after midnight"))
                                     .at("00:00:09", rconCommand("status", "10.0.0.1:27005"))
                                     .text());
    folder.write("L0706000.log", LogText("07/06/2001")
                                     .at("09:00:00", rconCommand("kick Al", "10.0.0.1:27005"))
                                     .at("09:00:01", said("Bob", 12, "CT", "Hello"))
                                     .at("09:00:01", said("Bob", 12, "CT", "hello again"))
                                     .at("09:00:02", changedName("Bob", 12, "CT", "Robert"))
                                     .at("09:00:03", rconCommand("status", "10.0.0.1:27005"))
                                     .at("09:00:04", killed("Al", 3, "TERRORIST", "Robert", 12, "CT"))
                                     .at("09:00:05", said("Robert", 12, "CT", "sv_password\x85" "CHAT05"))
                                     .text());
    folder.write("L0708000.log", LogText("07/08/2001").at("10:00:00", "Server shutdown").text());
    folder.write("L0709000.log", LogText("07/09/2001")
                                     .at("10:00:00", connected("Al", 3, "10.0.0.2:1"))
                                     .at("10:00:01", said("Al", 3, "", "hello from the ninth"))
                                     .at("10:00:01", said("Al", 3, "", "rcon_password CHAT01"))
                                     .at("10:00:01", changedName("Al", 3, "", "rcon_password NAME01"))
                                     .at("10:00:01", said("Al", 3, "", "Stra\xC3\x9F" "e, caf\xE9, \xE2\x84\xAA"))
                                     .at("10:00:02", disconnected("rcon_password NAME01", 3))
                                     .text());
}

TEST(AllDaysSearch, FindsWhatSearchingDayByDayFinds)
{
    ScopedTimeZone zone("Europe/Berlin");
    TempFolder generated;
    LogGenOptions options;
    options.seed = 5;
    options.days = 4;
    options.linesPerDay = 1500;
    options.maxPlayers = 12;
    ASSERT_TRUE(generateLogFolder(generated.path(), options));
    TempFolder spread;
    options.seed = 9;
    options.firstYear = 2003;
    options.firstMonth = 10;
    options.firstDay = 25; // the clocks go back on the 26th
    options.filesPerDay = 3;
    ASSERT_TRUE(generateLogFolder(spread.path(), options));
    TempFolder awkward;
    writeAwkwardFolder(awkward);

    struct Query {
        SearchKind kind;
        const char* pattern;
        bool matchCase;
    };
    const Query queries[] = {
        {SearchKind::Chat, "e", false},   {SearchKind::Chat, "Hello", true}, {SearchKind::Player, "o", false},
        {SearchKind::Player, "", false},  {SearchKind::RconUser, "b", false}, {SearchKind::RconCmd, "", false},
        {SearchKind::RconCmd, "S", true}, {SearchKind::Chat, "no such text anywhere", false},
        // Patterns that only some days' files hold, so the others are
        // passed over unread, and patterns that other scripts fold into.
        {SearchKind::Chat, "MIDNIGHT", false}, {SearchKind::Chat, "ninth", true},
        {SearchKind::Player, "ROBERT", false}, {SearchKind::RconUser, "rob", false},
        {SearchKind::Chat, "STRASSE", false}, {SearchKind::Chat, "CAF\xC3\x89", false},
        {SearchKind::Chat, "caf\xC3\xA9", true}, {SearchKind::Chat, "k,", false},
        // A password's value is hidden in chat and names; what hides it was
        // never logged, yet Find finds it.
        {SearchKind::Chat, "PASSWORD ", false}, {SearchKind::Chat, "***", false},
        {SearchKind::Player, "password *", false}, {SearchKind::Chat, "CHAT01", false},
        {SearchKind::Player, "NAME01", false},
    };
    for (const TempFolder* folder : {&generated, &spread, &awkward}) {
        for (const Query& query : queries) {
            SCOPED_TRACE(folder->string() + " pattern " + query.pattern);
            const std::vector<Row> expected = searchDayByDay(folder->string(), query.kind, query.pattern, query.matchCase);
            EXPECT_EQ(searchAll(folder->string(), query.kind, query.pattern, query.matchCase, 1), expected);
            EXPECT_EQ(searchAll(folder->string(), query.kind, query.pattern, query.matchCase, 3), expected);
        }
    }
    // The awkward folder's remote-console user is named from the day before.
    const std::vector<Row> rcon = searchAll(awkward.string(), SearchKind::RconUser, "bob", false, 2);
    ASSERT_FALSE(rcon.empty());
    EXPECT_EQ(rcon.front().text, "<Bob> status");
    EXPECT_EQ(rcon.size(), 2u) << ::testing::PrintToString(rcon);
    // A hidden password is never found; what hides it is.
    EXPECT_TRUE(searchAll(awkward.string(), SearchKind::Chat, "chat0", false, 2).empty());
    EXPECT_TRUE(searchAll(awkward.string(), SearchKind::Player, "name01", false, 2).empty());
    const std::vector<Row> hidden = searchAll(awkward.string(), SearchKind::Chat, "password ***", false, 2);
    EXPECT_EQ(hidden.size(), 2u) << ::testing::PrintToString(hidden);
}

// The sample folder's last day has no file of its own: it is listed from
// the end of the day before's last file, and its lines reach a search only
// through that file's parse, shared between two days' windows on different
// threads. Searched again and again on 1, 2, 8 and 32 threads (for about two
// seconds in all, however slow the build), every search must find what the
// viewer finds day by day, that day's lines included.
TEST(AllDaysSearch, TheDayListedFromAFilesEndIsFoundOnEveryThreadCountEveryTime)
{
    const std::string samples = sampleLogs();
    for (const char* zone : {"UTC0", "CET-1CEST,M3.5.0,M10.5.0/3"}) {
        SCOPED_TRACE(zone);
        ScopedTimeZone scoped(zone);
        FolderDays folder;
        ASSERT_TRUE(folder.scan(samples));
        const std::int32_t lastDay = folder.days[folder.days.size() - 1];
        ASSERT_TRUE(std::none_of(folder.files.entries.begin(), folder.files.entries.end(),
                                 [&](const LogFileEntry& entry) { return dayStartOf(entry.startTime) == lastDay; }))
            << "the last day must be one no file begins on";
        const std::vector<Row> expected = searchDayByDay(samples, SearchKind::Player, "e", false);
        ASSERT_TRUE(std::any_of(expected.begin(), expected.end(), [&](const Row& row) { return row.day == lastDay; }));
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(1);
        int rounds = 0;
        do {
            for (unsigned threads : {1u, 2u, 8u, 32u}) {
                const std::vector<Row> found = searchAll(samples, SearchKind::Player, "e", false, threads);
                ASSERT_EQ(found, expected) << threads << " threads, round " << rounds;
            }
            ++rounds;
        } while (std::chrono::steady_clock::now() < until);
    }
}

// Standing on a hit of the all-days search puts the viewer exactly where
// Find Next puts it on that hit.
TEST(AllDaysSearch, StandingOnAHitLandsWhereFindLands)
{
    ScopedTimeZone zone("Europe/Berlin");
    TempFolder generated;
    LogGenOptions options;
    options.seed = 2;
    options.days = 2;
    options.linesPerDay = 1200;
    ASSERT_TRUE(generateLogFolder(generated.path(), options));
    const std::vector<Row> hits = searchAll(generated.string(), SearchKind::Chat, "a", false, 2);
    ASSERT_GT(hits.size(), 10u);

    auto found = std::make_unique<ViewerState>();
    auto stood = std::make_unique<ViewerState>();
    found->loadFolder(generated.string());
    stood->loadFolder(generated.string());
    std::size_t compared = 0;
    for (std::size_t d = 0; d < found->days().size(); ++d) {
        found->loadDayAt(d);
        // Find Next from the day's start, hit after hit; it steps over the
        // event it starts from, so hits next to each other are passed.
        while (found->find(SearchKind::Chat, "a", false)) {
            const std::size_t event = found->cursor() - 1;
            const auto hit = std::find_if(hits.begin(), hits.end(),
                                          [&](const Row& row) { return row.day == found->days()[d] && row.event == event; });
            ASSERT_NE(hit, hits.end()) << "Find stopped where the all-days search found nothing";
            stood->loadDayAt(d);
            ASSERT_TRUE(stood->standAfterEvent(hit->event));
            EXPECT_EQ(stood->cursor(), found->cursor());
            EXPECT_EQ(stood->viewClock(), found->viewClock());
            EXPECT_EQ(stood->speed(), 0);
            ASSERT_EQ(stood->viewChatLines().size(), found->viewChatLines().size());
            for (std::size_t i = 0; i < stood->viewChatLines().size(); ++i)
                EXPECT_STREQ(stood->viewChatLines()[i].text, found->viewChatLines()[i].text);
            ASSERT_EQ(stood->viewPlayers().size(), found->viewPlayers().size());
            for (std::size_t i = 0; i < stood->viewPlayers().size(); ++i) {
                EXPECT_STREQ(stood->viewPlayers()[i].name, found->viewPlayers()[i].name);
                EXPECT_EQ(stood->viewPlayers()[i].frags, found->viewPlayers()[i].frags);
                EXPECT_EQ(stood->viewPlayers()[i].lifeState, found->viewPlayers()[i].lifeState);
            }
            if (++compared > 40)
                break;
        }
    }
    EXPECT_GT(compared, 10u);
    // An event before where the day stands, or past its end, is refused.
    stood->loadDayAt(0);
    EXPECT_FALSE(stood->standAfterEvent(stood->dayEndEvent()));
}

// A day whose files cannot hold the pattern is passed over unparsed; it was
// read all the same, so it must not be counted among the days that could
// not be read (a rare search would otherwise report nearly every day).
TEST(AllDaysSearch, DaysPassedOverCountAsRead)
{
    ScopedTimeZone zone("UTC0");
    TempFolder folder;
    folder.write("L0705000.log", LogText("07/05/2001")
                                     .at("10:00:00", connected("Bob", 1, "10.0.0.1:1"))
                                     .at("10:00:01", said("Bob", 1, "CT", "horse"))
                                     .at("10:00:02", roundStarted())
                                     .text());
    folder.write("L0706000.log", LogText("07/06/2001")
                                     .at("10:00:00", connected("Bob", 1, "10.0.0.1:1"))
                                     .at("10:00:01", said("Bob", 1, "CT", "zebra"))
                                     .at("10:00:02", roundStarted())
                                     .text());
    FolderDays days;
    ASSERT_TRUE(days.scan(folder.string()));
    std::vector<bool> readable;
    std::size_t hits = 0;
    EXPECT_TRUE(searchAllDays(days, SearchKind::Chat, "zebra", false, nullptr, [&](const DayHits& day) {
        readable.push_back(day.readable);
        hits += day.hits.size();
    }));
    EXPECT_EQ(readable, (std::vector<bool>{true, true}));
    EXPECT_EQ(hits, 1u);
}

TEST(AllDaysSearch, EmptyAndVanishingFolders)
{
    ScopedTimeZone zone("Europe/Berlin");
    TempFolder empty;
    FolderDays none;
    EXPECT_FALSE(none.scan(empty.string()));
    EXPECT_TRUE(searchAllDays(none, SearchKind::Chat, "", false, nullptr, [](const DayHits&) { ADD_FAILURE(); }));

    // The folder goes after the scan: every day is still reported, in
    // order, unreadable, with nothing found.
    auto vanishing = std::make_unique<TempFolder>();
    LogGenOptions options;
    options.days = 5;
    options.linesPerDay = 300;
    ASSERT_TRUE(generateLogFolder(vanishing->path(), options));
    FolderDays folder;
    ASSERT_TRUE(folder.scan(vanishing->string()));
    // Five days of files, and the day after when the last one runs past midnight.
    const std::size_t dayCount = folder.days.size();
    ASSERT_GE(dayCount, 5u);
    std::filesystem::remove_all(vanishing->path());
    std::size_t days = 0;
    EXPECT_TRUE(searchAllDays(folder, SearchKind::Chat, "", false, nullptr, [&](const DayHits& day) {
        EXPECT_EQ(day.index, days++);
        EXPECT_FALSE(day.readable);
        EXPECT_TRUE(day.hits.empty());
    }, 2));
    EXPECT_EQ(days, dayCount);

    // Going while the search runs: the days come to an end all the same.
    ASSERT_TRUE(generateLogFolder(vanishing->path(), options));
    ASSERT_TRUE(folder.scan(vanishing->string()));
    days = 0;
    EXPECT_TRUE(searchAllDays(folder, SearchKind::Chat, "", false, nullptr, [&](const DayHits& day) {
        if (days++ == 0)
            std::filesystem::remove_all(vanishing->path());
        EXPECT_EQ(day.index + 1, days);
    }, 1));
    EXPECT_EQ(days, dayCount);

    // A stop ends the walk between days.
    TempFolder busy;
    options.days = 30;
    ASSERT_TRUE(generateLogFolder(busy.path(), options));
    ASSERT_TRUE(folder.scan(busy.string()));
    // With one thread the day handed over is the day worked: the stop
    // comes right after it.
    for (const unsigned threads : {1u, 2u}) {
        std::atomic<bool> stop = false;
        std::size_t seen = 0;
        EXPECT_FALSE(searchAllDays(folder, SearchKind::Chat, "", false, &stop, [&](const DayHits&) {
            if (++seen == 3)
                stop = true;
        }, threads));
        EXPECT_LT(seen, threads == 1 ? 4u : 30u);
    }
    // A stop that comes once the last day is in hand leaves nothing unread:
    // the walk is whole, not cut short.
    for (const unsigned threads : {1u, 2u}) {
        std::atomic<bool> stop = false;
        std::size_t seen = 0;
        EXPECT_TRUE(searchAllDays(folder, SearchKind::Chat, "", false, &stop, [&](const DayHits&) {
            if (++seen == folder.days.size())
                stop = true;
        }, threads));
        EXPECT_EQ(seen, folder.days.size());
    }
}

} // namespace
} // namespace zelkam
