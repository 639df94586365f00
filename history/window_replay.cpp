#include "history/window_replay.h"

#include "history/all_days_search.h"
#include "ingest/log_file_list.h"
#include "replay/viewer_state.h"
#include "views/event_application.h"

namespace zelkam {

bool WindowReplay::start(const EventList& window, std::int32_t day)
{
    // The same steps as the viewer's day load followed by its seek to the
    // day's first event; any difference would change which chat line a hit
    // shows or which player a remote-console line is put down to.
    window_ = &window;
    std::size_t first = 0;
    while (first < window.size() && window[first].time < day)
        ++first;
    if (first == window.size()) {
        cursor_ = dayEnd_ = 0;
        return false;
    }
    const std::size_t lastEvent = window.size() - 1;
    const std::int64_t nextDay = addLocalDays(day, 1);
    dayEnd_ = first;
    while (dayEnd_ < lastEvent && window[dayEnd_].time < nextDay)
        ++dayEnd_;

    // The presence pass, keeping only the restart point the seek will
    // choose: the last of the leading snapshots stamped before the day's
    // first event (the window's first event is the first snapshot).
    const std::int32_t target = window[first].time;
    std::size_t restartEvent = 0;
    std::int32_t restartTime = window[0].time;
    const char* restartMap = "";
    BoundedRing<PlayerEntry> restartPlayers(RecentPlayerCapacity);
    roster.count = 0;
    recentPlayers.clear();
    const std::int32_t lastTime = window[lastEvent].time;
    for (std::size_t e = 0; e < lastEvent && window[e].time < lastTime; ++e) {
        if (window[e].kind == MapStarted) {
            if (window[e].time >= target)
                break;
            restartEvent = e;
            restartTime = window[e].time;
            restartMap = window[e].text ? window[e].text : "";
            restartPlayers.clear();
            for (std::size_t i = 0; i < recentPlayers.size(); ++i)
                restartPlayers.pushBack(recentPlayers[i]);
        }
        applyEventMasked(*this, window[e], SnapshotKindMask);
    }

    recentPlayers.clear();
    for (std::size_t i = 0; i < restartPlayers.size(); ++i)
        recentPlayers.pushBack(restartPlayers[i]);
    roster.count = 0;
    roundStartTime = restartTime;
    mapName = restartMap;
    ctScore = 0;
    tScore = 0;
    chatLines.clear();
    cursor_ = restartEvent;
    std::size_t end = cursor_;
    while (end < lastEvent && window[end].time < target)
        ++end;
    // Lines replayed here are never reported, so their text is not composed.
    composeChatText = false;
    while (cursor_ < end)
        applyNext();
    composeChatText = true;
    return true;
}

bool WindowReplay::applyNext()
{
    const std::size_t countBefore = chatLines.size();
    const std::size_t headBefore = chatLines.head();
    applyEvent(*this, (*window_)[cursor_]);
    ++cursor_;
    return chatLines.size() != countBefore || chatLines.head() != headBefore;
}

bool standAfterEvent(ViewerState& state, std::size_t event)
{
    if (state.isEmptyDay() || event < state.cursor || event >= state.dayEndEvent)
        return false;
    const EventList& loaded = state.events();
    while (state.cursor <= event)
        applyEvent(state.eventTarget, loaded[state.cursor++]);
    state.clock = loaded[state.cursor].time;
    state.expireChatLines(state.clock);
    state.publishView();
    state.speed = 0;
    return true;
}

bool standAfterHit(ViewerState& state, const HistoryHit& hit)
{
    std::size_t index = 0;
    while (index < state.days.size() && state.days[index] != hit.day)
        ++index;
    if (index == state.days.size() || !state.loadDayAt(index) || state.isEmptyDay())
        return false;
    const EventList& loaded = state.events();
    const auto same = [&](std::size_t e) { return loaded[e].time == hit.time && loaded[e].kind == hit.kind; };
    std::size_t event = hit.event;
    if (event >= state.dayEndEvent || event < state.cursor || !same(event)) {
        event = state.cursor;
        while (event < state.dayEndEvent && !same(event))
            ++event;
    }
    return standAfterEvent(state, event);
}

} // namespace zelkam
