#include "replay/loaded_day.h"

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

bool LoadedDay::scan(std::string_view folderPath)
{
    if (!folder_.buildDayIndex(folderPath))
        return false;
    path_ = folderPath;
    becomeEmpty(dayStart_);
    return true;
}

void LoadedDay::listAs(const LoadedDay& shown)
{
    if (&shown == this)
        return;
    folder_.listAs(shown.folder_);
    path_ = shown.path_;
    becomeEmpty(dayStart_);
}

bool LoadedDay::read(std::int32_t day, bool wholeLinesOnly)
{
    growing_ = wholeLinesOnly;
    wasNewest_ = !days().empty() && day == days()[days().size() - 1];
    if (!folder_.readWindow(clampToStamp(addLocalDays(day, -1)), 2, wholeLinesOnly)) {
        becomeEmpty(day);
        return false;
    }
    // A window without any event from the midnight on is an empty day.
    if (!replay_.load(events(), day)) {
        becomeEmpty(day);
        return true;
    }
    hasDay_ = true;
    dayStart_ = day;
    return true;
}

bool LoadedDay::readAgain()
{
    const bool wasNewest = wasNewest_;
    const bool readOk = read(dayStart_, true);
    wasNewest_ = wasNewest_ || wasNewest;
    return readOk;
}

void LoadedDay::clear()
{
    folder_.clear();
    path_.clear();
    becomeEmpty(dayStart_);
}

void LoadedDay::leaveDay() { becomeEmpty(dayStart_); }

void LoadedDay::becomeEmpty(std::int32_t day)
{
    hasDay_ = false;
    replay_.clear();
    dayStart_ = day;
}

bool LoadedDay::takeGrowth(std::size_t before, std::size_t retracted)
{
    if (!hasDay_ || !replay_.takeGrowth(before, retracted))
        return false;
    growing_ = true;
    return true;
}

} // namespace zelkam
