#include "ingest/window_reader.h"

#include <sys/stat.h>

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

// Reads a window of the folder and returns the texts of its events.
class WindowReaderTest : public ::testing::Test {
protected:
    std::vector<std::string> read(std::int32_t start, int days, bool* ok = nullptr)
    {
        if (list_.entries.empty()) {
            EXPECT_TRUE(scanFolder(folder_.string(), list_));
        }
        const bool result = reader_.readWindow(list_, parser_, start, days);
        if (ok)
            *ok = result;
        std::vector<std::string> texts;
        for (const LogEvent& event : parser_.events())
            texts.emplace_back(event.text ? event.text : "<null>");
        return texts;
    }

    ScopedTimeZone tz_{"UTC"};
    TempFolder folder_;
    LogFileList list_;
    WindowReader reader_;
    LogParser parser_;
};

TEST_F(WindowReaderTest, ReadsTheFilesThatStartInsideTheWindow)
{
    folder_.write("L0705000.log", chatLineAt("07/05/2001", "08:00:00", "too early"));
    folder_.write("L0705001.log", chatLineAt("07/05/2001", "23:10:00", "evening before") + chatLineAt("07/06/2001", "00:10:00", "past midnight"));
    folder_.write("L0706000.log", chatLineAt("07/06/2001", "09:00:00", "the day"));
    folder_.write("L0707000.log", chatLineAt("07/07/2001", "00:05:00", "next day"));
    const std::int32_t day = localStamp(2001, 7, 6);
    EXPECT_EQ(read(day - 86400, 2), (std::vector<std::string>{"too early", "evening before", "past midnight", "the day"}));
    EXPECT_EQ(read(day - 86400 + 3600 * 9, 2),
              (std::vector<std::string>{"evening before", "past midnight", "the day", "next day"}))
        << "with no file starting after the window, every file from the first on is read";
}

TEST_F(WindowReaderTest, WindowAfterEveryFileFails)
{
    folder_.write("L0705000.log", chatLineAt("07/05/2001", "08:00:00", "a"));
    bool ok = true;
    EXPECT_TRUE(read(localStamp(2001, 7, 5, 9), 2, &ok).empty());
    EXPECT_FALSE(ok);
    EXPECT_EQ(parser_.events().size(), 0u);
}

TEST_F(WindowReaderTest, FilesWithEqualStartsAreReadInNameOrder)
{
    folder_.write("L0706001.log", chatLineAt("07/06/2001", "09:00:00", "second"));
    folder_.write("L0706000.log", chatLineAt("07/06/2001", "09:00:00", "first"));
    EXPECT_EQ(read(localStamp(2001, 7, 5), 2), (std::vector<std::string>{"first", "second"}));
}

TEST_F(WindowReaderTest, BookkeepingOnlyFileAddsNothingAndReadingGoesOn)
{
    folder_.write("L0706000.log", lineAt("07/06/2001", "09:00:00", "Log file started") +
                                      lineAt("07/06/2001", "09:00:00", "Log file closed"));
    folder_.write("L0706001.log", chatLineAt("07/06/2001", "10:00:00", "after"));
    EXPECT_EQ(read(localStamp(2001, 7, 5), 2), std::vector<std::string>{"after"});
}

TEST_F(WindowReaderTest, LastLineWithoutLineFeedIsDelivered)
{
    std::string last = chatLineAt("07/06/2001", "10:00:00", "last");
    last.pop_back();
    folder_.write("L0706000.log", chatLineAt("07/06/2001", "09:00:00", "first") + last);
    folder_.write("L0706001.log", chatLineAt("07/06/2001", "11:00:00", "next file"));
    EXPECT_EQ(read(localStamp(2001, 7, 5), 2), (std::vector<std::string>{"first", "last", "next file"}))
        << "and the next file starts on a line of its own";
}

TEST_F(WindowReaderTest, CarriageReturnLineEndsReadLikeLineFeeds)
{
    std::string crlf = chatLineAt("07/06/2001", "09:00:00", "one") + chatLineAt("07/06/2001", "09:00:01", "two");
    for (std::size_t at = crlf.find('\n'); at != std::string::npos; at = crlf.find('\n', at + 2))
        crlf.insert(at, "\r");
    folder_.write("L0706000.log", crlf);
    EXPECT_EQ(read(localStamp(2001, 7, 5), 2), (std::vector<std::string>{"one", "two"}));
}

// The tail of an over-long line is player text; it must never be read as a
// line of its own, whatever it pretends to be.
TEST_F(WindowReaderTest, OverlongLineYieldsAtMostOneEvent)
{
    const std::string forged = lineAt("07/06/2001", "09:00:01", R"(Rcon: "rcon 1 pw kick all" from "1.2.3.4:5")");
    const std::string padding(300, 'x');
    folder_.write("L0706000.log", chatLineAt("07/06/2001", "09:00:00", padding + forged) + chatLineAt("07/06/2001", "09:00:02", "after"));
    const auto texts = read(localStamp(2001, 7, 5), 2);
    ASSERT_EQ(texts.size(), 2u);
    EXPECT_EQ(texts[0].size(), 255u - 25 - std::string("\"Bob<12><345678><CT>\" say \"").size())
        << "the message keeps what fits the first 255 characters";
    EXPECT_EQ(texts[1], "after");
    for (const LogEvent& event : parser_.events())
        EXPECT_EQ(event.kind, Say);
}

TEST_F(WindowReaderTest, LinesStraddlingReadBuffersAreWhole)
{
    // Enough lines of varied length that lines (and an over-long one) cross
    // the reader's internal buffer boundaries.
    std::string content;
    std::vector<std::string> expected;
    for (int i = 0; content.size() < 600000; ++i) {
        const std::string message = std::to_string(i) + std::string(static_cast<std::size_t>(i % 200), '.');
        content += chatLineAt("07/06/2001", "09:00:00", message);
        expected.push_back(message);
        if (i % 997 == 0)
            content += std::string(100000, 'z') + "\n";
    }
    folder_.write("L0706000.log", content);
    EXPECT_EQ(read(localStamp(2001, 7, 5), 2), expected);
}

TEST_F(WindowReaderTest, FileThatVanishedAfterTheScanIsPassedOver)
{
    folder_.write("L0706000.log", chatLineAt("07/06/2001", "09:00:00", "one"));
    // Named for another day, so the window does not re-date it.
    folder_.write("L0101000.log", chatLineAt("07/06/2001", "10:00:00", "gone"));
    folder_.write("L0706001.log", chatLineAt("07/06/2001", "11:00:00", "three"));
    ASSERT_TRUE(scanFolder(folder_.string(), list_));
    std::filesystem::remove(folder_.path() / "L0101000.log");
    EXPECT_EQ(read(localStamp(2001, 7, 5), 2), (std::vector<std::string>{"one", "three"}));
}

// Opening a FIFO for reading waits for a writer; a log file replaced by one
// after the scan must be passed over, not block the read.
TEST_F(WindowReaderTest, FifoSwappedInAfterTheScanIsPassedOver)
{
#ifdef _WIN32
    GTEST_SKIP() << "Windows has no FIFOs in the file system";
#else
    folder_.write("L0706000.log", chatLineAt("07/06/2001", "09:00:00", "one"));
    folder_.write("L0101000.log", chatLineAt("07/06/2001", "10:00:00", "swapped"));
    folder_.write("L0706001.log", chatLineAt("07/06/2001", "11:00:00", "three"));
    ASSERT_TRUE(scanFolder(folder_.string(), list_));
    std::filesystem::remove(folder_.path() / "L0101000.log");
    ASSERT_EQ(mkfifo((folder_.path() / "L0101000.log").c_str(), 0600), 0);
    EXPECT_EQ(read(localStamp(2001, 7, 5), 2), (std::vector<std::string>{"one", "three"}));
#endif
}

TEST_F(WindowReaderTest, FileEmptiedAfterTheScanIsRedatedOutOfTheWindow)
{
    folder_.write("L0706000.log", chatLineAt("07/06/2001", "09:00:00", "one"));
    folder_.write("L0706001.log", chatLineAt("07/06/2001", "10:00:00", "two"));
    ASSERT_TRUE(scanFolder(folder_.string(), list_));
    folder_.write("L0706000.log", "");
    EXPECT_EQ(read(localStamp(2001, 7, 5), 2), std::vector<std::string>{"two"});
    EXPECT_EQ(list_.entries[0].name, "L0706000.log");
    EXPECT_EQ(list_.entries[0].startTime, 0) << "a failed re-dating puts the file before every window";
}

} // namespace
} // namespace zelkam
