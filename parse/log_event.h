#pragma once

// The records every other part of the program shares: one parsed log line is
// a LogEvent, the player it names is a PlayerEntry. Names and texts are
// NUL-terminated byte strings owned by the event arena (or constants) and
// stay valid until that arena is reset by the next window read.

#include <cstdint>

#include "parse/containers.h"

namespace zelkam {

// The kind numbers are fixed: event application indexes its handler table
// with them directly. Kinds from 14 on are made only by a parser asked for
// every kind (LogParser::setAllKinds): the lines rankings count, which the
// replay passes over.
enum EventKind : std::int32_t {
    MapStarted = 0,
    PlayerConnected = 1,
    PlayerDisconnected = 2,
    PlayerEntered = 3,
    TeamJoined = 4,
    NameChanged = 5,
    Say = 6,
    SayTeam = 7,
    RconCommand = 8,
    BadRconCommand = 9,
    RoundStarted = 10,
    TeamScore = 11,
    Killed = 12,
    Suicide = 13,
    BombPlanted = 14,
    BombDefused = 15,
    HostageRescued = 16,
};
// The kinds the replay plays.
inline constexpr int EventKindCount = 14;
// Every kind a parser asked for every kind makes.
inline constexpr int AllEventKindCount = 17;

// Team codes, shared by the parser, the roster and the views.
namespace Team {
enum : std::int32_t { Terrorist = 0, CounterTerrorist = 1, None = 2 };
}

// Life states as the roster keeps them.
namespace LifeState {
enum : std::int32_t { Dead = 0, Alive = 1, Unknown = 2, Pending = 3 };
}

// The address key of a sender whose address the key rule cannot read (an
// IPv6 address, "none", "loopback") and of every bot: no address at all. It
// never matches a recent player, so such a command is credited to no one.
inline constexpr std::int32_t NoAddressKey = 0;

// One player as a log line names it. The parser fills name, userId, wonId,
// addressKey, team and uniqueId; lifeState, frags and deaths belong to the
// roster and start at 0.
struct PlayerEntry {
    const char* name = nullptr;
    std::int32_t userId = 0;
    std::int32_t wonId = 0;
    std::int32_t addressKey = 0;
    std::int32_t team = 0;
    std::int32_t lifeState = 0;
    std::int32_t frags = 0;
    std::int32_t deaths = 0;
    // The text of the same group as wonId, exactly as logged: a number on
    // old servers, "STEAM_0:1:12345", "STEAM_ID_LAN", "BOT" and the like on
    // later ones (wonId is then 0). "" when the token has no such group.
    // Never null; it lives where name lives.
    const char* uniqueId = "";
};

// One recognised log line. time is calendar seconds of local time, -1 when
// the line's time stamp does not convert. text is null for kinds that carry
// none.
struct LogEvent {
    std::int32_t kind = 0;
    std::int32_t time = 0;
    PlayerEntry player;
    const char* text = nullptr;
};

// The user id a server gives every player it disconnects as it shuts down
// (and a player it drops), with no unique id: such a disconnect names its
// player by his name alone, the name he goes by at that moment.
inline constexpr std::int32_t ShutdownUserId = -1;
inline bool disconnectsByNameOnly(const LogEvent& event)
{
    return event.kind == PlayerDisconnected && event.player.userId == ShutdownUserId;
}

// The player of server-side events (map start, round start, team score):
// named "world", no team, Pending. Never changed.
extern const PlayerEntry WorldIdentity;

// What a parser asked for every kind keeps with a kill beyond the killer's
// name: the killer's unique id and team code, and the weapon (the
// `with "weapon"` of the line). It is held in the event's text after the
// name's NUL, so whoever reads the text reads the name alone. Only for
// Killed events of such a parser: any other event has nothing there.
struct KillDetail {
    // The killer's name as the killer's player entry holds it: the same
    // text as the kill's own, at the address the other events of the same
    // player token share (a player entry's name, see PlayerEntry).
    const char* killerName = nullptr;
    const char* killerUniqueId = "";
    std::int32_t killerTeam = Team::None;
    const char* weapon = "";
};
KillDetail killDetailOf(const LogEvent& killed);

// The team a TeamScore event of a parser asked for every kind names (the
// side whose win or objective the line tells), held after the score text's
// NUL; Team::None when the line named neither side.
std::int32_t scoringTeamOf(const LogEvent& teamScore);

// The whole IPv4 address (port left out, see parseWholeAddress) of a
// remote-console event's sender, held after its command's NUL: the player
// entry's address key keeps only the network, which ties a sender to a
// player, while counting one sender's attempts needs the host. 0 for any
// other event, for an address that is not IPv4 and for a line whose
// command could not be read (its text is null).
std::uint32_t rconSourceOf(const LogEvent& rcon);

// The events of the loaded window, in the order their lines were read.
// Starts with room for 150 and doubles.
class EventList : public GrowArray<LogEvent> {
public:
    static constexpr std::size_t InitialCapacity = 150;
    EventList() : GrowArray<LogEvent>(InitialCapacity) {}
};

} // namespace zelkam
