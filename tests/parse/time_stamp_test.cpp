#include "parse/time_stamp.h"

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "tests/support/time_zone.h"

namespace zelkam {
namespace {

using test::localStamp;
using test::ScopedTimeZone;

// The stamp text as it stands from line position 2.
std::string stamp(std::string_view date, std::string_view time)
{
    return std::string(date) + " - " + std::string(time);
}

TEST(TimeStamp, ReadsLocalTime)
{
    for (const char* zone : {"UTC", "Europe/Berlin", "America/New_York"}) {
        SCOPED_TRACE(zone);
        ScopedTimeZone tz(zone);
        EXPECT_EQ(parseTimeStamp(stamp("07/06/2001", "11:21:08")), localStamp(2001, 7, 6, 11, 21, 8));
        EXPECT_EQ(parseTimeStamp(stamp("01/01/2002", "00:00:00")) - parseTimeStamp(stamp("12/31/2001", "23:59:59")),
                  1)
            << "the year boundary is one second";
    }
}

// A damaged or forged stamp must not move its line hours or days away: it
// makes the line unreadable, for the full conversion and the converter alike.
TEST(TimeStamp, RejectsWhatCannotBeAStamp)
{
    ScopedTimeZone tz("UTC");
    const std::pair<const char*, std::string> cases[] = {
        {"too short", "07/06/2001 - 11:21"},
        {"beyond the 32-bit range must not wrap", stamp("07/06/2099", "00:00:00")},
        {"month 13", stamp("13/05/2001", "10:00:00")},
        {"month 0", stamp("00/05/2001", "10:00:00")},
        {"30 February", stamp("02/30/2001", "00:00:00")},
        {"29 February of a common year", stamp("02/29/2001", "00:00:00")},
        {"31 April", stamp("04/31/2001", "00:00:00")},
        {"day 0", stamp("07/00/2001", "00:00:00")},
        {"hour 24", stamp("07/06/2001", "24:00:00")},
        {"second 60", stamp("07/06/2001", "11:21:60")},
        {"a letter in the minute", stamp("07/06/2001", "11:0a:00")},
        {"a letter in the second", stamp("07/06/2001", "11:21:0A")},
        {"a sign in the day", stamp("07/-6/2001", "11:21:00")},
        {"a space in the year", stamp("07/06/ 001", "11:21:00")},
    };
    for (const auto& [name, text] : cases) {
        EXPECT_EQ(parseTimeStamp(text), -1) << name;
        TimeStampConverter converter;
        // A remembered hour of the same day must not let a damaged stamp in.
        converter.convert(stamp("07/06/2001", "11:00:00"));
        EXPECT_EQ(converter.convert(text), -1) << name;
    }
    EXPECT_EQ(parseTimeStamp(stamp("02/29/2000", "23:59:59")), localStamp(2000, 2, 29, 23, 59, 59))
        << "29 February of a leap year";
}

// The converter remembers an hour; on the days the clocks change it must
// still agree with the full conversion.
TEST(TimeStampConverter, AgreesWithFullConversionAcrossDaylightSavingChanges)
{
    ScopedTimeZone tz("Europe/Berlin");
    for (const char* date : {"03/25/2001", "10/28/2001"}) {
        SCOPED_TRACE(date);
        TimeStampConverter converter;
        for (int hour = 0; hour < 24; ++hour) {
            for (int second = 0; second < 3600; second += 7) {
                char time[16];
                std::snprintf(time, sizeof time, "%02d:%02d:%02d", hour, second / 60, second % 60);
                const std::string text = stamp(date, time);
                ASSERT_EQ(converter.convert(text), parseTimeStamp(text)) << text;
            }
        }
    }
}

// The first lines of a folder's files come in directory order, so the
// converter looks up hours it converted before instead of converting them
// again; in any order and past the size of its table it must still agree
// with the full conversion, on the days the clocks change too.
TEST(TimeStampConverter, AgreesWithFullConversionInAnyOrder)
{
    ScopedTimeZone tz("Europe/Berlin");
    std::vector<std::string> texts;
    for (const char* date : {"03/25/2001", "10/28/2001", "07/06/2001"}) {
        for (int hour = 0; hour < 24; ++hour) {
            char time[16];
            std::snprintf(time, sizeof time, "%02d:%02d:%02d", hour, hour * 7 % 60, hour * 13 % 60);
            texts.push_back(stamp(date, time));
        }
    }
    std::uint32_t state = 12345;
    for (std::size_t i = texts.size(); i > 1; --i) {
        state = state * 1103515245u + 12345u;
        std::swap(texts[i - 1], texts[state % i]);
    }
    TimeStampConverter converter;
    for (int round = 0; round < 2; ++round) {
        for (const std::string& text : texts)
            ASSERT_EQ(converter.convert(text), parseTimeStamp(text)) << text;
    }

    // More distinct hours than the table holds: it starts again empty.
    for (std::size_t hour = 0; hour < TimeStampConverter::MaxRememberedHours + 30; ++hour) {
        const std::int64_t day = static_cast<std::int64_t>(hour / 24);
        char text[32];
        std::snprintf(text, sizeof text, "%02d/%02d/2002 - %02d:30:15", static_cast<int>(day / 28 % 12 + 1),
                      static_cast<int>(day % 28 + 1), static_cast<int>(hour % 24));
        ASSERT_EQ(converter.convert(text), parseTimeStamp(text)) << text;
    }
    for (const std::string& text : texts)
        ASSERT_EQ(converter.convert(text), parseTimeStamp(text)) << text;
}

// Which reading of the repeated hour the platform's conversion picks depends
// on what it converted before; the same line must always get the same time.
TEST(TimeStamp, RepeatedHourReadsAsItsEarlierOccurrenceWhateverCameBefore)
{
#ifdef _WIN32
    GTEST_SKIP() << "the Windows C runtime picks the repeated hour of a clock change by its own rules, "
                    "not by the zone's history";
#endif
    ScopedTimeZone tz("Europe/Berlin");
    const std::int32_t earlier = 1004229000; // 2001-10-28 00:30:00 UTC, 02:30 summer time
    for (const char* before : {"07/06/2001 - 12:00:00", "01/06/2001 - 12:00:00", "10/28/2001 - 03:30:00"}) {
        parseTimeStamp(before);
        EXPECT_EQ(parseTimeStamp("10/28/2001 - 02:30:00"), earlier) << "after " << before;
        TimeStampConverter converter;
        converter.convert(before);
        EXPECT_EQ(converter.convert("10/28/2001 - 02:30:00"), earlier) << "after " << before;
    }
}

TEST(TimeStampConverter, FollowsAnHourChangeInEitherDirection)
{
    ScopedTimeZone tz("UTC");
    TimeStampConverter converter;
    EXPECT_EQ(converter.convert(stamp("07/06/2001", "11:59:59")), localStamp(2001, 7, 6, 11, 59, 59));
    EXPECT_EQ(converter.convert(stamp("07/06/2001", "12:00:00")), localStamp(2001, 7, 6, 12));
    EXPECT_EQ(converter.convert(stamp("07/05/2001", "12:00:00")), localStamp(2001, 7, 5, 12));
    EXPECT_EQ(converter.convert(stamp("07/05/2001", "12:61:00")), -1) << "minute 61 is no time";
}

// Windows and day ends are counted in calendar days: 24 hours from the
// midnight of a clock change is an hour short of, or past, the next midnight.
TEST(LocalDays, CountCalendarDaysNotHours)
{
    ScopedTimeZone tz("Europe/Berlin");
    struct Case {
        const char* what;
        std::int32_t from;
        int days;
        std::int32_t expected;
    };
    const Case cases[] = {
        {"over the 25-hour day", localStamp(2001, 10, 28), 1, localStamp(2001, 10, 29)},
        {"over the 23-hour day", localStamp(2001, 3, 25), 1, localStamp(2001, 3, 26)},
        {"back over the 25-hour day", localStamp(2001, 10, 29), -1, localStamp(2001, 10, 28)},
        {"a window of two days", localStamp(2001, 10, 27), 2, localStamp(2001, 10, 29)},
        {"the wall-clock time is kept", localStamp(2001, 10, 27, 12), 1, localStamp(2001, 10, 28, 12)},
        {"into another year", localStamp(2001, 12, 31), 1, localStamp(2002, 1, 1)},
        {"an ordinary day", localStamp(2001, 7, 6), 1, localStamp(2001, 7, 6) + 86400},
    };
    for (const Case& c : cases)
        EXPECT_EQ(addLocalDays(c.from, c.days), c.expected) << c.what;
    EXPECT_EQ(localStamp(2001, 10, 29) - localStamp(2001, 10, 28), 25 * 3600);
}

} // namespace
} // namespace zelkam
