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

bool ViewerState::tick()
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
        // A line that arrived while the clock waited at the newest one is
        // played at once, so that at ">" the view keeps pace with the server.
        if (p.waitingAtEdge && p.cursor < loaded.size() && loaded[p.cursor].time > p.clock)
            p.clock = loaded[p.cursor].time;
        // The clock runs one second past the newest line, so that line is
        // applied too, and waits there for the next.
        const std::int64_t edge = std::int64_t{loaded[day_->lastEvent()].time} + 1;
        p.clock = static_cast<std::int32_t>(
            std::max<std::int64_t>(p.clock, std::min<std::int64_t>(std::int64_t{p.clock} + p.speed, edge)));
        while (p.cursor < loaded.size() && loaded[p.cursor].time < p.clock)
            applyAtCursor();
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
    expireChatLines(p.clock);
    publishView();
    return true;
}

void ViewerState::command(PlaybackCommand command)
{
    playback_.rewinding = false;
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
