#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "parse/containers.h"

namespace zelkam::cli {

// "DD/MM/YYYY" of the local date holding t; "--/--/----" when the platform
// cannot convert it.
std::string formatDate(std::int32_t t);
// "HH:MM:SS" of the local time of day of t; "--:--:--" when it cannot convert.
std::string formatTimeOfDay(std::int32_t t);

// True when text is a date written DD/MM/YYYY with a month from 01 to 12 and
// a day from 01 to 31 (whether the day exists is left to the day list).
bool isDateArgument(std::string_view text);

// The index in days of the day written DD/MM/YYYY, or none.
std::optional<std::size_t> dayIndexOf(const GrowArray<std::int32_t>& days, std::string_view date);

} // namespace zelkam::cli
