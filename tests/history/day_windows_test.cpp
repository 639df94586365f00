// The all-days walk hands each listed day the window the viewer reads for
// it, the day after a file's first day included when the file runs into it.

#include "history/day_windows.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "history/all_days_search.h"
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

} // namespace
} // namespace zelkam
