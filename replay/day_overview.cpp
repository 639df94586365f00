#include "replay/day_overview.h"

#include <algorithm>
#include <limits>

#include "ingest/log_file_list.h"
#include "replay/viewer_state.h"
#include "views/event_application.h"
#include "views/live_state.h"

namespace zelkam {
namespace {

constexpr std::int32_t StandardDayMinutes = 1440;

// Walks the loaded window forward once, applying every event to a live
// state of its own, and counts the day's events by minute as it passes
// them.
class OverviewPass {
public:
    OverviewPass(const ViewerState& state, DayOverview& overview)
        : events_(state.events()), overview_(overview), dayStart_(state.dayStart),
          dayEnd_(std::int64_t{state.dayStart} + 60 * std::int64_t(overview.minutes.size()))
    {
    }

    // Restarts from a snapshot: the roster empty, the recent players as the
    // snapshot kept them (remote-console lines are named from them).
    void restore(const Snapshot& snapshot)
    {
        live_.recentPlayers.clear();
        for (std::size_t i = 0; i < snapshot.playerCount; ++i)
            live_.recentPlayers.pushBack(snapshot.players[i]);
        live_.roster.count = 0;
        live_.roundStartTime = snapshot.time;
        live_.mapName = snapshot.mapName;
        applied_ = snapshot.event;
    }

    // Applies every event before position end that is not applied yet.
    void advanceTo(std::size_t end)
    {
        for (; applied_ < end; ++applied_) {
            const LogEvent& event = events_[applied_];
            const bool inDay = event.time >= dayStart_ && event.time < dayEnd_;
            const bool rcon = event.kind == RconCommand || event.kind == BadRconCommand;
            // Only remote-console lines are shown (as tooltips); composing
            // every chat line of the day would double the pass.
            live_.composeChatText = inDay && rcon;
            applyEvent(live_, event);
            if (inDay)
                count(event, rcon);
        }
    }

    // The blocks of the player list as the roster stands now.
    void countPlayers(OverviewMinute& minute) const
    {
        for (std::size_t i = 0; i < live_.roster.count; ++i) {
            switch (live_.roster.entries[i].team) {
            case Team::Terrorist:
                ++minute.terrorists;
                break;
            case Team::CounterTerrorist:
                ++minute.cts;
                break;
            default:
                ++minute.spectators;
                break;
            }
        }
    }

    std::size_t applied() const { return applied_; }

private:
    void count(const LogEvent& event, bool rcon)
    {
        const auto index = static_cast<std::int32_t>((std::int64_t{event.time} - dayStart_) / 60);
        OverviewMinute& minute = overview_.minutes[static_cast<std::size_t>(index)];
        switch (event.kind) {
        case MapStarted:
            minute.maps.emplace_back(event.text ? event.text : "");
            break;
        case Killed:
            ++minute.kills;
            break;
        case Suicide:
            ++minute.suicides;
            break;
        case Say:
        case SayTeam:
            ++minute.chat;
            break;
        case RconCommand:
            ++minute.rcon;
            break;
        case BadRconCommand:
            ++minute.badRcon;
            break;
        default:
            break;
        }
        if (rcon && !live_.chatLines.empty()) {
            const ChatLine& line = live_.chatLines[live_.chatLines.size() - 1];
            overview_.rcons.push_back(OverviewRcon{index, event.time, event.kind == BadRconCommand, line.text});
        }
    }

    const EventList& events_;
    DayOverview& overview_;
    std::int64_t dayStart_;
    std::int64_t dayEnd_;
    LiveState live_;
    std::size_t applied_ = 0;
};

} // namespace

std::int32_t minutesOfDay(std::int32_t day)
{
    const std::int64_t minutes = (addLocalDays(day, 1) - day) / 60;
    // A conversion that fails answers with 86,400 seconds anyway; anything
    // else outside 23 to 25 hours is not a day.
    return minutes >= 23 * 60 && minutes <= 25 * 60 ? static_cast<std::int32_t>(minutes) : StandardDayMinutes;
}

DayOverview computeDayOverview(const ViewerState& state)
{
    DayOverview overview;
    overview.dayStart = state.dayStart;
    overview.minutes.resize(static_cast<std::size_t>(minutesOfDay(state.dayStart)));
    if (state.isEmptyDay())
        return overview;

    const EventList& events = state.events();
    const GrowArray<Snapshot>& snapshots = state.snapshots;
    overview.eventCount = events.size();
    const std::int32_t firstTime = events[state.dayFirstEvent].time;
    const std::int32_t endTime = events[state.dayEndEvent].time;

    // Where seekMinute(M) stands: its target, clamped as the seek clamps it.
    const auto targetOf = [&](std::size_t minute) {
        const std::int64_t target = std::int64_t{state.dayStart} + 60 * std::int64_t(minute);
        if (target < firstTime)
            return firstTime;
        return static_cast<std::int32_t>(std::min<std::int64_t>(target, endTime));
    };

    // The seek restores the last snapshot stamped before its target and
    // replays up to the first event at or after the target. A map start
    // empties the roster, so the roster it ends with is the one a single walk
    // from any earlier snapshot has at the same event. Both the snapshot and
    // the stopping event only move forward as the minutes do (the first
    // snapshot stamped at or after a later target cannot come earlier in
    // the list, and every event the previous seek passed lies before the
    // later target too), even where the clocks go back and times repeat.
    std::size_t laterSnapshot = 0;
    const auto seekSnapshot = [&](std::int32_t target) -> const Snapshot& {
        while (laterSnapshot < snapshots.size() && snapshots[laterSnapshot].time < target)
            ++laterSnapshot;
        return snapshots[laterSnapshot > 0 ? laterSnapshot - 1 : 0];
    };

    OverviewPass pass(state, overview);
    const Snapshot& first = seekSnapshot(targetOf(0));
    // Start no later than the day's first event, so that every event of the
    // day is counted and every remote-console line composed.
    std::size_t start = 0;
    for (std::size_t i = 0; i < snapshots.size(); ++i)
        if (snapshots[i].event <= std::min(first.event, state.dayFirstEvent))
            start = i;
    pass.restore(snapshots[start]);

    std::size_t stop = first.event;
    for (std::size_t minute = 0; minute < overview.minutes.size(); ++minute) {
        const std::int32_t target = targetOf(minute);
        stop = std::max(stop, seekSnapshot(target).event);
        while (stop < state.lastEvent && events[stop].time < target)
            ++stop;
        pass.advanceTo(stop);
        pass.countPlayers(overview.minutes[minute]);
    }

    // The last minute's events, and any of the day that a stray time stamp
    // put further on, are counted too; the next day's are not walked.
    std::size_t lastOfDay = events.size();
    const std::int64_t dayEnd = std::int64_t{state.dayStart} + 60 * std::int64_t(overview.minutes.size());
    while (lastOfDay > pass.applied()
           && (events[lastOfDay - 1].time < state.dayStart || events[lastOfDay - 1].time >= dayEnd))
        --lastOfDay;
    pass.advanceTo(lastOfDay);
    return overview;
}

} // namespace zelkam
