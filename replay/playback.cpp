#include "replay/viewer_state.h"

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
    Playback& p = playback_;
    if (!hasDay_ || p.speed == 0)
        return false;
    if (p.rewinding) {
        // The seek's clamp keeps the rewind from going before the day's first
        // event.
        seek(static_cast<std::int32_t>(
            std::max<std::int64_t>(std::int64_t{p.clock} - p.speed, std::numeric_limits<std::int32_t>::min())));
        return true;
    }
    const EventList& loaded = events();
    if (following_.growing) {
        const std::int32_t newest = loaded[day_->lastEvent()].time;
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
            day_->advanceTo(*this, p.cursor, loaded.size());
        p.waitingAtEdge = p.cursor == loaded.size();
        expireChatLines(p.clock);
        publishView();
        return true;
    }
    // Play stops at the last loaded event, which may lie in the next day
    // when the day's last file runs past midnight.
    p.clock = static_cast<std::int32_t>(std::min<std::int64_t>(std::int64_t{p.clock} + p.speed, day_->playEndTime()));
    // Events stamped with the clock's own second wait for the next step.
    const std::size_t end = day_->playEndEvent();
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
    if (playback_.speed == 0 || !hasDay_)
        return PlayMode::Paused;
    if (playback_.rewinding)
        return PlayMode::Rewinding;
    return following_.growing && playback_.waitingAtEdge ? PlayMode::Live : PlayMode::Playing;
}

std::int32_t ViewerState::lag() const
{
    if (!hasDay_ || !following_.growing)
        return 0;
    const std::int64_t behind = std::int64_t{events()[lastEvent()].time} - playback_.clock;
    return playback_.cursor >= events().size() || behind < 0 ? 0 : static_cast<std::int32_t>(behind);
}

void ViewerState::command(PlaybackCommand command)
{
    playback_.rewinding = false;
    // Pausing or rewinding leaves the live edge: play goes on from the
    // clock it stopped at, until it has caught up with the newest line.
    if (command == PlaybackCommand::Pause || command == PlaybackCommand::Rewind)
        playback_.waitingAtEdge = false;
    switch (command) {
    case PlaybackCommand::Rewind:
        playback_.rewinding = true;
        playback_.speed = RewindSpeed;
        break;
    case PlaybackCommand::Pause:
        playback_.speed = 0;
        break;
    case PlaybackCommand::Play:
        playback_.speed = PlaySpeed;
        break;
    case PlaybackCommand::Fast:
        playback_.speed = FastSpeed;
        break;
    case PlaybackCommand::Fastest:
        playback_.speed = FastestSpeed;
        break;
    case PlaybackCommand::None:
        break;
    }
}

void ViewerState::expireChatLines(std::int32_t now)
{
    // Lines are appended in event order, so the expired ones are at the front.
    while (!chatLines.empty() && std::int64_t{chatLines[0].time} + ChatLineLifetime < now)
        chatLines.popFront();
}

} // namespace zelkam
