#include "parse/calendar_date.h"

#include <cstdio>
#include <ctime>

#include "parse/decimal.h"
#include "parse/time_stamp.h"

namespace zelkam {
namespace {

struct WrittenDate {
    int day = 0;
    int month = 0;
    int year = 0;
};

std::optional<WrittenDate> readWritten(std::string_view text)
{
    WrittenDate date;
    if (text.size() != 10 || text[2] != '/' || text[5] != '/' || !readNumber(text.substr(0, 2), date.day, {false, 1, 31})
        || !readNumber(text.substr(3, 2), date.month, {false, 1, 12}) || !readNumber(text.substr(6, 4), date.year))
        return std::nullopt;
    return date;
}

} // namespace

bool isWrittenAsDate(std::string_view text) { return readWritten(text).has_value(); }

std::optional<std::int32_t> midnightOfDate(std::string_view text)
{
    const std::optional<WrittenDate> date = readWritten(text);
    if (!date || date->day > daysInMonth(date->year, date->month))
        return std::nullopt;
    std::tm fields{};
    fields.tm_mday = date->day;
    fields.tm_mon = date->month - 1;
    fields.tm_year = date->year - 1900;
    const std::int32_t midnight = fromLocalTime(fields);
    if (midnight == -1)
        return std::nullopt;
    // Where a zone's clocks change at midnight, that day begins at 01:00.
    return dayStartOf(midnight);
}

std::string dateText(std::int64_t t)
{
    std::tm fields{};
    if (!toLocalTime(t, fields))
        return "--/--/----";
    char text[32];
    std::snprintf(text, sizeof text, "%02d/%02d/%04d", fields.tm_mday, fields.tm_mon + 1, fields.tm_year + 1900);
    return text;
}

std::optional<std::size_t> dayIndexOf(const GrowArray<std::int32_t>& days, std::int32_t midnight)
{
    const std::int32_t day = dayStartOf(midnight);
    for (std::size_t i = 0; i < days.size(); ++i) {
        if (days[i] == day)
            return i;
    }
    return std::nullopt;
}

std::optional<std::size_t> dayIndexOf(const GrowArray<std::int32_t>& days, std::string_view date)
{
    const std::optional<std::int32_t> midnight = midnightOfDate(date);
    return midnight ? dayIndexOf(days, *midnight) : std::nullopt;
}

} // namespace zelkam
