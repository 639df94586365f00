#pragma once

#include <cstdint>
#include <limits>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "parse/large_vector.h"
#include "parse/log_event.h"
#include "stats/index_counts.h"

namespace zelkam {

inline constexpr std::uint32_t NoPlayer = std::numeric_limits<std::uint32_t>::max();

// Writes the ranking key of a player into key ("STEAM_0:X:Y" for an
// account, '\x01' and the name for an id that names nobody, '\x02' and the
// name for a bot); false for a bot.
bool writePlayerKey(std::string_view uniqueId, std::string_view name, std::string& key);
// Whether a key writePlayerKey wrote names the player by his name, not an
// account: such a key shows no unique id, and a rename makes it another.
inline bool isKeyedByName(std::string_view key) { return !key.empty() && (key.front() == '\x01' || key.front() == '\x02'); }

// What one day's own events hold for the rankings, in the day's own terms:
// counted on the day walk's worker threads, one day each, and merged in
// day order. Only events from first to end (calendar seconds) count. Its
// names (of players, weapons, maps) are views of the day's event texts, not
// copies: a day of 80,000 map or weapon names would otherwise copy each
// once here and again into the rankings. The tally lives only until the
// merge, which the walk makes while the day's events still live.
struct DayTally {
    struct Player {
        std::string key;
        bool bot = false;
        // The names used this day in the order used, a name again each
        // time the player goes back to it (the rankings keep each once:
        // their table of a player's names serves, and the tally keeps none
        // of its own); the last one.
        LargeVector<std::string_view> names;
        std::string_view lastName;
        std::int32_t kills = 0;
        std::int32_t teamKills = 0;
        std::int32_t suicides = 0;
        std::int32_t bombsPlanted = 0;
        std::int32_t bombsDefused = 0;
        std::int32_t hostagesRescued = 0;
        // Kills by the day's weapon index.
        IndexCounts weaponKills;
    };
    struct Weapon {
        std::string_view name;
        std::int32_t kills = 0;
        std::int32_t teamKills = 0;
    };

    LargeVector<Player> players;
    LargeVector<Weapon> weapons;
    // What the merge follows across days, in the day's order: who is on
    // the map in play and on which team, the maps started, rounds played
    // and won. A player's step is left out when it can change nothing: the
    // player was met since the day's last map start, and the step tells no
    // team or the team he is known to be on.
    enum class StepKind : std::uint8_t {
        // The player is on the map, on team (Team::None: team unchanged).
        Seen,
        // The player left: on no team, no longer present.
        Left,
        // Map index (into maps) started at time; previous is the time of
        // the day's counted event before it, if hasPrevious.
        MapStarted,
        RoundStarted,
        // team (Terrorist or CounterTerrorist) won a round or scored.
        Scored,
    };
    struct Step {
        StepKind kind = StepKind::Seen;
        bool hasPrevious = false;
        std::int32_t team = Team::None;
        std::uint32_t index = NoPlayer;
        std::int32_t time = 0;
        std::int32_t previous = 0;
    };

    LargeVector<Step> steps;
    // The name of each map start, in order: the rankings find a name met
    // before in their own table, so the tally keeps no table of its own.
    LargeVector<std::string_view> maps;
    // The time of the day's last counted event, if any.
    bool hasLast = false;
    std::int32_t last = 0;
};

// The side of a player who joined the spectators or left: on neither team,
// unlike Team::None, which an event gives when it tells no team.
inline constexpr std::int32_t NoSide = -1;

// Counts a day's own events into tally.
void tallyDay(const LogEvent* events, std::size_t count, std::int64_t first, std::int64_t end, DayTally& tally);

} // namespace zelkam
