#include "replay/viewer_state.h"

#include "views/event_application.h"

namespace zelkam {

ViewerState::ViewerState() : eventTarget(*this) {}

void ViewerState::enterEmptyDay(std::int32_t day)
{
    hasDay_ = false;
    dayStart = day;
    clock = day;
    speed = 0;
    roundStartTime = day;
    cursor = 0;
    lastEvent = 0;
    dayFirstEvent = 0;
    dayEndEvent = 0;
    snapshots.clear();
    snapshotPlayers_.clear();
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

void ViewerState::applyAtCursor()
{
    applyEvent(eventTarget, events()[cursor]);
    ++cursor;
}

void ViewerState::publishView()
{
    viewClock = clock;
    viewMinute = static_cast<std::int32_t>((std::int64_t{clock} - dayStart) / 60);
    viewMapName = mapName;
    viewPlayers.clear();
    for (std::size_t i = 0; i < roster.count; ++i)
        viewPlayers.append(roster.entries[i]);
    viewChatLines.clear();
    for (std::size_t i = 0; i < chatLines.size(); ++i)
        viewChatLines.append(chatLines[i]);
}

} // namespace zelkam
