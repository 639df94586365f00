#include "parse/time_stamp.h"

#include <string>

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

TEST(TimeStamp, OutOfRangeFieldsAreNormalised)
{
    ScopedTimeZone tz("UTC");
    struct Case {
        const char* name;
        std::string text;
        std::int32_t expected;
    };
    const Case cases[] = {
        {"month 13 is January of the next year", stamp("13/05/2001", "10:00:00"), localStamp(2002, 1, 5, 10)},
        {"31 February is early March", stamp("02/31/2001", "00:00:00"), localStamp(2001, 3, 3)},
        {"hour 24 is the next day", stamp("07/06/2001", "24:00:00"), localStamp(2001, 7, 7)},
        {"second 60 is the next minute", stamp("07/06/2001", "11:21:60"), localStamp(2001, 7, 6, 11, 22)},
        {"a letter counts by its character code", stamp("07/06/2001", "11:21:0A"),
         localStamp(2001, 7, 6, 11, 21, 'A' - '0')},
    };
    for (const Case& c : cases)
        EXPECT_EQ(parseTimeStamp(c.text), c.expected) << c.name;
}

TEST(TimeStamp, RejectsWhatCannotBeAStamp)
{
    ScopedTimeZone tz("UTC");
    EXPECT_EQ(parseTimeStamp("07/06/2001 - 11:21"), -1) << "too short";
    EXPECT_EQ(parseTimeStamp(stamp("07/06/2099", "00:00:00")), -1) << "beyond the 32-bit range must not wrap";
    TimeStampConverter converter;
    EXPECT_EQ(converter.convert(stamp("07/06/2099", "00:00:00")), -1);
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

// Which reading of the repeated hour the platform's conversion picks depends
// on what it converted before; the same line must always get the same time.
TEST(TimeStamp, RepeatedHourReadsAsItsEarlierOccurrenceWhateverCameBefore)
{
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
    EXPECT_EQ(converter.convert(stamp("07/05/2001", "12:61:00")), localStamp(2001, 7, 5, 13, 1));
}

} // namespace
} // namespace zelkam
