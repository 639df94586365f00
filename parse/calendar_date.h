#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "parse/containers.h"

namespace zelkam {

// A day as people write it, DD/MM/YYYY, and as the model keeps it, the
// calendar time of its local midnight. Every date typed, given or printed
// goes through here, so a day is found by its midnight, never by comparing
// texts.

// Whether text is written as a date: DD/MM/YYYY in digits, a month from 01
// to 12 and a day from 01 to 31. Whether the month has that day is left to
// midnightOfDate: a well-written date of a day that does not exist is a day
// the folder does not hold, not a misspelling.
bool isWrittenAsDate(std::string_view text);

// The local midnight of the day text names; nothing when it is not written
// as a date, names a day its month does not have, or its midnight is no
// calendar time here (outside the 32-bit range).
std::optional<std::int32_t> midnightOfDate(std::string_view text);

// "DD/MM/YYYY" of the local day holding t; "--/--/----" when the platform
// cannot convert t.
std::string dateText(std::int64_t t);

// "HH:MM:SS" of the local time of day of t; "--:--:--" when the platform
// cannot convert t.
std::string timeOfDayText(std::int64_t t);

// HH:MM:SS as typed, in seconds: minutes and seconds two digits below 60,
// hours one or two digits (they may pass 23 to reach into the next day's
// events). False, seconds left alone, for anything else.
bool readTimeOfDay(std::string_view text, std::int64_t& seconds);

// The index in days (local midnights) of the day holding midnight, or
// nothing.
std::optional<std::size_t> dayIndexOf(const GrowArray<std::int32_t>& days, std::int32_t midnight);
// The same for the day a DD/MM/YYYY text names; nothing for a text that
// names no day (midnightOfDate).
std::optional<std::size_t> dayIndexOf(const GrowArray<std::int32_t>& days, std::string_view date);

} // namespace zelkam
