#include "stats/rankings.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <limits>
#include <memory>
#include <mutex>
#include <optional>
#include <unordered_map>
#include <unordered_set>
#include <utility>

#include "history/name_index.h"
#include "history/player_sessions.h"
#include "ingest/log_file_list.h"
#include "ingest/thread_count.h"
#include "ingest/thread_group.h"
#include "parse/large_memory.h"
#include "parse/log_event.h"
#include "stats/day_tally.h"

namespace zelkam {
namespace {

// Names to dense indices, looked up without making a string.
using TextIndex = std::unordered_map<std::string, std::uint32_t, TextHash, std::equal_to<>>;

constexpr std::uint32_t NoRow = NoPlayer;

struct PlayerRow {
    PlayerRanking ranking;
    // Finds a name among ranking.names.
    NameIndex names;
    // Kills by weapon index.
    IndexCounts weaponKills;
    std::int32_t lastSessionDay = std::numeric_limits<std::int32_t>::min();
    std::int32_t team = Team::None;
    // The run of maps the player was last seen in (see Ranker::mapRun_);
    // 0 once he left it.
    std::uint64_t seenInMapRun = 0;
    // His place among those present for round wins (Ranker::present_),
    // while he is.
    std::uint32_t presentAt = NoPlayer;
};


// Adds a batch of names that the row may not have yet. Only the names it
// lacks take room: a session of thousands of names the day's tally gave
// already (a day of renames) adds none and moves none. distinct: whether
// the batch holds each name once, as a session's does, so that an empty
// row takes it as it is; a day's tally names a player's name again when he
// goes back to it. missing is scratch.
template <typename Names>
void addNames(PlayerRow& row, const Names& names, bool distinct, std::vector<std::uint32_t>& missing)
{
    LargeVector<std::string>& list = row.ranking.names;
    if (list.empty() && distinct) {
        row.names.fillEmpty(list, names);
        return;
    }
    if (list.empty()) {
        list.reserve(std::bit_ceil(names.size()));
        row.names.addAllTo(list, names);
        return;
    }
    // A distinct batch that is the end of the list already (a player's one
    // session of the day, whose names the day's tally gave in the same
    // order, his renames' new names among them) holds no name the row
    // lacks: read side by side, its names cost no look-up. Anything else is
    // looked up name by name.
    if (distinct && names.size() <= list.size()
        && std::equal(names.begin(), names.end(), list.end() - static_cast<std::ptrdiff_t>(names.size())))
        return;
    missing.clear();
    row.names.missingOf(list, names, missing);
    if (missing.empty())
        return;
    const std::size_t most = list.size() + missing.size();
    if (list.capacity() < most)
        list.reserve(std::max(most, 2 * list.capacity()));
    row.names.reserve(most);
    for (const std::uint32_t i : missing)
        row.names.addTo(list, names[i]);
}

// The place of each weapon in the order of their names (as bytes compare):
// the players' weapons are sorted by it, every name compared in one sort
// for all players. The names are put in order by their first 16 bytes as
// two numbers, a byte at a time from the last (a radix sort): only the
// bytes in which some names differ take a pass, or are even counted, so a
// day of tens of thousands of weapons alike in most of their bytes
// ("weapon1" to "weapon80000") sorts in a few passes without reading a
// name. Only names alike that far are compared whole.
LargeVector<std::uint32_t> nameOrder(const LargeVector<WeaponRanking>& weapons)
{
    struct Key {
        std::uint64_t head = 0;
        std::uint64_t next = 0;
        std::uint32_t index = 0;
    };
    // Eight bytes as a number, the first byte at the top.
    const auto bigEndian = [](const unsigned char* bytes) {
        std::uint64_t value = 0;
#if defined(__GNUC__)
        std::memcpy(&value, bytes, sizeof value);
        if constexpr (std::endian::native == std::endian::little)
            value = __builtin_bswap64(value);
#else
        for (std::size_t b = 0; b < 8; ++b)
            value = value << 8 | bytes[b];
#endif
        return value;
    };
    // The first 16 bytes as two numbers, zeros past the end: two names
    // whose numbers differ are in the order of their bytes.
    LargeVector<Key> keys(weapons.size());
    std::uint64_t headVaries = 0;
    std::uint64_t nextVaries = 0;
    for (std::uint32_t i = 0; i < weapons.size(); ++i) {
        const std::string& name = weapons[i].weapon;
        unsigned char bytes[16] = {};
        std::memcpy(bytes, name.data(), std::min<std::size_t>(name.size(), sizeof bytes));
        keys[i] = {bigEndian(bytes), bigEndian(bytes + 8), i};
        headVaries |= keys[i].head ^ keys[0].head;
        nextVaries |= keys[i].next ^ keys[0].next;
    }
    // Byte b of a key counted from its last: the next number's low byte
    // first, the head's top byte last.
    const auto byteOf = [](std::uint64_t head, std::uint64_t next, unsigned b) {
        return static_cast<std::size_t>(((b < 8 ? next : head) >> (8 * (b % 8))) & 0xff);
    };
    std::array<unsigned, 16> varying{};
    unsigned passes = 0;
    for (unsigned b = 0; b < 16; ++b) {
        if (byteOf(headVaries, nextVaries, b) != 0)
            varying[passes++] = b;
    }
    std::vector<std::array<std::uint32_t, 256>> counts(passes);
    for (const Key& key : keys) {
        for (unsigned p = 0; p < passes; ++p)
            ++counts[p][byteOf(key.head, key.next, varying[p])];
    }
    LargeVector<Key> sorted(passes != 0 ? keys.size() : 0);
    for (unsigned p = 0; p < passes; ++p) {
        std::array<std::uint32_t, 256>& places = counts[p];
        std::uint32_t place = 0;
        for (std::uint32_t& count : places)
            place += std::exchange(count, place);
        // Stable: keys alike in this byte keep the order of the bytes after.
        for (const Key& key : keys)
            sorted[places[byteOf(key.head, key.next, varying[p])]++] = key;
        keys.swap(sorted);
    }
    // Names alike in their first 16 bytes, compared whole.
    for (std::size_t from = 0; from < keys.size();) {
        std::size_t to = from + 1;
        while (to < keys.size() && keys[to].head == keys[from].head && keys[to].next == keys[from].next)
            ++to;
        if (to - from > 1) {
            std::sort(keys.begin() + static_cast<std::ptrdiff_t>(from), keys.begin() + static_cast<std::ptrdiff_t>(to),
                      [&](const Key& a, const Key& b) { return weapons[a.index].weapon < weapons[b.index].weapon; });
        }
        from = to;
    }
    LargeVector<std::uint32_t> rank(weapons.size());
    for (std::uint32_t r = 0; r < keys.size(); ++r)
        rank[keys[r].index] = r;
    return rank;
}

// Merges the days' tallies in day order, and follows what carries over
// from one event to the next across days: the map in play, who is on it
// and on which team, for the maps' figures and the rounds won.
class Ranker {
public:
    explicit Ranker(const RankingRange& range) : range_(range) {}

    const RankingRange& range() const { return range_; }

    std::int64_t first() const { return range_.firstDay; }
    std::int64_t end() const
    {
        return range_.lastDay == std::numeric_limits<std::int32_t>::max()
                   ? std::numeric_limits<std::int64_t>::max()
                   : addLocalDays(range_.lastDay, 1);
    }

    void addDay(const DayTally& tally)
    {
        LargeVector<std::uint32_t> weapons;
        weapons.reserve(tally.weapons.size());
        // The weapons from here on are met for the first time this day:
        // no row counts them yet.
        const auto knownWeapons = static_cast<std::uint32_t>(weapons_.size());
        makeRoomFor(tally);
        // Before the first day that names a weapon, every weapon of the day
        // is new, and the day names each once: they are taken as they are,
        // and the table that finds them is made when a later day looks one
        // up (a walk of one day of tens of thousands of weapons makes none).
        const bool lookUp = !weapons_.empty();
        if (lookUp) {
            weaponIndex_.reserve(weapons_.size() + tally.weapons.size());
            for (; weaponsTabled_ < weapons_.size(); ++weaponsTabled_)
                weaponIndex_.add(textHash32(weapons_[weaponsTabled_].weapon), weaponsTabled_);
        }
        for (const DayTally::Weapon& weapon : tally.weapons) {
            const auto made = static_cast<std::uint32_t>(weapons_.size());
            const std::uint32_t index =
                !lookUp ? made
                        : indexOf(
                              weaponIndex_, weapon.name, made,
                              [&](std::uint32_t i) -> std::string_view { return weapons_[i].weapon; },
                              [&](std::string_view) {});
            if (index == made) {
                weapons_.emplace_back().weapon = weapon.name;
                weaponsTabled_ += lookUp;
            }
            weapons_[index].kills += weapon.kills;
            weapons_[index].teamKills += weapon.teamKills;
            weapons.push_back(index);
        }
        rowOfDay_.clear();
        for (const DayTally::Player& player : tally.players) {
            const std::uint32_t row = rowOfKey(player.key, player.bot, player.lastName);
            rowOfDay_.push_back(row);
            if (row == NoRow)
                continue;
            PlayerRow& merged = rows_[row];
            PlayerRanking& ranking = merged.ranking;
            addNames(merged, player.names, false, missingNames_);
            ranking.name = player.lastName;
            ranking.kills += player.kills;
            ranking.teamKills += player.teamKills;
            ranking.suicides += player.suicides;
            ranking.bombsPlanted += player.bombsPlanted;
            ranking.bombsDefused += player.bombsDefused;
            ranking.hostagesRescued += player.hostagesRescued;
            merged.weaponKills.reserveMore(player.weaponKills.entries().size());
            // A day's player counts each weapon once, and different rows
            // are different players: a weapon new to the rankings is new
            // to the row.
            for (const auto& [weapon, kills] : player.weaponKills.entries()) {
                if (weapons[weapon] >= knownWeapons)
                    merged.weaponKills.addNew(weapons[weapon], kills);
                else
                    merged.weaponKills.add(weapons[weapon], kills);
            }
        }

        // The map starts' names are looked up a few steps ahead.
        HashesAhead mapHashes(mapIndex_, tally.steps.size(), [&tally](std::size_t s) -> std::optional<std::string_view> {
            if (tally.steps[s].kind != DayTally::StepKind::MapStarted)
                return std::nullopt;
            return tally.maps[tally.steps[s].index];
        });
        for (std::size_t s = 0; s < tally.steps.size(); ++s) {
            const std::uint32_t mapHash = mapHashes.at(s);
            const DayTally::Step& step = tally.steps[s];
            // Only a player's steps index the day's players; a map start's
            // index is into the day's maps.
            const bool ofPlayer = step.kind == DayTally::StepKind::Seen || step.kind == DayTally::StepKind::Left;
            const std::uint32_t row = ofPlayer && step.index < rowOfDay_.size() ? rowOfDay_[step.index] : NoRow;
            switch (step.kind) {
            case DayTally::StepKind::Seen:
                seen(row, step.team);
                break;
            case DayTally::StepKind::Left:
                seen(row, Team::None);
                if (row != NoRow)
                    left(row);
                break;
            case DayTally::StepKind::MapStarted:
                if (step.hasPrevious)
                    lastTime_ = step.previous;
                closeMap();
                map_ = indexOf(
                    mapIndex_, tally.maps[step.index], mapHash,
                    static_cast<std::uint32_t>(maps_.size()),
                    [&](std::uint32_t i) -> std::string_view { return maps_[i].map; },
                    [&](std::string_view name) { maps_.emplace_back().map = name; });
                ++maps_[map_].started;
                mapStart_ = step.time;
                lastTime_ = step.time;
                ++mapRun_;
                for (const std::uint32_t present : present_)
                    rows_[present].presentAt = NoRow;
                present_.clear();
                break;
            case DayTally::StepKind::RoundStarted:
                if (map_ != NoRow)
                    ++maps_[map_].rounds;
                break;
            case DayTally::StepKind::Scored:
                for (const std::uint32_t present : present_) {
                    if (rows_[present].team == step.team)
                        ++rows_[present].ranking.roundsWon;
                }
                break;
            }
        }
        if (tally.hasLast)
            lastTime_ = tally.last;
    }

    // Room for every weapon and map the day names, made before the rows
    // are: a day of thousands of new names would otherwise move the rows,
    // texts and all, at each doubling. It touches only the weapons' and
    // maps' lists and the maps' table, which following sessions (add)
    // never does, so a walk may make it on another thread while the
    // sessions are followed; addDay makes what is not made yet.
    void makeRoomFor(const DayTally& tally)
    {
        growFor(weapons_, tally.weapons.size());
        growFor(maps_, tally.maps.size());
        mapIndex_.reserve(maps_.size() + tally.maps.size());
    }

    // A session of a tracker that hands its names out as views.
    void add(const PlayerSession& session, const SessionTracker& tracker)
    {
        if (session.day < range_.firstDay || session.day > range_.lastDay)
            return;
        tracker.handedOutNames(sessionNames_);
        if (sessionNames_.empty())
            return;
        const bool bot = !writePlayerKey(session.uniqueId, sessionNames_.back(), key_);
        const std::uint32_t row = rowOfKey(key_, bot, sessionNames_.back());
        if (row == NoRow)
            return;
        PlayerRow& player = rows_[row];
        PlayerRanking& ranking = player.ranking;
        ++ranking.sessions;
        ranking.loggedId = session.uniqueId;
        ranking.timeConnected += session.end - session.start;
        ranking.frags += session.frags;
        ranking.deaths += session.deaths;
        ranking.chat += session.chat;
        if (player.lastSessionDay != session.day) {
            player.lastSessionDay = session.day;
            ++ranking.days;
        }
        addNames(player, sessionNames_, true, missingNames_);
    }

    void finish(Rankings& out)
    {
        closeMap();
        out.players.clear();
        out.players.reserve(rows_.size());
        out.weapons = std::move(weapons_);
        out.maps = std::move(maps_);
        // The scratch lists and the rows' weapons are as long as the day
        // has weapons (see LargeVector).
        const LargeVector<std::uint32_t> rank = nameOrder(out.weapons);
        LargeVector<IndexCounts::Entry> byName;
        // The entry of each weapon by its place in name order, for a player
        // with many weapons; NoRow where he has none.
        LargeVector<std::uint32_t> atRank;
        for (PlayerRow& row : rows_) {
            // Sorted by weapon name (a player's weapons are distinct) before
            // the names are copied, so the sort moves no text.
            const LargeVector<IndexCounts::Entry>& entries = row.weaponKills.entries();
            auto& kills = row.ranking.weaponKills;
            kills.reserve(entries.size());
            const auto add = [&](const IndexCounts::Entry& entry) {
                kills.emplace_back(out.weapons[entry.first].weapon, entry.second);
                ++out.weapons[entry.first].players;
            };
            if (entries.size() >= 64 && entries.size() * 8 >= out.weapons.size()) {
                // A player who used a good share of the weapons (the one
                // killer of a day of tens of thousands of weapons) has them
                // put in order by their places, without sorting: a pass
                // over every weapon costs at most eight of his.
                atRank.resize(out.weapons.size(), NoRow);
                for (std::uint32_t e = 0; e < entries.size(); ++e)
                    atRank[rank[entries[e].first]] = e;
                for (std::uint32_t& at : atRank) {
                    if (at != NoRow) {
                        add(entries[at]);
                        at = NoRow;
                    }
                }
            } else {
                byName.assign(entries.begin(), entries.end());
                std::sort(byName.begin(), byName.end(), [&](const IndexCounts::Entry& a, const IndexCounts::Entry& b) {
                    return rank[a.first] < rank[b.first];
                });
                for (const IndexCounts::Entry& entry : byName)
                    add(entry);
            }
            out.players.push_back(std::move(row.ranking));
        }
    }

private:
    // Makes room for more rows at once, doubling at least, so that rows
    // move as seldom as one by one appending would move them. New room is
    // backed at once (see backLarge): rows of thousands of new names are
    // then written into memory the system has given already.
    template <typename Row>
    static void growFor(LargeVector<Row>& rows, std::size_t more)
    {
        if (rows.size() + more <= rows.capacity())
            return;
        rows.reserve(std::max(rows.size() + more, 2 * rows.capacity()));
        if (rows.capacity() * sizeof(Row) >= LargeVectorBytes)
            backLarge(rows.data(), rows.capacity() * sizeof(Row));
    }

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

    // The same for a table whose texts the rows hold: count is the rows
    // made so far, textOf(i) the text of row i.
    template <typename TextOf, typename Make>
    static std::uint32_t indexOf(IndexTable& index, std::string_view text, std::uint32_t count, TextOf textOf,
                                 Make make)
    {
        return indexOf(index, text, textHash32(text), count, textOf, make);
    }

    // The same, the text's textHash32 given.
    template <typename TextOf, typename Make>
    static std::uint32_t indexOf(IndexTable& index, std::string_view text, std::uint32_t hash, std::uint32_t count,
                                 TextOf textOf, Make make)
    {
        const std::uint32_t found = index.findOrAdd(hash, count, [&](std::uint32_t i) { return textOf(i) == text; });
        if (found != IndexTable::Missing)
            return found;
        make(text);
        return count;
    }

    // The row of a player, made when first met; NoRow for a bot unless bots
    // are ranked.
    std::uint32_t rowOfKey(std::string_view key, bool bot, std::string_view name)
    {
        if (bot && !range_.bots)
            return NoRow;
        return indexOf(rowIndex_, key, [&](std::string_view made) {
            PlayerRanking& ranking = rows_.emplace_back().ranking;
            ranking.name = name;
            if (!isKeyedByName(made))
                ranking.uniqueId = made;
        });
    }

    // A player's event: he is on the map being played, on the team the
    // event tells (Team::None when it tells none).
    void seen(std::uint32_t row, std::int32_t team)
    {
        if (row == NoRow)
            return;
        PlayerRow& player = rows_[row];
        if (team == Team::Terrorist || team == Team::CounterTerrorist || team == NoSide)
            player.team = team;
        if (player.seenInMapRun != mapRun_ && map_ != NoRow) {
            player.seenInMapRun = mapRun_;
            player.presentAt = static_cast<std::uint32_t>(present_.size());
            present_.push_back(row);
            if (mapPlayers_.insert(std::uint64_t{map_} << 32 | row).second)
                ++maps_[map_].players;
        }
    }

    // The player left: on no side and no longer present, until an event
    // of his puts him back on the map. His place among those present is
    // taken by the last of them, so a map that thousands join before any
    // leaves costs no walk through them at each leaving.
    void left(std::uint32_t row)
    {
        PlayerRow& player = rows_[row];
        player.team = NoSide;
        player.seenInMapRun = 0;
        if (player.presentAt == NoRow)
            return;
        const std::uint32_t last = present_.back();
        present_[player.presentAt] = last;
        rows_[last].presentAt = player.presentAt;
        present_.pop_back();
        player.presentAt = NoRow;
    }

    void closeMap()
    {
        if (map_ != NoRow && lastTime_ > mapStart_)
            maps_[map_].timePlayed += lastTime_ - mapStart_;
    }

    const RankingRange range_;
    std::string key_;
    TextIndex rowIndex_;
    LargeVector<PlayerRow> rows_;
    // The rows of the day's players at hand.
    std::vector<std::uint32_t> rowOfDay_;
    // Finds the first weaponsTabled_ weapons by name.
    IndexTable weaponIndex_;
    std::uint32_t weaponsTabled_ = 0;
    LargeVector<WeaponRanking> weapons_;
    IndexTable mapIndex_;
    LargeVector<MapRanking> maps_;
    // The (map, row) pairs met, each counted once among the map's players:
    // one table for every map, so a day of thousands of maps makes no set
    // for each.
    std::unordered_set<std::uint64_t> mapPlayers_;
    std::uint32_t map_ = NoRow;
    std::int32_t mapStart_ = 0;
    std::int32_t lastTime_ = 0;
    // Counts the map starts; a player met for the first time since the last
    // one (or since he left) joins the map's players, once, and those
    // present for round wins.
    std::uint64_t mapRun_ = 0;
    std::vector<std::uint32_t> present_;
    std::vector<std::uint32_t> missingNames_;
    // The names of the session at hand, views of the tracker's.
    LargeVector<std::string_view> sessionNames_;
};

} // namespace

PlayerKey playerKeyOf(std::string_view uniqueId, std::string_view name)
{
    PlayerKey key;
    key.bot = !writePlayerKey(uniqueId, name, key.key);
    if (!isKeyedByName(key.key))
        key.uniqueId = key.key;
    return key;
}

struct FolderRanking::State {
    State(const RankingRange& range, Finished done)
        : ranker(range), finished(std::move(done)),
          sessions([this](PlayerSession&& session) { ranker.add(session, sessions); }, SessionTracker::Names::Viewed)
    {
    }

    Ranker ranker;
    Finished finished;
    // Each day is tallied on the worker that parsed it; the tallies are
    // merged, and the sessions followed, on the calling thread in day order.
    std::vector<std::unique_ptr<DayTally>> tallies;
    // The days whose tally is counted in done instead, beside their
    // sessions (see plan).
    std::vector<char> tallyBesideSessions;
    std::mutex talliesLock;
    SessionTracker sessions;
};

FolderRanking::FolderRanking(const RankingRange& range, Finished finished)
    : state_(std::make_unique<State>(range, std::move(finished)))
{
}

FolderRanking::~FolderRanking() = default;

void FolderRanking::plan(FolderDays& folder, FolderWalk& walk)
{
    // The days of the range and the day before it, whose files reach past
    // midnight into the range and whose players carry on there.
    const RankingRange& range = state_->ranker.range();
    const std::int64_t dayBefore =
        range.firstDay == std::numeric_limits<std::int32_t>::min() ? range.firstDay : addLocalDays(range.firstDay, -1);
    GrowArray<std::int32_t> days(std::max<std::size_t>(1, folder.days.size()));
    for (std::size_t d = 0; d < folder.days.size(); ++d) {
        if (folder.days[d] >= dayBefore && folder.days[d] <= range.lastDay)
            days.append(folder.days[d]);
    }
    folder.days = std::move(days);
    folder.allKinds = true;
    State& state = *state_;
    state.tallies.resize(folder.days.size());
    state.tallyBesideSessions.assign(folder.days.size(), 0);
    // A walk of one day has every core for it, but its tally and its
    // sessions would take their turns on one, the sessions waiting for the
    // tally: when the day's window is its own list, which done gets too,
    // the tally is counted there on a thread of its own, beside the
    // sessions.
    const bool oneDay = folder.days.size() == 1 && threadCount() > 1;
    walk.work = [&state, oneDay](const DayWindow& view) {
        if (!view.window)
            return;
        if (oneDay && view.ownList) {
            std::lock_guard lock(state.talliesLock);
            state.tallyBesideSessions[view.index] = 1;
            return;
        }
        auto tally = std::make_unique<DayTally>();
        tallyDay(view.window->data() + view.ownFirst, view.window->size() - view.ownFirst, state.ranker.first(),
                 state.ranker.end(), *tally);
        std::lock_guard lock(state.talliesLock);
        state.tallies[view.index] = std::move(tally);
    };
    walk.done = [&state](std::size_t index, const EventList* own) {
        std::unique_ptr<DayTally> tally;
        bool besideSessions = false;
        {
            std::lock_guard lock(state.talliesLock);
            tally = std::move(state.tallies[index]);
            besideSessions = state.tallyBesideSessions[index] != 0;
        }
        if (!own)
            return;
        ThreadGroup counting;
        if (besideSessions) {
            tally = std::make_unique<DayTally>();
            // The merge's room for the day's weapons and maps is made there
            // too, once the tally tells how much.
            const auto count = [own, &state, &tally] {
                tallyDay(own->data(), own->size(), state.ranker.first(), state.ranker.end(), *tally);
                state.ranker.makeRoomFor(*tally);
            };
            if (counting.start(1, [count](unsigned) { count(); }) == 0)
                count();
        }
        // The sessions are the player record's: built from the kinds it
        // reads, so that a line only rankings read (the bomb, a hostage)
        // neither begins a day nor ends one for them.
        state.sessions.addAll(*own);
        counting.join();
        if (tally)
            state.ranker.addDay(*tally);
    };
    walk.finished = [&state](bool complete) {
        state.sessions.finish();
        Rankings rankings;
        state.ranker.finish(rankings);
        if (state.finished)
            state.finished(rankings, complete);
    };
}

bool collectRankings(FolderDays& folder, const RankingRange& range, const std::atomic<bool>* stop,
                     Rankings& rankings, const std::function<void(std::size_t, std::size_t)>& progress)
{
    FolderDays walked;
    walked.files = folder.files;
    walked.days = folder.days;
    FolderRanking ranking(range, [&](Rankings& ranked, bool) { rankings = std::move(ranked); });
    std::vector<FolderWalk> walk(1);
    walk[0].folder = &walked;
    ranking.plan(walked, walk[0]);
    if (progress) {
        walk[0].done = [&, done = std::move(walk[0].done)](std::size_t index, const EventList* own) {
            done(index, own);
            progress(index, walked.days.size());
        };
    }
    const bool complete = walkFolders(walk, stop);
    folder.filesCutShort = walked.filesCutShort;
    return complete;
}

} // namespace zelkam
