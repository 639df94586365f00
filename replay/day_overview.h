#pragma once

// The loaded day at a glance: one record per minute from the day's midnight
// to the next, for the activity plot and "zelkam-cli overview".

#include <cstdint>

#include "state/overview_series.h"

namespace zelkam {

class ViewerState;

// Minutes from the local midnight `day` to the next one.
std::int32_t minutesOfDay(std::int32_t day);

// The series of the day the state has loaded, made in one forward pass over
// its events. The state is only read: its live and published view stay as
// they are. A state without a loaded day (isEmptyDay) gives a day of empty
// minutes at its dayStart.
DayOverview computeDayOverview(const ViewerState& state);

} // namespace zelkam
