#include "replay/viewer_state.h"

#include <limits>

#include "views/event_application.h"

namespace zelkam {
namespace {

std::int32_t clampToStamp(std::int64_t t)
{
    if (t < std::numeric_limits<std::int32_t>::min())
        return std::numeric_limits<std::int32_t>::min();
    if (t > std::numeric_limits<std::int32_t>::max())
        return std::numeric_limits<std::int32_t>::max();
    return static_cast<std::int32_t>(t);
}

} // namespace

bool ViewerState::loadFolder(std::string_view folderPath)
{
    return listDays(folderPath) && loadDayAt(0);
}

bool ViewerState::scanFolder(std::string_view folderPath)
{
    if (!listDays(folderPath))
        return false;
    enterEmptyDay(dayStart);
    return true;
}

bool ViewerState::listDays(std::string_view folderPath)
{
    if (!folder_->buildDayIndex(folderPath))
        return false;
    days.clear();
    for (std::int32_t day : folder_->days())
        days.append(day);
    return true;
}

bool ViewerState::loadDayAt(std::size_t index)
{
    if (index >= days.size()) {
        enterEmptyDay(dayStart);
        return false;
    }
    return loadDay(days[index]);
}

bool ViewerState::loadDay(std::int32_t day)
{
    // The day before is read too: it rebuilds who is on the server and which
    // map runs when the day begins, though it is never shown itself.
    growing_ = false;
    waitingAtEdge_ = false;
    loadedNewest_ = !days.empty() && day == days[days.size() - 1];
    if (!folder_->readWindow(clampToStamp(addLocalDays(day, -1)), 2, wholeLinesOnly_)) {
        enterEmptyDay(day);
        return false;
    }
    const EventList& loaded = events();
    std::size_t first = 0;
    while (first < loaded.size() && loaded[first].time < day)
        ++first;
    if (first == loaded.size()) {
        enterEmptyDay(day);
        return true;
    }

    hasDay_ = true;
    dayStart = day;
    lastEvent = loaded.size() - 1;
    dayFirstEvent = first;
    // The reader reads whole files, so the next day's events may follow.
    // The day ends at the next midnight, 23 or 25 hours on where the clocks
    // change.
    const std::int64_t nextDay = addLocalDays(day, 1);
    dayEndEvent = dayFirstEvent;
    while (dayEndEvent < lastEvent && loaded[dayEndEvent].time < nextDay)
        ++dayEndEvent;

    keepPresence(takeSnapshots());

    cursor = dayFirstEvent;
    roundStartTime = loaded[dayFirstEvent].time;
    clock = loaded[dayFirstEvent].time;
    speed = 0;
    roster.count = 0;
    recentPlayers.clear();
    chatLines.clear();
    ctScore = 0;
    tScore = 0;
    mapName = "";
    seek(loaded[dayFirstEvent].time);
    return true;
}

std::size_t ViewerState::takeSnapshots()
{
    const EventList& loaded = events();
    snapshots.clear();
    snapshotPlayers_.clear();
    roster.count = 0;
    recentPlayers.clear();

    const auto appendSnapshot = [&](std::size_t event, const char* map) {
        Snapshot& snapshot = snapshots.appendSlot();
        snapshot.time = loaded[event].time;
        snapshot.event = event;
        snapshot.players = snapshotPlayers_.store(recentPlayers);
        snapshot.playerCount = recentPlayers.size();
        snapshot.mapName = map;
    };

    appendSnapshot(0, "");
    // Only the kinds that carry across a map start are applied: the recent
    // players (remote-console senders are named from them) and the map. The
    // walk stops short of the last event's second, as forward play does.
    const std::int32_t lastTime = loaded[lastEvent].time;
    std::size_t e = 0;
    for (; e < lastEvent && loaded[e].time < lastTime; ++e) {
        if (loaded[e].kind == MapStarted)
            appendSnapshot(e, loaded[e].text ? loaded[e].text : "");
        applyEventMasked(eventTarget, loaded[e], SnapshotKindMask);
    }
    return e;
}

void ViewerState::unload()
{
    folder_->clear();
    days.clear();
    rewinding = false;
    enterEmptyDay(dayStart);
}

} // namespace zelkam
