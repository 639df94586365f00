#pragma once

#include <cstddef>
#include <cstdint>

#include "parse/containers.h"
#include "parse/log_event.h"
#include "replay/snapshot_players.h"
#include "state/chat_lines.h"
#include "state/live_state.h"

namespace zelkam {

// A restart point for seeking: the state in force just before `event`
// (an index into the loaded events) was applied.
struct Snapshot {
    std::int32_t time = 0;
    // The latest stamp of the window's events up to and including this
    // one: the same as time while the log's clock only goes forward. A
    // seek chooses by it (servesSeekTo), so that where a clock was set
    // back it never restarts past a line stamped at or after its target.
    std::int32_t reach = 0;
    std::size_t event = 0;
    // recentPlayers as it stood, most recent first: playerCount entries held
    // by the day's snapshot store (shared between snapshots whose ring is
    // the same), valid until the next day load.
    const PlayerEntry* players = nullptr;
    std::size_t playerCount = 0;
    // The map in force from `event` on ("" for the window's first snapshot).
    const char* mapName = "";

    // Whether a seek to t may restart here: every event up to this one
    // lies before t. A snapshot stamped with t itself is passed over, its
    // event belonging after t.
    bool servesSeekTo(std::int32_t t) const { return reach < t; }
};

// Makes to hold what from holds, ring order kept; allocates nothing.
void copyLiveState(LiveState& to, const LiveState& from);

// How far a load walks the window to take snapshots.
enum class SnapshotWalk {
    // Every map start of the window: any time of the day can be sought.
    WholeWindow,
    // Only up to the day's first event: enough to stand there and play on,
    // for a replay that walks the day once from its start.
    ToDayStart,
};

// One loaded day: the window of events it was read from, where the day
// begins and ends in it, the restart points that make a jump cost one map's
// events, and the rules for rebuilding a live state at any time of the day
// and playing it forward. The viewer's model, the overview, the all-days
// replay and the command line's transcripts all replay a day through it.
//
// Positions are indices into the window. The day's end is the first event
// at or after the next local midnight; when no loaded event lies there, the
// end is the end of the window, so every event of the day is played,
// searched and transcribed, and the clock may run one second past the last
// event.
class DayReplay {
public:
    // Finds the day's bounds in window (day is a local midnight) and takes
    // the snapshots. False for an empty day: no event from the midnight on;
    // the replay is then empty. window must outlive the replay's use of it,
    // and may only grow through takeGrowth.
    bool load(const EventList& window, std::int32_t day, SnapshotWalk walk = SnapshotWalk::WholeWindow);
    // Forgets the window: an empty day.
    void clear();
    // Takes in events appended to the window since it held `before`, after
    // `retracted` were taken off its end: the day's end, last event and
    // snapshots move on as a fresh load would set them. False when they
    // cannot simply join (the day's first event was retracted, or the newest
    // line's second went back) and the day must be read again.
    bool takeGrowth(std::size_t before, std::size_t retracted);

    bool isEmpty() const { return window_ == nullptr; }
    const EventList& events() const { return *window_; }
    std::int32_t dayStart() const { return dayStart_; }
    // The local midnight after dayStart.
    std::int64_t nextDayStart() const { return nextDayStart_; }
    std::size_t firstEvent() const { return first_; }
    // One past the day's last event: the first event of the next day, or
    // the window's size.
    std::size_t endEvent() const { return end_; }
    std::size_t lastEvent() const { return last_; }
    // The day's first event's time, and the latest time a seek reaches: the
    // end event's time, or one second past the last event when the day ends
    // with the window.
    std::int32_t firstTime() const;
    // No loaded event lies at or after the next midnight.
    bool endsWithWindow() const;
    std::int32_t endTime() const;
    // The latest time forward play reaches: one second past the last loaded
    // event, whether that lies in the day or past its midnight, so that
    // every loaded event is applied.
    std::int32_t playEndTime() const;
    // One past the last event forward play may apply: the window's size.
    std::size_t playEndEvent() const;
    // t clamped to the day: from the first event's time to endTime.
    std::int32_t clampToDay(std::int32_t t) const;
    const GrowArray<Snapshot>& snapshots() const { return snapshots_; }

    // The restart point of a seek to t: the last snapshot that every event
    // up to it lies before t (see Snapshot::reach), or the first when none
    // is.
    const Snapshot& snapshotBefore(std::int32_t t) const;
    // Puts state at the restart point: recent players as the snapshot kept
    // them, roster, scores and chat lines empty, round start at the
    // snapshot's time, its map. Returns the snapshot's event, which is the
    // next to apply.
    static std::size_t restore(LiveState& state, const Snapshot& snapshot);
    // Applies the event at cursor and moves cursor on by one. True when that
    // added a chat line (composed, or only its slot with SlotOnly), which is
    // then the newest of the state's chatLines.
    bool applyNext(LiveState& state, std::size_t& cursor, ChatText text = ChatText::Compose) const;
    // Applies every event from cursor up to (not including) position end.
    void advanceTo(LiveState& state, std::size_t& cursor, std::size_t end,
                   ChatText text = ChatText::Compose) const;
    // The first position from `from` on whose event is stamped t or later
    // (or the window's size).
    std::size_t firstAtOrAfter(std::size_t from, std::int32_t t) const;
    // Rebuilds state at time t (not clamped here) from the restart point of
    // t: every event stamped before t is applied. Only the chat lines of the
    // last `composeLines` events that surely add one get their text
    // composed; the ones before are pushed out of the ring by them anyway.
    // Returns the cursor: the first event at or after t.
    std::size_t rebuild(LiveState& state, std::int32_t t, std::size_t composeLines = ChatLineCapacity) const;

private:
    void walkPresence(std::size_t stopAtMapFrom);
    // Takes event e into the snapshot walk: a snapshot where a map starts,
    // then what of the event carries across a map start.
    void walkPresenceOver(std::size_t e);
    void appendSnapshot(std::size_t event, const BoundedRing<PlayerEntry>& players, const char* map);
    void findEnd();

    const EventList* window_ = nullptr;
    std::int32_t dayStart_ = 0;
    std::int64_t nextDayStart_ = 0;
    std::size_t first_ = 0;
    std::size_t end_ = 0;
    std::size_t last_ = 0;
    GrowArray<Snapshot> snapshots_{24};
    SnapshotPlayers snapshotPlayers_;
    // The snapshot walk: its state, the first event it has not visited, the
    // time it stopped short of, kept so it can go on over growth, and the
    // latest stamp it has met.
    LiveState presence_;
    std::size_t presenceNext_ = 0;
    std::int32_t presenceLastTime_ = 0;
    std::int32_t presenceReach_ = 0;
};

} // namespace zelkam
