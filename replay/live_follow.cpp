#include "replay/viewer_state.h"

#include <algorithm>

#include "views/event_application.h"

namespace zelkam {

std::size_t ViewerState::dayPlayEnd() const
{
    if (!hasDay_)
        return 0;
    if (growing_ && dayEndEvent == lastEvent && events()[lastEvent].time < nextDayStart_)
        return events().size();
    return dayEndEvent;
}

void ViewerState::keepPresence(std::size_t walkedTo)
{
    // The walk has just left its state in the live part; the load resets
    // that for play right after, so a copy goes on in presence_.
    presence_.roster = roster;
    presence_.recentPlayers.clear();
    for (std::size_t i = 0; i < recentPlayers.size(); ++i)
        presence_.recentPlayers.pushBack(recentPlayers[i]);
    presence_.chatLines.clear();
    presence_.roundStartTime = roundStartTime;
    presence_.mapName = mapName;
    presence_.ctScore = ctScore;
    presence_.tScore = tScore;
    // Its chat lines are never shown.
    presence_.composeChatText = false;

    nextDayStart_ = addLocalDays(dayStart, 1);
    const EventList& loaded = events();
    presenceLastTime_ = loaded[lastEvent].time;
    presenceNext_ = walkedTo;
}

bool ViewerState::takeGrowth(std::size_t before, std::size_t retracted)
{
    if (!hasDay_)
        return false;
    const EventList& loaded = events();
    // The day's first event itself was the line read unfinished.
    if (retracted > 0 && dayFirstEvent + retracted >= before)
        return false;
    if (loaded.size() <= dayFirstEvent || cursor > loaded.size())
        return false;
    const std::size_t newest = loaded.size() - 1;
    const std::int32_t newestTime = loaded[newest].time;
    // The snapshot walk stops short of the newest line's second. While that
    // second does not go back, the walk so far is what a fresh load would
    // walk, and it simply goes on; a clock set back is rare enough to read
    // the day again.
    if (newestTime < presenceLastTime_)
        return false;

    lastEvent = newest;
    std::size_t e = presenceNext_;
    for (; e < lastEvent && loaded[e].time < newestTime; ++e) {
        if (loaded[e].kind == MapStarted) {
            Snapshot& snapshot = snapshots.appendSlot();
            snapshot.time = loaded[e].time;
            snapshot.event = e;
            snapshot.players = snapshotPlayers_.store(presence_.recentPlayers);
            snapshot.playerCount = presence_.recentPlayers.size();
            snapshot.mapName = loaded[e].text ? loaded[e].text : "";
        }
        applyEventMasked(presence_, loaded[e], SnapshotKindMask);
    }
    presenceNext_ = e;
    presenceLastTime_ = newestTime;

    // Every event before the old end lies before the next midnight, so the
    // search for the end goes on from there. The old end may have been the
    // retracted line's event, gone now with nothing read in its place.
    dayEndEvent = std::min(dayEndEvent, lastEvent);
    while (dayEndEvent < lastEvent && loaded[dayEndEvent].time < nextDayStart_)
        ++dayEndEvent;
    return true;
}

void ViewerState::reloadAtClock()
{
    const std::int32_t at = clock;
    const std::int32_t keptSpeed = speed;
    const bool keptRewinding = rewinding;
    const bool keptNewest = loadedNewest_;
    followDay(dayStart);
    loadedNewest_ = loadedNewest_ || keptNewest;
    if (hasDay_)
        seek(at);
    speed = hasDay_ ? keptSpeed : 0;
    rewinding = hasDay_ && keptRewinding;
}

bool ViewerState::atLiveEdge() const
{
    if (!hasDay_)
        return false;
    if (growing_)
        return cursor >= events().size();
    return cursor >= lastEvent && clock >= events()[lastEvent].time;
}

bool ViewerState::moveOnToNewestDay()
{
    if (!loadedNewest_ || speed == 0 || rewinding || days.empty() || days[days.size() - 1] <= dayStart
        || !atLiveEdge())
        return false;
    const std::int32_t at = clock;
    const std::int32_t keptSpeed = speed;
    loadDayAt(days.size() - 1);
    // Play goes on from where it was when the new day's first lines were
    // already played as the old day's last ones (its file ran past
    // midnight); otherwise from the new day's first event.
    if (!isEmptyDay())
        seek(at);
    speed = isEmptyDay() ? 0 : keptSpeed;
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
        days.clear();
        for (std::int32_t day : folder_->days())
            days.append(day);
    }
    if (changes.window == WindowChange::Changed) {
        reloadAtClock();
        update.viewChanged = true;
    } else if (changes.window == WindowChange::Grew) {
        update.grew = true;
        if (takeGrowth(before, changes.retracted)) {
            growing_ = true;
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
    wholeLinesOnly_ = true;
    const bool loaded = loadDay(day);
    wholeLinesOnly_ = false;
    growing_ = true;
    return loaded;
}

bool ViewerState::goLive()
{
    if (days.empty())
        return false;
    if (isEmptyDay() || dayStart != days[days.size() - 1])
        loadDayAt(days.size() - 1);
    if (isEmptyDay())
        return false;
    seek(events()[lastEvent].time);
    command(3);
    return true;
}

} // namespace zelkam
