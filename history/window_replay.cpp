#include "history/window_replay.h"

#include "history/all_days_search.h"
#include "replay/viewer_state.h"

namespace zelkam {

bool WindowReplay::start(const EventList& window, std::int32_t day)
{
    // The same steps as the viewer's day load followed by its seek to the
    // day's first event; any difference would change which chat line a hit
    // shows or which player a remote-console line is put down to. Only the
    // restart point of that seek is needed, so the snapshot walk ends at the
    // day's first event.
    cursor_ = 0;
    if (!day_.load(window, day, SnapshotWalk::ToDayStart))
        return false;
    // Lines replayed here are never reported, so their text is not composed.
    cursor_ = day_.rebuild(live_, day_.firstTime(), 0);
    return true;
}

bool standAfterHit(ViewerState& state, const HistoryHit& hit)
{
    std::size_t index = 0;
    while (index < state.days().size() && state.days()[index] != hit.day)
        ++index;
    if (index == state.days().size() || !state.loadDayAt(index))
        return false;
    return standAfterHitInDay(state, hit);
}

bool standAfterHitInDay(ViewerState& state, const HistoryHit& hit)
{
    if (state.isEmptyDay() || state.dayStart() != hit.day)
        return false;
    const EventList& loaded = state.events();
    const auto same = [&](std::size_t e) { return loaded[e].time == hit.time && loaded[e].kind == hit.kind; };
    std::size_t event = hit.event;
    if (event >= state.dayEndEvent() || event < state.cursor() || !same(event)) {
        event = state.cursor();
        while (event < state.dayEndEvent() && !same(event))
            ++event;
    }
    return state.standAfterEvent(event);
}

} // namespace zelkam
