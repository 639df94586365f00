#include "replay/viewer_state.h"

#include "replay/day_replay.h"

#include <algorithm>
#include <limits>

namespace zelkam {
namespace {

constexpr std::int32_t RewindSpeed = 5;
constexpr std::int32_t PlaySpeed = 1;
constexpr std::int32_t FastSpeed = 5;
constexpr std::int32_t FastestSpeed = 60;

} // namespace

bool ViewerState::tick() { return tick(NoWallClock); }

bool ViewerState::tick(std::int32_t wallNow)
{
    PlayPosition& p = playback_.at;
    const DayReplay& day = this->day();
    if (isEmptyDay() || p.speed == 0)
        return false;
    if (p.rewinding) {
        // The seek's clamp keeps the rewind from going before the day's first
        // event.
        seek(static_cast<std::int32_t>(
            std::max<std::int64_t>(std::int64_t{p.clock} - p.speed, std::numeric_limits<std::int32_t>::min())));
        return true;
    }
    const EventList& loaded = events();
    if (isGrowing()) {
        const std::int32_t newest = loaded[day.lastEvent()].time;
        const bool wallKnown = wallNow != NoWallClock;
        // How far play may go: the wall clock, since the server cannot have
        // written past it (a line stamped later, by a server clock ahead of
        // ours, still is played); without one, one second past the newest
        // line, so that line is applied too.
        const std::int64_t edge =
            wallKnown ? std::max<std::int64_t>(wallNow, newest) : std::int64_t{newest} + 1;
        if (p.waitingAtEdge) {
            // At the live edge the clock is the wall clock, whatever the
            // speed, so a quiet spell adds no lag; without one, a line that
            // arrived while the clock waited is played at once.
            if (wallKnown)
                p.clock = static_cast<std::int32_t>(std::max<std::int64_t>(p.clock, edge));
            else if (p.cursor < loaded.size() && loaded[p.cursor].time > p.clock)
                p.clock = loaded[p.cursor].time;
        }
        p.clock = static_cast<std::int32_t>(
            std::max<std::int64_t>(p.clock, std::min<std::int64_t>(std::int64_t{p.clock} + p.speed, edge)));
        while (p.cursor < loaded.size() && loaded[p.cursor].time < p.clock)
            applyAtCursor();
        // With the wall clock the clock may stand on the newest line's own
        // second; what has been written of it is played now, and a later
        // line of the same second as soon as it arrives.
        if (wallKnown && p.clock >= newest)
            day.advanceTo(playback_.live, p.cursor, loaded.size());
        p.waitingAtEdge = p.cursor == loaded.size();
        expireChatLines(p.clock);
        publishView();
        return true;
    }
    // Play stops at the last loaded event, which may lie in the next day
    // when the day's last file runs past midnight.
    p.clock = static_cast<std::int32_t>(std::min<std::int64_t>(std::int64_t{p.clock} + p.speed, day.playEndTime()));
    // Events stamped with the clock's own second wait for the next step.
    const std::size_t end = day.playEndEvent();
    while (p.cursor < end && loaded[p.cursor].time < p.clock)
        applyAtCursor();
    // Every loaded line played: should the day start growing, its next line
    // is played as it arrives rather than from this stale clock.
    p.waitingAtEdge = p.cursor == loaded.size();
    expireChatLines(p.clock);
    publishView();
    return true;
}

ViewerState::PlayMode ViewerState::playMode() const
{
    const PlayPosition& p = playback_.at;
    if (p.speed == 0 || isEmptyDay())
        return PlayMode::Paused;
    if (p.rewinding)
        return PlayMode::Rewinding;
    return isGrowing() && p.waitingAtEdge ? PlayMode::Live : PlayMode::Playing;
}

std::int32_t ViewerState::lag() const
{
    if (isEmptyDay() || !isGrowing())
        return 0;
    const PlayPosition& p = playback_.at;
    const std::int64_t behind = std::int64_t{events()[lastEvent()].time} - p.clock;
    return p.cursor >= events().size() || behind < 0 ? 0 : static_cast<std::int32_t>(behind);
}

void ViewerState::command(PlaybackCommand command)
{
    PlayPosition& p = playback_.at;
    p.rewinding = false;
    // Pausing or rewinding leaves the live edge: play goes on from the
    // clock it stopped at, until it has caught up with the newest line.
    if (command == PlaybackCommand::Pause || command == PlaybackCommand::Rewind)
        p.waitingAtEdge = false;
    switch (command) {
    case PlaybackCommand::Rewind:
        p.rewinding = true;
        p.speed = RewindSpeed;
        break;
    case PlaybackCommand::Pause:
        p.speed = 0;
        break;
    case PlaybackCommand::Play:
        p.speed = PlaySpeed;
        break;
    case PlaybackCommand::Fast:
        p.speed = FastSpeed;
        break;
    case PlaybackCommand::Fastest:
        p.speed = FastestSpeed;
        break;
    case PlaybackCommand::None:
        break;
    }
}

void ViewerState::expireChatLines(std::int32_t now) { playback_.expireChatLines(now); }

void Playback::expireChatLines(std::int32_t now) { zelkam::expireChatLines(live, now); }

void expireChatLines(LiveState& live, std::int32_t now)
{
    // Lines are appended in event order, so the expired ones are at the front.
    ChatRing& lines = live.chatLines;
    while (!lines.empty() && std::int64_t{lines[0].time} + ChatLineLifetime < now)
        lines.popFront();
}

void Playback::publish(std::int32_t dayStart)
{
    view.clock = at.clock;
    view.minute = static_cast<std::int32_t>((std::int64_t{at.clock} - dayStart) / 60);
    view.mapName = live.mapName;
    view.players.clear();
    for (std::size_t i = 0; i < live.roster.count; ++i)
        view.players.append(live.roster.entries[i]);
    view.chatLines.clear();
    for (std::size_t i = 0; i < live.chatLines.size(); ++i)
        view.chatLines.append(live.chatLines[i]);
    view.ctScore = live.ctScore;
    view.tScore = live.tScore;
}

void Playback::standAtEmptyDay(std::int32_t day)
{
    at.clock = day;
    at.speed = 0;
    at.cursor = 0;
    at.waitingAtEdge = false;
    // The restart point of a window with nothing before it: the one place
    // that says what an empty live state holds.
    DayReplay::restore(live, Snapshot{day, day, 0, nullptr, 0, ""});
    publish(day);
}

} // namespace zelkam
