#pragma once

#include <cstddef>
#include <cstdint>

#include "parse/containers.h"
#include "parse/log_event.h"
#include "state/chat_lines.h"
#include "state/live_state.h"

namespace zelkam {

// Where play of a loaded day stands. clock: the playback time (calendar
// seconds); speed: seconds of log time a tick, 0 when paused; rewinding:
// each tick goes back; cursor: the next event not yet applied (every event
// before it has been); waitingAtEdge: the last forward tick of a growing
// day applied every loaded event.
struct PlayPosition {
    std::int32_t clock = 0;
    std::int32_t speed = 0;
    bool rewinding = false;
    std::size_t cursor = 0;
    bool waitingAtEdge = false;
};

// Everything the window draws, as the model last published it (after a
// tick, a seek or a load): the clock and minute of the day (minutes after
// the day's midnight), the map, the player list in roster order with the
// team scores, and the chat lines the chat view shows. Names and texts point
// into the loaded window and live as long as it does.
struct PublishedView {
    std::int32_t clock = 0;
    std::int32_t minute = 0;
    const char* mapName = "";
    GrowArray<PlayerEntry> players{32};
    GrowArray<ChatLine> chatLines{5};
    std::int32_t ctScore = 0;
    std::int32_t tScore = 0;
};

// Drops the live state's chat lines whose time + 15 is below now: what the
// chat view no longer shows at that time.
void expireChatLines(LiveState& live, std::int32_t now);

// Playback of one loaded day: where it stands, the live state the applied
// events built and the view published from it. The day itself is not here:
// the model that owns both changes them together.
struct Playback {
    PlayPosition at;
    LiveState live;
    PublishedView view;

    // Copies the clock and the live state into the view; dayStart is the
    // loaded day's midnight, which the minute counts from.
    void publish(std::int32_t dayStart);
    // Drops chat lines whose time + 15 is below now.
    void expireChatLines(std::int32_t now);
    // Paused at the midnight of an empty day, nothing applied, and
    // published: the view may still name players and texts of a window that
    // is gone, so it is replaced before anyone draws from it. Rewinding is
    // left as it was.
    void standAtEmptyDay(std::int32_t day);
};

} // namespace zelkam
