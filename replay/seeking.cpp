#include "replay/viewer_state.h"

#include <algorithm>
#include <limits>

#include "views/event_application.h"

namespace zelkam {

void ViewerState::seek(std::int32_t t)
{
    waitingAtEdge_ = false;
    if (!hasDay_) {
        clock = dayStart;
        publishView();
        return;
    }
    const EventList& loaded = events();
    const std::int32_t firstTime = loaded[dayFirstEvent].time;
    const std::int32_t endTime = loaded[dayEndEvent].time;
    if (t < firstTime)
        t = firstTime;
    else if (t > endTime)
        t = endTime;

    // Seek from the nearest earlier snapshot, so a jump costs one map's
    // events, not the whole window's. A snapshot stamped with t itself is
    // passed over: its event belongs after t.
    std::size_t chosen = 0;
    while (chosen < snapshots.size() && snapshots[chosen].time < t)
        ++chosen;
    if (chosen > 0)
        --chosen;
    const Snapshot& snapshot = snapshots[chosen];

    recentPlayers.clear();
    for (std::size_t i = 0; i < snapshot.playerCount; ++i)
        recentPlayers.pushBack(snapshot.players[i]);
    roster.count = 0;
    roundStartTime = snapshot.time;
    clock = snapshot.time;
    cursor = snapshot.event;
    mapName = snapshot.mapName;
    ctScore = 0;
    tScore = 0;
    chatLines.clear();

    // A seek into a busy map replays tens of thousands of chat lines, of
    // which the ring keeps the last five. Every line before the fifth-last
    // event that surely adds one is pushed out before the replay ends, so it
    // only takes its slot: its text is not composed.
    std::size_t end = cursor;
    while (end < lastEvent && loaded[end].time < t)
        ++end;
    std::size_t composeFrom = end;
    for (std::size_t sure = 0; composeFrom > cursor && sure < chatLines.capacity();) {
        --composeFrom;
        if (alwaysAddsChatLine(loaded[composeFrom].kind))
            ++sure;
    }
    composeChatText = false;
    while (cursor < composeFrom)
        applyAtCursor();
    composeChatText = true;
    while (cursor < end)
        applyAtCursor();
    clock = t;
    expireChatLines(t);
    publishView();
}

void ViewerState::seekMinute(std::int32_t minute)
{
    const std::int64_t target = std::int64_t{dayStart} + std::int64_t{60} * minute;
    seek(static_cast<std::int32_t>(std::clamp<std::int64_t>(target, std::numeric_limits<std::int32_t>::min(),
                                                             std::numeric_limits<std::int32_t>::max())));
    speed = 0;
    rewinding = false;
}

} // namespace zelkam
