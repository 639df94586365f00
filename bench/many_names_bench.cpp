// What a stranger can multiply without limit in one day: his own names (one
// player renaming himself 80,000 times), map names (80,000 distinct maps
// started) and weapon names (80,000 kills, each with a weapon of its own).
// Each must cost a player's sessions (`zelkam-cli player --id`, the player
// record) and the rankings (`zelkam-cli stats`) at most twice the viewer's
// load of the same day, in the same run: a name met again is found by hash,
// never by reading those before it. A hash anyone can compute would let
// the stranger pick names that share a table's slots, and each name would
// be read through the others again: names picked that way against the
// standard library's own hash cost no more than any others. So do 80,000
// (emulated) clients who all join one map before any of them leaves.

#include <benchmark/benchmark.h>

#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "bench/bench_folders.h"
#include "bench/bench_timing.h"
#include "bench/goal_report.h"
#include "history/player_record.h"
#include "investigate/address_names.h"
#include "investigate/linked_accounts.h"
#include "investigate/player_query.h"
#include "investigate/report_page.h"
#include "ingest/log_file_list.h"
#include "replay/viewer_state.h"
#include "stats/rankings.h"
#include "tools/loggen/log_generator.h"

namespace zelkam::bench {
namespace {

constexpr int Count = 80000;

double processCpuSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

// Ordinary: a generated day of as many lines, nothing multiplied, for
// comparison. AimedNames: the renames of Names, each new name picked so
// that the standard library's std::hash, which has no key, puts it among
// the first slots of a table of any size up to 2^17. FullMap: 80,000
// players join one map, and only then does each leave; PassingMap: the same
// players, each leaving as soon as he joined. TwoNames: the renames of
// Names, back and forth between two names. LinkedNames: Names, and at the
// day's end another account connecting from the renaming player's address;
// UnlinkedNames: the same from another address.
enum class Multiplied {
    Names,
    Maps,
    Weapons,
    Ordinary,
    AimedNames,
    FullMap,
    PassingMap,
    TwoNames,
    LinkedNames,
    UnlinkedNames
};

// The account that shares an address with the renaming player in the
// linked folders.
constexpr const char* OtherId = "STEAM_0:1:77";

// The player every folder has, by whose id `player --id` finds him.
constexpr const char* PlayerId = "STEAM_0:1:42";

// "L 07/06/2001 - hh:mm:ss: " for line i of Count, spread over the day.
std::string stampOf(int i)
{
    const int second = static_cast<int>(static_cast<long long>(i) * 86399 / Count);
    char stamp[40];
    std::snprintf(stamp, sizeof stamp, "L 07/06/2001 - %02d:%02d:%02d: ", second / 3600, second % 3600 / 60,
                  second % 60);
    return stamp;
}

// The next name from candidate on whose std::hash, folded to 32 bits as
// the name tables fold a hash, falls in the first 64 of 2^17 slots: about
// one name in 2,048.
std::string nextAimedName(std::uint64_t& candidate)
{
    for (;; ++candidate) {
        const std::string name = "Name" + std::to_string(candidate);
        const std::uint64_t hash = std::hash<std::string_view>{}(name);
        if (static_cast<std::uint32_t>(hash ^ hash >> 32) % (1u << 17) < 64) {
            ++candidate;
            return name;
        }
    }
}

// Player i of the full and passing maps, as a line's player token.
std::string passerOf(int i, const char* team)
{
    return "\"P" + std::to_string(i) + "<" + std::to_string(i + 3) + "><STEAM_0:1:" + std::to_string(i + 100) + "><"
           + team + ">\"";
}

void writeLines(std::ofstream& out, Multiplied what)
{
    std::uint64_t candidate = 1;
    std::string aimed = "Name0";
    out << stampOf(0) << "Started map \"de_dust\" (CRC \"-1\")\n";
    out << stampOf(0) << "\"Name0<2><" << PlayerId << "><>\" connected, address \"10.0.0.2:27005\"\n";
    out << stampOf(0) << "\"Name0<2><" << PlayerId << "><>\" joined team \"TERRORIST\"\n";
    for (int i = 0; i < Count; ++i) {
        out << stampOf(i);
        switch (what) {
        case Multiplied::Names:
        case Multiplied::LinkedNames:
        case Multiplied::UnlinkedNames:
            out << "\"Name" << i << "<2><" << PlayerId << "><TERRORIST>\" changed name to \"Name" << i + 1 << "\"\n";
            break;
        case Multiplied::Maps:
            out << "Started map \"map" << i << "\" (CRC \"-1\")\n";
            break;
        case Multiplied::Weapons:
            out << "\"Name0<2><" << PlayerId << "><TERRORIST>\" killed \"Bo<3><STEAM_0:1:43><CT>\" with \"weapon" << i
                << "\"\n";
            break;
        case Multiplied::TwoNames:
            out << "\"Name" << i % 2 << "<2><" << PlayerId << "><TERRORIST>\" changed name to \"Name" << (i + 1) % 2
                << "\"\n";
            break;
        case Multiplied::AimedNames: {
            const std::string next = nextAimedName(candidate);
            out << "\"" << aimed << "<2><" << PlayerId << "><TERRORIST>\" changed name to \"" << next << "\"\n";
            aimed = next;
            break;
        }
        case Multiplied::FullMap:
        case Multiplied::PassingMap:
            out << passerOf(i, "") << " connected, address \"10.1.0.1:27005\"\n";
            out << stampOf(i) << passerOf(i, "") << " joined team \"CT\"\n";
            if (what == Multiplied::PassingMap)
                out << stampOf(i) << passerOf(i, "CT") << " disconnected\n";
            break;
        case Multiplied::Ordinary:
            // Generated by the log generator instead.
            break;
        }
    }
    if (what == Multiplied::LinkedNames || what == Multiplied::UnlinkedNames)
        out << stampOf(Count - 1) << "\"Other<9><" << OtherId << "><>\" connected, address \""
            << (what == Multiplied::LinkedNames ? "10.0.0.2" : "10.9.9.9") << ":27005\"\n";
    if (what == Multiplied::FullMap) {
        for (int i = 0; i < Count; ++i)
            out << stampOf(Count - 1) << passerOf(i, "CT") << " disconnected\n";
    }
}

// The folder of one kind under the benchmarks' data folder, written once; a
// marker written after it tells a finished folder from an interrupted one.
const std::filesystem::path* folderOf(Multiplied what)
{
    static const char* const names[] = {"many-names",       "many-maps", "many-weapons", "many-nothing",
                                        "many-aimed-names", "full-map",  "passing-map",  "two-names",
                                        "linked-names",     "unlinked-names"};
    constexpr std::size_t Kinds = std::size(names);
    static const std::filesystem::path* made[Kinds] = {};
    static bool tried[Kinds] = {};
    const auto index = static_cast<std::size_t>(what);
    if (tried[index])
        return made[index];
    tried[index] = true;
    static std::filesystem::path folders[Kinds];
    folders[index] = benchDataFolder() / names[index];
    const std::filesystem::path marker = benchDataFolder() / (std::string(names[index]) + ".done-80000");
    std::error_code error;
    if (!std::filesystem::exists(marker, error)) {
        std::filesystem::create_directories(folders[index], error);
        if (what == Multiplied::Ordinary) {
            LogGenOptions options;
            options.days = 1;
            options.linesPerDay = Count;
            options.filesPerDay = 1;
            if (!generateLogFolder(folders[index], options))
                return nullptr;
        } else {
            std::ofstream out(folders[index] / "L0706000.log", std::ios::binary);
            writeLines(out, what);
            out.close();
            if (!out)
                return nullptr;
        }
        std::ofstream(marker) << Count << " in one day\n";
    }
    made[index] = &folders[index];
    return made[index];
}

// A paired figure's counters: the ratio, each side's time under its name,
// and the goal as the label. Nothing when a side failed (it said why).
void showPair(benchmark::State& bench, const PairedTimes& times, const char* measured, const char* reference,
              const char* goal)
{
    if (!times.complete)
        return;
    bench.counters["ratio"] = times.ratio;
    bench.counters[measured] = times.measured;
    bench.counters[reference] = times.reference;
    bench.SetLabel(goal);
}

// The rankings of the folder (stats) or the sessions of the player every
// folder has; false when they hold nothing.
bool walkOnce(FolderDays& days, bool stats)
{
    if (stats) {
        Rankings rankings;
        return collectRankings(days, {}, nullptr, rankings) && !rankings.players.empty();
    }
    PlayerHistory history;
    return collectPlayerHistory(days, {"Name0", PlayerId, 2}, nullptr, history, {}) && !history.sessions.empty();
}

// The sessions of the player over the folder (what `zelkam-cli player --id`
// and the player record window walk) or the rankings of the folder (what
// `zelkam-cli stats` and the Rankings window count), in this process,
// against the day load of the same folder, paired (see timePairs). The
// folder is scanned once beforehand for both sides, as a day load's is.
// Whole processes would weigh their start and output on one side only:
// on a file this small (5 to 9 MB) those, not the names, are most of a
// command's time. Goal: at most 2 (the ordinary day is a figure only).
//
// A command loads its day once, into a model it has just made, as each walk
// counts into lists it has just made: so each pair's day load is into a new
// ViewerState (made and scanned outside the times), and both sides meet
// their memory for the first time. The day load into one model kept from
// pair to pair, whose memory is already the process's, is timed too, ahead
// of each pair, and shown for comparison (warm_load_s, warm_ratio).
void AgainstDayLoad(benchmark::State& bench, Multiplied what, bool stats)
{
    const std::filesystem::path* folder = folderOf(what);
    ViewerState warm;
    FolderDays days;
    if (!folder || !warm.scanFolder(folder->string()) || !days.scan(folder->string())) {
        bench.SkipWithError("the folder cannot be made");
        return;
    }
    std::unique_ptr<ViewerState> fresh;
    std::vector<double> warmLoads;
    const auto loadInto = [&](ViewerState& state) {
        if (state.loadDayAt(0) && !state.isEmptyDay())
            return true;
        bench.SkipWithError("the day does not load");
        return false;
    };
    const auto beforePair = [&] {
        const Clock::time_point start = Clock::now();
        if (!loadInto(warm))
            return false;
        warmLoads.push_back(secondsSince(start));
        fresh.reset();
        fresh = std::make_unique<ViewerState>();
        if (fresh->scanFolder(folder->string()))
            return true;
        bench.SkipWithError("the folder cannot be scanned");
        return false;
    };
    // CPU time of each side, every thread of the process: what the other
    // work on a shared machine does not add to, as it adds to the time
    // waited.
    std::vector<double> loadCpu;
    std::vector<double> walkCpu;
    const auto cpuOf = [](const auto& side, std::vector<double>& seconds) {
        const double before = processCpuSeconds();
        const bool done = side();
        seconds.push_back(processCpuSeconds() - before);
        return done;
    };
    const auto loadSide = [&] { return loadInto(*fresh); };
    const auto load = [&] { return cpuOf(loadSide, loadCpu); };
    const auto walkSide = [&] {
        const bool found = walkOnce(days, stats);
        // The ordinary day's players are not the one of the others.
        if (!found && what != Multiplied::Ordinary) {
            bench.SkipWithError("the walk found nothing");
            return false;
        }
        return true;
    };
    const auto walk = [&] { return cpuOf(walkSide, walkCpu); };
    const PairedTimes times = timePairs(bench, load, walk, false, beforePair);
    if (!times.complete)
        return;
    bench.counters["ratio"] = times.ratio;
    bench.counters["walk_s"] = times.measured;
    bench.counters["load_s"] = times.reference;
    const double warmLoad = median(warmLoads);
    bench.counters["warm_load_s"] = warmLoad;
    bench.counters["warm_ratio"] = warmLoad > 0 ? times.measured / warmLoad : 0;
    const double loadCpuMedian = median(loadCpu);
    bench.counters["walk_cpu_s"] = median(walkCpu);
    bench.counters["load_cpu_s"] = loadCpuMedian;
    bench.counters["cpu_ratio"] = loadCpuMedian > 0 ? median(walkCpu) / loadCpuMedian : 0;
    if (what != Multiplied::Ordinary)
        bench.SetLabel("goal: ratio <= 2");
}

// A walk of a day shaped to cost the square against the same walk of a day
// of the same lines in an order that cannot, paired. Goal: at most 1.5.
// The 80,000 renames to names aimed at the standard library's hash against
// the 80,000 renames to names as they come: were the tables keyed by that
// hash, each aimed name would be looked for through the thousands before
// it. The map that 80,000 join before any leaves against the map each
// leaves as soon as he joined: were those present for round wins found
// one after another, each leaving would read through the thousands still
// there.
void AgainstSameLines(benchmark::State& bench, Multiplied shaped, Multiplied like, bool stats)
{
    const std::filesystem::path* likeFolder = folderOf(like);
    const std::filesystem::path* shapedFolder = folderOf(shaped);
    FolderDays likeDays;
    FolderDays shapedDays;
    if (!likeFolder || !shapedFolder || !likeDays.scan(likeFolder->string())
        || !shapedDays.scan(shapedFolder->string())) {
        bench.SkipWithError("the folders cannot be made");
        return;
    }
    const auto walkOf = [&](FolderDays& days) {
        return [&bench, &days, stats] {
            if (walkOnce(days, stats))
                return true;
            bench.SkipWithError("the walk found nothing");
            return false;
        };
    };
    showPair(bench, timePairs(bench, walkOf(likeDays), walkOf(shapedDays)), "shaped_s", "like_s",
             "goal: ratio <= 1.5");
}

#define SHAPED_BENCH(name, shaped, like, isStats)                                                               \
    BENCHMARK_CAPTURE(AgainstSameLines, shaped##isStats, Multiplied::shaped, Multiplied::like, isStats)            \
        ->Name(name)                                                                                                \
        ->Unit(benchmark::kSecond)                                                                                  \
        ->UseManualTime()                                                                                           \
        ->Iterations(11)

SHAPED_BENCH("AimedNames/SessionsToPlainNames", AimedNames, Names, false);
SHAPED_BENCH("AimedNames/RankingsToPlainNames", AimedNames, Names, true);
SHAPED_BENCH("FullMap/RankingsToPassingMap", FullMap, PassingMap, true);

// The report page of the whole day about the player (`zelkam-cli report
// --id`) of the 80,000 renames to new names against the same page of the
// 80,000 renames back and forth between two names, paired, each day loaded
// once beforehand. Goal: at most 2, as the first page is a quarter longer
// (it lists the 80,000 names). The page lists every name each player used:
// were those looked for one after another, each of the thousands of names
// would read through those before it.
void ReportOfManyNames(benchmark::State& bench)
{
    const std::filesystem::path* manyFolder = folderOf(Multiplied::Names);
    const std::filesystem::path* twoFolder = folderOf(Multiplied::TwoNames);
    const auto many = std::make_unique<ViewerState>();
    const auto two = std::make_unique<ViewerState>();
    if (!manyFolder || !twoFolder || !many->scanFolder(manyFolder->string()) || !many->loadDayAt(0)
        || !two->scanFolder(twoFolder->string()) || !two->loadDayAt(0)) {
        bench.SkipWithError("the days cannot be made or loaded");
        return;
    }
    const AddressNames addresses;
    const auto pageOf = [&](ViewerState& state) {
        return [&bench, &state, &addresses] {
            ReportRequest request;
            request.from = state.dayStart();
            request.to = state.dayStart() + 86399;
            request.player = PlayerQuery{true, PlayerId, false};
            std::size_t bytes = 0;
            const bool written = writeReportPage(state, request, addresses, [&bytes](std::string_view piece) {
                bytes += piece.size();
                return true;
            });
            if (written && bytes > 0)
                return true;
            bench.SkipWithError("the page was not written");
            return false;
        };
    };
    showPair(bench, timePairs(bench, pageOf(*two), pageOf(*many)), "many_s", "two_s", "goal: ratio <= 2");
}

// The accounts linked to an account that shares an address with the player
// of the 80,000 renames (`zelkam-cli alts`) against the same walk when they
// share none, paired. Goal: at most 1.5: both walk the same sessions, and
// the first lists the renaming player's names once each; were those looked
// for one after another, each of the thousands would read through those
// before it.
void AltsOfManyNames(benchmark::State& bench)
{
    const std::filesystem::path* linkedFolder = folderOf(Multiplied::LinkedNames);
    const std::filesystem::path* unlinkedFolder = folderOf(Multiplied::UnlinkedNames);
    FolderDays linkedDays;
    FolderDays unlinkedDays;
    if (!linkedFolder || !unlinkedFolder || !linkedDays.scan(linkedFolder->string())
        || !unlinkedDays.scan(unlinkedFolder->string())) {
        bench.SkipWithError("the folders cannot be made");
        return;
    }
    const auto linksOf = [&bench](FolderDays& days, std::size_t accounts) {
        return [&bench, &days, accounts] {
            LinkedAccounts linked;
            if (collectLinkedAccounts(days, PlayerQuery{true, OtherId, false}, nullptr, linked)
                && linked.accounts.size() == accounts)
                return true;
            bench.SkipWithError("the accounts linked are not the ones written");
            return false;
        };
    };
    showPair(bench, timePairs(bench, linksOf(unlinkedDays, 0), linksOf(linkedDays, 1)), "linked_s", "unlinked_s",
             "goal: ratio <= 1.5");
}

BENCHMARK(AltsOfManyNames)
    ->Name("AltsOfManyNames/ToUnlinked")
    ->Unit(benchmark::kSecond)
    ->UseManualTime()
    ->Iterations(5);

BENCHMARK(ReportOfManyNames)
    ->Name("ReportOfManyNames/ToTwoNames")
    ->Unit(benchmark::kSecond)
    ->UseManualTime()
    ->Iterations(5);

#define MANY_BENCH(kind, command, isStats)                                                                      \
    BENCHMARK_CAPTURE(AgainstDayLoad, kind##command, Multiplied::kind, isStats)                                  \
        ->Name("Many" #kind "/" #command "ToDayLoad")                                                             \
        ->Unit(benchmark::kSecond)                                                                               \
        ->UseManualTime()                                                                                        \
        ->Iterations(11)

MANY_BENCH(Names, Sessions, false);
MANY_BENCH(Names, Rankings, true);
MANY_BENCH(Maps, Sessions, false);
MANY_BENCH(Maps, Rankings, true);
MANY_BENCH(Weapons, Sessions, false);
MANY_BENCH(Weapons, Rankings, true);
MANY_BENCH(Ordinary, Sessions, false);
MANY_BENCH(Ordinary, Rankings, true);

[[maybe_unused]] const bool registered =
    registerGoal({"player sessions / day load, 80,000 renames", "ManyNames/SessionsToDayLoad", "ratio", "x", 2})
    && registerGoal({"rankings / day load, 80,000 renames", "ManyNames/RankingsToDayLoad", "ratio", "x", 2})
    && registerGoal({"player sessions / day load, 80,000 maps", "ManyMaps/SessionsToDayLoad", "ratio", "x", 2})
    && registerGoal({"rankings / day load, 80,000 maps", "ManyMaps/RankingsToDayLoad", "ratio", "x", 2})
    && registerGoal({"player sessions / day load, 80,000 weapons", "ManyWeapons/SessionsToDayLoad", "ratio", "x", 2})
    && registerGoal({"rankings / day load, 80,000 weapons", "ManyWeapons/RankingsToDayLoad", "ratio", "x", 2})
    && registerGoal({"player sessions / day load, ordinary 80,000 lines", "ManyOrdinary/SessionsToDayLoad", "ratio", "x"})
    && registerGoal({"rankings / day load, ordinary 80,000 lines", "ManyOrdinary/RankingsToDayLoad", "ratio", "x"})
    && registerGoal({"player sessions, 80,000 names aimed at a hash / as they come", "AimedNames/SessionsToPlainNames",
                     "ratio", "x", 1.5})
    && registerGoal({"rankings, 80,000 names aimed at a hash / as they come", "AimedNames/RankingsToPlainNames",
                     "ratio", "x", 1.5})
    && registerGoal({"rankings, 80,000 on one map, then leaving / leaving at once", "FullMap/RankingsToPassingMap",
                     "ratio", "x", 1.5})
    && registerGoal({"report, 80,000 renames / 80,000 between two names", "ReportOfManyNames/ToTwoNames", "ratio",
                     "x", 2})
    && registerGoal({"linked accounts, 80,000 renames, linked / not linked", "AltsOfManyNames/ToUnlinked", "ratio",
                     "x", 1.5});

} // namespace
} // namespace zelkam::bench
