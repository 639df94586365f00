#include "replay/viewer_state.h"

#include <algorithm>


namespace zelkam {

std::size_t ViewerState::dayPlayEnd() const
{
    return hasDay_ ? day_->endEvent() : 0;
}

bool ViewerState::takeGrowth(std::size_t before, std::size_t retracted)
{
    if (!hasDay_ || playback_.cursor > events().size())
        return false;
    return day_->takeGrowth(before, retracted);
}

void ViewerState::reloadAtClock()
{
    // A reload that finds no day (the file emptied, or moved away for a
    // moment) keeps the playback it interrupted, so that the reload finding
    // the day again goes on at the same clock and speed: the lines shown
    // before are not played again as new ones, and the view stays live.
    const Playback kept = following_.interrupted.value_or(playback_);
    const bool keptNewest = following_.loadedNewest;
    followDay(dayStart_);
    following_.loadedNewest = following_.loadedNewest || keptNewest;
    if (hasDay_) {
        seek(kept.clock);
        playback_.speed = kept.speed;
        playback_.rewinding = kept.rewinding;
        // Live before the reload, with every line the day holds now played:
        // still live, at the clock it had, which the seek's clamp to the
        // day's end would have set back to the newest line.
        if (kept.waitingAtEdge && playback_.cursor == events().size() && kept.clock > playback_.clock) {
            playback_.clock = kept.clock;
            playback_.waitingAtEdge = true;
            expireChatLines(playback_.clock);
            publishView();
        }
    } else {
        playback_.speed = 0;
        playback_.rewinding = false;
        following_.interrupted = kept;
    }
}

bool ViewerState::atLiveEdge() const
{
    if (!hasDay_)
        return false;
    if (following_.growing)
        return playback_.cursor >= events().size();
    return playback_.cursor >= lastEvent() && playback_.clock >= events()[lastEvent()].time;
}

bool ViewerState::moveOnToNewestDay()
{
    if (!following_.loadedNewest || playback_.speed == 0 || playback_.rewinding || days_.empty()
        || days_[days_.size() - 1] <= dayStart_ || !atLiveEdge())
        return false;
    const std::int32_t at = playback_.clock;
    const std::int32_t keptSpeed = playback_.speed;
    loadDayAt(days_.size() - 1);
    // Play goes on from where it was when the new day's first lines were
    // already played as the old day's last ones (its file ran past
    // midnight); otherwise from the new day's first event.
    if (!isEmptyDay())
        seek(at);
    playback_.speed = isEmptyDay() ? 0 : keptSpeed;
    return true;
}

LiveUpdate ViewerState::follow()
{
    LiveUpdate update;
    const std::size_t before = events().size();
    const FolderChanges changes = folder_->followChanges();
    update.folderGone = changes.folderGone;
    if (changes.daysChanged) {
        update.daysChanged = true;
        days_.clear();
        for (std::int32_t day : folder_->days())
            days_.append(day);
    }
    if (changes.window == WindowChange::Changed) {
        reloadAtClock();
        update.viewChanged = true;
    } else if (changes.window == WindowChange::Grew) {
        update.grew = true;
        if (takeGrowth(before, changes.retracted)) {
            following_.growing = true;
        } else {
            reloadAtClock();
            update.viewChanged = true;
        }
    }
    if (moveOnToNewestDay())
        update.viewChanged = true;
    return update;
}

bool ViewerState::followDay(std::int32_t day)
{
    following_.wholeLinesOnly = true;
    const bool loaded = loadDay(day);
    following_.wholeLinesOnly = false;
    following_.growing = true;
    return loaded;
}

bool ViewerState::goLive()
{
    if (days_.empty())
        return false;
    if (isEmptyDay() || dayStart_ != days_[days_.size() - 1])
        loadDayAt(days_.size() - 1);
    if (isEmptyDay())
        return false;
    seek(events()[lastEvent()].time);
    command(PlaybackCommand::Play);
    return true;
}

} // namespace zelkam
