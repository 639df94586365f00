#include "replay/viewer_state.h"

namespace zelkam {

bool ViewerState::loadFolder(std::string_view folderPath)
{
    return day_->scan(folderPath) && loadDayAt(0);
}

bool ViewerState::scanFolder(std::string_view folderPath)
{
    if (!day_->scan(folderPath))
        return false;
    enterEmptyDay();
    return true;
}

bool ViewerState::loadDayAt(std::size_t index)
{
    if (index >= days().size()) {
        enterEmptyDay();
        return false;
    }
    return loadDay(days()[index]);
}

bool ViewerState::loadDay(std::int32_t day) { return standAtRead(day_->read(day)); }

bool ViewerState::standAtRead(bool read)
{
    playback_.at.waitingAtEdge = false;
    interrupted_.reset();
    standAtDayStart();
    return read;
}

void ViewerState::unload()
{
    day_->clear();
    playback_.at.rewinding = false;
    enterEmptyDay();
}

} // namespace zelkam
