#include "stats/day_tally.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <optional>
#include <unordered_map>

#include "history/name_index.h"
#include "history/player_sessions.h"
#include "parse/account_id.h"
#include "parse/sides.h"
#include "stats/day_lookup.h"

namespace zelkam {
namespace {

using TextIndex = std::unordered_map<std::string, std::uint32_t, TextHash, std::equal_to<>>;

class Tallier {
public:
    explicit Tallier(DayTally& tally) : tally_(tally) {}

    // The day's player of a player entry's name and id (an event's player,
    // a kill's killer). A player token's name and id are one copy, shared by
    // the day's events of the same token, so its name text stands for both.
    std::uint32_t playerOf(const char* name, const char* uniqueId)
    {
        if (!name)
            return NoPlayer;
        RecentText& recent = recent_[hashAddress(name) & (recent_.size() - 1)];
        if (recent.text == name) {
            if (recent.player != NoPlayer)
                noteName(recent.player, name, name);
            return recent.player;
        }
        std::uint32_t index = NoPlayer;
        if (!isPendingId(uniqueId)) {
            // A copy of a token not met lately (the parser shares a copy
            // only among the most recent tokens): known again by the copy's
            // bytes, name and id, which it holds one after the other.
            const std::size_t nameLength = std::strlen(name);
            if (uniqueId == name + nameLength + 1) {
                const std::string_view entry(name, nameLength + 1 + std::strlen(uniqueId));
                index = byEntry_.find(entry);
                if (index == DayLookup::Missing) {
                    // Only a new player's copy is remembered: a player
                    // renaming himself thousands of times would otherwise
                    // fill the table with a copy for each name, each met
                    // once; another of his copies is found by his key.
                    const std::size_t known = tally_.players.size();
                    index = playerOfKey(uniqueId, name, name);
                    if (tally_.players.size() != known)
                        byEntry_.add(entry, index);
                } else {
                    noteName(index, name, name);
                }
            } else {
                index = playerOfKey(uniqueId, name, name);
            }
        }
        recent = {name, index};
        return index;
    }

    // text: the name's own text, when the same text names the player again.
    std::uint32_t playerOfKey(std::string_view uniqueId, std::string_view name, const char* text)
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
        if (lastText_.size() <= index) {
            lastText_.resize(index + 1, nullptr);
            namedAt_.resize(index + 1, 0);
        }
        if (text && lastText_[index] == text)
            return;
        lastText_[index] = text;
        DayTally::Player& player = tally_.players[index];
        if (player.lastName != name || player.names.empty()) {
            player.lastName = name;
            namedAt_[index] = ++namings_;
            if (holdersTabled_)
                holders_.set(name, index);
            // A player who has taken thousands of names this day (a
            // stranger renaming himself) gets room for as many more as
            // the day's events left could give him, at once, instead of
            // moving them all at each doubling; room not used is never
            // touched.
            if (player.names.size() == player.names.capacity() && player.names.size() >= ManyNames)
                player.names.reserve(player.names.size() + eventsLeft_);
            player.names.push_back(name);
        }
    }

    // The player of a line that names him by his name alone (see
    // disconnectsByNameOnly): whoever took that name last this day; NoPlayer
    // when nobody did, as the line counts nothing then. Not a player of his
    // own keyed by the name: that would rank an account's every shutdown as
    // another player who did nothing. The names held are tabled when such a
    // line first comes, and kept up from then on.
    std::uint32_t holderOf(std::string_view name)
    {
        if (!holdersTabled_) {
            holdersTabled_ = true;
            for (std::uint32_t i = 0; i < tally_.players.size(); ++i) {
                const std::uint32_t holder = holders_.find(tally_.players[i].lastName);
                if (holder == DayLookup::Missing || namedAt_[holder] < namedAt_[i])
                    holders_.set(tally_.players[i].lastName, i);
            }
        }
        const std::uint32_t holder = holders_.find(name);
        return holder == DayLookup::Missing ? NoPlayer : holder;
    }

    // hash: the name's textHash32.
    std::uint32_t weaponOf(std::string_view name, std::uint32_t hash)
    {
        const auto index = static_cast<std::uint32_t>(tally_.weapons.size());
        const std::uint32_t found =
            weapons_.findOrAdd(hash, index, [&](std::uint32_t i) { return tally_.weapons[i].name == name; });
        if (found != IndexTable::Missing)
            return found;
        tally_.weapons.emplace_back().name = name;
        return index;
    }

    void reserveWeapons(std::size_t count) { weapons_.reserve(count); }
    // The table that finds the day's weapons, for look-ups fetched ahead.
    const IndexTable& weapons() const { return weapons_; }
    // How many more a list of a player should make room for before the
    // next is added: none until it is long and full.
    template <typename List>
    std::size_t roomForMore(const List& list) const
    {
        return list.size() == list.capacity() && list.size() >= ManyNames ? eventsLeft_ : 0;
    }

    // How many of the day's events are left, the one being counted
    // included: no player can take more names than that.
    void setEventsLeft(std::size_t left) { eventsLeft_ = left; }

private:
    static constexpr std::size_t ManyNames = 4096;

    DayTally& tally_;
    std::size_t eventsLeft_ = 0;
    std::string key_;
    TextIndex byKey_;
    // The day's weapons by their names in tally_.weapons: a slot holds no
    // copy of the name, so a day of thousands of weapons fills a small
    // table.
    IndexTable weapons_;
    // The players of the copies met last, by the copy's address.
    struct RecentText {
        const char* text = nullptr;
        std::uint32_t player = NoPlayer;
    };
    std::array<RecentText, 512> recent_{};
    DayLookup byEntry_;
    // The text each player's last name was taken from.
    std::vector<const char*> lastText_;
    // When each player took his last name, counting the day's namings.
    std::vector<std::uint64_t> namedAt_;
    std::uint64_t namings_ = 0;
    // Who holds each name taken this day (see holderOf).
    DayLookup holders_;
    bool holdersTabled_ = false;
};

} // namespace

bool writePlayerKey(std::string_view uniqueId, std::string_view name, std::string& key)
{
    key.clear();
    const bool bot = isBotId(uniqueId);
    if (isSharedUniqueId(uniqueId)) {
        // A bot is never the player of the same name on a LAN id: the two
        // are keyed apart, so that leaving bots out never leaves him out.
        key += bot ? '\x02' : '\x01';
        key += name;
    } else {
        key += accountIdOf(uniqueId);
    }
    return !bot;
}

namespace {

// Writes the steps of a day's events, leaving out those of a player that
// can change nothing (see DayTally::Step).
class StepWriter {
public:
    explicit StepWriter(DayTally& tally) : tally_(tally) {}

    void seen(std::uint32_t player, std::int32_t team)
    {
        if (player == NoPlayer)
            return;
        if (known_.size() <= player)
            known_.resize(player + 1);
        Known& known = known_[player];
        const bool setsTeam = team == Team::Terrorist || team == Team::CounterTerrorist || team == NoSide;
        if (known.mapRun == mapRun_ && (!setsTeam || (known.teamKnown && known.team == team)))
            return;
        known.mapRun = mapRun_;
        if (setsTeam) {
            known.teamKnown = true;
            known.team = team;
        }
        tally_.steps.push_back({DayTally::StepKind::Seen, false, team, player, 0, 0});
    }

    void left(std::uint32_t player)
    {
        if (player == NoPlayer)
            return;
        if (known_.size() <= player)
            known_.resize(player + 1);
        Known& known = known_[player];
        known.mapRun = mapRun_;
        known.teamKnown = true;
        known.team = NoSide;
        tally_.steps.push_back({DayTally::StepKind::Left, false, Team::None, player, 0, 0});
    }

    void mapStarted(std::uint32_t map, std::int32_t time)
    {
        ++mapRun_;
        tally_.steps.push_back({DayTally::StepKind::MapStarted, tally_.hasLast, Team::None, map, time, tally_.last});
    }

    void add(DayTally::StepKind kind, std::int32_t team) { tally_.steps.push_back({kind, false, team, NoPlayer, 0, 0}); }

private:
    // What the day's steps so far tell of a player: whether he was met
    // since the day's last map start (mapRun), his team if told.
    struct Known {
        std::uint32_t mapRun = 0;
        bool teamKnown = false;
        std::int32_t team = Team::None;
    };

    DayTally& tally_;
    std::vector<Known> known_;
    // Counts the day's map starts from 1: 0 is the day's beginning, when
    // nobody is known to be met yet.
    std::uint32_t mapRun_ = 1;
};

} // namespace

void tallyDay(const LogEvent* events, std::size_t count, std::int64_t first, std::int64_t end, DayTally& tally)
{
    Tallier tallier(tally);
    StepWriter steps(tally);
    // Once a day has named many weapons or maps, room for as many more as
    // the rest of its kills and map starts could name is made at once: a
    // day of tens of thousands of new names would otherwise move them all
    // at each doubling. An ordinary day never counts; room not used is
    // never touched.
    constexpr std::size_t Many = 4096;
    bool weaponsRoom = false;
    bool mapsRoom = false;
    const auto makeRoom = [&](auto& list, bool& made, std::int32_t kind, std::size_t from) {
        if (made || list.size() < Many)
            return std::size_t{0};
        made = true;
        std::size_t more = 0;
        for (std::size_t i = from; i < count; ++i)
            more += events[i].kind == kind;
        list.reserve(list.size() + more);
        return list.size() + more;
    };
    // The kills' weapons are looked up a few events ahead. A kill's detail
    // is read there, once, and kept until its turn: reading it means
    // finding the end of the killer's name.
    std::array<KillDetail, 2 * HashesAheadDistance> details;
    const auto weaponAt = [events, &details](std::size_t i) -> std::optional<std::string_view> {
        if (events[i].kind != Killed)
            return std::nullopt;
        details[i % details.size()] = killDetailOf(events[i]);
        return details[i % details.size()].weapon;
    };
    HashesAhead weaponHashes(tallier.weapons(), count, weaponAt);
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint32_t weaponHash = weaponHashes.at(i);
        const LogEvent& event = events[i];
        if (event.time == -1 || event.time < first || event.time >= end)
            continue;
        tallier.setEventsLeft(count - i);
        switch (event.kind) {
        case MapStarted: {
            // Each start takes a step too: the steps get the same room.
            if (const std::size_t room = makeRoom(tally.maps, mapsRoom, MapStarted, i); room != 0)
                tally.steps.reserve(tally.steps.size() + (room - tally.maps.size()));
            steps.mapStarted(static_cast<std::uint32_t>(tally.maps.size()), event.time);
            tally.maps.emplace_back(event.text ? std::string_view(event.text) : std::string_view());
            break;
        }
        case RoundStarted:
            steps.add(DayTally::StepKind::RoundStarted, Team::None);
            break;
        case TeamScore: {
            const std::int32_t winner = scoringTeamOf(event);
            if (winner == Team::Terrorist || winner == Team::CounterTerrorist)
                steps.add(DayTally::StepKind::Scored, winner);
            break;
        }
        case RconCommand:
        case BadRconCommand:
            break;
        case Killed: {
            const std::uint32_t victim = tallier.playerOf(event.player.name, event.player.uniqueId);
            steps.seen(victim, event.player.team);
            const KillDetail& detail = details[i % details.size()];
            const std::string_view weaponName = detail.weapon;
            // The table that finds the weapons takes the same room, once.
            if (const std::size_t room = makeRoom(tally.weapons, weaponsRoom, Killed, i); room != 0)
                tallier.reserveWeapons(room);
            const std::size_t weaponsBefore = tally.weapons.size();
            const std::uint32_t weapon = tallier.weaponOf(weaponName, weaponHash);
            // A weapon the day meets for the first time is in nobody's
            // counts yet: it goes in without a look-up.
            const bool newWeapon = tally.weapons.size() != weaponsBefore;
            const std::int32_t victimTeam = event.player.team;
            const bool teamKill = isTeamKill(detail.killerTeam, victimTeam);
            ++tally.weapons[weapon].kills;
            tally.weapons[weapon].teamKills += teamKill;
            const std::uint32_t killer = event.text ? tallier.playerOf(detail.killerName, detail.killerUniqueId) : NoPlayer;
            if (killer == NoPlayer)
                break;
            steps.seen(killer, detail.killerTeam);
            DayTally::Player& p = tally.players[killer];
            (teamKill ? p.teamKills : p.kills) += 1;
            if (newWeapon) {
                // A killer of thousands of weapons gets room for as many
                // more as the day's events left could name, at once.
                if (const std::size_t more = tallier.roomForMore(p.weaponKills.entries()); more != 0)
                    p.weaponKills.reserveNew(more);
                p.weaponKills.addNew(weapon, 1);
            } else {
                p.weaponKills.add(weapon, 1);
            }
            break;
        }
        case TeamJoined: {
            const std::uint32_t player = tallier.playerOf(event.player.name, event.player.uniqueId);
            // A join onto no side (the spectators) takes the player off
            // both teams, which Team::None would not: it means "unchanged".
            const std::int32_t side = sideOfJoin(event.text);
            steps.seen(player, side == Team::None ? NoSide : side);
            break;
        }
        case PlayerDisconnected:
            steps.left(disconnectsByNameOnly(event) ? tallier.holderOf(event.player.name ? event.player.name : "")
                                                    : tallier.playerOf(event.player.name, event.player.uniqueId));
            break;
        default: {
            const std::uint32_t player = tallier.playerOf(event.player.name, event.player.uniqueId);
            steps.seen(player, event.player.team);
            // A rename's new name is the player's from this line on, whether
            // or not a later line of his shows it: a row keyed by an account
            // shows the name used last. A row keyed by a name belongs to the
            // old one; the new one keys another row.
            if (player != NoPlayer && event.kind == NameChanged && event.text
                && !isKeyedByName(tally.players[player].key))
                tallier.noteName(player, event.text, event.text);
            if (player != NoPlayer && event.kind >= Suicide) {
                DayTally::Player& p = tally.players[player];
                p.suicides += event.kind == Suicide;
                p.bombsPlanted += event.kind == BombPlanted;
                p.bombsDefused += event.kind == BombDefused;
                p.hostagesRescued += event.kind == HostageRescued;
            }
            break;
        }
        }
        tally.hasLast = true;
        tally.last = event.time;
    }
}

} // namespace zelkam
