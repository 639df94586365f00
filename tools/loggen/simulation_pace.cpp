#include <algorithm>
#include <cstddef>

#include "tools/loggen/simulation.h"

// How many lines the session writes when: a day's line count spread over
// its hours as an evening server's activity rises and falls.

namespace zelkam::loggen {
namespace {

// How busy an evening server is at each hour of the local day, 0 to 1.
constexpr double hourlyActivity[24] = {0.55, 0.35, 0.2,  0.1,  0.1, 0.1, 0.1, 0.1, 0.12, 0.15, 0.2,  0.25,
                                       0.3,  0.35, 0.4,  0.45, 0.55, 0.65, 0.8, 0.9, 1.0,  1.0,  0.95, 0.8};

double activityAt(WallTime time)
{
    const WallTime second = time - floorDiv(time, Day) * Day;
    const auto hour = static_cast<std::size_t>(second / Hour);
    const double within = static_cast<double>(second % Hour) / static_cast<double>(Hour);
    return hourlyActivity[hour] + (hourlyActivity[(hour + 1) % 24] - hourlyActivity[hour]) * within;
}

} // namespace

void Simulation::buildActivity(WallTime until)
{
    activity_.assign(1, 0.0);
    for (WallTime t = sessionStart_; t < until; t += Minute)
        activity_.push_back(activity_.back() + activityAt(t) * Minute);
}

double Simulation::activityBetween(WallTime from, WallTime to) const
{
    const auto index = [&](WallTime t) {
        return static_cast<std::size_t>(
            std::clamp<WallTime>((t - sessionStart_) / Minute, 0, static_cast<WallTime>(activity_.size()) - 1));
    };
    return activity_[index(to)] - activity_[index(from)];
}

// Hours of play that hold the day's lines at a lively pace.
double Simulation::sessionHours(double perPlayer) const
{
    const double playersEstimate = 0.75 * options_.maxPlayers;
    const double roundLinesPerHour =
        static_cast<double>(Hour) / TypicalCycle * (RoundBaseLines + perPlayer * playersEstimate);
    const double budget = static_cast<double>(options_.linesPerDay);
    if (options_.filesPerDay > 0)
        return (budget - fileOverhead() * options_.filesPerDay) / roundLinesPerHour;
    return budget / (roundLinesPerHour + fileOverhead() * static_cast<double>(Hour / TypicalMapLength));
}

// Lines per second the session should write now so that the day ends
// near its line count, shaped by the hour's activity. Being ahead or
// behind corrects itself, since only what is left counts; so do the
// lines the files still to come will add by themselves.
double Simulation::desiredRate() const
{
    const double written = static_cast<double>(writer_.lineCount() - sessionFirstLine_);
    const double filesToCome = options_.filesPerDay > 0
        ? static_cast<double>(options_.filesPerDay - sessionFiles_)
        : static_cast<double>(std::max<WallTime>(plannedEnd_ - now_, 0)) / TypicalMapLength;
    const double left =
        std::max(static_cast<double>(options_.linesPerDay) - written - filesToCome * fileOverhead(), 0.0);
    const double ahead = std::max(activityBetween(now_, plannedEnd_), activityAt(now_) * 300.0);
    return left * activityAt(now_) / ahead;
}

int Simulation::playerTarget(double rate) const
{
    const double players = (rate * TypicalCycle - RoundBaseLines) / linesPerPlayer();
    return static_cast<int>(std::clamp(players, 0.0, static_cast<double>(options_.maxPlayers)));
}

} // namespace zelkam::loggen
