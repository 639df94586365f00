#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "history/day_windows.h"
#include "parse/large_vector.h"

namespace zelkam {

// Who a ranking row is about. Players are told apart by their unique id,
// STEAM_0:X:Y and STEAM_1:X:Y being the same account; an id that names
// nobody (LAN, pending, bots, HLTV, none) falls back to the name.
struct PlayerKey {
    // "STEAM_0:1:5" style, or the name with a leading '\x01' when keyed by
    // name ('\x02' for a bot's), so that none of them meet.
    std::string key;
    // The id the row shows: "" when keyed by name.
    std::string uniqueId;
    bool bot = false;
};
PlayerKey playerKeyOf(std::string_view uniqueId, std::string_view name);

struct PlayerRanking {
    std::string uniqueId;
    // The unique id exactly as the player's last session counted logged it
    // (STEAM_1:..., or the shared id of a row keyed by name), by which the
    // player record finds the player's sessions again.
    std::string loggedId;
    // The name used last, and every name used in the order first used (as
    // many as a stranger renames himself: see LargeVector).
    std::string name;
    LargeVector<std::string> names;
    std::int64_t timeConnected = 0;
    std::int32_t sessions = 0;
    std::int32_t days = 0;
    // Frags, deaths and chat lines as the player's sessions count them.
    std::int32_t frags = 0;
    std::int32_t deaths = 0;
    std::int32_t chat = 0;
    // Kills of the other team and of one's own, by the teams the kill line
    // names; suicides.
    std::int32_t kills = 0;
    std::int32_t teamKills = 0;
    std::int32_t suicides = 0;
    std::int32_t bombsPlanted = 0;
    std::int32_t bombsDefused = 0;
    std::int32_t hostagesRescued = 0;
    // Rounds the player's team won (or scored an objective in) while the
    // player was on it.
    std::int32_t roundsWon = 0;
    // Kills (team kills included) by weapon, sorted by weapon; as many as
    // the weapons a day names (see LargeVector).
    LargeVector<std::pair<std::string, std::int32_t>> weaponKills;
};

struct WeaponRanking {
    std::string weapon;
    // Every kill line with it, bots' included; players counts the players
    // ranked (bots only when asked) who killed with it.
    std::int32_t kills = 0;
    std::int32_t teamKills = 0;
    std::int32_t players = 0;
};

struct MapRanking {
    std::string map;
    std::int32_t started = 0;
    // From each start to the map's last event before the next start.
    std::int64_t timePlayed = 0;
    std::int32_t rounds = 0;
    std::int32_t players = 0;
};

struct Rankings {
    // Rows of what a stranger can make tens of thousands of in a day.
    LargeVector<PlayerRanking> players;
    LargeVector<WeaponRanking> weapons;
    LargeVector<MapRanking> maps;
};

struct RankingRange {
    // Local midnights of the first and last day counted.
    std::int32_t firstDay = INT32_MIN;
    std::int32_t lastDay = INT32_MAX;
    // Whether bots get rows of their own.
    bool bots = false;
};

// Reads the days of the range once (on every core, through the day walk)
// and ranks what they hold. Sessions are those of the one session tracker
// (a session counts when its day is in the range; the day before the range
// is read too, so that players connected over midnight begin as they do in
// the player record). Memory grows with the players, weapons and maps met,
// not with the days. progress (may be empty) gets each day's index and the
// day count. False when stopped.
bool collectRankings(FolderDays& folder, const RankingRange& range, const std::atomic<bool>* stop,
                     Rankings& rankings, const std::function<void(std::size_t, std::size_t)>& progress = {});

// collectRankings as one folder's part of a walk over several folders
// (walkFolders, walkServers): plan narrows folder's days to the range and
// the day before, asks for every kind of line, and fills walk's work, done
// and finished. Once the walk has finished the folder, finished gets its
// rankings (those of the days read so far when the walk stopped). folder
// and this must live until then.
class FolderRanking {
public:
    using Finished = std::function<void(Rankings& rankings, bool complete)>;
    FolderRanking(const RankingRange& range, Finished finished);
    ~FolderRanking();
    FolderRanking(const FolderRanking&) = delete;
    FolderRanking& operator=(const FolderRanking&) = delete;

    void plan(FolderDays& folder, FolderWalk& walk);

private:
    struct State;
    std::unique_ptr<State> state_;
};

} // namespace zelkam
