#include "replay/viewer_state.h"

#include <limits>


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
    enterEmptyDay(dayStart_);
    return true;
}

bool ViewerState::listDays(std::string_view folderPath)
{
    if (!folder_->buildDayIndex(folderPath))
        return false;
    days_.clear();
    for (std::int32_t day : folder_->days())
        days_.append(day);
    return true;
}

bool ViewerState::loadDayAt(std::size_t index)
{
    if (index >= days_.size()) {
        enterEmptyDay(dayStart_);
        return false;
    }
    return loadDay(days_[index]);
}

bool ViewerState::loadDay(std::int32_t day)
{
    // The day before is read too: it rebuilds who is on the server and which
    // map runs when the day begins, though it is never shown itself.
    following_.growing = false;
    following_.interrupted.reset();
    playback_.waitingAtEdge = false;
    following_.loadedNewest = !days_.empty() && day == days_[days_.size() - 1];
    if (!folder_->readWindow(clampToStamp(addLocalDays(day, -1)), 2, following_.wholeLinesOnly)) {
        enterEmptyDay(day);
        return false;
    }
    // A window without any event from the midnight on is an empty day.
    if (!day_->load(events(), day)) {
        enterEmptyDay(day);
        return true;
    }
    hasDay_ = true;
    dayStart_ = day;
    playback_.cursor = day_->firstEvent();
    roundStartTime = day_->firstTime();
    playback_.clock = day_->firstTime();
    playback_.speed = 0;
    roster.count = 0;
    recentPlayers.clear();
    chatLines.clear();
    ctScore = 0;
    tScore = 0;
    mapName = "";
    seek(day_->firstTime());
    return true;
}

void ViewerState::unload()
{
    folder_->clear();
    days_.clear();
    playback_.rewinding = false;
    enterEmptyDay(dayStart_);
}

} // namespace zelkam
