#include "cli/cli_dates.h"

#include <cstdio>
#include <ctime>

#include "parse/time_stamp.h"

namespace zelkam::cli {

std::string formatTimeOfDay(std::int32_t t) { return timeOfDayText(t); }

} // namespace zelkam::cli
