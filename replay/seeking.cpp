#include "replay/viewer_state.h"

#include <algorithm>
#include <limits>

namespace zelkam {

void ViewerState::seek(std::int32_t t)
{
    playback_.waitingAtEdge = false;
    if (!hasDay_) {
        playback_.clock = dayStart_;
        publishView();
        return;
    }
    t = day_->clampToDay(t);
    // From the nearest earlier snapshot, so a jump costs one map's events,
    // not the whole window's.
    playback_.cursor = day_->rebuild(*this, t);
    playback_.clock = t;
    expireChatLines(t);
    publishView();
}

void ViewerState::seekMinute(std::int32_t minute)
{
    const std::int64_t target = std::int64_t{dayStart_} + std::int64_t{60} * minute;
    seek(static_cast<std::int32_t>(std::clamp<std::int64_t>(target, std::numeric_limits<std::int32_t>::min(),
                                                             std::numeric_limits<std::int32_t>::max())));
    playback_.speed = 0;
    playback_.rewinding = false;
}

} // namespace zelkam
