#pragma once

#include <cstdint>
#include <ctime>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>

#include "parse/text_hash.h"

namespace zelkam {

// The fixed layout of a log line's head: "L MM/DD/YYYY - HH:MM:SS: " takes 25
// characters, and the date starts at position 2.
inline constexpr std::size_t LinePrefixLength = 25;
inline constexpr std::size_t TimeStampOffset = 2;
// Characters of the stamp read from TimeStampOffset on ("MM/DD/YYYY - HH:MM:SS").
inline constexpr std::size_t TimeStampLength = 21;

// Calendar seconds of the local time written as "MM/DD/YYYY - HH:MM:SS" at the
// start of text (line position 2), daylight saving left to the local-time
// conversion. The digits are taken from their fixed places (the separators
// between them are not looked at). -1 when a field is not all digits or out
// of its range (a month of 13, a day the month does not have, hour 24, a
// minute or second of 60), when the result does not fit 32 bits, or when
// text is shorter than the stamp: such a line is not moved to another time.
// A time of the hour repeated when clocks go back reads as its earlier
// occurrence; one of the hour skipped when they go forward reads an hour on.
std::int32_t parseTimeStamp(std::string_view text);

// The days of a month (1 to 12) of the Gregorian calendar; 0 for another
// month number.
int daysInMonth(int year, int month);

// The local broken-down time of a calendar time; false when the platform
// cannot convert it.
bool toLocalTime(std::int64_t time, std::tm& fields);

// Calendar seconds of a local broken-down time, daylight saving left to the
// conversion (the earlier reading of a repeated hour); -1 when it does not
// convert or does not fit 32 bits.
std::int32_t fromLocalTime(std::tm fields);

// The stamp of the local midnight that begins the day holding time, or -1.
std::int32_t dayStartOf(std::int32_t time);

// The calendar time `days` local calendar days after time (before it, for a
// negative count) at the same wall-clock time; from a midnight, the midnight
// that many days on. Where the clocks change a day is 23 or 25 hours long,
// so this is not days * 86,400 seconds; that is the answer only where the
// local conversion fails.
std::int64_t addLocalDays(std::int64_t time, int days);

// parseTimeStamp with a memory of the hours converted. Log lines come in
// time order, so nearly every line falls in the hour of the line before and
// costs an addition instead of a full local-time conversion; the first
// lines of a folder's files come in directory order, and every hour already
// seen is looked up instead of converted again. An hour is only remembered
// when the conversion is linear across it (no daylight saving change
// inside), so the results equal parseTimeStamp's.
class TimeStampConverter {
public:
    // At most this many hours are remembered besides the last one; when the
    // table is full it starts again empty.
    static constexpr std::size_t MaxRememberedHours = 4096;

    std::int32_t convert(std::string_view text);
    // Forgets every remembered hour (the time zone may have changed).
    void reset();

private:
    // The hour key is the stamp's first 15 characters, "MM/DD/YYYY - HH".
    static constexpr std::size_t KeyLength = 15;
    struct KeyHash {
        using is_transparent = void;
        std::size_t operator()(std::string_view key) const { return static_cast<std::size_t>(hashText(key)); }
    };

    char cachedKey_[KeyLength] = {};
    std::int32_t cachedBase_ = 0;
    bool cachedValid_ = false;
    std::unordered_map<std::string, std::int32_t, KeyHash, std::equal_to<>> hours_;
};

} // namespace zelkam
