#pragma once

#include <cstdint>
#include <ctime>
#include <string_view>

namespace zelkam {

// The fixed layout of a log line's head: "L MM/DD/YYYY - HH:MM:SS: " takes 25
// characters, and the date starts at position 2.
inline constexpr std::size_t LinePrefixLength = 25;
inline constexpr std::size_t TimeStampOffset = 2;
// Characters of the stamp read from TimeStampOffset on ("MM/DD/YYYY - HH:MM:SS").
inline constexpr std::size_t TimeStampLength = 21;

// Calendar seconds of the local time written as "MM/DD/YYYY - HH:MM:SS" at the
// start of text (line position 2). The digits are taken from their fixed
// places whatever stands there; the local-time conversion, with daylight
// saving left for it to decide, normalises out-of-range fields. -1 when the
// conversion rejects the date, when the result does not fit 32 bits, or when
// text is shorter than the stamp. A time of the hour repeated when clocks go
// back reads as its earlier occurrence.
std::int32_t parseTimeStamp(std::string_view text);

// The local broken-down time of a calendar time; false when the platform
// cannot convert it.
bool toLocalTime(std::int64_t time, std::tm& fields);

// Calendar seconds of a local broken-down time, daylight saving left to the
// conversion (the earlier reading of a repeated hour); -1 when it does not
// convert or does not fit 32 bits.
std::int32_t fromLocalTime(std::tm fields);

// parseTimeStamp with a memory of the last hour converted. Log lines come
// in time order, so nearly every line falls in the hour of the line before
// and costs an addition instead of a full local-time conversion. An hour is
// only remembered when the conversion is linear across it (no daylight
// saving change inside), so the results equal parseTimeStamp's.
class TimeStampConverter {
public:
    std::int32_t convert(std::string_view text);
    // Forgets the remembered hour (the time zone may have changed).
    void reset() { cachedValid_ = false; }

private:
    char cachedKey_[15] = {};
    std::int32_t cachedBase_ = 0;
    bool cachedValid_ = false;
};

} // namespace zelkam
