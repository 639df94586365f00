// A folder of up to three days of a server's players written by the input
// (see PlayersLog), ranked. The rankings read on one thread and on several
// (where a lone day's tally is counted beside its sessions) must be the
// same; each row's frags, deaths, sessions and time must be the sums of the
// player's sessions a tracker finds over the same days; each row's kills
// must be its kills by weapon, each weapon's players the rows that used it,
// and the rows' weapons distinct and in byte order.

#include <cstdlib>
#include <map>
#include <string>
#include <tuple>

#include "fuzz/fuzz_support.h"
#include "fuzz/players_log.h"
#include "ingest/log_file_list.h"
#include "stats/rankings.h"
#include "tests/stats/session_sums.h"

using namespace zelkam;

namespace {

// Every day, bots too.
RankingRange everything()
{
    RankingRange range;
    range.bots = true;
    return range;
}

Rankings ranked(const fuzz::ScratchFolder& scratch, const char* threads)
{
    ::setenv("ZELKAM_THREADS", threads, 1);
    FolderDays days;
    Rankings rankings;
    if (days.scan(scratch.path().string()))
        collectRankings(days, everything(), nullptr, rankings);
    ::unsetenv("ZELKAM_THREADS");
    return rankings;
}

bool samePlayers(const PlayerRanking& a, const PlayerRanking& b)
{
    return std::tie(a.uniqueId, a.loggedId, a.name, a.names, a.timeConnected, a.sessions, a.days, a.frags, a.deaths,
                    a.chat, a.kills, a.teamKills, a.suicides, a.bombsPlanted, a.bombsDefused, a.hostagesRescued,
                    a.roundsWon, a.weaponKills)
           == std::tie(b.uniqueId, b.loggedId, b.name, b.names, b.timeConnected, b.sessions, b.days, b.frags, b.deaths,
                       b.chat, b.kills, b.teamKills, b.suicides, b.bombsPlanted, b.bombsDefused, b.hostagesRescued,
                       b.roundsWon, b.weaponKills);
}

bool same(const Rankings& a, const Rankings& b)
{
    if (a.players.size() != b.players.size() || a.weapons.size() != b.weapons.size() || a.maps.size() != b.maps.size())
        return false;
    for (std::size_t i = 0; i < a.players.size(); ++i) {
        if (!samePlayers(a.players[i], b.players[i]))
            return false;
    }
    for (std::size_t i = 0; i < a.weapons.size(); ++i) {
        const WeaponRanking& x = a.weapons[i];
        const WeaponRanking& y = b.weapons[i];
        if (std::tie(x.weapon, x.kills, x.teamKills, x.players) != std::tie(y.weapon, y.kills, y.teamKills, y.players))
            return false;
    }
    for (std::size_t i = 0; i < a.maps.size(); ++i) {
        const MapRanking& x = a.maps[i];
        const MapRanking& y = b.maps[i];
        if (std::tie(x.map, x.started, x.rounds, x.timePlayed, x.players)
            != std::tie(y.map, y.started, y.rounds, y.timePlayed, y.players))
            return false;
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    fuzz::useFuzzTimeZone();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const fuzz::ScratchFolder scratch;
    fuzz::FuzzProgram program(data, size);
    const fuzz::PlayersLog log = fuzz::writePlayersLog(program);
    fuzz::writePlayersFolder(scratch, log);

    const Rankings rankings = ranked(scratch, "2");
    if (!same(rankings, ranked(scratch, "1")))
        __builtin_trap();

    std::map<std::string, std::int32_t> weaponPlayers;
    for (const PlayerRanking& p : rankings.players) {
        std::int64_t byWeapon = 0;
        for (std::size_t w = 0; w < p.weaponKills.size(); ++w) {
            byWeapon += p.weaponKills[w].second;
            if (w > 0 && !(p.weaponKills[w - 1].first < p.weaponKills[w].first))
                __builtin_trap();
            ++weaponPlayers[p.weaponKills[w].first];
        }
        if (byWeapon != std::int64_t{p.kills} + p.teamKills)
            __builtin_trap();
    }
    for (const WeaponRanking& w : rankings.weapons) {
        const auto players = weaponPlayers.find(w.weapon);
        if (w.players != (players == weaponPlayers.end() ? 0 : players->second))
            __builtin_trap();
    }
    // The sessions a tracker finds over the same days, summed by player.
    FolderDays days;
    if (days.scan(scratch.path().string())
        && test::rankedSessionSums(rankings) != test::sessionSumsOf(days, everything()))
        __builtin_trap();
    return 0;
}
