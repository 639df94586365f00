// Pieces of a plain file, cut anywhere, hand out every line of the file once
// and whole; reading a file on from a mark takes only what was added since.

#include "ingest/piece_source.h"

#include <fstream>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "ingest/mark_read.h"
#include "ingest/open_file.h"
#include "tests/support/log_lines.h"
#include "tests/support/temp_folder.h"
#include "tests/support/time_zone.h"

namespace zelkam {
namespace {

using namespace zelkam::test;

std::string readPiece(const std::filesystem::path& path, std::uint64_t begin, std::uint64_t end, std::size_t chunk)
{
    PieceSource source(openLogForReading(path), begin, end);
    std::string content;
    std::string buffer(chunk, '\0');
    while (const std::size_t got = source.read(buffer.data(), buffer.size()))
        content.append(buffer.data(), got);
    return content;
}

// Lines of every length from empty to long, an unterminated last one, and
// line feeds in runs: the pieces of any cut join up to the file, each
// beginning where a line begins.
TEST(PieceSource, PiecesOfAnyCutJoinUpToTheFile)
{
    std::mt19937 random(5);
    std::string content;
    while (content.size() < 5000) {
        content.append(random() % 7 == 0 ? 0 : random() % 300, static_cast<char>('a' + random() % 26));
        content += '\n';
    }
    content += "unterminated";
    TempFolder folder;
    const auto path = folder.write("L0706000.log", content);
    for (const std::uint64_t pieces : {1u, 2u, 3u, 7u, 64u, 700u}) {
        for (const std::size_t chunk : {std::size_t{1}, std::size_t{13}, std::size_t{4096}}) {
            std::string joined;
            for (std::uint64_t k = 0; k < pieces; ++k) {
                const std::uint64_t begin = content.size() * k / pieces;
                const std::uint64_t end = k + 1 == pieces ? ToTheEnd : content.size() * (k + 1) / pieces;
                const std::string piece = readPiece(path, begin, end, chunk);
                if (!piece.empty() && !joined.empty()) {
                    EXPECT_EQ(joined.back(), '\n') << "a piece begins where a line begins";
                }
                joined += piece;
            }
            ASSERT_EQ(joined, content) << pieces << " pieces read " << chunk << " bytes at a time";
        }
    }
}

std::vector<std::string> textsOf(const LogParser& parser)
{
    std::vector<std::string> texts;
    for (const LogEvent& event : parser.events())
        texts.push_back(event.text ? event.text : "-");
    return texts;
}

// Read on from a mark in steps, whole lines only, a file takes the lines a
// read of the whole file takes; an unfinished last line waits until it is
// whole, and is taken as it stands when asked to.
TEST(ReadOnFromMark, StepsTakeWhatOneReadTakes)
{
    ScopedTimeZone tz("UTC");
    const std::string lines = LogText("07/06/2001")
                                  .at("20:00:00", said("Ann", 1, "CT", "one"))
                                  .at("20:00:01", said("Ann", 1, "CT", "two"))
                                  .at("20:00:02", said("Ann", 1, "CT", "three"))
                                  .text();
    TempFolder folder;
    const auto path = folder.path() / "L0706000.log";
    char buffer[64];
    LogParser stepped;
    FileMark mark;
    for (const std::size_t cut : {std::size_t{30}, std::size_t{90}, std::size_t{91}, lines.size() - 3, lines.size()}) {
        folder.write("L0706000.log", lines.substr(0, cut));
        std::FILE* file = openLogForReading(path);
        ASSERT_TRUE(file && seekTo(file, mark.consumed));
        const std::unique_ptr<BlockSource> source = makeBlockSource(file, Compression::None);
        readOnFromMark(*source, stepped, mark, buffer, sizeof buffer, true);
        EXPECT_EQ(mark.size, cut);
        EXPECT_EQ(mark.consumed, mark.complete) << "whole lines only";
        EXPECT_EQ(mark.consumed, lines.rfind('\n', cut - 1) == std::string::npos ? 0 : lines.rfind('\n', cut - 1) + 1);
    }
    LogParser whole;
    FileMark fresh;
    const std::unique_ptr<BlockSource> source = makeBlockSource(openLogForReading(path), Compression::None);
    readOnFromMark(*source, whole, fresh, buffer, sizeof buffer, false);
    EXPECT_EQ(textsOf(stepped), textsOf(whole));
    EXPECT_EQ(textsOf(whole), (std::vector<std::string>{"one", "two", "three"}));

    // As it stands: the unfinished line makes its event.
    folder.write("L0706000.log", lines.substr(0, lines.size() - 3));
    LogParser asItStands;
    FileMark standing;
    const std::unique_ptr<BlockSource> again = makeBlockSource(openLogForReading(path), Compression::None);
    readOnFromMark(*again, asItStands, standing, buffer, sizeof buffer, false);
    EXPECT_TRUE(standing.tailEvent);
    EXPECT_EQ(standing.consumed, standing.size);
    EXPECT_EQ(textsOf(asItStands).size(), 3u);
}

} // namespace
} // namespace zelkam
