#include "tools/loggen/log_writer.h"

#include <fstream>
#include <sstream>

#include <gtest/gtest.h>

#include "tests/support/temp_folder.h"
#include "tools/loggen/civil_date.h"

namespace zelkam {
namespace {

std::string readFile(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

WallTime at(CivilDate date, int hour, int minute, int second)
{
    return daysFromCivil(date) * 86400 + hour * 3600 + minute * 60 + second;
}

// Each line is stamped with its own second; the cached stamp must follow
// the clock over midnight, month, year and leap-day boundaries.
TEST(LogWriter, StampsEveryLineWithItsSecond)
{
    struct Case {
        WallTime time;
        const char* stamp;
    };
    const Case cases[] = {
        {at({2001, 7, 6}, 23, 59, 59), "L 07/06/2001 - 23:59:59: "},
        {at({2001, 7, 6}, 23, 59, 59), "L 07/06/2001 - 23:59:59: "},
        {at({2001, 7, 7}, 0, 0, 0), "L 07/07/2001 - 00:00:00: "},
        {at({2001, 12, 31}, 23, 59, 59), "L 12/31/2001 - 23:59:59: "},
        {at({2002, 1, 1}, 0, 0, 1), "L 01/01/2002 - 00:00:01: "},
        {at({2004, 2, 29}, 12, 0, 0), "L 02/29/2004 - 12:00:00: "},
        {at({2004, 3, 1}, 9, 5, 7), "L 03/01/2004 - 09:05:07: "},
    };
    test::TempFolder folder;
    LogWriter writer;
    ASSERT_TRUE(writer.open(folder.path() / "L0706000.log"));
    std::string expected;
    for (const Case& c : cases) {
        writer.startLine(c.time);
        writer.append("World triggered \"Round_Start\"");
        writer.endLine();
        expected += std::string(c.stamp) + "World triggered \"Round_Start\"\n";
    }
    EXPECT_TRUE(writer.close());
    EXPECT_EQ(readFile(folder.path() / "L0706000.log"), expected);
    EXPECT_EQ(writer.lineCount(), static_cast<std::int64_t>(std::size(cases)));
}

// Lines pile up in a buffer; the ones written after a flush and the ones
// still buffered at close must all arrive, in order.
TEST(LogWriter, KeepsEveryLineAcrossFlushes)
{
    test::TempFolder folder;
    LogWriter writer;
    ASSERT_TRUE(writer.open(folder.path() / "big.log"));
    const WallTime start = at({2001, 7, 6}, 20, 0, 0);
    constexpr int count = 40000;
    for (int i = 0; i < count; ++i) {
        writer.startLine(start + i / 10);
        writer.append("\"A<1><STEAM_0:1:2><CT>\" say \"");
        writer.appendNumber(i);
        writer.append('"');
        writer.endLine();
    }
    ASSERT_TRUE(writer.close());
    const std::string bytes = readFile(folder.path() / "big.log");
    EXPECT_EQ(std::count(bytes.begin(), bytes.end(), '\n'), count);
    EXPECT_NE(bytes.find("say \"0\"\n"), std::string::npos);
    EXPECT_TRUE(bytes.ends_with("L 07/06/2001 - 21:06:39: \"A<1><STEAM_0:1:2><CT>\" say \"39999\"\n"));
}

TEST(LogWriter, FailsToOpenInAMissingFolder)
{
    test::TempFolder folder;
    LogWriter writer;
    EXPECT_FALSE(writer.open(folder.path() / "missing" / "L0706000.log"));
    EXPECT_FALSE(writer.isOpen());
    EXPECT_TRUE(writer.close());
}

} // namespace
} // namespace zelkam
