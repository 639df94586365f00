#pragma once

#include <cstdint>
#include <string>

#include "replay/viewer_state.h"

namespace zelkam {

// The local date of a stamp as "dd/mm/yyyy" (10 characters) and its local
// time of day as "HH:MM:SS" (8 characters, 24-hour). A stamp the local-time
// conversion cannot handle gives an empty text.
std::string localDateText(std::int32_t stamp);
std::string localTimeText(std::int32_t stamp);

// The clock of a replay whose day began at dayStart: its time of day, and
// " +N" when the clock has run N local dates past that day's (a day played
// past midnight), so that the date box can go on naming the loaded day.
std::string dayClockText(std::int32_t stamp, std::int32_t dayStart);

// What playback is doing, as the window says it: "Live", "Paused",
// "Rewinding", "Playing x5"; lagSeconds > 0 adds how far the clock stands
// behind the newest line of a followed day ("Paused, 2:05 behind").
std::string playStateText(ViewerState::PlayMode state, std::int32_t speed, std::int32_t lagSeconds);

} // namespace zelkam
