#pragma once

#include <cstddef>
#include <cstdint>

#include "parse/log_event.h"
#include "replay/day_replay.h"
#include "state/live_state.h"

namespace zelkam {

class ViewerState;

// Plays one day of a loaded window the way the viewer plays it after
// loading the day: it stands where the day load leaves the replay (the
// state rebuilt from the last map start before the day's first event), then
// applies the day's events one by one up to the day's end (DayReplay's).
// It takes snapshots only up to the day's first event and publishes
// nothing, so a worker can walk many days with it.
class WindowReplay {
public:
    // Stands at the first event of day (a local midnight) in window. False
    // for an empty day (no event from the midnight on): nothing to play.
    // window must outlive the replay's use of it.
    bool start(const EventList& window, std::int32_t day);

    bool atEnd() const { return day_.isEmpty() || cursor_ >= day_.endEvent(); }
    // Index in the window of the event applyNext applies next.
    std::size_t cursor() const { return cursor_; }
    const LogEvent& current() const { return day_.events()[cursor_]; }
    // Applies the event at the cursor and moves on. True when that added a
    // chat line (its text composed only with ChatText::Compose), which is
    // then the newest of live().chatLines.
    bool applyNext(ChatText text = ChatText::Compose) { return day_.applyNext(live_, cursor_, text); }
    // The state the replay has reached.
    const LiveState& live() const { return live_; }

private:
    LiveState live_;
    DayReplay day_;
    std::size_t cursor_ = 0;
};

struct HistoryHit;

// Loads the hit's day in the viewer and stands just after the hit, paused,
// as Find leaves it there. When the folder changed since the search and the
// event at the hit's place is no longer the same (time and kind), the
// first event of the day with the hit's time and kind is taken instead.
// False when the day cannot be loaded or the event is gone.
bool standAfterHit(ViewerState& state, const HistoryHit& hit);
// The same in a state that shows the hit's day as a load leaves it (at the
// day's first event), for a day read elsewhere and handed over.
bool standAfterHitInDay(ViewerState& state, const HistoryHit& hit);

} // namespace zelkam
