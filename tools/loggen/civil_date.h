#pragma once

#include <cstdint>

namespace zelkam {

// A date of the proleptic Gregorian calendar. The generator writes local
// wall-clock text only, so it counts days itself and never asks the C library
// (or a time zone) to convert anything.
struct CivilDate {
    int year = 1970;
    int month = 1;
    int day = 1;
};

bool operator==(const CivilDate& a, const CivilDate& b);

// True for a real calendar date with a four-digit year (1000 to 9999).
bool isValidDate(const CivilDate& date);

// Days since 1970-01-01 (negative before it), and back.
std::int64_t daysFromCivil(const CivilDate& date);
CivilDate civilFromDays(std::int64_t days);

} // namespace zelkam
