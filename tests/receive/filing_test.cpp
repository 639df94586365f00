#include "receive/filing.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "receive/rate_limit.h"

namespace zelkam::receive {
namespace {

SourceAddress v6(std::string_view text, std::uint16_t port)
{
    AllowedNetwork host;
    EXPECT_TRUE(parseAllowedNetwork(text, host)) << text;
    return SourceAddress::v6(host.bytes, port);
}

TEST(Filing, FolderNamesComeFromTheAddressOnly)
{
    struct Row {
        SourceAddress source;
        const char* folder;
    };
    const Row rows[] = {
        {SourceAddress::v4({203, 0, 113, 5}, 27015), "203.0.113.5_27015"},
        {SourceAddress::v4({0, 0, 0, 0}, 0), "0.0.0.0_0"},
        {v6("2001:db8::1", 27015), "2001-db8--1_27015"},
        {v6("::1", 65535), "--1_65535"},
        {SourceAddress::v6({0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xFF, 0xFF, 192, 0, 2, 1}, 27016), "192.0.2.1_27016"},
        {v6("fe80::abcd:ef01:2345:6789", 1), "fe80--abcd-ef01-2345-6789_1"},
    };
    for (const Row& row : rows)
        EXPECT_EQ(sourceFolderName(row.source), row.folder);
}

TEST(Filing, NextRunningNumberOfADate)
{
    using Names = std::vector<std::string>;
    struct Row {
        const char* what;
        Names present;
        int expected;
    };
    Names full;
    for (int n = 0; n <= MaxRunningNumber; ++n)
        full.push_back(logFileName(7, 6, n));
    Names fullButOne = full;
    fullButOne.erase(fullButOne.begin() + 500);
    Names topTaken = {"L0706999.log", "L0706000.log"};
    const Row rows[] = {
        {"empty folder", {}, 0},
        {"other dates only", {"L0705000.log", "L0707003.log", "L1706000.log"}, 0},
        {"after the highest", {"L0706000.log", "L0706004.log", "L0706002.log"}, 5},
        {"other letter case counts", {"l0706007.LOG"}, 8},
        {"names that only look alike do not", {"L0706009.log.bak", "L0706x09.log", "L07060090.log", "notes.txt"}, 0},
        {"lowest free when 999 is taken", topTaken, 1},
        {"the one left", fullButOne, 500},
        {"none left", full, -1},
    };
    for (const Row& row : rows)
        EXPECT_EQ(nextRunningNumber(row.present, 7, 6), row.expected) << row.what;
    EXPECT_EQ(logFileName(12, 31, 7), "L1231007.log");
}

TEST(Filing, NewFileAtTheFirstLineAndWhereTheServerStartsOne)
{
    struct Row {
        const char* what;
        bool hasFile;
        const char* line;
        bool starts;
    };
    const Row rows[] = {
        {"first line of a source", false, "L 07/06/2001 - 20:00:00: \"Bob<1><2><CT>\" say \"hi\"", true},
        {"a later line", true, "L 07/06/2001 - 20:00:00: \"Bob<1><2><CT>\" say \"hi\"", false},
        {"the server starts a file", true, "L 07/06/2001 - 20:00:00: Log file started (file \"logs/L0706001.log\")",
         true},
        {"the server closes one", true, "L 07/06/2001 - 20:00:00: Log file closed", false},
        {"a player saying it", true, "L 07/06/2001 - 20:00:00: \"Bob<1><2><CT>\" say \"Log file started\"", false},
        {"a new day alone", true, "L 07/07/2001 - 00:00:01: World triggered \"Round_Start\"", false},
    };
    for (const Row& row : rows)
        EXPECT_EQ(startsNewFile(row.hasFile, row.line), row.starts) << row.what;
}

TEST(RateLimit, ShowsSomeEachSecondAndCountsTheRest)
{
    RateLimit limit(2);
    std::uint64_t heldBack = 0;
    EXPECT_TRUE(limit.allow(100, heldBack));
    EXPECT_TRUE(limit.allow(100, heldBack));
    EXPECT_FALSE(limit.allow(100, heldBack));
    EXPECT_FALSE(limit.allow(100, heldBack));
    EXPECT_EQ(limit.refused(), 2u);
    EXPECT_TRUE(limit.allow(101, heldBack));
    EXPECT_EQ(heldBack, 2u);
    EXPECT_TRUE(limit.allow(101, heldBack));
    EXPECT_EQ(heldBack, 0u);
}

} // namespace
} // namespace zelkam::receive
