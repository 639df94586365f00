#pragma once

#include <cstdint>
#include <limits>

#include "history/day_windows.h"

namespace zelkam {

// Local midnights of the first and last day an investigation looks at.
struct DayRange {
    std::int32_t firstDay = std::numeric_limits<std::int32_t>::min();
    std::int32_t lastDay = std::numeric_limits<std::int32_t>::max();

    bool holds(std::int32_t day) const { return day >= firstDay && day <= lastDay; }
};

// The folder's days of the range and the day before it (whose files reach
// past midnight into the range and whose players carry on there), read with
// every kind when allKinds.
FolderDays daysOfRange(const FolderDays& folder, const DayRange& range, bool allKinds);

} // namespace zelkam
