#include "replay/viewer_state.h"

#include <algorithm>


namespace zelkam {

std::size_t ViewerState::dayPlayEnd() const
{
    return isEmptyDay() ? 0 : day().endEvent();
}

bool ViewerState::takeGrowth(std::size_t before, std::size_t retracted)
{
    if (isEmptyDay() || playback_.at.cursor > events().size())
        return false;
    return day_->takeGrowth(before, retracted);
}

void ViewerState::reloadAtClock()
{
    // A reload that finds no day (the file emptied, or moved away for a
    // moment) keeps the playback it interrupted, so that the reload finding
    // the day again goes on at the same clock and speed: the lines shown
    // before are not played again as new ones, and the view stays live.
    PlayPosition& p = playback_.at;
    const PlayPosition kept = interrupted_.value_or(p);
    standAtRead(day_->readAgain());
    if (!isEmptyDay()) {
        seek(kept.clock);
        p.speed = kept.speed;
        p.rewinding = kept.rewinding;
        // Live before the reload, with every line the day holds now played:
        // still live, at the clock it had, which the seek's clamp to the
        // day's end would have set back to the newest line.
        if (kept.waitingAtEdge && p.cursor == events().size() && kept.clock > p.clock) {
            p.clock = kept.clock;
            p.waitingAtEdge = true;
            expireChatLines(p.clock);
            publishView();
        }
    } else {
        p.speed = 0;
        p.rewinding = false;
        interrupted_ = kept;
    }
}

bool ViewerState::atLiveEdge() const
{
    if (isEmptyDay())
        return false;
    const PlayPosition& p = playback_.at;
    if (isGrowing())
        return p.cursor >= events().size();
    return p.cursor >= lastEvent() && p.clock >= events()[lastEvent()].time;
}

bool ViewerState::moveOnToNewestDay()
{
    PlayPosition& p = playback_.at;
    if (!day_->wasNewest() || p.speed == 0 || p.rewinding || days().empty() || days()[days().size() - 1] <= dayStart()
        || !atLiveEdge())
        return false;
    const std::int32_t at = p.clock;
    const std::int32_t keptSpeed = p.speed;
    loadDayAt(days().size() - 1);
    // Play goes on from where it was when the new day's first lines were
    // already played as the old day's last ones (its file ran past
    // midnight); otherwise from the new day's first event.
    if (!isEmptyDay())
        seek(at);
    p.speed = isEmptyDay() ? 0 : keptSpeed;
    return true;
}

LiveUpdate ViewerState::follow()
{
    LiveUpdate update;
    const std::size_t before = events().size();
    const FolderChanges changes = day_->look();
    update.folderGone = changes.folderGone;
    update.daysChanged = changes.daysChanged;
    if (changes.window == WindowChange::Changed) {
        reloadAtClock();
        update.viewChanged = true;
    } else if (changes.window == WindowChange::Grew) {
        update.grew = true;
        if (!takeGrowth(before, changes.retracted)) {
            reloadAtClock();
            update.viewChanged = true;
        }
    }
    if (moveOnToNewestDay())
        update.viewChanged = true;
    return update;
}

bool ViewerState::followDay(std::int32_t day) { return standAtRead(day_->read(day, true)); }

bool ViewerState::goLive()
{
    if (days().empty())
        return false;
    if (isEmptyDay() || dayStart() != days()[days().size() - 1])
        loadDayAt(days().size() - 1);
    if (isEmptyDay())
        return false;
    seek(events()[lastEvent()].time);
    command(PlaybackCommand::Play);
    return true;
}

} // namespace zelkam
