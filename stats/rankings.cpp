#include "stats/rankings.h"

#include <algorithm>
#include <limits>
#include <unordered_map>
#include <unordered_set>

#include "history/player_sessions.h"
#include "ingest/log_file_list.h"
#include "parse/log_event.h"

namespace zelkam {
namespace {

struct TextHash {
    using is_transparent = void;
    std::size_t operator()(std::string_view text) const { return std::hash<std::string_view>{}(text); }
};
// Names to dense indices, looked up without making a string.
using TextIndex = std::unordered_map<std::string, std::uint32_t, TextHash, std::equal_to<>>;

constexpr std::uint32_t NoRow = std::numeric_limits<std::uint32_t>::max();

// Writes the key playerKeyOf gives into key; false for a bot.
bool writeKey(std::string_view uniqueId, std::string_view name, std::string& key)
{
    key.clear();
    if (isSharedUniqueId(uniqueId)) {
        key += '\x01';
        key += name;
    } else {
        key += uniqueId;
        // The universe digit of a Steam id changed with the engine, not the
        // account.
        if (key.starts_with("STEAM_1:"))
            key[6] = '0';
    }
    return uniqueId != "BOT";
}

struct PlayerRow {
    PlayerRanking ranking;
    // Kills by weapon index: a player uses a few dozen weapons at most.
    std::vector<std::pair<std::uint32_t, std::int32_t>> weaponKills;
    // The name text the row's name was last set from, and the day's hand-over
    // it belongs to (see Ranker::beginDay).
    const char* namePointer = nullptr;
    std::uint64_t namePointerDay = 0;
    std::int32_t lastSessionDay = std::numeric_limits<std::int32_t>::min();
    std::int32_t team = Team::None;
    // The run of maps the player was last seen in (see Ranker::mapRun_).
    std::uint64_t seenInMapRun = 0;
};

struct MapRow {
    MapRanking ranking;
    std::unordered_set<std::uint32_t> players;
};

class Ranker {
public:
    explicit Ranker(const RankingRange& range)
        : range_(range),
          end_(range.lastDay == std::numeric_limits<std::int32_t>::max()
                   ? std::numeric_limits<std::int64_t>::max()
                   : std::int64_t{addLocalDays(range.lastDay, 1)})
    {
    }

    // A day's events are handed over; their texts live until the next
    // call, and no longer.
    void beginDay()
    {
        ++day_;
        rowOfName_.clear();
    }

    void add(const LogEvent& event)
    {
        if (event.time == -1 || event.time < range_.firstDay || event.time >= end_)
            return;
        switch (event.kind) {
        case MapStarted:
            closeMap();
            map_ = indexOf(mapIndex_, event.text ? event.text : "", [&](std::string_view name) {
                maps_.emplace_back().ranking.map = name;
            });
            ++maps_[map_].ranking.started;
            mapStart_ = event.time;
            ++mapRun_;
            present_.clear();
            break;
        case RoundStarted:
            if (map_ != NoRow)
                ++maps_[map_].ranking.rounds;
            break;
        case TeamScore: {
            const std::int32_t winner = scoringTeamOf(event);
            if (winner != Team::Terrorist && winner != Team::CounterTerrorist)
                break;
            for (const std::uint32_t row : present_) {
                if (rows_[row].team == winner)
                    ++rows_[row].ranking.roundsWon;
            }
            break;
        }
        case Killed:
            addKill(event);
            break;
        default:
            if (event.kind >= PlayerConnected && event.kind <= SayTeam) {
                const std::uint32_t row = rowOf(event.player);
                if (row != NoRow && event.kind == TeamJoined)
                    rows_[row].team = event.text && std::string_view(event.text) == "TERRORIST" ? Team::Terrorist
                                      : event.text && std::string_view(event.text) == "CT" ? Team::CounterTerrorist
                                                                                          : Team::None;
                if (row != NoRow && event.kind == PlayerDisconnected) {
                    rows_[row].team = Team::None;
                    std::erase(present_, row);
                }
            } else if (event.kind >= Suicide) {
                const std::uint32_t row = rowOf(event.player);
                if (row == NoRow)
                    break;
                PlayerRanking& ranking = rows_[row].ranking;
                ranking.suicides += event.kind == Suicide;
                ranking.bombsPlanted += event.kind == BombPlanted;
                ranking.bombsDefused += event.kind == BombDefused;
                ranking.hostagesRescued += event.kind == HostageRescued;
            }
            break;
        }
        lastTime_ = event.time;
    }

    void add(const PlayerSession& session)
    {
        if (session.day < range_.firstDay || session.day > range_.lastDay || session.names.empty())
            return;
        const std::uint32_t row = rowOf(session.uniqueId, session.names.back(), false);
        if (row == NoRow)
            return;
        PlayerRow& player = rows_[row];
        PlayerRanking& ranking = player.ranking;
        ++ranking.sessions;
        ranking.timeConnected += session.end - session.start;
        ranking.frags += session.frags;
        ranking.deaths += session.deaths;
        ranking.chat += session.chat;
        if (player.lastSessionDay != session.day) {
            player.lastSessionDay = session.day;
            ++ranking.days;
        }
        for (const std::string& name : session.names)
            addName(ranking, name);
    }

    void finish(Rankings& out)
    {
        closeMap();
        out.players.clear();
        out.weapons.clear();
        out.maps.clear();
        for (WeaponRanking& weapon : weapons_)
            out.weapons.push_back(std::move(weapon));
        for (PlayerRow& row : rows_) {
            for (const auto& [weapon, kills] : row.weaponKills) {
                row.ranking.weaponKills.emplace_back(out.weapons[weapon].weapon, kills);
                ++out.weapons[weapon].players;
            }
            std::sort(row.ranking.weaponKills.begin(), row.ranking.weaponKills.end());
            out.players.push_back(std::move(row.ranking));
        }
        for (MapRow& map : maps_) {
            map.ranking.players = static_cast<std::int32_t>(map.players.size());
            out.maps.push_back(std::move(map.ranking));
        }
    }

private:
    template <typename Make>
    static std::uint32_t indexOf(TextIndex& index, std::string_view text, Make make)
    {
        if (const auto found = index.find(text); found != index.end())
            return found->second;
        const auto next = static_cast<std::uint32_t>(index.size());
        index.emplace(text, next);
        make(text);
        return next;
    }

    static void addName(PlayerRanking& ranking, std::string_view name)
    {
        if (std::find(ranking.names.begin(), ranking.names.end(), name) == ranking.names.end())
            ranking.names.emplace_back(name);
    }

    // The row of a player, made when first met; NoRow for a bot unless bots
    // are ranked. An event names the player as now: the name shown, the
    // team, the map's players.
    std::uint32_t rowOf(std::string_view uniqueId, std::string_view name, bool fromEvent = true,
                        const char* namePointer = nullptr)
    {
        if (!writeKey(uniqueId, name, key_) && !range_.bots)
            return NoRow;
        const std::uint32_t row = indexOf(rowIndex_, key_, [&](std::string_view key) {
            PlayerRanking& ranking = rows_.emplace_back().ranking;
            ranking.name = name;
            if (key.empty() || key[0] != '\x01')
                ranking.uniqueId = key;
        });
        if (fromEvent)
            seen(row, name, namePointer);
        return row;
    }

    // What an event tells of its player: the name used now, and that he is
    // on the map being played. namePointer, when given, is the event's name
    // text: the same text as last time needs no comparing.
    void seen(std::uint32_t row, std::string_view name, const char* namePointer)
    {
        PlayerRow& player = rows_[row];
        {
            if (namePointer && player.namePointer == namePointer && player.namePointerDay == day_) {
                // Set from this very text already.
            } else if (player.ranking.name != name) {
                player.ranking.name = name;
                addName(player.ranking, name);
            } else if (player.ranking.names.empty()) {
                player.ranking.names.emplace_back(name);
            }
            player.namePointer = namePointer;
            player.namePointerDay = day_;
            if (player.seenInMapRun != mapRun_ && map_ != NoRow) {
                player.seenInMapRun = mapRun_;
                present_.push_back(row);
                maps_[map_].players.insert(row);
            }
        }
    }

    std::uint32_t rowOf(const PlayerEntry& player)
    {
        // A connection not yet validated names the player by an id that is
        // not his: his own shows in his next line.
        const std::string_view id = player.uniqueId;
        if (!player.name || id == "STEAM_ID_PENDING" || id == "VALVE_ID_PENDING")
            return NoRow;
        // A player token's name and id are one copy, shared by the day's
        // events of the same token: its name text stands for both.
        std::uint32_t row;
        if (const auto found = rowOfName_.find(player.name); found != rowOfName_.end()) {
            row = found->second;
            if (row != NoRow)
                seen(row, player.name, player.name);
        } else {
            row = rowOf(player.uniqueId, player.name, true, player.name);
            rowOfName_.emplace(player.name, row);
        }
        if (row != NoRow && (player.team == Team::Terrorist || player.team == Team::CounterTerrorist))
            rows_[row].team = player.team;
        return row;
    }

    void addKill(const LogEvent& event)
    {
        rowOf(event.player);
        const KillDetail detail = killDetailOf(event);
        const std::uint32_t weapon = indexOf(weaponIndex_, detail.weapon, [&](std::string_view name) {
            weapons_.emplace_back().weapon = name;
        });
        const std::int32_t victimTeam = event.player.team;
        const bool teamKill = detail.killerTeam == victimTeam &&
                              (victimTeam == Team::Terrorist || victimTeam == Team::CounterTerrorist);
        ++weapons_[weapon].kills;
        weapons_[weapon].teamKills += teamKill;
        if (!event.text)
            return;
        // The kill's own copy of the killer's name: no other event shares it.
        const std::string_view id = detail.killerUniqueId;
        if (id == "STEAM_ID_PENDING" || id == "VALVE_ID_PENDING")
            return;
        const std::uint32_t row = rowOf(id, event.text);
        if (row == NoRow)
            return;
        PlayerRow& player = rows_[row];
        if (detail.killerTeam == Team::Terrorist || detail.killerTeam == Team::CounterTerrorist)
            player.team = detail.killerTeam;
        (teamKill ? player.ranking.teamKills : player.ranking.kills) += 1;
        const auto used = std::find_if(player.weaponKills.begin(), player.weaponKills.end(),
                                       [&](const auto& entry) { return entry.first == weapon; });
        if (used == player.weaponKills.end())
            player.weaponKills.emplace_back(weapon, 1);
        else
            ++used->second;
    }

    void closeMap()
    {
        if (map_ != NoRow && lastTime_ > mapStart_)
            maps_[map_].ranking.timePlayed += lastTime_ - mapStart_;
    }

    const RankingRange range_;
    const std::int64_t end_;
    std::string key_;
    TextIndex rowIndex_;
    std::vector<PlayerRow> rows_;
    TextIndex weaponIndex_;
    std::vector<WeaponRanking> weapons_;
    TextIndex mapIndex_;
    std::vector<MapRow> maps_;
    std::uint32_t map_ = NoRow;
    std::int32_t mapStart_ = 0;
    std::int32_t lastTime_ = 0;
    // Counts the map starts; a player met for the first time since the last
    // one joins the map's players and those present for round wins.
    std::uint64_t mapRun_ = 0;
    std::vector<std::uint32_t> present_;
    // The rows of the day's player name texts (NoRow for bots left out).
    std::unordered_map<const char*, std::uint32_t> rowOfName_;
    std::uint64_t day_ = 0;
};

} // namespace

PlayerKey playerKeyOf(std::string_view uniqueId, std::string_view name)
{
    PlayerKey key;
    key.bot = !writeKey(uniqueId, name, key.key);
    if (key.key.empty() || key.key[0] != '\x01')
        key.uniqueId = key.key;
    return key;
}

bool collectRankings(const FolderDays& folder, const RankingRange& range, const std::atomic<bool>* stop,
                     Rankings& rankings, const std::function<void(std::size_t, std::size_t)>& progress)
{
    // The days of the range and the day before it, whose players may carry
    // on past midnight into the range.
    FolderDays walked;
    walked.files = folder.files;
    walked.allKinds = true;
    const std::int64_t dayBefore =
        range.firstDay == std::numeric_limits<std::int32_t>::min() ? range.firstDay : addLocalDays(range.firstDay, -1);
    for (std::size_t d = 0; d < folder.days.size(); ++d) {
        if (folder.days[d] >= dayBefore && folder.days[d] <= range.lastDay)
            walked.days.append(folder.days[d]);
    }
    Ranker ranker(range);
    SessionTracker sessions([&](PlayerSession&& session) { ranker.add(session); });
    const bool complete = walkDayWindows(walked, stop, {}, [&](std::size_t index, const EventList* own) {
        ranker.beginDay();
        if (own) {
            for (const LogEvent& event : *own) {
                sessions.add(event);
                ranker.add(event);
            }
        }
        if (progress)
            progress(index, walked.days.size());
    });
    sessions.finish();
    folder.filesCutShort = walked.filesCutShort;
    ranker.finish(rankings);
    return complete;
}

} // namespace zelkam
