#include "replay/viewer_state.h"

#include "state/event_application.h"

namespace zelkam {

ViewerState::ViewerState() = default;

void ViewerState::enterEmptyDay()
{
    day_->leaveDay();
    playback_.standAtEmptyDay(dayStart());
}

void ViewerState::standAtDayStart()
{
    playback_.at.speed = 0;
    if (isEmptyDay()) {
        playback_.standAtEmptyDay(dayStart());
        return;
    }
    seek(day().firstTime());
}

void ViewerState::applyAtCursor() { day().applyNext(playback_.live, playback_.at.cursor); }

bool ViewerState::applyNext()
{
    if (isEmptyDay() || playback_.at.cursor >= dayPlayEnd())
        return false;
    return day().applyNext(playback_.live, playback_.at.cursor);
}

bool ViewerState::standAfterEvent(std::size_t event)
{
    if (isEmptyDay() || event < playback_.at.cursor || event >= day().endEvent())
        return false;
    day().advanceTo(playback_.live, playback_.at.cursor, event + 1);
    standAfterApplied();
    return true;
}

void ViewerState::standAfterApplied()
{
    // After the day's last event the clock stands where play ends, one
    // second past it.
    PlayPosition& p = playback_.at;
    p.clock = p.cursor < events().size() ? events()[p.cursor].time : day().playEndTime();
    expireChatLines(p.clock);
    publishView();
    p.speed = 0;
}

} // namespace zelkam
