#pragma once

#include <cstdint>
#include <string_view>

namespace zelkam {

// The two ways the program reads a decimal number; every number read from
// a log, a datagram, a file name or the command line goes through one of
// them.

// The standard decimal reading of the start of text, as C's strtol reads
// it: leading blanks (space, tab to carriage return), an optional sign,
// then the digits up to the first other character; 0 without digits.
// Values beyond the 32-bit range saturate at its ends. Never fails.
std::int32_t decimalValue(std::string_view text);

// Text made of digits only, as a number: false, value left alone, when text
// is empty, holds anything but the digits 0 to 9 (no sign, no blank) or
// names a number past the int range.
bool readDigits(std::string_view text, int& value);

} // namespace zelkam
