#include "replay/day_overview.h"

#include <algorithm>
#include <limits>

#include "ingest/log_file_list.h"
#include "replay/viewer_state.h"
#include "state/live_state.h"

namespace zelkam {
namespace {

constexpr std::int32_t StandardDayMinutes = 1440;

// Walks the loaded window forward once, applying every event to a live
// state of its own, and counts the day's events by minute as it passes
// them.
class OverviewPass {
public:
    OverviewPass(const DayReplay& day, DayOverview& overview)
        : day_(day), overview_(overview), dayStart_(day.dayStart()),
          dayEnd_(std::int64_t{day.dayStart()} + 60 * std::int64_t(overview.minutes.size()))
    {
    }

    // Restarts from a snapshot: the roster empty, the recent players as the
    // snapshot kept them (remote-console lines are named from them).
    void restore(const Snapshot& snapshot) { applied_ = DayReplay::restore(live_, snapshot); }

    // Applies every event before position end that is not applied yet.
    void advanceTo(std::size_t end)
    {
        while (applied_ < end) {
            const LogEvent& event = day_.events()[applied_];
            const bool inDay = event.time >= dayStart_ && event.time < dayEnd_;
            const bool rcon = event.kind == RconCommand || event.kind == BadRconCommand;
            // Only remote-console lines are shown (as tooltips); composing
            // every chat line of the day would double the pass.
            const ChatText text = inDay && rcon ? ChatText::Compose : ChatText::SlotOnly;
            const bool composed = day_.applyNext(live_, applied_, text);
            if (inDay)
                count(event, rcon && composed);
        }
    }

    // The blocks of the player list as the roster stands now.
    void countPlayers(OverviewMinute& minute) const
    {
        const BlockCounts blocks = countBlocks(live_.roster);
        minute.terrorists += blocks.terrorists;
        minute.cts += blocks.cts;
        minute.spectators += blocks.spectators;
    }

    std::size_t applied() const { return applied_; }

private:
    // rconLine: the event added a remote-console line, the newest of the
    // chat lines.
    void count(const LogEvent& event, bool rconLine)
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
        if (rconLine) {
            const ChatLine& line = live_.chatLines[live_.chatLines.size() - 1];
            overview_.rcons.push_back(OverviewRcon{index, event.time, event.kind == BadRconCommand, line.text});
        }
    }

    const DayReplay& day_;
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
    overview.dayStart = state.dayStart();
    overview.minutes.resize(static_cast<std::size_t>(minutesOfDay(state.dayStart())));
    if (state.isEmptyDay())
        return overview;

    const DayReplay& day = state.day();
    const EventList& events = day.events();
    const GrowArray<Snapshot>& snapshots = day.snapshots();
    overview.eventCount = events.size();

    // Where seekMinute(M) stands: its target, clamped as the seek clamps it.
    const auto targetOf = [&](std::size_t minute) {
        const std::int64_t target = std::int64_t{day.dayStart()} + 60 * std::int64_t(minute);
        return day.clampToDay(static_cast<std::int32_t>(
            std::clamp<std::int64_t>(target, std::numeric_limits<std::int32_t>::min(),
                                     std::numeric_limits<std::int32_t>::max())));
    };

    // The seek restores the last snapshot that serves its target (see
    // Snapshot::servesSeekTo) and replays up to the first event at or after
    // the target. A map start empties the roster, so the roster it ends
    // with is the one a single walk from any earlier snapshot has at the
    // same event. Both the snapshot and the stopping event only move
    // forward as the minutes do (a snapshot that serves a target serves
    // every later one, and every event the previous seek passed lies before
    // the later target too), even where the clocks go back and times repeat.
    std::size_t laterSnapshot = 0;
    const auto seekSnapshot = [&](std::int32_t target) -> const Snapshot& {
        while (laterSnapshot < snapshots.size() && snapshots[laterSnapshot].servesSeekTo(target))
            ++laterSnapshot;
        return snapshots[laterSnapshot > 0 ? laterSnapshot - 1 : 0];
    };

    OverviewPass pass(day, overview);
    const Snapshot& first = seekSnapshot(targetOf(0));
    // Start no later than the day's first event, so that every event of the
    // day is counted and every remote-console line composed.
    std::size_t start = 0;
    for (std::size_t i = 0; i < snapshots.size(); ++i)
        if (snapshots[i].event <= std::min(first.event, day.firstEvent()))
            start = i;
    pass.restore(snapshots[start]);

    std::size_t stop = first.event;
    for (std::size_t minute = 0; minute < overview.minutes.size(); ++minute) {
        const std::int32_t target = targetOf(minute);
        stop = day.firstAtOrAfter(std::max(stop, seekSnapshot(target).event), target);
        pass.advanceTo(stop);
        pass.countPlayers(overview.minutes[minute]);
    }

    // The last minute's events, and any of the day that a stray time stamp
    // put further on, are counted too; the next day's are not walked.
    std::size_t lastOfDay = events.size();
    const std::int64_t dayEnd = std::int64_t{day.dayStart()} + 60 * std::int64_t(overview.minutes.size());
    while (lastOfDay > pass.applied()
           && (events[lastOfDay - 1].time < day.dayStart() || events[lastOfDay - 1].time >= dayEnd))
        --lastOfDay;
    pass.advanceTo(lastOfDay);
    return overview;
}

} // namespace zelkam
