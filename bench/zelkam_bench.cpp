// zelkam-bench: how fast the replay model lists, loads, seeks, plays and
// searches a busy server's logs, over folders the log generator writes at
// start-up. scripts/bench builds and runs it; see PERFORMANCE.md.
//
// Options besides Google Benchmark's own:
//   --data=DIR  make (or reuse) the generated folders in DIR and keep them;
//               without it they go in a fresh temporary folder, removed at
//               the end.

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <sched.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "bench/bench_folders.h"
#include "bench/bench_timing.h"
#include "bench/goal_report.h"
#include "bench/memory_probe.h"
#include "ingest/thread_count.h"
#include "replay/viewer_state.h"

extern char** environ;

namespace zelkam::bench {

BenchFolders folders;

namespace {

// The one model every replay benchmark shares, as the viewer has one for
// its whole run: the heavy day's folder is scanned once and its day loaded
// on first use.
ViewerState& heavyDayState()
{
    static ViewerState* state = [] {
        auto* made = new ViewerState;
        made->loadFolder(folders.heavyDay.string());
        return made;
    }();
    return *state;
}

// Loads the heavy day when another day or nothing is loaded, and stands
// paused at its first event. False, with the benchmark skipped, when the
// folder cannot be loaded.
bool standAtDayStart(benchmark::State& bench, ViewerState& state)
{
    if (state.isEmptyDay() && !state.loadDayAt(0)) {
        bench.SkipWithError("the heavy day does not load");
        return false;
    }
    state.seek(state.events()[state.dayFirstEvent()].time);
    state.command(PlaybackCommand::Pause);
    return true;
}

double percentile(std::vector<double> samples, double share)
{
    if (samples.empty())
        return 0;
    const auto at = static_cast<std::size_t>(share * static_cast<double>(samples.size() - 1));
    std::nth_element(samples.begin(), samples.begin() + static_cast<std::ptrdiff_t>(at), samples.end());
    return samples[at];
}

// Every benchmark measures with the files in the kernel's caches, as they are
// once the viewer has been pointed at the folder: each starts with an
// untimed round, so a folder that has left the caches does not show up as a
// slow scan or a fast line count.
void Scan(benchmark::State& bench)
{
    LogFolder folder;
    folder.buildDayIndex(folders.manyFiles.string());
    for (auto _ : bench) {
        if (!folder.buildDayIndex(folders.manyFiles.string())) {
            bench.SkipWithError("the many-file folder does not scan");
            return;
        }
    }
    bench.counters["files"] = static_cast<double>(folder.files().entries.size());
    bench.counters["days"] = static_cast<double>(folder.days().size());
}
BENCHMARK(Scan)->Name("Scan/ManyFiles")->Unit(benchmark::kMillisecond)->UseRealTime();

// A program run as its own process, its output thrown away, as it is timed
// by hand.
class Process {
public:
    explicit Process(std::vector<std::string> arguments) : texts_(std::move(arguments))
    {
        for (std::string& text : texts_)
            arguments_.push_back(text.data());
        arguments_.push_back(nullptr);
        posix_spawn_file_actions_init(&actions_);
        posix_spawn_file_actions_addopen(&actions_, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    }
    ~Process() { posix_spawn_file_actions_destroy(&actions_); }
    Process(const Process&) = delete;
    Process& operator=(const Process&) = delete;

    // Runs it once; false when it cannot be started or fails.
    bool run()
    {
        pid_t child = 0;
        int status = 0;
        return posix_spawnp(&child, arguments_[0], &actions_, nullptr, arguments_.data(), environ) == 0
               && waitpid(child, &status, 0) == child && WIFEXITED(status) && WEXITSTATUS(status) == 0;
    }

private:
    std::vector<std::string> texts_;
    std::vector<char*> arguments_;
    posix_spawn_file_actions_t actions_;
};

std::vector<std::string> lineCountArguments()
{
    std::vector<std::string> arguments{"wc", "-l"};
    for (const auto& file : logFilesOf(folders.heavyDay))
        arguments.push_back(file.string());
    return arguments;
}

// The system's line count over the heavy day's files, run as its own
// process: the floor a day load is held against.
class LineCounter : public Process {
public:
    LineCounter() : Process(lineCountArguments()) {}
    std::size_t fileCount() const { return logFilesOf(folders.heavyDay).size(); }
};

void LineCount(benchmark::State& bench)
{
    LineCounter counter;
    counter.run();
    for (auto _ : bench) {
        if (!counter.run()) {
            bench.SkipWithError("wc -l failed");
            return;
        }
    }
    bench.counters["files"] = static_cast<double>(counter.fileCount());
}
BENCHMARK(LineCount)->Name("LineCount/HeavyDay")->Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(5)
    ->ReportAggregatesOnly(true);

// Everything picking a day costs: the window read (files re-dated, read,
// parsed), the presence pass with its snapshots, and the seek to the day's
// first event.
void DayLoad(benchmark::State& bench)
{
    ViewerState& state = heavyDayState();
    for (auto _ : bench) {
        if (!state.loadDayAt(0) || state.isEmptyDay()) {
            bench.SkipWithError("the heavy day does not load");
            return;
        }
    }
    bench.counters["events"] = static_cast<double>(state.events().size());
    bench.counters["day_events"] = static_cast<double>(state.dayEndEvent() - state.dayFirstEvent());
    bench.counters["snapshots"] = static_cast<double>(state.snapshots().size());
}
BENCHMARK(DayLoad)->Name("DayLoad/HeavyDay")->Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(5)
    ->ReportAggregatesOnly(true);

// The two sides most paired measurements share: `wc -l` over the heavy
// day's files, and a load of the heavy day.
std::function<bool()> countLines(benchmark::State& bench, LineCounter& counter)
{
    return [&bench, &counter] {
        if (counter.run())
            return true;
        bench.SkipWithError("wc -l failed");
        return false;
    };
}

std::function<bool()> loadHeavyDay(benchmark::State& bench, ViewerState& state)
{
    return [&bench, &state] {
        if (state.loadDayAt(0) && !state.isEmptyDay())
            return true;
        bench.SkipWithError("the heavy day does not load");
        return false;
    };
}

// The figure tracked from machine to machine: the day load over the line
// count of the same files. Each iteration times one of each back to back,
// and the ratio is the median of the pairs' ratios, so a burst of other work
// on the machine weighs on both sides of a pair alike.
void LoadRatio(benchmark::State& bench)
{
    ViewerState& state = heavyDayState();
    LineCounter counter;
    const PairedTimes times = timePairs(bench, countLines(bench, counter), loadHeavyDay(bench, state));
    if (!times.complete)
        return;
    bench.counters["ratio"] = times.ratio;
    bench.counters["load_ms"] = times.measured * 1e3;
    bench.counters["wc_ms"] = times.reference * 1e3;
}
BENCHMARK(LoadRatio)->Name("DayLoad/RatioToLineCount")->Unit(benchmark::kMillisecond)->UseManualTime()
    ->Iterations(11);

// Runs body with the calling thread on the first processor it may use
// only, as `taskset -c` would start the program: the threads a load starts
// inherit that, and the reader then reads on one thread. The processors
// are given back afterwards. False when the system refuses the pin.
template <typename Body>
bool onOneProcessor(Body body)
{
    cpu_set_t all;
    CPU_ZERO(&all);
    if (sched_getaffinity(0, sizeof all, &all) != 0)
        return false;
    cpu_set_t one;
    CPU_ZERO(&one);
    for (int cpu = 0; cpu < CPU_SETSIZE; ++cpu) {
        if (CPU_ISSET(cpu, &all)) {
            CPU_SET(cpu, &one);
            break;
        }
    }
    if (sched_setaffinity(0, sizeof one, &one) != 0)
        return false;
    const bool done = body();
    sched_setaffinity(0, sizeof all, &all);
    return done;
}

// The heavy day loaded on every processor against the same load confined
// to one, back to back in each iteration; the ratio is the median of the
// pairs' ratios.
void LoadOnAllCores(benchmark::State& bench)
{
    ViewerState& state = heavyDayState();
    const std::function<bool()> load = loadHeavyDay(bench, state);
    const auto loadOnOne = [&] {
        if (onOneProcessor(load))
            return true;
        if (!bench.error_occurred())
            bench.SkipWithError("the load cannot be confined to one processor");
        return false;
    };
    const PairedTimes times = timePairs(bench, loadOnOne, load, true);
    if (!times.complete)
        return;
    bench.counters["ratio"] = times.ratio;
    bench.counters["all_ms"] = times.measured * 1e3;
    bench.counters["one_ms"] = times.reference * 1e3;
    bench.counters["threads"] = threadCount();
}
BENCHMARK(LoadOnAllCores)->Name("DayLoad/AllCoresToOne")->Unit(benchmark::kMillisecond)->UseManualTime()
    ->Iterations(11);

// The day as a user meets it: a whole `zelkam-cli replay FOLDER DATE`
// process (start, folder scan, day load, the view printed) against
// `wc -l` over the same files, back to back; the ratio is the median of
// the pairs' ratios.
void CliReplayRatio(benchmark::State& bench)
{
    ViewerState& state = heavyDayState();
    std::tm fields{};
    if (state.days().empty() || !toLocalTime(state.days()[0], fields)) {
        bench.SkipWithError("the heavy day has no date");
        return;
    }
    char date[32];
    std::snprintf(date, sizeof date, "%02d/%02d/%04d", fields.tm_mday, fields.tm_mon + 1, fields.tm_year + 1900);
    Process replay({ZELKAM_CLI, "replay", folders.heavyDay.string(), date});
    LineCounter counter;
    if (!replay.run()) {
        bench.SkipWithError("zelkam-cli replay failed");
        return;
    }
    const auto runReplay = [&] {
        if (replay.run())
            return true;
        bench.SkipWithError("zelkam-cli replay failed");
        return false;
    };
    const PairedTimes times = timePairs(bench, countLines(bench, counter), runReplay);
    if (!times.complete)
        return;
    bench.counters["ratio"] = times.ratio;
    bench.counters["cli_ms"] = times.measured * 1e3;
    bench.counters["wc_ms"] = times.reference * 1e3;
}
BENCHMARK(CliReplayRatio)->Name("CliReplay/RatioToLineCount")->Unit(benchmark::kMillisecond)->UseManualTime()
    ->Iterations(11);

// Seeks to random times between the day's first and last event, timing each
// one. The worst case is measured apart: a seek to a map's last second
// replays the whole map from its start, so each map's end is sought five
// times and the best of the five kept, which leaves out a preemption by
// another process but not a slow map.
void Seek(benchmark::State& bench)
{
    ViewerState& state = heavyDayState();
    if (!standAtDayStart(bench, state))
        return;
    const EventList& events = state.events();
    const std::int32_t first = events[state.dayFirstEvent()].time;
    const std::int32_t last = state.day().endTime();
    std::mt19937_64 random(7);
    std::uniform_int_distribution<std::int32_t> target(first, last);

    std::vector<double> samples;
    samples.reserve(8192);
    for (auto _ : bench) {
        const std::int32_t t = target(random);
        const Clock::time_point start = Clock::now();
        state.seek(t);
        samples.push_back(millisecondsSince(start));
    }

    // Each map ends where the next one starts; the day's last map ends at
    // the day's end.
    std::vector<std::int32_t> mapEnds;
    for (std::size_t i = 1; i < state.snapshots().size(); ++i)
        mapEnds.push_back(std::clamp(state.snapshots()[i].time, first, last));
    mapEnds.push_back(last);
    double worst = 0;
    for (const std::int32_t mapEnd : mapEnds) {
        double best = 1e9;
        for (int attempt = 0; attempt < 5; ++attempt) {
            const Clock::time_point start = Clock::now();
            state.seek(mapEnd);
            best = std::min(best, millisecondsSince(start));
        }
        worst = std::max(worst, best);
    }
    bench.counters["median_ms"] = percentile(samples, 0.5);
    bench.counters["p99_ms"] = percentile(samples, 0.99);
    bench.counters["max_ms"] = samples.empty() ? 0 : *std::max_element(samples.begin(), samples.end());
    bench.counters["worst_ms"] = worst;
}
BENCHMARK(Seek)->Name("Seek/RandomTimes")->Unit(benchmark::kMicrosecond)->UseRealTime()->Iterations(3000);

// Reports steps timed one by one: how many per iteration (under the given
// name), their mean and the slowest, in milliseconds.
void reportTimedSteps(benchmark::State& bench, const char* countName, const std::vector<double>& samples)
{
    double sum = 0;
    for (double sample : samples)
        sum += sample;
    bench.counters[countName] = static_cast<double>(samples.size()) / static_cast<double>(bench.iterations());
    bench.counters["mean_ms"] = samples.empty() ? 0 : sum / static_cast<double>(samples.size());
    bench.counters["worst_ms"] = samples.empty() ? 0 : *std::max_element(samples.begin(), samples.end());
}

// Plays the whole day at ">>>" (60 seconds of log time a tick), from its first
// event until the clock stops at the last loaded event; one iteration is
// the whole day, and each tick is timed on its own.
void Tick(benchmark::State& bench)
{
    ViewerState& state = heavyDayState();
    std::vector<double> samples;
    for (auto _ : bench) {
        if (!standAtDayStart(bench, state))
            return;
        state.command(PlaybackCommand::Fastest);
        const std::int32_t end = state.events()[state.lastEvent()].time;
        double total = 0;
        while (state.clock() < end) {
            const Clock::time_point start = Clock::now();
            state.tick();
            const double took = millisecondsSince(start);
            samples.push_back(took);
            total += took;
        }
        bench.SetIterationTime(total / 1e3);
    }
    reportTimedSteps(bench, "ticks", samples);
}
BENCHMARK(Tick)->Name("Tick/Fastest")->Unit(benchmark::kMillisecond)->UseManualTime();

// A search for text nobody wrote, from the day's first event: it applies
// every event of the day, then seeks back to where it began. Letter case is
// ignored, the dearer comparison.
void FindMiss(benchmark::State& bench, SearchKind kind)
{
    ViewerState& state = heavyDayState();
    if (!standAtDayStart(bench, state))
        return;
    for (auto _ : bench) {
        if (state.find(kind, "zq no such text xj", false)) {
            bench.SkipWithError("the search found something");
            return;
        }
    }
}
BENCHMARK_CAPTURE(FindMiss, Player, SearchKind::Player)->Name("FindMiss/Player")->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(FindMiss, Chat, SearchKind::Chat)->Name("FindMiss/Chat")->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(FindMiss, RconUser, SearchKind::RconUser)->Name("FindMiss/RconUser")
    ->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(FindMiss, RconCmd, SearchKind::RconCmd)->Name("FindMiss/RconCmd")
    ->Unit(benchmark::kMillisecond)->UseRealTime();

// Presses "RScan" from the day's first event until nothing is left, timing
// each hit; the final miss is left out. One iteration is the whole day.
void RScan(benchmark::State& bench)
{
    ViewerState& state = heavyDayState();
    std::vector<double> samples;
    for (auto _ : bench) {
        if (!standAtDayStart(bench, state))
            return;
        double total = 0;
        for (;;) {
            const Clock::time_point start = Clock::now();
            if (!state.find(SearchKind::RconCmd, "", false))
                break;
            const double took = millisecondsSince(start);
            samples.push_back(took);
            total += took;
        }
        bench.SetIterationTime(total / 1e3);
    }
    reportTimedSteps(bench, "hits", samples);
}
BENCHMARK(RScan)->Name("RScan/Hits")->Unit(benchmark::kMillisecond)->UseManualTime();

// Peak and lasting resident memory of a heavy day load, in a fresh process;
// and how long that first load of the process took (folder scan included).
void Memory(benchmark::State& bench)
{
    MemoryFigures figures;
    std::string problem;
    for (auto _ : bench) {
        if (!measureDayLoadMemory(folders.heavyDay, figures, problem)) {
            bench.SkipWithError(problem.c_str());
            return;
        }
    }
    const double kib = 1024.0;
    const double mb = 1e6;
    bench.counters["base_MB"] = static_cast<double>(figures.baseKiB) * kib / mb;
    bench.counters["peak_MB"] = static_cast<double>(figures.peakKiB) * kib / mb;
    bench.counters["after_MB"] = static_cast<double>(figures.afterKiB) * kib / mb;
    bench.counters["maxrss_MB"] = static_cast<double>(figures.maxRssKiB) * kib / mb;
    bench.counters["events"] = static_cast<double>(figures.events);
    bench.counters["array_MB"] = static_cast<double>(figures.eventArrayBytes) / mb;
    bench.counters["load_ms"] = figures.loadMilliseconds;
    bench.counters["bytes_per_event"] =
        static_cast<double>(figures.afterKiB - figures.baseKiB) * kib / static_cast<double>(figures.events);
}
BENCHMARK(Memory)->Name("Memory/HeavyDay")->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

// Removes the temporary data folder at exit when this run made it.
struct TemporaryData {
    std::filesystem::path path;
    ~TemporaryData()
    {
        if (!path.empty()) {
            std::error_code error;
            std::filesystem::remove_all(path, error);
        }
    }
};

} // namespace

const BenchFolders& benchFolders() { return folders; }

} // namespace zelkam::bench

int main(int argc, char** argv)
{
    using namespace zelkam::bench;
    if (argc == 3 && std::strcmp(argv[1], MemoryProbeFlag) == 0)
        return runMemoryProbe(argv[2]);

    std::filesystem::path data;
    // A reporter of our own does not see --benchmark_color, so it is read
    // here too: colours on a terminal unless asked otherwise.
    bool color = isatty(STDOUT_FILENO) != 0;
    bool filtered = false;
    std::vector<char*> rest;
    for (int i = 0; i < argc; ++i) {
        const std::string_view argument = argv[i];
        if (argument.starts_with("--data=")) {
            data = std::string(argument.substr(7));
            continue;
        }
        filtered = filtered || argument.starts_with("--benchmark_filter");
        if (argument.starts_with("--benchmark_color=")) {
            const std::string_view value = argument.substr(18);
            color = value == "true" || value == "yes" || value == "1" || (value == "auto" && isatty(STDOUT_FILENO));
        }
        rest.push_back(argv[i]);
    }
    int restCount = static_cast<int>(rest.size());
    rest.push_back(nullptr);
    benchmark::Initialize(&restCount, rest.data());
    if (benchmark::ReportUnrecognizedArguments(restCount, rest.data()))
        return 2;

    TemporaryData temporary;
    if (data.empty()) {
        std::string pattern = (std::filesystem::temp_directory_path() / "zelkam-bench-XXXXXX").string();
        if (!mkdtemp(pattern.data())) {
            std::perror("zelkam-bench: mkdtemp");
            return 1;
        }
        data = pattern;
        temporary.path = data;
    }
    setBenchDataFolder(data);
    std::string problem;
    std::fprintf(stderr, "zelkam-bench: preparing the log folders in %s\n", data.string().c_str());
    if (!prepareBenchFolders(data, folders, problem)) {
        std::fprintf(stderr, "zelkam-bench: %s\n", problem.c_str());
        return 1;
    }

    RecordingReporter reporter(color ? benchmark::ConsoleReporter::OO_ColorTabular
                                     : benchmark::ConsoleReporter::OO_Tabular);
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return printGoalSummary(reporter.runs(), filtered) == 0 ? 0 : 3;
}
