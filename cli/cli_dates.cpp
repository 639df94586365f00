#include "cli/cli_dates.h"

#include <cstdio>
#include <ctime>

#include "parse/time_stamp.h"

namespace zelkam::cli {

std::string formatTimeOfDay(std::int32_t t)
{
    std::tm fields{};
    if (!toLocalTime(t, fields))
        return "--:--:--";
    char text[32];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d", fields.tm_hour, fields.tm_min, fields.tm_sec);
    return text;
}

} // namespace zelkam::cli
