#include "replay/viewer_state.h"

#include <algorithm>
#include <limits>

namespace zelkam {
namespace {

// The playback buttons, by the id the main window passes.
enum PlaybackCommand : int { Rewind = 1, Pause = 2, Play = 3, Fast = 4, Fastest = 5 };

constexpr std::int32_t RewindSpeed = 5;
constexpr std::int32_t PlaySpeed = 1;
constexpr std::int32_t FastSpeed = 5;
constexpr std::int32_t FastestSpeed = 60;

} // namespace

bool ViewerState::tick()
{
    if (!hasDay_ || speed == 0)
        return false;
    if (rewinding) {
        // The seek's clamp keeps the rewind from going before the day's first
        // event.
        seek(static_cast<std::int32_t>(std::max<std::int64_t>(std::int64_t{clock} - speed,
                                                              std::numeric_limits<std::int32_t>::min())));
        return true;
    }
    const EventList& loaded = events();
    // Play stops at the last loaded event, which may lie in the next day
    // when the day's last file runs past midnight.
    const std::int32_t lastTime = loaded[lastEvent].time;
    if (growing_) {
        // A line that arrived while the clock waited at the newest one is
        // played at once, so that at ">" the view keeps pace with the server.
        if (waitingAtEdge_ && cursor < loaded.size() && loaded[cursor].time > clock)
            clock = loaded[cursor].time;
        // The clock runs one second past the newest line, so that line is
        // applied too, and waits there for the next.
        const std::int64_t edge = std::int64_t{lastTime} + 1;
        clock = static_cast<std::int32_t>(
            std::max<std::int64_t>(clock, std::min<std::int64_t>(std::int64_t{clock} + speed, edge)));
        while (cursor < loaded.size() && loaded[cursor].time < clock)
            applyAtCursor();
        waitingAtEdge_ = cursor == loaded.size();
        expireChatLines(clock);
        publishView();
        return true;
    }
    clock = static_cast<std::int32_t>(std::min<std::int64_t>(std::int64_t{clock} + speed, lastTime));
    // Events stamped with the clock's own second wait for the next step.
    while (cursor < lastEvent && loaded[cursor].time < clock)
        applyAtCursor();
    expireChatLines(clock);
    publishView();
    return true;
}

void ViewerState::command(int id)
{
    rewinding = false;
    switch (id) {
    case Rewind:
        rewinding = true;
        speed = RewindSpeed;
        break;
    case Pause:
        speed = 0;
        break;
    case Play:
        speed = PlaySpeed;
        break;
    case Fast:
        speed = FastSpeed;
        break;
    case Fastest:
        speed = FastestSpeed;
        break;
    default:
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
