#include "app/clock_text.h"

#include <cstdio>
#include <ctime>

#include "parse/time_stamp.h"

namespace zelkam {

namespace {

std::string formatLocal(std::int32_t stamp, const char* format)
{
    std::tm local{};
    if (!toLocalTime(stamp, local))
        return {};
    char text[16];
    const std::size_t length = std::strftime(text, sizeof text, format, &local);
    return std::string(text, length);
}

} // namespace

std::string localDateText(std::int32_t stamp)
{
    return formatLocal(stamp, "%d/%m/%Y");
}

std::string localTimeText(std::int32_t stamp)
{
    return formatLocal(stamp, "%H:%M:%S");
}

std::string dayClockText(std::int32_t stamp, std::int32_t dayStart)
{
    std::string text = localTimeText(stamp);
    std::tm clock{};
    std::tm day{};
    if (text.empty() || stamp <= dayStart || !toLocalTime(stamp, clock) || !toLocalTime(dayStart, day))
        return text;
    // Dates counted by the calendar, not by 86400 seconds: a day where the
    // clocks change is 23 or 25 hours long.
    const auto dayNumber = [](const std::tm& t) {
        const std::int64_t y = std::int64_t{t.tm_year} + 1900 - (t.tm_mon < 2 ? 1 : 0);
        const std::int64_t m = t.tm_mon < 2 ? t.tm_mon + 13 : t.tm_mon + 1;
        return 365 * y + y / 4 - y / 100 + y / 400 + (153 * m - 457) / 5 + t.tm_mday;
    };
    const std::int64_t past = dayNumber(clock) - dayNumber(day);
    return past > 0 ? text + " +" + std::to_string(past) : text;
}

std::string playStateText(ViewerState::PlayMode state, std::int32_t speed, std::int32_t lagSeconds)
{
    std::string text;
    switch (state) {
    case ViewerState::PlayMode::Live:
        return "Live";
    case ViewerState::PlayMode::Paused:
        text = "Paused";
        break;
    case ViewerState::PlayMode::Rewinding:
        text = "Rewinding";
        break;
    case ViewerState::PlayMode::Playing:
        text = "Playing x" + std::to_string(speed);
        break;
    }
    if (lagSeconds <= 0)
        return text;
    const std::int32_t hours = lagSeconds / 3600;
    const std::int32_t minutes = lagSeconds / 60 % 60;
    const std::int32_t seconds = lagSeconds % 60;
    char lag[32];
    if (hours > 0)
        std::snprintf(lag, sizeof lag, "%d:%02d:%02d", hours, minutes, seconds);
    else
        std::snprintf(lag, sizeof lag, "%d:%02d", minutes, seconds);
    return text + ", " + lag + " behind";
}

} // namespace zelkam
