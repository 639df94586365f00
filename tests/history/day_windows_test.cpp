// The all-days walk hands each listed day the window the viewer reads for
// it, the day after a file's first day included when the file runs into it.

#include "history/day_windows.h"

#include <algorithm>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "history/all_days_search.h"
#include "replay/viewer_state.h"
#include "tests/support/log_lines.h"
#include "tests/support/temp_folder.h"
#include "tests/support/time_zone.h"

namespace zelkam {
namespace {

using namespace zelkam::test;

// A map played on past midnight with no file of its own for the next day:
// that day is listed, its window holds the lines, the search finds them on
// that day alone, and every day counts as read, with or without files that
// may hold the pattern.
TEST(DayWindows, TheDayAFileRunsIntoIsWalkedAndSearched)
{
    ScopedTimeZone tz("Europe/Berlin");
    TempFolder folder;
    folder.write("L0708000.log", LogText("07/08/2001")
                                     .at("23:50:00", mapStarted("de_dust"))
                                     .at("23:50:01", connected("Ann", 1, "10.0.0.1:27005"))
                                     .at("23:59:58", said("Ann", 1, "CT", "gg before"))
                                     .on("07/09/2001")
                                     .at("00:09:55", said("Ann", 1, "CT", "gg after"))
                                     .at("00:10:00", mapStarted("de_aztec"))
                                     .text());
    folder.write("L0710000.log", LogText("07/10/2001").at("10:00:00", said("Ann", 1, "CT", "later")).text());
    FolderDays days;
    ASSERT_TRUE(days.scan(folder.string()));
    const std::vector<std::int32_t> expected = {localStamp(2001, 7, 8), localStamp(2001, 7, 9), localStamp(2001, 7, 10)};
    ASSERT_EQ(std::vector<std::int32_t>(days.days.begin(), days.days.end()), expected);

    for (const char* pattern : {"gg", "nobody wrote this"}) {
        std::vector<std::vector<std::string>> found(expected.size());
        std::vector<bool> readable(expected.size());
        ASSERT_TRUE(searchAllDays(days, SearchKind::Chat, pattern, false, nullptr, [&](const DayHits& day) {
            readable[day.index] = day.readable;
            for (const HistoryHit& hit : day.hits)
                found[day.index].push_back(hit.text);
        }));
        EXPECT_EQ(readable, std::vector<bool>(expected.size(), true)) << pattern;
        if (std::string(pattern) == "gg") {
            ASSERT_EQ(found[0].size(), 1u);
            EXPECT_NE(found[0][0].find("gg before"), std::string::npos);
            ASSERT_EQ(found[1].size(), 1u);
            EXPECT_NE(found[1][0].find("gg after"), std::string::npos);
            EXPECT_TRUE(found[2].empty());
        }
    }
}

// Every day's window is the list the viewer loads for that day, event for
// event: a folder's first day and a day after a gap (no day before to join,
// stray stamps set aside in the day's own lines), and a day joined to the
// day before, on one thread and on several.
TEST(DayWindows, EachWindowIsWhatTheViewerLoads)
{
    ScopedTimeZone tz("Europe/Berlin");
    TempFolder folder;
    const auto dayOf = [](const char* date, const char* stray) {
        return LogText(date)
            .at("10:00:00", mapStarted("de_dust"))
            .at("10:00:01", connected("Ann", 1, "10.0.0.1:27005"))
            .at("10:00:05", said("Ann", 1, "CT", "before the stray"))
            .on(stray)
            .at("03:00:00", said("Ann", 1, "CT", "stray"))
            .on(date)
            .at("10:00:10", said("Ann", 1, "CT", "after the stray"))
            .at("23:59:50", said("Ann", 1, "CT", "late"))
            .text();
    };
    folder.write("L0708000.log", dayOf("07/08/2001", "07/01/2001"));
    folder.write("L0709000.log", dayOf("07/09/2001", "07/02/2001"));
    folder.write("L0712000.log", dayOf("07/12/2001", "07/03/2001"));
    using Row = std::vector<std::pair<std::int32_t, std::string>>;
    const auto rowsOf = [](const EventList& events, std::size_t from) {
        Row rows;
        for (std::size_t e = from; e < events.size(); ++e)
            rows.emplace_back(events[e].time, events[e].text ? events[e].text : "");
        return rows;
    };
    ViewerState state;
    ASSERT_TRUE(state.loadFolder(folder.string()));
    std::vector<Row> loaded;
    for (std::size_t d = 0; d < state.days().size(); ++d) {
        ASSERT_TRUE(state.loadDayAt(d));
        loaded.push_back(rowsOf(state.events(), 0));
        for (const auto& [time, text] : loaded.back())
            EXPECT_NE(text, "stray") << d;
        EXPECT_EQ(std::count_if(loaded.back().begin(), loaded.back().end(),
                                [](const auto& row) { return row.second == "after the stray"; }),
                  d == 1 ? 2 : 1);
    }
    ASSERT_EQ(loaded.size(), 3u);
    for (const unsigned threads : {1u, 2u}) {
        FolderDays days;
        ASSERT_TRUE(days.scan(folder.string()));
        std::vector<Row> walked(days.days.size());
        std::vector<Row> own(days.days.size());
        ASSERT_TRUE(walkDayWindows(
            days, nullptr,
            [&](const DayWindow& window) {
                ASSERT_NE(window.window, nullptr);
                walked[window.index] = rowsOf(*window.window, 0);
                own[window.index] = rowsOf(*window.window, window.ownFirst);
            },
            {}, threads));
        EXPECT_EQ(walked, loaded) << threads;
        // The first day and the day after the gap are their own lines alone.
        EXPECT_EQ(own[0], walked[0]) << threads;
        EXPECT_EQ(own[2], walked[2]) << threads;
        EXPECT_LT(own[1].size(), walked[1].size()) << threads;
    }
}

// A window marked as the day's own list is the very list the hand-over gets
// for that day (a rankings walk counts it there, beside the sessions): a
// lone day's is, its stray stamp set aside by its own parse as the viewer
// sets it aside; a day joined to the day before is not.
TEST(DayWindows, OnlyALoneDaysWindowIsItsOwnList)
{
    ScopedTimeZone tz("UTC0");
    TempFolder folder;
    const auto dayOf = [](const char* date) {
        return LogText(date).at("10:00:00", mapStarted("de_dust")).at("10:00:05", said("Ann", 1, "CT", "hi"));
    };
    folder.write("L0708000.log", dayOf("07/08/2001").text());
    folder.write("L0709000.log", dayOf("07/09/2001").text());
    folder.write("L0712000.log",
                 dayOf("07/12/2001").on("07/03/2001").at("03:00:00", said("Ann", 1, "CT", "stray")).text());
    // One byte a day: the window callback runs on several threads at once,
    // and a vector<bool> would pack the days into one shared word.
    const std::vector<char> expected = {true, false, true};
    for (const unsigned threads : {1u, 3u}) {
        FolderDays days;
        ASSERT_TRUE(days.scan(folder.string()));
        ASSERT_EQ(days.days.size(), expected.size());
        std::vector<char> ownList(expected.size());
        std::vector<const EventList*> windows(expected.size());
        std::vector<const EventList*> handedOver(expected.size());
        ASSERT_TRUE(walkDayWindows(
            days, nullptr,
            [&](const DayWindow& view) {
                ownList[view.index] = view.ownList;
                windows[view.index] = view.window;
            },
            [&](std::size_t index, const EventList* own) { handedOver[index] = own; }, threads));
        EXPECT_EQ(ownList, expected) << threads;
        for (std::size_t d = 0; d < expected.size(); ++d) {
            if (ownList[d]) {
                EXPECT_EQ(windows[d], handedOver[d]) << d << " on " << threads;
            }
        }
    }
}

} // namespace
} // namespace zelkam
