// A file cut into pieces and read on several threads joins into the read
// of the whole file on one: the same events in the same order, and the same
// mark to read on from (size, last line feed, last bytes, whether the
// unterminated last line made an event), and the same lines set aside as
// stray.

#include "ingest/parallel_read.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "ingest/window_reader.h"
#include "tests/support/log_lines.h"
#include "tests/support/temp_folder.h"
#include "tests/support/time_zone.h"

namespace zelkam {
namespace {

using namespace zelkam::test;

struct Read {
    std::vector<std::string> events;
    std::vector<FileMark> marks;
};

Read readOn(const TempFolder& folder, unsigned threads)
{
    LogFileList files;
    EXPECT_TRUE(scanFolder(folder.string(), files));
    WindowReader reader;
    reader.setThreads(threads);
    reader.setInlineBelow(0);
    // Pieces far shorter than a line, so that most cuts fall inside one.
    reader.setPieceBytes(40);
    LogParser parser;
    EXPECT_TRUE(reader.readWindow(files, parser, localStamp(2001, 7, 6), 1));
    Read read;
    for (const LogEvent& event : parser.events())
        read.events.push_back(std::to_string(event.kind) + " " + std::to_string(event.time) + " "
                              + (event.text ? event.text : "<null>"));
    read.marks = reader.marks();
    return read;
}

TEST(ParallelRead, PiecesJoinIntoTheReadOfTheWholeFile)
{
    ScopedTimeZone zone("UTC0");
    std::string lines;
    for (int i = 0; i < 40; ++i)
        lines += lineAt("07/06/2001", "10:00:" + std::string(i < 10 ? "0" : "") + std::to_string(i),
                        said("Bob", 2, "CT", "line " + std::to_string(i) + std::string(i % 7, 'x')));
    std::string last = lineAt("07/06/2001", "10:01:00", said("Bob", 2, "CT", "no line feed"));
    last.pop_back();
    const struct {
        const char* name;
        std::string text;
    } cases[] = {
        {"ends with a line feed", lines},
        {"ends inside a line that makes an event", lines + last},
        {"lines end with CR LF", [&] {
             std::string crlf;
             for (char c : lines) {
                 if (c == '\n')
                     crlf += '\r';
                 crlf += c;
             }
             return crlf;
         }()},
        {"a line longer than many pieces",
         lines + lineAt("07/06/2001", "10:02:00", said("Bob", 2, "CT", std::string(500, 'y')))},
        // A stray line is set aside from the joined pieces as from the
        // read on one thread.
        {"a line stamped hours off among them",
         lines + lineAt("07/06/2001", "13:30:00", said("Bob", 2, "CT", "stray")) + lines},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TempFolder folder;
        folder.write("L0706000.log", c.text);
        folder.write("L0706001.log", lineAt("07/06/2001", "11:00:00", said("Ann", 3, "T", "second file")));
        const Read one = readOn(folder, 1);
        const Read many = readOn(folder, 3);
        ASSERT_GT(one.events.size(), 40u);
        EXPECT_EQ(many.events, one.events);
        ASSERT_EQ(many.marks.size(), one.marks.size());
        for (std::size_t i = 0; i < one.marks.size(); ++i) {
            SCOPED_TRACE(one.marks[i].name);
            EXPECT_EQ(many.marks[i].name, one.marks[i].name);
            EXPECT_EQ(many.marks[i].size, one.marks[i].size);
            EXPECT_EQ(many.marks[i].consumed, one.marks[i].consumed);
            EXPECT_EQ(many.marks[i].complete, one.marks[i].complete);
            EXPECT_EQ(many.marks[i].tailEvent, one.marks[i].tailEvent);
            EXPECT_EQ(many.marks[i].lastBytes, one.marks[i].lastBytes);
            EXPECT_EQ(many.marks[i].lastBytesKnown, one.marks[i].lastBytesKnown);
            EXPECT_EQ(many.marks[i].inode, one.marks[i].inode);
        }
    }
}

} // namespace
} // namespace zelkam
