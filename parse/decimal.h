#pragma once

#include <cstdint>
#include <limits>
#include <string_view>

namespace zelkam {

// The two ways the program reads a decimal number; every number read from
// a log, a datagram, a file name, the environment or the command line goes
// through one of them.

// The standard decimal reading of the start of text, as C's strtol reads
// it: leading blanks (space, tab to carriage return), an optional sign,
// then the digits up to the first other character; 0 without digits.
// Values beyond the 32-bit range saturate at its ends. Never fails.
std::int32_t decimalValue(std::string_view text);

// What readNumber accepts: a minus sign before the digits only with sign,
// and only values from min to max.
struct NumberFormat {
    bool sign = false;
    std::int64_t min = 0;
    std::int64_t max = std::numeric_limits<int>::max();
};

// The whole of text as a decimal number, for every strict reading (the
// command line's options and steps, a datagram's fields, a setting from the
// environment): digits 0 to 9 only, after one '-' where format.sign allows
// it; no '+', no blank. False, value left alone, when text is empty, holds
// anything else, or names a number outside [format.min, format.max].
bool readNumber(std::string_view text, std::int64_t& value, const NumberFormat& format = {});

// The same into a narrower integer; format's range must fit in T.
template <typename T>
bool readNumber(std::string_view text, T& value, const NumberFormat& format = {})
{
    std::int64_t wide = 0;
    if (!readNumber(text, wide, format))
        return false;
    value = static_cast<T>(wide);
    return true;
}

} // namespace zelkam
