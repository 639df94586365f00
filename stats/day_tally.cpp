#include "stats/day_tally.h"

#include <algorithm>
#include <unordered_map>

#include "history/player_sessions.h"

namespace zelkam {
namespace {

struct TextHash {
    using is_transparent = void;
    std::size_t operator()(std::string_view text) const { return std::hash<std::string_view>{}(text); }
};
using TextIndex = std::unordered_map<std::string, std::uint32_t, TextHash, std::equal_to<>>;

bool isPending(std::string_view id) { return id == "STEAM_ID_PENDING" || id == "VALVE_ID_PENDING"; }

class Tallier {
public:
    explicit Tallier(DayTally& tally) : tally_(tally) {}

    // The day's player of an event's player entry. A player token's name
    // and id are one copy, shared by the day's events of the same token, so
    // its name text stands for both.
    std::uint32_t playerOf(const PlayerEntry& player)
    {
        if (!player.name)
            return NoPlayer;
        if (const auto found = byText_.find(player.name); found != byText_.end()) {
            if (found->second != NoPlayer)
                noteName(found->second, player.name, player.name);
            return found->second;
        }
        const std::uint32_t index =
            isPending(player.uniqueId) ? NoPlayer : playerOf(player.uniqueId, player.name, player.name);
        byText_.emplace(player.name, index);
        return index;
    }

    // text: the name's own text, when the same text names the player again.
    std::uint32_t playerOf(std::string_view uniqueId, std::string_view name, const char* text = nullptr)
    {
        const bool bot = !writePlayerKey(uniqueId, name, key_);
        std::uint32_t index;
        if (const auto found = byKey_.find(key_); found != byKey_.end()) {
            index = found->second;
        } else {
            index = static_cast<std::uint32_t>(tally_.players.size());
            byKey_.emplace(key_, index);
            DayTally::Player& made = tally_.players.emplace_back();
            made.key = key_;
            made.bot = bot;
        }
        noteName(index, name, text);
        return index;
    }

    // The name an event uses now, and whether it is a new one.
    void noteName(std::uint32_t index, std::string_view name, const char* text)
    {
        if (lastText_.size() <= index)
            lastText_.resize(index + 1, nullptr);
        if (text && lastText_[index] == text)
            return;
        lastText_[index] = text;
        DayTally::Player& player = tally_.players[index];
        if (player.lastName != name || player.names.empty()) {
            player.lastName = name;
            if (std::find(player.names.begin(), player.names.end(), name) == player.names.end())
                player.names.emplace_back(name);
        }
    }

    std::uint32_t weaponOf(std::string_view name)
    {
        if (const auto found = weapons_.find(name); found != weapons_.end())
            return found->second;
        const auto index = static_cast<std::uint32_t>(tally_.weapons.size());
        weapons_.emplace(name, index);
        tally_.weapons.emplace_back().name = name;
        return index;
    }

private:
    DayTally& tally_;
    std::string key_;
    TextIndex byKey_;
    TextIndex weapons_;
    std::unordered_map<const char*, std::uint32_t> byText_;
    // The text each player's last name was taken from.
    std::vector<const char*> lastText_;
};

} // namespace

bool writePlayerKey(std::string_view uniqueId, std::string_view name, std::string& key)
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

void tallyDay(const LogEvent* events, std::size_t count, std::int64_t first, std::int64_t end, DayTally& tally)
{
    Tallier tallier(tally);
    tally.eventPlayers.assign(count, NoPlayer);
    for (std::size_t i = 0; i < count; ++i) {
        const LogEvent& event = events[i];
        if (event.time == -1 || event.time < first || event.time >= end)
            continue;
        const bool hasPlayer = (event.kind >= PlayerConnected && event.kind <= SayTeam) || event.kind >= Killed;
        if (!hasPlayer)
            continue;
        const std::uint32_t player = tallier.playerOf(event.player);
        tally.eventPlayers[i] = player;
        if (event.kind == Killed) {
            const KillDetail detail = killDetailOf(event);
            const std::uint32_t weapon = tallier.weaponOf(detail.weapon);
            const std::int32_t victimTeam = event.player.team;
            const bool teamKill = detail.killerTeam == victimTeam &&
                                  (victimTeam == Team::Terrorist || victimTeam == Team::CounterTerrorist);
            ++tally.weapons[weapon].kills;
            tally.weapons[weapon].teamKills += teamKill;
            // The kill's own copy of the killer's name: no other event
            // shares it.
            const std::uint32_t killer = event.text && !isPending(detail.killerUniqueId)
                                             ? tallier.playerOf(detail.killerUniqueId, event.text)
                                             : NoPlayer;
            tally.killers.push_back(killer);
            if (killer == NoPlayer)
                continue;
            DayTally::Player& p = tally.players[killer];
            (teamKill ? p.teamKills : p.kills) += 1;
            const auto used = std::find_if(p.weaponKills.begin(), p.weaponKills.end(),
                                           [&](const auto& entry) { return entry.first == weapon; });
            if (used == p.weaponKills.end())
                p.weaponKills.emplace_back(weapon, 1);
            else
                ++used->second;
        } else if (player != NoPlayer && event.kind >= Suicide) {
            DayTally::Player& p = tally.players[player];
            p.suicides += event.kind == Suicide;
            p.bombsPlanted += event.kind == BombPlanted;
            p.bombsDefused += event.kind == BombDefused;
            p.hostagesRescued += event.kind == HostageRescued;
        }
    }
}

} // namespace zelkam
