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

} // namespace

void ViewerState::takeOver(ViewerState& loaded)
{
    if (&loaded == this)
        return;
    // The live part.
    swapRings(chatLines, loaded.chatLines);
    std::swap(roster, loaded.roster);
    swapRings(recentPlayers, loaded.recentPlayers);
    std::swap(roundStartTime, loaded.roundStartTime);
    std::swap(mapName, loaded.mapName);
    std::swap(ctScore, loaded.ctScore);
    std::swap(tScore, loaded.tScore);
    std::swap(composeChatText, loaded.composeChatText);
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
}

} // namespace zelkam
