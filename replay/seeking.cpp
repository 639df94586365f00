#include "replay/viewer_state.h"

#include <algorithm>
#include <limits>

namespace zelkam {

void ViewerState::seek(std::int32_t t)
{
    PlayPosition& p = playback_.at;
    p.waitingAtEdge = false;
    if (isEmptyDay()) {
        p.clock = dayStart();
        publishView();
        return;
    }
    t = day().clampToDay(t);
    // From the nearest earlier snapshot, so a jump costs one map's events,
    // not the whole window's.
    p.cursor = day().rebuild(playback_.live, t);
    p.clock = t;
    expireChatLines(t);
    publishView();
}

void ViewerState::seekMinute(std::int32_t minute)
{
    const std::int64_t target = std::int64_t{dayStart()} + std::int64_t{60} * minute;
    seek(static_cast<std::int32_t>(std::clamp<std::int64_t>(target, std::numeric_limits<std::int32_t>::min(),
                                                             std::numeric_limits<std::int32_t>::max())));
    playback_.at.speed = 0;
    playback_.at.rewinding = false;
}

} // namespace zelkam
