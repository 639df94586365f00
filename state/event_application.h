#pragma once

#include <cstdint>

#include "parse/log_event.h"
#include "state/live_state.h"

namespace zelkam {

// Kinds applied while a day load walks its whole window to take snapshots:
// map starts, connections, disconnections and name changes (bits 0, 1, 2, 5),
// which keep the recent players and the map name right.
inline constexpr std::uint32_t SnapshotKindMask = 39;

// Sender of a remote-console line whose address no recent player has.
extern const PlayerEntry unknownPlayer;

// Applies one event to the live state: roster, recent players, scores, map,
// round start and chat lines (composed, or with text SlotOnly only taking
// their slot). Kinds outside 0..13 do nothing.
void applyEvent(LiveState& state, const LogEvent& event, ChatText text = ChatText::Compose);

// True for the kinds whose application always adds exactly one chat line
// (team joins, name changes, chat, team chat and remote-console lines); a
// disconnection adds one only for a player on the roster.
bool alwaysAddsChatLine(std::int32_t kind);

// applyEvent, but only when bit (kind mod 32) of mask is set.
void applyEventMasked(LiveState& state, const LogEvent& event, std::uint32_t mask,
                      ChatText text = ChatText::Compose);

// Roster lookups; null when there is no such entry. Pointers stay valid until
// the roster changes.
PlayerEntry* findPlayerByUserId(LiveState& state, std::int32_t userId);
// Names compare byte by byte in their first 31 characters.
PlayerEntry* findPlayerByName(LiveState& state, const char* name);
// The entry a disconnection takes off the roster: by user id, else, for a
// disconnect that names its player by name alone (see
// disconnectsByNameOnly), by name.
PlayerEntry* findLeavingPlayer(LiveState& state, const LogEvent& disconnect);
// Copies the block into the next slot, or over entry 0 when the roster is full.
PlayerEntry* addPlayer(LiveState& state, const PlayerEntry& player);
// By user id, else by name, else added. A found entry is returned unchanged.
PlayerEntry* findOrAddPlayer(LiveState& state, const PlayerEntry& player);
// The most recent connection from the address key, or null.
PlayerEntry* findRecentByAddress(LiveState& state, std::int32_t key);

// The same lookups for a reader that changes nothing (a walk that only asks
// who a line meant).
inline const PlayerEntry* findPlayerByUserId(const LiveState& state, std::int32_t userId)
{
    return findPlayerByUserId(const_cast<LiveState&>(state), userId);
}
inline const PlayerEntry* findPlayerByName(const LiveState& state, const char* name)
{
    return findPlayerByName(const_cast<LiveState&>(state), name);
}
inline const PlayerEntry* findLeavingPlayer(const LiveState& state, const LogEvent& disconnect)
{
    return findLeavingPlayer(const_cast<LiveState&>(state), disconnect);
}
inline const PlayerEntry* findRecentByAddress(const LiveState& state, std::int32_t key)
{
    return findRecentByAddress(const_cast<LiveState&>(state), key);
}

} // namespace zelkam
