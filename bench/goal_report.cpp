#include "bench/goal_report.h"

#include <cstdio>
#include <optional>
#include <string>
#include <string_view>

namespace zelkam::bench {
namespace {

using Run = benchmark::BenchmarkReporter::Run;

// The run of a benchmark by its registered name: the median of its
// repetitions when it has them, else its only run.
const Run* findRun(const std::vector<Run>& runs, std::string_view name)
{
    const Run* single = nullptr;
    for (const Run& run : runs) {
        if (run.error_occurred || run.run_name.function_name != name)
            continue;
        if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median")
            return &run;
        if (run.run_type == Run::RT_Iteration)
            single = &run;
    }
    return single;
}

std::optional<double> secondsOf(const std::vector<Run>& runs, std::string_view name)
{
    const Run* run = findRun(runs, name);
    if (!run)
        return std::nullopt;
    return run->GetAdjustedRealTime() / benchmark::GetTimeUnitMultiplier(run->time_unit);
}

std::optional<double> counterOf(const std::vector<Run>& runs, std::string_view name, const std::string& counter)
{
    const Run* run = findRun(runs, name);
    if (!run)
        return std::nullopt;
    const auto it = run->counters.find(counter);
    if (it == run->counters.end())
        return std::nullopt;
    return it->second.value;
}

class Summary {
public:
    explicit Summary(bool filtered) : filtered_(filtered) {}

    void figure(const char* what, std::optional<double> value, const char* unit)
    {
        if (value)
            std::printf("  %-48s %12.3f %s\n", what, *value, unit);
        else
            std::printf("  %-48s %12s\n", what, "not measured");
    }

    void goal(const char* what, std::optional<double> value, double limit, const char* unit)
    {
        if (!value) {
            const char* verdict = filtered_ ? "-" : "MISS";
            misses_ += filtered_ ? 0 : 1;
            std::printf("  %-48s %12s %-3s  goal <= %-8g %s\n", what, "not measured", "", limit, verdict);
            return;
        }
        const bool held = *value <= limit;
        misses_ += held ? 0 : 1;
        std::printf("  %-48s %12.3f %-3s  goal <= %-8g %s\n", what, *value, unit, limit, held ? "PASS" : "MISS");
    }

    int misses() const { return misses_; }

private:
    bool filtered_;
    int misses_ = 0;
};

std::optional<double> times(std::optional<double> value, double factor)
{
    return value ? std::optional<double>(*value * factor) : std::nullopt;
}

std::vector<ExtraGoal>& extraGoals()
{
    static std::vector<ExtraGoal> goals;
    return goals;
}

} // namespace

bool registerGoal(const ExtraGoal& goal)
{
    extraGoals().push_back(goal);
    return true;
}

void RecordingReporter::ReportRuns(const std::vector<Run>& runs)
{
    runs_.insert(runs_.end(), runs.begin(), runs.end());
    ConsoleReporter::ReportRuns(runs);
}

int printGoalSummary(const std::vector<Run>& runs, bool filtered)
{
    const std::optional<double> load = secondsOf(runs, "DayLoad/HeavyDay");
    const std::optional<double> lineCount = secondsOf(runs, "LineCount/HeavyDay");
    const std::optional<double> ratio = counterOf(runs, "DayLoad/RatioToLineCount", "ratio");

    std::optional<double> findMiss;
    for (const char* name : {"FindMiss/Player", "FindMiss/Chat", "FindMiss/RconUser", "FindMiss/RconCmd"}) {
        const std::optional<double> seconds = secondsOf(runs, name);
        if (!seconds) {
            findMiss.reset();
            break;
        }
        if (!findMiss || *seconds > *findMiss)
            findMiss = seconds;
    }

    Summary summary(filtered);
    std::printf("\nFigures\n");
    summary.figure("wc -l over the heavy day's files (median)", times(lineCount, 1e3), "ms");
    summary.figure("heavy day load (median)", times(load, 1e3), "ms");
    summary.figure("wc -l, in the pairs of the ratio (median)", counterOf(runs, "DayLoad/RatioToLineCount", "wc_ms"),
                   "ms");
    summary.figure("day load, in the pairs of the ratio (median)",
                   counterOf(runs, "DayLoad/RatioToLineCount", "load_ms"), "ms");
    summary.figure("heavy day load on every core, in the pairs (median)",
                   counterOf(runs, "DayLoad/AllCoresToOne", "all_ms"), "ms");
    summary.figure("heavy day load on one core, in the pairs (median)",
                   counterOf(runs, "DayLoad/AllCoresToOne", "one_ms"), "ms");
    summary.figure("threads a load may use here", counterOf(runs, "DayLoad/AllCoresToOne", "threads"), "");
    summary.figure("zelkam-cli replay process, in the pairs (median)",
                   counterOf(runs, "CliReplay/RatioToLineCount", "cli_ms"), "ms");
    summary.figure("wc -l, in the pairs of the process ratio (median)",
                   counterOf(runs, "CliReplay/RatioToLineCount", "wc_ms"), "ms");
    summary.figure("events in the heavy day's window", counterOf(runs, "DayLoad/HeavyDay", "events"), "");
    summary.figure("first load in a fresh process (scan included)", counterOf(runs, "Memory/HeavyDay", "load_ms"),
                   "ms");
    summary.figure("seek, 99th percentile of random times", counterOf(runs, "Seek/RandomTimes", "p99_ms"), "ms");
    summary.figure("seek, slowest random time", counterOf(runs, "Seek/RandomTimes", "max_ms"), "ms");
    summary.figure("tick at 60 s, slowest", counterOf(runs, "Tick/Fastest", "worst_ms"), "ms");
    summary.figure("RScan hits in the day", counterOf(runs, "RScan/Hits", "hits"), "");
    summary.figure("RScan hit, mean", counterOf(runs, "RScan/Hits", "mean_ms"), "ms");
    summary.figure("RScan hit, slowest", counterOf(runs, "RScan/Hits", "worst_ms"), "ms");
    summary.figure("resident before the load", counterOf(runs, "Memory/HeavyDay", "base_MB"), "MB");
    summary.figure("resident after the load", counterOf(runs, "Memory/HeavyDay", "after_MB"), "MB");
    summary.figure("bytes per loaded event (resident growth)", counterOf(runs, "Memory/HeavyDay", "bytes_per_event"),
                   "B");
    for (const ExtraGoal& extra : extraGoals()) {
        if (extra.limit == 0)
            summary.figure(extra.what, counterOf(runs, extra.benchmark, extra.counter), extra.unit);
    }

    std::printf("\nGoals\n");
    summary.goal("heavy day load / wc -l (median of pairs)", ratio, 3, "x");
    summary.goal("zelkam-cli replay process / wc -l (median of pairs)",
                 counterOf(runs, "CliReplay/RatioToLineCount", "ratio"), 4, "x");
    summary.goal("heavy day load, every core / one core (median of pairs)",
                 counterOf(runs, "DayLoad/AllCoresToOne", "ratio"), 0.6, "x");
    summary.goal("heavy day load", load, 1, "s");
    summary.goal("seek, median of random times", counterOf(runs, "Seek/RandomTimes", "median_ms"), 1, "ms");
    summary.goal("seek, worst (each map's last second)", counterOf(runs, "Seek/RandomTimes", "worst_ms"), 5, "ms");
    summary.goal("tick at 60 s/tick, mean", counterOf(runs, "Tick/Fastest", "mean_ms"), 0.2, "ms");
    summary.goal("whole-day find miss, slowest kind", times(findMiss, 1e3), 300, "ms");
    summary.goal("scan and day index of 10,000 files", secondsOf(runs, "Scan/ManyFiles"), 0.5, "s");
    summary.goal("day overview pass / heavy day load (median)", counterOf(runs, "Overview/PassToDayLoad", "ratio"), 1.5,
                 "x");
    summary.goal("day overview redraw at 1,440 minutes, mean", counterOf(runs, "Overview/Redraw", "mean_ms"), 8,
                 "ms");
    summary.goal("peak resident, heavy day load", counterOf(runs, "Memory/HeavyDay", "peak_MB"), 200, "MB");
    // The reading threads may cost little memory: at most a tenth over the
    // 93.5 MB peak of the load read on one thread.
    summary.goal("peak resident, heavy day load, threads' share", counterOf(runs, "Memory/HeavyDay", "peak_MB"), 103,
                 "MB");
    for (const ExtraGoal& extra : extraGoals()) {
        if (extra.limit != 0)
            summary.goal(extra.what, counterOf(runs, extra.benchmark, extra.counter), extra.limit, extra.unit);
    }
    summary.goal("500,000 map starts, first load", counterOf(runs, "MapStarts/Load", "load_ms"), 2000, "ms");
    summary.goal("500,000 map starts, peak resident", counterOf(runs, "MapStarts/Load", "peak_MB"), 300, "MB");
    summary.goal("live: look at a quiet folder (heavy day)", counterOf(runs, "Live/QuietLook", "mean_ms"), 0.05, "ms");
    summary.goal("live: 1,000 appended lines / 1,000 lines of a one-thread load",
                 counterOf(runs, "Live/Append1000Lines", "ratio"), 2, "x");
    summary.goal("all-days search / grep -ci, a text nobody wrote", counterOf(runs, "AllDaysGrep/Miss", "ratio"), 1.5,
                 "x");
    summary.goal("all-days search / grep -ci, \"gg\"", counterOf(runs, "AllDaysGrep/gg", "ratio"), 1.5, "x");
    summary.goal("all-days search, first result row", counterOf(runs, "AllDaysGrep/FirstResult", "first_row_s"), 0.2,
                 "s");

    if (summary.misses() == 0)
        std::printf(filtered ? "\nEvery goal measured holds.\n" : "\nEvery goal holds.\n");
    else
        std::printf("\n%d goal%s missed.\n", summary.misses(), summary.misses() == 1 ? "" : "s");
    return summary.misses();
}

} // namespace zelkam::bench
