#include "parse/calendar_date.h"

#include <gtest/gtest.h>

#include "tests/support/time_zone.h"

namespace zelkam {
namespace {

using test::localStamp;
using test::ScopedTimeZone;

// Every date the command line and the windows take is read here: what is a
// date, which day it names, and the text it is shown as.
TEST(CalendarDate, ReadsAndShowsDaysByTheirMidnight)
{
    ScopedTimeZone tz("UTC");
    struct Case {
        const char* text;
        bool written;
        std::int32_t midnight;
    };
    const Case cases[] = {
        {"06/07/2001", true, localStamp(2001, 7, 6)},
        {"29/02/2000", true, localStamp(2000, 2, 29)},
        {"29/02/2001", true, -1},
        {"31/04/2001", true, -1},
        {"31/12/1999", true, localStamp(1999, 12, 31)},
        {"32/01/2001", false, -1},
        {"01/13/2001", false, -1},
        {"00/01/2001", false, -1},
        {"6/07/2001", false, -1},
        {"06-07-2001", false, -1},
        {"+6/07/2001", false, -1},
        {"06/07/2099", true, -1},
        {"", false, -1},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(isWrittenAsDate(c.text), c.written) << c.text;
        const std::optional<std::int32_t> midnight = midnightOfDate(c.text);
        EXPECT_EQ(midnight.value_or(-1), c.midnight) << c.text;
        if (midnight) {
            EXPECT_EQ(dateText(*midnight), c.text);
        }
    }
    GrowArray<std::int32_t> days(4);
    days.append(localStamp(2001, 7, 5));
    days.append(localStamp(2001, 7, 6));
    EXPECT_EQ(dayIndexOf(days, "06/07/2001"), 1u);
    EXPECT_EQ(dayIndexOf(days, localStamp(2001, 7, 6, 13)), 1u) << "any time of the day finds it";
    EXPECT_EQ(dayIndexOf(days, "07/07/2001"), std::nullopt);
    EXPECT_EQ(dayIndexOf(days, "31/06/2001"), std::nullopt);
}

// Where the clocks go forward at midnight, the day begins at 01:00: the date
// still names it.
TEST(CalendarDate, ADayWithoutAMidnightStartsWhereItBegins)
{
#ifdef _WIN32
    GTEST_SKIP() << "the days of a clock change: the Windows C runtime applies its own daylight-saving rules, "
                    "not the zone's";
#endif
    ScopedTimeZone tz("America/Sao_Paulo");
    const std::optional<std::int32_t> midnight = midnightOfDate("04/11/2018");
    ASSERT_TRUE(midnight);
    EXPECT_EQ(dateText(*midnight), "04/11/2018");
    EXPECT_EQ(*midnight, localStamp(2018, 11, 4, 1));
}

} // namespace
} // namespace zelkam
