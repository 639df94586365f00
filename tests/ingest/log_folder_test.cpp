#include "ingest/log_folder.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/support/log_lines.h"
#include "tests/support/temp_folder.h"
#include "tests/support/time_zone.h"

namespace zelkam {
namespace {

using test::chatLineAt;
using test::lineAt;
using test::localStamp;
using test::ScopedTimeZone;
using test::TempFolder;

std::vector<std::int32_t> daysOf(const LogFolder& folder)
{
    return {folder.days().begin(), folder.days().end()};
}

// A name carries no year: logs of earlier years, and December's logs beside
// January's, must be listed under their own dates and be readable.
TEST(LogFolder, LogsOfEarlierYearsAreListedAndRead)
{
    ScopedTimeZone tz("Europe/Berlin");
    TempFolder dir;
    dir.write("L0706000.log", chatLineAt("07/06/1999", "20:00:00", "ninety-nine"));
    dir.write("L1231000.log", chatLineAt("12/31/2001", "22:00:00", "new year's eve"));
    dir.write("L0101000.log", chatLineAt("01/01/2002", "01:00:00", "new year"));

    LogFolder folder;
    ASSERT_TRUE(folder.buildDayIndex(dir.string()));
    const std::vector<std::int32_t> expected = {localStamp(1999, 7, 6), localStamp(2001, 12, 31),
                                                localStamp(2002, 1, 1)};
    ASSERT_EQ(daysOf(folder), expected);

    const char* firstTexts[] = {"ninety-nine", "new year's eve", "new year"};
    for (std::size_t i = 0; i < expected.size(); ++i) {
        ASSERT_TRUE(folder.readWindow(expected[i] - 86400, 2)) << i;
        ASSERT_FALSE(folder.events().empty());
        bool found = false;
        for (const LogEvent& event : folder.events())
            found = found || std::string(event.text) == firstTexts[i];
        EXPECT_TRUE(found) << firstTexts[i];
    }
}

TEST(LogFolder, AnEmptyFileDoesNotMakeTheFolderUnloadable)
{
    ScopedTimeZone tz("UTC");
    TempFolder dir;
    dir.write("L0705000.log", "");
    dir.write("L0706000.log", chatLineAt("07/06/2001", "09:00:00", "hello"));
    LogFolder folder;
    ASSERT_TRUE(folder.buildDayIndex(dir.string()));
    ASSERT_EQ(daysOf(folder), std::vector<std::int32_t>{localStamp(2001, 7, 6)});
    ASSERT_TRUE(folder.readWindow(folder.days()[0] - 86400, 2));
    EXPECT_EQ(folder.events().size(), 1u);
}

TEST(LogFolder, FailedScanKeepsWhatWasLoaded)
{
    ScopedTimeZone tz("UTC");
    TempFolder dir;
    TempFolder empty;
    dir.write("L0706000.log", chatLineAt("07/06/2001", "09:00:00", "hello"));
    LogFolder folder;
    ASSERT_TRUE(folder.buildDayIndex(dir.string()));
    ASSERT_TRUE(folder.readWindow(localStamp(2001, 7, 5), 2));
    EXPECT_FALSE(folder.buildDayIndex(empty.string()));
    EXPECT_EQ(folder.days().size(), 1u);
    ASSERT_EQ(folder.events().size(), 1u);
    EXPECT_STREQ(folder.events()[0].text, "hello");

    folder.clear();
    EXPECT_EQ(folder.days().size(), 0u);
    EXPECT_EQ(folder.events().size(), 0u);
    EXPECT_FALSE(folder.readWindow(localStamp(2001, 7, 5), 2));
}

TEST(LogFolder, RescanReplacesTheDays)
{
    ScopedTimeZone tz("UTC");
    TempFolder a;
    TempFolder b;
    a.write("L0706000.log", chatLineAt("07/06/2001", "09:00:00", "a"));
    b.write("L0801000.log", chatLineAt("08/01/2001", "09:00:00", "b"));
    LogFolder folder;
    ASSERT_TRUE(folder.buildDayIndex(a.string()));
    ASSERT_TRUE(folder.buildDayIndex(b.string()));
    EXPECT_EQ(daysOf(folder), std::vector<std::int32_t>{localStamp(2001, 8, 1)});
}

// The folder is read, never written: names, sizes, times and contents stay.
TEST(LogFolder, ReadingLeavesTheFolderUntouched)
{
    ScopedTimeZone tz("UTC");
    TempFolder dir;
    dir.write("L0706000.log", chatLineAt("07/06/2001", "09:00:00", "a"));
    dir.write("L0707000.log", chatLineAt("07/07/2001", "09:00:00", "b"));
    const auto snapshot = [&] {
        std::vector<std::string> state;
        for (const auto& entry : std::filesystem::directory_iterator(dir.path()))
            state.push_back(entry.path().filename().string() + " " + std::to_string(entry.file_size()) + " " +
                            std::to_string(entry.last_write_time().time_since_epoch().count()));
        std::sort(state.begin(), state.end());
        return state;
    };
    const auto before = snapshot();
    LogFolder folder;
    ASSERT_TRUE(folder.buildDayIndex(dir.string()));
    for (std::int32_t day : daysOf(folder))
        folder.readWindow(day - 86400, 2);
    EXPECT_EQ(snapshot(), before);
}

} // namespace
} // namespace zelkam
