#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace zelkam::test {

// Sets TZ for the lifetime of the object and restores the previous value.
// The model works in local time, so every test that touches time sets one.
class ScopedTimeZone {
public:
    explicit ScopedTimeZone(const char* zone);
    ~ScopedTimeZone();
    ScopedTimeZone(const ScopedTimeZone&) = delete;
    ScopedTimeZone& operator=(const ScopedTimeZone&) = delete;

private:
    std::optional<std::string> previous_;
};

// Calendar seconds of a local date and time (daylight saving decided by the
// conversion).
std::int32_t localStamp(int year, int month, int day, int hour = 0, int minute = 0, int second = 0);

} // namespace zelkam::test
