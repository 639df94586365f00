#include <utility>
#include <vector>

#include "replay/viewer_state.h"

namespace zelkam {
namespace {

template <typename T>
void swapRings(BoundedRing<T>& a, BoundedRing<T>& b)
{
    std::vector<T> held;
    held.reserve(a.size());
    for (std::size_t i = 0; i < a.size(); ++i)
        held.push_back(a[i]);
    a.clear();
    for (std::size_t i = 0; i < b.size(); ++i)
        a.pushBack(b[i]);
    b.clear();
    for (const T& item : held)
        b.pushBack(item);
}

void swapLiveStates(LiveState& a, LiveState& b)
{
    swapRings(a.chatLines, b.chatLines);
    std::swap(a.roster, b.roster);
    swapRings(a.recentPlayers, b.recentPlayers);
    std::swap(a.roundStartTime, b.roundStartTime);
    std::swap(a.mapName, b.mapName);
    std::swap(a.ctScore, b.ctScore);
    std::swap(a.tScore, b.tScore);
    std::swap(a.composeChatText, b.composeChatText);
}

} // namespace

void ViewerState::takeOver(ViewerState& loaded)
{
    if (&loaded == this)
        return;
    // The live part.
    swapLiveStates(*this, loaded);
    // The model.
    snapshots.swap(loaded.snapshots);
    std::swap(clock, loaded.clock);
    std::swap(speed, loaded.speed);
    std::swap(dayStart, loaded.dayStart);
    std::swap(rewinding, loaded.rewinding);
    std::swap(cursor, loaded.cursor);
    std::swap(lastEvent, loaded.lastEvent);
    std::swap(dayFirstEvent, loaded.dayFirstEvent);
    std::swap(dayEndEvent, loaded.dayEndEvent);
    std::swap(viewClock, loaded.viewClock);
    std::swap(viewMinute, loaded.viewMinute);
    std::swap(viewMapName, loaded.viewMapName);
    days.swap(loaded.days);
    viewPlayers.swap(loaded.viewPlayers);
    viewChatLines.swap(loaded.viewChatLines);
    std::swap(folder_, loaded.folder_);
    std::swap(snapshotPlayers_, loaded.snapshotPlayers_);
    std::swap(hasDay_, loaded.hasDay_);
    // Following: how far the loaded day's growth has been taken in.
    std::swap(growing_, loaded.growing_);
    std::swap(waitingAtEdge_, loaded.waitingAtEdge_);
    std::swap(loadedNewest_, loaded.loadedNewest_);
    std::swap(wholeLinesOnly_, loaded.wholeLinesOnly_);
    swapLiveStates(presence_, loaded.presence_);
    std::swap(presenceNext_, loaded.presenceNext_);
    std::swap(presenceLastTime_, loaded.presenceLastTime_);
    std::swap(nextDayStart_, loaded.nextDayStart_);
}

} // namespace zelkam
