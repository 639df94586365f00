#include "parse/calendar_date.h"

#include <cstdio>
#include <ctime>
#include <limits>

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

std::string timeOfDayText(std::int64_t t)
{
    std::tm fields{};
    if (!toLocalTime(t, fields))
        return "--:--:--";
    char text[32];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d", fields.tm_hour, fields.tm_min, fields.tm_sec);
    return text;
}

bool readTimeOfDay(std::string_view text, std::int64_t& seconds)
{
    // A whole number without a sign, as large as it is written.
    constexpr NumberFormat Unsigned{false, 0, std::numeric_limits<std::int64_t>::max()};
    const std::size_t first = text.find(':');
    const std::size_t second = first == std::string_view::npos ? first : text.find(':', first + 1);
    if (second == std::string_view::npos)
        return false;
    const std::string_view hours = text.substr(0, first);
    const std::string_view minutes = text.substr(first + 1, second - first - 1);
    const std::string_view rest = text.substr(second + 1);
    std::int64_t h = 0;
    int m = 0;
    int s = 0;
    if (hours.size() > 2 || !readNumber(hours, h, Unsigned) || minutes.size() != 2 || !readNumber(minutes, m)
        || rest.size() != 2 || !readNumber(rest, s))
        return false;
    if (m > 59 || s > 59)
        return false;
    seconds = h * 3600 + m * 60 + s;
    return true;
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
