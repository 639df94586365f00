#pragma once

#include <array>
#include <cstdint>

#include "parse/containers.h"
#include "parse/log_event.h"
#include "state/chat_lines.h"

namespace zelkam {

// The players on the server now: at most 32, in the order they were added,
// except that a removal moves the last entry into the freed place. A 33rd
// player overwrites entry 0.
struct Roster {
    static constexpr std::size_t Capacity = 32;
    std::array<PlayerEntry, Capacity> entries{};
    std::size_t count = 0;
};

// How many players each block of the player list holds: the terrorists,
// the counter-terrorists, and everyone else (spectators, no team yet), as
// the event rules left their teams.
struct BlockCounts {
    std::int32_t terrorists = 0;
    std::int32_t cts = 0;
    std::int32_t spectators = 0;
};

inline BlockCounts countBlocks(const Roster& roster)
{
    BlockCounts counts;
    for (std::size_t i = 0; i < roster.count; ++i) {
        switch (roster.entries[i].team) {
        case Team::Terrorist:
            ++counts.terrorists;
            break;
        case Team::CounterTerrorist:
            ++counts.cts;
            break;
        default:
            ++counts.spectators;
            break;
        }
    }
    return counts;
}

inline constexpr std::size_t RecentPlayerCapacity = 72;

// What event application changes while events are replayed: the roster,
// the players recently seen connecting (most recent first, tying network
// addresses to names), the chat lines on screen, the round start, the map
// and the team scores. The replay model's state is built on it; the event
// handlers see nothing else.
struct LiveState {
    LiveState() = default;
    LiveState(const LiveState&) = delete;
    LiveState& operator=(const LiveState&) = delete;

    ChatRing chatLines{ChatLineCapacity};
    Roster roster;
    BoundedRing<PlayerEntry> recentPlayers{RecentPlayerCapacity};
    std::int32_t roundStartTime = 0;
    const char* mapName = "";
    std::int32_t ctScore = 0;
    std::int32_t tScore = 0;
};

} // namespace zelkam
