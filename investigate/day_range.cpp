#include "investigate/day_range.h"

#include "parse/time_stamp.h"

namespace zelkam {

FolderDays daysOfRange(const FolderDays& folder, const DayRange& range, bool allKinds)
{
    FolderDays walked;
    walked.files = folder.files;
    walked.allKinds = allKinds;
    const std::int64_t dayBefore = range.firstDay == std::numeric_limits<std::int32_t>::min()
                                       ? range.firstDay
                                       : addLocalDays(range.firstDay, -1);
    for (std::size_t d = 0; d < folder.days.size(); ++d) {
        if (folder.days[d] >= dayBefore && folder.days[d] <= range.lastDay)
            walked.days.append(folder.days[d]);
    }
    return walked;
}

} // namespace zelkam
