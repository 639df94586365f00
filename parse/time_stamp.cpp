#include "parse/time_stamp.h"

#include "parse/decimal.h"

#include <algorithm>
#include <cstring>
#include <ctime>
#include <limits>

namespace zelkam {
namespace {

int digit(char c)
{
    return static_cast<int>(c) - '0';
}

int twoDigits(std::string_view text, std::size_t at)
{
    return digit(text[at]) * 10 + digit(text[at + 1]);
}

bool sameWallClock(const std::tm& a, const std::tm& b)
{
    return a.tm_year == b.tm_year && a.tm_mon == b.tm_mon && a.tm_mday == b.tm_mday && a.tm_hour == b.tm_hour
           && a.tm_min == b.tm_min && a.tm_sec == b.tm_sec;
}

std::int32_t toStamp(std::tm fields)
{
    fields.tm_isdst = -1;
    std::time_t t = std::mktime(&fields);
    if (t == static_cast<std::time_t>(-1))
        return -1;
    // In the hour repeated when clocks go back, the conversion picks either
    // reading depending on what it converted before, so the same line could
    // get another time on another load. Take the earlier reading, always.
    // Only near a change of daylight saving is there another reading; far
    // from one the conversion with the other flag is not even tried, as it
    // searches years for a time with that flag (in a zone without daylight
    // saving, in vain).
    std::tm dayBefore{};
    std::tm dayAfter{};
    const bool steady = toLocalTime(std::int64_t{t} - 86400, dayBefore) && toLocalTime(std::int64_t{t} + 86400, dayAfter)
                        && dayBefore.tm_isdst == fields.tm_isdst && dayAfter.tm_isdst == fields.tm_isdst;
    if (!steady) {
        std::tm other = fields;
        other.tm_isdst = fields.tm_isdst > 0 ? 0 : 1;
        const std::time_t alternative = std::mktime(&other);
        std::tm check{};
        if (alternative != static_cast<std::time_t>(-1) && alternative != t && toLocalTime(alternative, check)
            && sameWallClock(check, fields) && check.tm_isdst == other.tm_isdst)
            t = std::min(t, alternative);
    }
    // A stamp outside the 32-bit range would wrap into a wrong date; treat it
    // as a stamp that does not convert.
    if (t < std::numeric_limits<std::int32_t>::min() || t > std::numeric_limits<std::int32_t>::max())
        return -1;
    return static_cast<std::int32_t>(t);
}

std::tm fieldsOf(std::string_view text)
{
    std::tm fields{};
    fields.tm_mon = twoDigits(text, 0) - 1;
    fields.tm_mday = twoDigits(text, 3);
    fields.tm_year = twoDigits(text, 6) * 100 + twoDigits(text, 8) - 1900;
    fields.tm_hour = twoDigits(text, 13);
    fields.tm_min = twoDigits(text, 16);
    fields.tm_sec = twoDigits(text, 19);
    return fields;
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

} // namespace

bool isDayMonthYear(std::string_view text)
{
    if (text.size() != 10 || text[2] != '/' || text[5] != '/')
        return false;
    int day = 0;
    int month = 0;
    int year = 0;
    if (!readDigits(text.substr(0, 2), day) || !readDigits(text.substr(3, 2), month)
        || !readDigits(text.substr(6, 4), year))
        return false;
    return day >= 1 && day <= 31 && month >= 1 && month <= 12;
}

bool toLocalTime(std::int64_t time, std::tm& fields)
{
    const std::time_t t = static_cast<std::time_t>(time);
#ifdef _WIN32
    return localtime_s(&fields, &t) == 0;
#else
    return localtime_r(&t, &fields) != nullptr;
#endif
}

std::int32_t fromLocalTime(std::tm fields)
{
    return toStamp(fields);
}

std::int32_t dayStartOf(std::int32_t time)
{
    std::tm fields{};
    if (!toLocalTime(time, fields))
        return -1;
    fields.tm_hour = 0;
    fields.tm_min = 0;
    fields.tm_sec = 0;
    // fromLocalTime lets the conversion decide about daylight saving: the
    // flag of the file's own time would put midnight an hour off on the days
    // the clocks change.
    return fromLocalTime(fields);
}

std::int64_t addLocalDays(std::int64_t time, int days)
{
    std::tm fields{};
    if (toLocalTime(time, fields)) {
        fields.tm_mday += days;
        const std::int32_t moved = fromLocalTime(fields);
        if (moved != -1)
            return moved;
    }
    return time + std::int64_t{days} * 86400;
}

std::int32_t parseTimeStamp(std::string_view text)
{
    if (text.size() < TimeStampLength)
        return -1;
    return toStamp(fieldsOf(text));
}

std::int32_t TimeStampConverter::convert(std::string_view text)
{
    if (text.size() < TimeStampLength)
        return -1;
    // Minutes and seconds are only added to a remembered hour when they are
    // plain in-range digits; anything else takes the full conversion.
    const bool plainMinuteSecond = text[16] >= '0' && text[16] <= '5' && isDigit(text[17])
                                   && text[19] >= '0' && text[19] <= '5' && isDigit(text[20]);
    if (!plainMinuteSecond)
        return parseTimeStamp(text);
    const int offset = twoDigits(text, 16) * 60 + twoDigits(text, 19);
    if (cachedValid_ && std::memcmp(cachedKey_, text.data(), KeyLength) == 0)
        return cachedBase_ + offset;

    const std::string_view key = text.substr(0, KeyLength);
    std::int32_t base = 0;
    if (const auto known = hours_.find(key); known != hours_.end()) {
        base = known->second;
    } else {
        std::tm start = fieldsOf(text);
        start.tm_min = 0;
        start.tm_sec = 0;
        std::tm end = start;
        end.tm_min = 59;
        end.tm_sec = 59;
        base = toStamp(start);
        const std::int32_t last = toStamp(end);
        if (base == -1 || last == -1 || static_cast<std::int64_t>(last) - base != 3599) {
            cachedValid_ = false;
            return parseTimeStamp(text);
        }
        if (hours_.size() >= MaxRememberedHours)
            hours_.clear();
        hours_.emplace(key, base);
    }
    std::memcpy(cachedKey_, text.data(), KeyLength);
    cachedBase_ = base;
    cachedValid_ = true;
    return base + offset;
}

void TimeStampConverter::reset()
{
    cachedValid_ = false;
    hours_.clear();
}

} // namespace zelkam
