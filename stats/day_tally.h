#pragma once

#include <cstdint>
#include <limits>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "parse/log_event.h"

namespace zelkam {

inline constexpr std::uint32_t NoPlayer = std::numeric_limits<std::uint32_t>::max();

// Writes the ranking key of a player into key ("STEAM_0:X:Y" for an
// account, '\x01' and the name for an id that names nobody); false for a
// bot.
bool writePlayerKey(std::string_view uniqueId, std::string_view name, std::string& key);

// What one day's own events hold for the rankings, in the day's own terms:
// counted on the day walk's worker threads, one day each, and merged in
// day order. Only events from first to end (calendar seconds) count.
struct DayTally {
    struct Player {
        std::string key;
        bool bot = false;
        // Every name used this day, in the order first used; the last one.
        std::vector<std::string> names;
        std::string lastName;
        std::int32_t kills = 0;
        std::int32_t teamKills = 0;
        std::int32_t suicides = 0;
        std::int32_t bombsPlanted = 0;
        std::int32_t bombsDefused = 0;
        std::int32_t hostagesRescued = 0;
        // Kills by the day's weapon index.
        std::vector<std::pair<std::uint32_t, std::int32_t>> weaponKills;
    };
    struct Weapon {
        std::string name;
        std::int32_t kills = 0;
        std::int32_t teamKills = 0;
    };

    std::vector<Player> players;
    std::vector<Weapon> weapons;
    // For each event of the day: the day's player its player entry names
    // (NoPlayer for none, a connection not yet validated, an uncounted
    // event), and for each counted kill in order, its killer.
    std::vector<std::uint32_t> eventPlayers;
    std::vector<std::uint32_t> killers;
};

// Counts a day's own events into tally.
void tallyDay(const LogEvent* events, std::size_t count, std::int64_t first, std::int64_t end, DayTally& tally);

} // namespace zelkam
