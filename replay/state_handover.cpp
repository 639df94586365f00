#include <utility>

#include "replay/viewer_state.h"

namespace zelkam {

std::unique_ptr<LoadedDay> ViewerState::takeOver(std::unique_ptr<LoadedDay> loaded)
{
    if (!loaded)
        return loaded;
    // The day moves as one owner, so its events and the snapshots' pointers
    // into them stay where they are; the playback is made for it here, as a
    // load on this state would leave it.
    std::swap(day_, loaded);
    interrupted_.reset();
    playback_.at.waitingAtEdge = false;
    playback_.at.rewinding = false;
    standAtDayStart();
    return loaded;
}

} // namespace zelkam
