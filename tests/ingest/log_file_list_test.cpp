#include "ingest/log_file_list.h"

#include <sys/stat.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/support/compression.h"
#include "tests/support/temp_folder.h"
#include "tests/support/time_zone.h"

namespace zelkam {
namespace {

using test::gzipped;
using test::lineAt;
using test::localStamp;
using test::ScopedTimeZone;
using test::TempFolder;

std::string startedAt(std::string_view date, std::string_view time)
{
    return lineAt(date, time, R"(Log file started (file "logs/L0000000.log") (game "cstrike"))");
}

std::vector<std::string> namesOf(const LogFileList& list)
{
    std::vector<std::string> names;
    for (const LogFileEntry& entry : list.entries)
        names.push_back(entry.name);
    return names;
}

TEST(FileNamePattern, MatchesLikeTheServersPlatform)
{
    struct Case {
        const char* pattern;
        const char* name;
        bool matches;
    };
    const Case cases[] = {
        {"L*.log", "L0706000.log", true},   {"L*.log", "l0706000.LOG", true}, {"L*.log", "L.log", true},
        {"L*.log", "L0706000.log.gz", false}, {"L*.log", "XL0706000.log", false}, {"L*.log", "L0706000.txt", false},
        {"L0706*.log", "L0706001.log", true}, {"L0706*.log", "L0707001.log", false}, {"L*.log", "", false},
        {"L*.log", "L.lo", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(matchesFileNamePattern(c.pattern, c.name), c.matches) << c.pattern << " " << c.name;
}

TEST(ProbeLogFile, DatesAFileByItsFirstLine)
{
    ScopedTimeZone tz("UTC");
    TempFolder folder;
    std::int32_t time = 0;
    EXPECT_TRUE(probeLogFile(folder.write("a", "L 07/06/2001 - 11:21:08: x"), time));
    EXPECT_EQ(time, localStamp(2001, 7, 6, 11, 21, 8));
    EXPECT_TRUE(probeLogFile(folder.write("b", "L 07/06/2001 - 11:21:08:"), time)) << "24 bytes are enough";
    EXPECT_FALSE(probeLogFile(folder.write("c", "L 07/06/2001 - 11:21:08"), time));
    EXPECT_FALSE(probeLogFile(folder.write("d", "L 07/06/2099 - 11:21:08: x"), time));
    EXPECT_FALSE(probeLogFile(folder.path() / "missing", time));
    EXPECT_FALSE(probeLogFile(folder.path(), time));
}

TEST(ScanFolder, DatesFilesByTheirFirstLineAndSortsThem)
{
    ScopedTimeZone tz("UTC");
    TempFolder folder;
    // Names and first lines disagree on purpose: the first line decides.
    folder.write("L0706001.log", startedAt("07/06/2001", "09:00:00"));
    folder.write("L0706000.log", startedAt("07/06/2001", "23:10:00"));
    folder.write("L0101000.log", startedAt("12/31/1999", "12:00:00"));
    folder.write("notes.txt", startedAt("07/06/2001", "09:00:00"));

    LogFileList list;
    ASSERT_TRUE(scanFolder(folder.string(), list));
    EXPECT_EQ(namesOf(list), (std::vector<std::string>{"L0101000.log", "L0706001.log", "L0706000.log"}));
    EXPECT_EQ(list.entries[0].startTime, localStamp(1999, 12, 31, 12));
    EXPECT_EQ(list.entries[2].startTime, localStamp(2001, 7, 6, 23, 10));
}

// Names that differ only in letter case are one log copied twice (from a
// system that ignores case): it is read once, under the name in upper case.
TEST(ScanFolder, EqualTimesSortByNameAndCaseTwinsAreOneLog)
{
#ifdef _WIN32
    GTEST_SKIP() << "Windows file names ignore letter case: names differing only in case are one file";
#endif
    ScopedTimeZone tz("UTC");
    TempFolder folder;
    for (const char* name : {"l0706000.log", "L0706001.log", "L0706000.log", "l0706002.LOG"})
        folder.write(name, startedAt("07/06/2001", "09:00:00"));
    LogFileList list;
    ASSERT_TRUE(scanFolder(folder.string(), list));
    EXPECT_EQ(namesOf(list), (std::vector<std::string>{"L0706000.log", "L0706001.log", "l0706002.LOG"}));
}

TEST(ScanFolder, LeavesOutWhatCannotBeALogFile)
{
#ifdef _WIN32
    GTEST_SKIP() << "FIFOs and symbolic links are POSIX file-system cases";
#else
    ScopedTimeZone tz("UTC");
    TempFolder folder;
    folder.write("L0706000.log", startedAt("07/06/2001", "09:00:00"));
    folder.write("L0705000.log", "");                              // empty
    folder.write("L0705001.log", "L 07/05/2001 - 09:00:0");        // 23 bytes
    folder.write("L0705002.log", startedAt("07/05/2099", "09:00:00")); // does not fit 32 bits
    std::filesystem::create_directory(folder.path() / "L0705003.log");
    ASSERT_EQ(mkfifo((folder.path() / "L0705004.log").c_str(), 0600), 0) << "a FIFO would block a read forever";
    folder.write("elsewhere.txt", startedAt("07/06/2001", "10:00:00"));
    std::filesystem::create_symlink("elsewhere.txt", folder.path() / "L0706009.log");
    // Further names of a log already listed: it is listed once, under the
    // name that sorts first.
    std::filesystem::create_symlink("L0706000.log", folder.path() / "L0706008.log");
    std::filesystem::create_hard_link(folder.path() / "L0706000.log", folder.path() / "L0706007.log");
    std::filesystem::create_symlink("missing.log", folder.path() / "L0705005.log");
    std::filesystem::create_symlink("L0705006.log", folder.path() / "L0705006.log");

    LogFileList list;
    ASSERT_TRUE(scanFolder(folder.string(), list));
    EXPECT_EQ(namesOf(list), (std::vector<std::string>{"L0706000.log", "L0706009.log"}))
        << "only datable regular files, links to them followed, each file once";
#endif
}

TEST(ScanFolder, FailsWithoutLogsOrFolder)
{
    ScopedTimeZone tz("UTC");
    TempFolder folder;
    folder.write("L0706000.log", "");
    const auto file = folder.write("plain.txt", "x");
    for (const std::string& path : {folder.string(), (folder.path() / "missing").string(), file.string()}) {
        LogFileList list;
        list.entries.append(LogFileEntry{"kept", 5});
        EXPECT_FALSE(scanFolder(path, list)) << path;
        EXPECT_EQ(namesOf(list), std::vector<std::string>{"kept"}) << "a failed scan changes nothing";
    }
}

TEST(ScanFolder, EmptyPathIsTheCurrentDirectory)
{
    ScopedTimeZone tz("UTC");
    TempFolder folder;
    folder.write("L0706000.log", startedAt("07/06/2001", "09:00:00"));
    const auto previous = std::filesystem::current_path();
    std::filesystem::current_path(folder.path());
    LogFileList list;
    const bool scanned = scanFolder("", list);
    std::filesystem::current_path(previous);
    ASSERT_TRUE(scanned);
    EXPECT_EQ(namesOf(list), std::vector<std::string>{"L0706000.log"});
}

// A file whose last whole line is stamped on the day after its first line's
// lists that day too (its two-day window reads the file); the last line is
// read from the file's end, whatever its size.
TEST(DayIndex, ListsTheNextDayAFileRunsInto)
{
    ScopedTimeZone tz("Europe/Berlin");
    const std::string evening = startedAt("07/06/2001", "23:00:00");
    const std::string padding(20000, 'x');
    const std::string lateLine = lineAt("07/07/2001", "00:00:00", "Server say \"midnight\"");
    struct Case {
        const char* what;
        std::vector<std::pair<std::string, std::string>> files;
        std::vector<std::int32_t> days;
    };
    const std::int32_t d6 = localStamp(2001, 7, 6), d7 = localStamp(2001, 7, 7), d8 = localStamp(2001, 7, 8),
                       d9 = localStamp(2001, 7, 9);
    const Case cases[] = {
        {"the next day", {{"L0706000.log", evening + lateLine}}, {d6, d7}},
        {"read from the end of a large file",
         {{"L0706000.log", evening + lineAt("07/06/2001", "23:00:01", padding) + lateLine}}, {d6, d7}},
        {"a line of junk after it", {{"L0706000.log", evening + lateLine + "junk\n"}}, {d6, d7}},
        {"two days on: nothing sure of the next", {{"L0706000.log", evening + lineAt("07/08/2001", "01:00:00", "x")}}, {d6}},
        {"an unfinished last line is not yet a line",
         {{"L0706000.log", evening + lateLine.substr(0, lateLine.size() - 1)}}, {d6}},
        {"an archive's end is not looked at", {{"L0706000.log.gz", gzipped(evening + lateLine)}}, {d6}},
        {"before a later day's file",
         {{"L0706000.log", evening + lateLine}, {"L0709000.log", startedAt("07/09/2001", "10:00:00")}}, {d6, d7, d9}},
        {"a day that has files of its own",
         {{"L0706000.log", evening + lateLine},
          {"L0707000.log", startedAt("07/07/2001", "10:00:00") + lineAt("07/08/2001", "00:10:00", "x")}},
         {d6, d7, d8}},
        {"one file of a day that reaches the next, one that does not",
         {{"L0706000.log", evening + lateLine}, {"L0706001.log", startedAt("07/06/2001", "23:30:00")}}, {d6, d7}},
    };
    for (const Case& c : cases) {
        TempFolder folder;
        for (const auto& [name, bytes] : c.files)
            folder.write(name, bytes);
        LogFileList list;
        ASSERT_TRUE(scanFolder(folder.string(), list)) << c.what;
        GrowArray<std::int32_t> days(2);
        appendDays(list, days);
        EXPECT_EQ(std::vector<std::int32_t>(days.begin(), days.end()), c.days) << c.what;
    }
}

TEST(DayIndex, ListsEachLocalDayOnceInOrder)
{
    ScopedTimeZone tz("UTC");
    LogFileList list;
    for (std::int32_t t : {localStamp(2001, 7, 5, 9), localStamp(2001, 7, 6, 0), localStamp(2001, 7, 6, 23, 59, 59),
                           localStamp(2001, 7, 8, 12)})
        list.entries.append(LogFileEntry{"L.log", t});
    GrowArray<std::int32_t> days(2);
    appendDays(list, days);
    ASSERT_EQ(days.size(), 3u);
    EXPECT_EQ(days[0], localStamp(2001, 7, 5));
    EXPECT_EQ(days[1], localStamp(2001, 7, 6));
    EXPECT_EQ(days[2], localStamp(2001, 7, 8));
}

// The midnight of a file's day must not take the daylight-saving flag of
// the file's own time, or the day of a clock change is listed twice.
TEST(DayIndex, DayOfAClockChangeIsListedOnce)
{
    ScopedTimeZone tz("Europe/Berlin");
    for (int month : {3, 10}) {
        const int day = month == 3 ? 25 : 28;
        LogFileList list;
        list.entries.append(LogFileEntry{"a", localStamp(2001, month, day, 0, 30)});
        list.entries.append(LogFileEntry{"b", localStamp(2001, month, day, 10)});
        list.entries.append(LogFileEntry{"c", localStamp(2001, month, day, 23, 59)});
        GrowArray<std::int32_t> days(2);
        appendDays(list, days);
        ASSERT_EQ(days.size(), 1u) << "month " << month;
        EXPECT_EQ(days[0], localStamp(2001, month, day));
    }
}

// The day index converts each local date once and reuses it for the files
// that follow on the same date; it must list what converting every file's
// own time lists, in zones where midnight itself can be skipped too.
TEST(DayIndex, ListsWhatDatingEveryFileOnItsOwnLists)
{
    for (const char* zone : {"UTC", "Europe/Berlin", "America/Sao_Paulo", "Australia/Lord_Howe"}) {
        SCOPED_TRACE(zone);
        ScopedTimeZone tz(zone);
        LogFileList list;
        std::int32_t t = localStamp(2001, 1, 1);
        for (int i = 0; i < 3000; ++i) {
            list.entries.append(LogFileEntry{"L.log", t});
            t += 3600 * (i % 7) + 1800 + i % 61;
        }
        GrowArray<std::int32_t> days(2);
        appendDays(list, days);
        std::vector<std::int32_t> expected;
        std::int64_t last = -1;
        for (const LogFileEntry& entry : list.entries) {
            const std::int32_t day = dayStartOf(entry.startTime);
            if (day > last) {
                expected.push_back(day);
                last = day;
            }
        }
        ASSERT_EQ(std::vector<std::int32_t>(days.begin(), days.end()), expected);
    }
}

} // namespace
} // namespace zelkam
