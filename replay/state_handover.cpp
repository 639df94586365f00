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
}

} // namespace

void ViewerState::takeOver(ViewerState& loaded)
{
    if (&loaded == this)
        return;
    // The folder and the loaded day are held apart, so the events and the
    // snapshots' pointers into them stay where they are.
    std::swap(folder_, loaded.folder_);
    std::swap(day_, loaded.day_);
    std::swap(hasDay_, loaded.hasDay_);
    std::swap(dayStart_, loaded.dayStart_);
    std::swap(playback_, loaded.playback_);
    std::swap(following_, loaded.following_);
    swapLiveStates(*this, loaded);
    // The published view.
    std::swap(viewClock_, loaded.viewClock_);
    std::swap(viewMinute_, loaded.viewMinute_);
    std::swap(viewMapName_, loaded.viewMapName_);
    days_.swap(loaded.days_);
    viewPlayers_.swap(loaded.viewPlayers_);
    viewChatLines_.swap(loaded.viewChatLines_);
}

} // namespace zelkam
