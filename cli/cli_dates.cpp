#include "cli/cli_dates.h"

#include <cstdio>
#include <ctime>

#include "parse/time_stamp.h"

namespace zelkam::cli {

std::string formatDate(std::int32_t t)
{
    std::tm fields{};
    if (!toLocalTime(t, fields))
        return "--/--/----";
    char text[32];
    std::snprintf(text, sizeof text, "%02d/%02d/%04d", fields.tm_mday, fields.tm_mon + 1, fields.tm_year + 1900);
    return text;
}

std::string formatTimeOfDay(std::int32_t t)
{
    std::tm fields{};
    if (!toLocalTime(t, fields))
        return "--:--:--";
    char text[32];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d", fields.tm_hour, fields.tm_min, fields.tm_sec);
    return text;
}

bool isDateArgument(std::string_view text)
{
    return isDayMonthYear(text);
}

std::optional<std::size_t> dayIndexOf(const GrowArray<std::int32_t>& days, std::string_view date)
{
    for (std::size_t i = 0; i < days.size(); ++i) {
        if (formatDate(days[i]) == date)
            return i;
    }
    return std::nullopt;
}

} // namespace zelkam::cli
