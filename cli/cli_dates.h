#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "parse/calendar_date.h"

namespace zelkam::cli {

// Dates are written and read through parse/calendar_date (dateText,
// isWrittenAsDate, midnightOfDate, dayIndexOf).

// "HH:MM:SS" of the local time of day of t; "--:--:--" when it cannot convert.
std::string formatTimeOfDay(std::int32_t t);

} // namespace zelkam::cli
