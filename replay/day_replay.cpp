#include "replay/day_replay.h"

#include <algorithm>
#include <limits>

#include "ingest/log_file_list.h"
#include "parse/stamp_order.h"
#include "state/event_application.h"

namespace zelkam {

bool DayReplay::load(const EventList& window, std::int32_t day, SnapshotWalk walk)
{
    clear();
    dayStart_ = day;
    std::size_t first = 0;
    while (first < window.size() && window[first].time < day)
        ++first;
    if (first == window.size())
        return false;
    window_ = &window;
    first_ = first;
    last_ = window.size() - 1;
    // Converting a local date costs two mktime calls, which in a zone
    // without daylight saving search years of time: once a load.
    nextDayStart_ = addLocalDays(day, 1);
    end_ = first_;
    findEnd();
    walkPresence(walk == SnapshotWalk::ToDayStart ? first_ : window.size());
    return true;
}

void DayReplay::clear()
{
    window_ = nullptr;
    first_ = end_ = last_ = 0;
    snapshots_.clear();
    snapshotPlayers_.clear();
    restore(presence_, Snapshot{});
    presenceNext_ = 0;
    presenceLastTime_ = 0;
    presenceReach_ = 0;
}

void DayReplay::findEnd()
{
    // The reader reads whole files, so the next day's events may follow.
    // The day ends at the next midnight, 23 or 25 hours on where the clocks
    // change; without any event from there on, it ends with the window.
    const EventList& window = *window_;
    while (end_ < window.size() && window[end_].time < nextDayStart_)
        ++end_;
}

void DayReplay::appendSnapshot(std::size_t event, const BoundedRing<PlayerEntry>& players, const char* map)
{
    Snapshot& snapshot = snapshots_.appendSlot();
    snapshot.time = (*window_)[event].time;
    snapshot.reach = presenceReach_;
    snapshot.event = event;
    snapshot.players = snapshotPlayers_.store(players);
    snapshot.playerCount = players.size();
    snapshot.mapName = map;
}

void DayReplay::walkPresence(std::size_t stopAtMapFrom)
{
    const EventList& window = *window_;
    restore(presence_, Snapshot{});
    presenceReach_ = window[0].time;
    appendSnapshot(0, presence_.recentPlayers, "");
    // Only the kinds that carry across a map start are applied: the recent
    // players (remote-console senders are named from them) and the map. The
    // walk stops short of the last event's second, as forward play does.
    const std::int32_t lastTime = window[last_].time;
    const std::int32_t stopTime = stopAtMapFrom < window.size() ? window[stopAtMapFrom].time : 0;
    std::size_t e = 0;
    for (; e < last_ && window[e].time < lastTime; ++e) {
        if (window[e].kind == MapStarted && stopAtMapFrom < window.size() && window[e].time >= stopTime)
            break;
        walkPresenceOver(e);
    }
    presenceNext_ = e;
    presenceLastTime_ = lastTime;
}

void DayReplay::walkPresenceOver(std::size_t e)
{
    const LogEvent& event = (*window_)[e];
    presenceReach_ = std::max(presenceReach_, event.time);
    if (event.kind == MapStarted)
        appendSnapshot(e, presence_.recentPlayers, event.text ? event.text : "");
    // Its chat lines are never shown.
    applyEventMasked(presence_, event, SnapshotKindMask, ChatText::SlotOnly);
}

bool DayReplay::takeGrowth(std::size_t before, std::size_t retracted)
{
    if (!window_)
        return false;
    const EventList& window = *window_;
    // The day's first event itself was the line read unfinished.
    if (retracted > before || (retracted > 0 && first_ + retracted >= before))
        return false;
    if (window.size() <= first_)
        return false;
    const std::size_t newest = window.size() - 1;
    const std::int32_t newestTime = window[newest].time;
    // The snapshot walk stops short of the newest line's second. While that
    // second does not go back, the walk so far is what a fresh load would
    // walk, and it simply goes on; a clock set back is rare enough to read
    // the day again.
    if (newestTime < presenceLastTime_)
        return false;
    // New lines may show a line stamped away from its neighbours for what it
    // is, or make one of the newest lines read before such a line: a fresh
    // read sets it aside, so the day is read again. The lines already taken
    // are judged again as far back as a stray run can reach.
    const std::size_t kept = before - retracted;
    if (hasStrayStamps(window, kept > StrayRunLimit + 1 ? kept - StrayRunLimit - 1 : 0))
        return false;

    last_ = newest;
    std::size_t e = presenceNext_;
    for (; e < last_ && window[e].time < newestTime; ++e)
        walkPresenceOver(e);
    presenceNext_ = e;
    presenceLastTime_ = newestTime;

    // Every event before the old end lies before the next midnight, so the
    // search for the end goes on from there. The old end may have been the
    // retracted line's event, gone now.
    end_ = std::min(end_, before - retracted);
    findEnd();
    return true;
}

std::int32_t DayReplay::firstTime() const { return (*window_)[first_].time; }

namespace {

std::int32_t oneSecondPast(std::int32_t t) { return t < std::numeric_limits<std::int32_t>::max() ? t + 1 : t; }

} // namespace

void copyLiveState(LiveState& to, const LiveState& from)
{
    if (&to == &from)
        return;
    to.chatLines.clear();
    for (std::size_t i = 0; i < from.chatLines.size(); ++i)
        to.chatLines.pushBack(from.chatLines[i]);
    to.roster = from.roster;
    to.recentPlayers.clear();
    for (std::size_t i = 0; i < from.recentPlayers.size(); ++i)
        to.recentPlayers.pushBack(from.recentPlayers[i]);
    to.roundStartTime = from.roundStartTime;
    to.mapName = from.mapName;
    to.ctScore = from.ctScore;
    to.tScore = from.tScore;
}

bool DayReplay::endsWithWindow() const { return end_ == window_->size(); }

std::int32_t DayReplay::endTime() const
{
    // One second past the last event, so that every event of the last
    // second lies before the clock and is played.
    return endsWithWindow() ? oneSecondPast((*window_)[last_].time) : (*window_)[end_].time;
}

std::int32_t DayReplay::playEndTime() const
{
    // Past midnight as at a day's end: the last line's second is played too.
    return oneSecondPast((*window_)[last_].time);
}

std::size_t DayReplay::playEndEvent() const { return window_->size(); }

std::int32_t DayReplay::clampToDay(std::int32_t t) const
{
    if (t < firstTime())
        return firstTime();
    return std::min(t, endTime());
}

const Snapshot& DayReplay::snapshotBefore(std::int32_t t) const
{
    // The seek stops at the first line in the log's order stamped t or
    // later, which no snapshot it may restart at lies past.
    std::size_t chosen = 0;
    while (chosen < snapshots_.size() && snapshots_[chosen].servesSeekTo(t))
        ++chosen;
    return snapshots_[chosen > 0 ? chosen - 1 : 0];
}

std::size_t DayReplay::restore(LiveState& state, const Snapshot& snapshot)
{
    // Everything a snapshot does not keep starts as a new live state has it;
    // made once, so that a seek allocates nothing.
    static const LiveState fresh;
    copyLiveState(state, fresh);
    for (std::size_t i = 0; i < snapshot.playerCount; ++i)
        state.recentPlayers.pushBack(snapshot.players[i]);
    state.roundStartTime = snapshot.time;
    state.mapName = snapshot.mapName;
    return snapshot.event;
}

bool DayReplay::applyNext(LiveState& state, std::size_t& cursor, ChatText text) const
{
    // A line composed either grew the ring or, when it was full, moved its
    // head.
    const std::size_t countBefore = state.chatLines.size();
    const std::size_t headBefore = state.chatLines.head();
    applyEvent(state, (*window_)[cursor], text);
    ++cursor;
    return state.chatLines.size() != countBefore || state.chatLines.head() != headBefore;
}

void DayReplay::advanceTo(LiveState& state, std::size_t& cursor, std::size_t end, ChatText text) const
{
    const EventList& window = *window_;
    for (; cursor < end; ++cursor)
        applyEvent(state, window[cursor], text);
}

std::size_t DayReplay::firstAtOrAfter(std::size_t from, std::int32_t t) const
{
    const EventList& window = *window_;
    while (from < window.size() && window[from].time < t)
        ++from;
    return from;
}

std::size_t DayReplay::rebuild(LiveState& state, std::int32_t t, std::size_t composeLines) const
{
    std::size_t cursor = restore(state, snapshotBefore(t));
    const EventList& window = *window_;
    // A seek into a busy map replays tens of thousands of chat lines, of
    // which the ring keeps the last five. Every line before the fifth-last
    // event that surely adds one is pushed out before the replay ends, so it
    // only takes its slot: its text is not composed.
    const std::size_t end = firstAtOrAfter(cursor, t);
    std::size_t composeFrom = end;
    for (std::size_t sure = 0; composeFrom > cursor && sure < composeLines;) {
        --composeFrom;
        if (alwaysAddsChatLine(window[composeFrom].kind))
            ++sure;
    }
    if (composeLines == 0)
        composeFrom = end;
    advanceTo(state, cursor, composeFrom, ChatText::SlotOnly);
    advanceTo(state, cursor, end);
    return cursor;
}

} // namespace zelkam
