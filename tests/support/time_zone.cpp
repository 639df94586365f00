#include "tests/support/time_zone.h"

#include <cstdlib>
#include <ctime>

namespace zelkam::test {

ScopedTimeZone::ScopedTimeZone(const char* zone)
{
    if (const char* old = std::getenv("TZ"))
        previous_ = old;
    setenv("TZ", zone, 1);
    tzset();
}

ScopedTimeZone::~ScopedTimeZone()
{
    if (previous_)
        setenv("TZ", previous_->c_str(), 1);
    else
        unsetenv("TZ");
    tzset();
}

std::int32_t localStamp(int year, int month, int day, int hour, int minute, int second)
{
    std::tm fields{};
    fields.tm_year = year - 1900;
    fields.tm_mon = month - 1;
    fields.tm_mday = day;
    fields.tm_hour = hour;
    fields.tm_min = minute;
    fields.tm_sec = second;
    fields.tm_isdst = -1;
    return static_cast<std::int32_t>(std::mktime(&fields));
}

} // namespace zelkam::test
