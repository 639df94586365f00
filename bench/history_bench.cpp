// The all-days search over a generated year (365 days of about 60,000
// lines), against GNU grep -ci over the same files in the same run, and the
// time until the viewer's results window could show its first row.

#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <fstream>
#include <string>
#include <vector>

#include "bench/bench_folders.h"
#include "bench/bench_timing.h"
#include "bench/child_output.h"
#include "bench/goal_report.h"
#include "history/all_days_search.h"
#include "investigate/linked_accounts.h"
#include "investigate/player_timeline.h"
#include "stats/rankings.h"
#include "tools/loggen/log_generator.h"
#include "text/text_out.h"


namespace zelkam::bench {
namespace {

// The year's folder under the benchmarks' data folder, generated once; a
// marker written after the generation tells a finished folder from an
// interrupted one.
const std::filesystem::path* yearFolder()
{
    static const std::filesystem::path* made = []() -> const std::filesystem::path* {
        static std::filesystem::path folder = benchDataFolder() / "year";
        const std::filesystem::path marker = benchDataFolder() / "year.done-365x60000";
        std::error_code error;
        if (std::filesystem::exists(marker, error))
            return &folder;
        LogGenOptions options;
        options.days = 365;
        options.linesPerDay = 60000;
        std::fprintf(stderr, "zelkam-bench: generating a year of logs in %s\n", folder.string().c_str());
        if (!generateLogFolder(folder, options))
            return nullptr;
        std::ofstream(marker) << "365 days, 60000 lines a day\n";
        return &folder;
    }();
    return made;
}

// What zelkam-cli grep does per hit, short of writing it: the line made
// safe for a terminal.
std::size_t searchYear(FolderDays& folder, const char* pattern)
{
    std::size_t hits = 0;
    std::string line;
    searchAllDays(folder, SearchKind::Chat, pattern, false, nullptr, [&](const DayHits& day) {
        for (const HistoryHit& hit : day.hits) {
            line.clear();
            appendTerminalText(line, hit.text);
            ++hits;
        }
    });
    return hits;
}

// Each iteration times the all-days search and grep -ci back to back, so a
// burst of other work weighs on both sides of a pair alike; the ratio is
// the median of the pairs'. Goal: at most 1.5.
void AllDaysGrep(benchmark::State& bench, const char* pattern)
{
    const std::filesystem::path* folderPath = yearFolder();
    FolderDays folder;
    if (!folderPath || !folder.scan(folderPath->string())) {
        bench.SkipWithError("the year's folder cannot be made");
        return;
    }
    GrepCounter grep(logFilesOf(*folderPath), pattern);
    std::size_t hits = 0;
    const auto runGrep = [&] {
        if (grep.run())
            return true;
        bench.SkipWithError("grep failed");
        return false;
    };
    const auto search = [&] {
        hits = searchYear(folder, pattern);
        return true;
    };
    const PairedTimes times = timePairs(bench, runGrep, search);
    if (!times.complete)
        return;
    bench.counters["ratio"] = times.ratio;
    bench.counters["search_s"] = times.measured;
    bench.counters["grep_s"] = times.reference;
    bench.counters["hits"] = static_cast<double>(hits);
    bench.counters["days"] = static_cast<double>(folder.days.size());
    bench.SetLabel("goal: ratio <= 1.5");
}
BENCHMARK_CAPTURE(AllDaysGrep, Miss, "zqxjv")->Name("AllDaysGrep/Miss")->Unit(benchmark::kSecond)->UseManualTime()
    ->Iterations(3);
BENCHMARK_CAPTURE(AllDaysGrep, Often, "gg")->Name("AllDaysGrep/gg")->Unit(benchmark::kSecond)->UseManualTime()
    ->Iterations(3);

// From the start of a search over the days the viewer has listed already
// to the first day that has a hit, as the results window's first row; the
// search stops there. Goal: at most 0.2 s.
void FirstResult(benchmark::State& bench)
{
    const std::filesystem::path* folderPath = yearFolder();
    FolderDays folder;
    if (!folderPath || !folder.scan(folderPath->string())) {
        bench.SkipWithError("the year's folder cannot be made");
        return;
    }
    std::vector<double> samples;
    for (auto _ : bench) {
        const Clock::time_point start = Clock::now();
        std::atomic<bool> stop = false;
        double first = 0;
        searchAllDays(folder, SearchKind::Chat, "gg", false, &stop, [&](const DayHits& day) {
            if (!day.hits.empty() && first == 0) {
                first = secondsSince(start);
                stop = true;
            }
        });
        bench.SetIterationTime(first);
        samples.push_back(first);
    }
    bench.counters["first_row_s"] = median(samples);
    bench.SetLabel("goal: <= 0.2 s");
}
BENCHMARK(FirstResult)->Name("AllDaysGrep/FirstResult")->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(5);

// CPU seconds (user and system) used so far by this process (RUSAGE_SELF,
// every thread) or by its children waited for (RUSAGE_CHILDREN).
double cpuSeconds(int who)
{
    rusage usage{};
    getrusage(who, &usage);
    const auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// Rankings per player over the whole year, as `zelkam-cli stats --by
// player` makes them (every line parsed, every kind), against grep -ci
// counting "gg" over the same files in the same iteration. Goal: at most
// 1.5. On a machine shared with other work the elapsed times measure the
// wait for a core as much as the work, so the CPU time of each side is
// reported too.
void StatsYear(benchmark::State& bench)
{
    const std::filesystem::path* folderPath = yearFolder();
    FolderDays folder;
    if (!folderPath || !folder.scan(folderPath->string())) {
        bench.SkipWithError("the year's folder cannot be made");
        return;
    }
    GrepCounter grep(logFilesOf(*folderPath), "gg");
    std::size_t players = 0;
    double grepCpu = 0;
    double statsCpu = 0;
    const auto runGrep = [&] {
        const double before = cpuSeconds(RUSAGE_CHILDREN);
        const bool done = grep.run();
        grepCpu += cpuSeconds(RUSAGE_CHILDREN) - before;
        if (done)
            return true;
        bench.SkipWithError("grep failed");
        return false;
    };
    const auto rank = [&] {
        const double before = cpuSeconds(RUSAGE_SELF);
        Rankings rankings;
        collectRankings(folder, {}, nullptr, rankings);
        players = rankings.players.size();
        statsCpu += cpuSeconds(RUSAGE_SELF) - before;
        return true;
    };
    const PairedTimes times = timePairs(bench, runGrep, rank);
    if (!times.complete)
        return;
    bench.counters["ratio"] = times.ratio;
    bench.counters["stats_s"] = times.measured;
    bench.counters["grep_s"] = times.reference;
    bench.counters["cpu_ratio"] = grepCpu > 0 ? statsCpu / grepCpu : 0;
    bench.counters["players"] = static_cast<double>(players);
    bench.SetLabel("goal: ratio <= 1.5");
}
BENCHMARK(StatsYear)->Name("Rankings/StatsYear")->Unit(benchmark::kSecond)->UseManualTime()->Iterations(3);

[[maybe_unused]] const bool registered =
    registerGoal({"rankings by player over the year / grep -ci", "Rankings/StatsYear", "ratio", "x", 1.5});

// A question about one player over the whole year (his timeline, or the
// accounts linked to his), against grep -ci counting his id over the same
// files in the same iteration. Goal: at most 1.5 for both.
void InvestigateYear(benchmark::State& bench, bool linked)
{
    const std::filesystem::path* folderPath = yearFolder();
    FolderDays folder;
    if (!folderPath || !folder.scan(folderPath->string())) {
        bench.SkipWithError("the year's folder cannot be made");
        return;
    }
    PlayerQuery query;
    query.text = someRegularsId(*folderPath);
    if (query.text.empty()) {
        bench.SkipWithError("no player in the year's first file");
        return;
    }
    GrepCounter grep(logFilesOf(*folderPath), query.text.c_str());
    std::size_t found = 0;
    const auto runGrep = [&] {
        if (grep.run())
            return true;
        bench.SkipWithError("grep failed");
        return false;
    };
    const auto ask = [&] {
        found = 0;
        if (linked) {
            LinkedAccounts accounts;
            collectLinkedAccounts(folder, query, nullptr, accounts);
            found = accounts.accounts.size();
        } else {
            collectTimeline(folder, query, DayRange(), nullptr, [&](TimelineDay&& day) { found += day.entries.size(); });
        }
        return true;
    };
    const PairedTimes times = timePairs(bench, runGrep, ask);
    if (!times.complete)
        return;
    bench.counters["ratio"] = times.ratio;
    bench.counters["investigate_s"] = times.measured;
    bench.counters["grep_s"] = times.reference;
    bench.counters[linked ? "accounts" : "entries"] = static_cast<double>(found);
    bench.SetLabel("goal: ratio <= 1.5");
}
BENCHMARK_CAPTURE(InvestigateYear, Timeline, false)->Name("Investigate/TimelineYear")->Unit(benchmark::kSecond)
    ->UseManualTime()->Iterations(3);
BENCHMARK_CAPTURE(InvestigateYear, Alts, true)->Name("Investigate/AltsYear")->Unit(benchmark::kSecond)
    ->UseManualTime()->Iterations(3);

[[maybe_unused]] const bool timelineGoal =
    registerGoal({"a player's timeline over the year / grep -ci", "Investigate/TimelineYear", "ratio", "x", 1.5});
[[maybe_unused]] const bool altsGoal =
    registerGoal({"a player's linked accounts over the year / grep -ci", "Investigate/AltsYear", "ratio", "x", 1.5});

} // namespace
} // namespace zelkam::bench
