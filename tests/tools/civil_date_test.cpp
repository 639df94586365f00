#include "tools/loggen/civil_date.h"

#include <gtest/gtest.h>

namespace zelkam {
namespace {

TEST(CivilDate, ConvertsKnownDays)
{
    struct Case {
        CivilDate date;
        std::int64_t days;
    };
    const Case cases[] = {
        {{1970, 1, 1}, 0},         {{1969, 12, 31}, -1},      {{2000, 2, 29}, 11016},  {{2000, 3, 1}, 11017},
        {{2001, 7, 6}, 11509},     {{1999, 12, 31}, 10956},   {{2100, 3, 1}, 47541},   {{1600, 1, 1}, -135140},
        {{9999, 12, 31}, 2932896}, {{1000, 1, 1}, -354285},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(daysFromCivil(c.date), c.days) << c.date.year << "-" << c.date.month << "-" << c.date.day;
        EXPECT_TRUE(civilFromDays(c.days) == c.date) << c.days;
    }
}

TEST(CivilDate, RoundTripsAcrossCenturies)
{
    std::int64_t previous = daysFromCivil({1000, 1, 1}) - 1;
    for (std::int64_t days = previous + 1; days < 2932897; days += 37) {
        const CivilDate date = civilFromDays(days);
        ASSERT_TRUE(isValidDate(date)) << days;
        ASSERT_EQ(daysFromCivil(date), days);
        ASSERT_GT(days, previous);
        previous = days;
    }
}

TEST(CivilDate, ValidatesDates)
{
    struct Case {
        CivilDate date;
        bool valid;
    };
    const Case cases[] = {
        {{2000, 2, 29}, true},  {{2004, 2, 29}, true},  {{1900, 2, 29}, false}, {{2001, 2, 29}, false},
        {{2001, 4, 31}, false}, {{2001, 12, 31}, true}, {{2001, 13, 1}, false}, {{2001, 0, 1}, false},
        {{2001, 1, 0}, false},  {{999, 1, 1}, false},   {{10000, 1, 1}, false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(isValidDate(c.date), c.valid) << c.date.year << "-" << c.date.month << "-" << c.date.day;
}

} // namespace
} // namespace zelkam
