#include "tests/support/time_zone.h"

#include <cstdlib>
#include <ctime>
#include <string>

namespace zelkam::test {

namespace {

#ifdef _WIN32
// The Windows C runtime reads TZ as a name, an offset and a daylight-saving
// name, and applies its own daylight-saving dates; it knows no zone names.
// The zones the tests use are given in that form, so at least the offsets
// are right; tests that pin a zone's history of rule changes skip there.
std::string windowsZone(const std::string& zone)
{
    if (zone == "UTC")
        return "UTC0";
    if (zone == "Europe/Berlin")
        return "CET-1CEST";
    return zone;
}

void setZone(const char* zone)
{
    _putenv_s("TZ", zone ? windowsZone(zone).c_str() : "");
    _tzset();
}
#else
void setZone(const char* zone)
{
    if (zone)
        setenv("TZ", zone, 1);
    else
        unsetenv("TZ");
    tzset();
}
#endif

} // namespace

ScopedTimeZone::ScopedTimeZone(const char* zone)
{
    if (const char* old = std::getenv("TZ"))
        previous_ = old;
    setZone(zone);
}

ScopedTimeZone::~ScopedTimeZone()
{
    setZone(previous_ ? previous_->c_str() : nullptr);
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
