#include "replay/viewer_state.h"

#include "state/event_application.h"

namespace zelkam {

ViewerState::ViewerState() = default;

void ViewerState::enterEmptyDay(std::int32_t day)
{
    hasDay_ = false;
    day_->clear();
    dayStart_ = day;
    playback_.clock = day;
    playback_.speed = 0;
    playback_.cursor = 0;
    playback_.waitingAtEdge = false;
    roundStartTime = day;
    roster.count = 0;
    recentPlayers.clear();
    chatLines.clear();
    mapName = "";
    ctScore = 0;
    tScore = 0;
    // The published copy may still name players and texts of a window that
    // is gone; replace it before anyone draws from it.
    publishView();
}

void ViewerState::applyAtCursor() { day_->applyNext(*this, playback_.cursor); }

bool ViewerState::applyNext()
{
    if (!hasDay_ || playback_.cursor >= dayPlayEnd())
        return false;
    return day_->applyNext(*this, playback_.cursor);
}

bool ViewerState::standAfterEvent(std::size_t event)
{
    if (!hasDay_ || event < playback_.cursor || event >= day_->endEvent())
        return false;
    day_->advanceTo(*this, playback_.cursor, event + 1);
    standAfterApplied();
    return true;
}

void ViewerState::standAfterApplied()
{
    // After the day's last event the clock stands where play ends, one
    // second past it.
    const std::size_t next = playback_.cursor;
    playback_.clock = next < events().size() ? events()[next].time : day_->playEndTime();
    expireChatLines(playback_.clock);
    publishView();
    playback_.speed = 0;
}

void ViewerState::replayTo(std::size_t upTo)
{
    if (!hasDay_)
        return;
    seek(day_->firstTime());
    playback_.cursor = day_->firstEvent();
    day_->advanceTo(*this, playback_.cursor, std::min(upTo, dayPlayEnd()));
}

void ViewerState::publishView()
{
    viewClock_ = playback_.clock;
    viewMinute_ = static_cast<std::int32_t>((std::int64_t{playback_.clock} - dayStart_) / 60);
    viewMapName_ = mapName;
    viewPlayers_.clear();
    for (std::size_t i = 0; i < roster.count; ++i)
        viewPlayers_.append(roster.entries[i]);
    viewChatLines_.clear();
    for (std::size_t i = 0; i < chatLines.size(); ++i)
        viewChatLines_.append(chatLines[i]);
}

} // namespace zelkam
