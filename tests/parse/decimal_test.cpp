#include "parse/decimal.h"

#include <gtest/gtest.h>

#include <string>

namespace zelkam {
namespace {

TEST(Decimal, ReadsTheStartOfATextAsStrtolDoes)
{
    struct Case {
        const char* what;
        std::string text;
        std::int32_t value;
    };
    const Case cases[] = {
        {"plain", "42", 42},
        {"stops at the first other character", "42><STEAM_0:1:5>", 42},
        {"leading blanks", " \t\n\v\f\r7", 7},
        {"signs", "-12", -12},
        {"plus", "+12", 12},
        {"no digits", "abc", 0},
        {"empty", "", 0},
        {"a sign alone", "-", 0},
        {"two signs", "--5", 0},
        {"a blank after the sign", "- 5", 0},
        {"leading zeros", "0007", 7},
        {"the largest", "2147483647", 2147483647},
        {"past the largest", "2147483648", 2147483647},
        {"far past the largest", "99999999999999999999999", 2147483647},
        {"the smallest", "-2147483648", -2147483647 - 1},
        {"far past the smallest", "-99999999999999999999999", -2147483647 - 1},
    };
    for (const Case& c : cases)
        EXPECT_EQ(decimalValue(c.text), c.value) << c.what;
    // Only the view is read, not what follows it in memory.
    EXPECT_EQ(decimalValue(std::string_view("123456", 3)), 123);
}

// The one strict reader every option, step, datagram field and setting goes
// through, with the forms and ranges its callers ask for.
TEST(Decimal, ReadsWholeNumbersInTheirFormat)
{
    struct Case {
        const char* what;
        std::string text;
        bool read;
        int value;
        NumberFormat format = {};
    };
    const Case cases[] = {
        {"two digits", "07", true, 7},
        {"three digits", "123", true, 123},
        {"the largest int", "2147483647", true, 2147483647},
        {"past it", "2147483648", false, -1},
        {"empty", "", false, -1},
        {"a sign", "-1", false, -1},
        {"a plus", "+1", false, -1},
        {"a blank", " 1", false, -1},
        {"a letter after", "1a", false, -1},
        {"a letter", "a1", false, -1},
        {"a sign where allowed", "-12", true, -12, {true, -100, 100}},
        {"a plus even where a sign is allowed", "+12", false, -1, {true, -100, 100}},
        {"a lone sign", "-", false, -1, {true, -100, 100}},
        {"below the range", "-101", false, -1, {true, -100, 100}},
        {"the range's ends", "65535", true, 65535, {false, 0, 65535}},
        {"past a port", "65536", false, -1, {false, 0, 65535}},
        {"below a minimum of 1", "0", false, -1, {false, 1, 256}},
        {"past 64 bits", "99999999999999999999", false, -1, {false, 0, 100}},
    };
    for (const Case& c : cases) {
        int value = -1;
        EXPECT_EQ(readNumber(c.text, value, c.format), c.read) << c.what;
        EXPECT_EQ(value, c.value) << c.what;
    }
}

} // namespace
} // namespace zelkam
