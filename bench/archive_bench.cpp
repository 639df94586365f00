// The heavy day archived as admins archive rotated logs (gzip -6, every
// file): its load against the system's own decompress-and-count of the same
// files, and its peak memory against the plain day's.

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <iterator>
#include <string>
#include <system_error>
#include <vector>

#include "bench/bench_folders.h"
#include "bench/bench_timing.h"
#include "bench/goal_report.h"
#include "bench/memory_probe.h"
#include "replay/viewer_state.h"

extern char** environ;

namespace zelkam::bench {
namespace {

// Runs argv with standard output sent to outputPath (or /dev/null); true when
// it exits 0.
bool runProgram(const std::vector<std::string>& argv, const char* outputPath = "/dev/null")
{
    std::vector<char*> arguments;
    for (const std::string& argument : argv)
        arguments.push_back(const_cast<char*>(argument.c_str()));
    arguments.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, outputPath, O_WRONLY | O_CREAT | O_TRUNC, 0644);
    pid_t child = 0;
    int status = 0;
    const bool ran = posix_spawnp(&child, arguments[0], &actions, nullptr, arguments.data(), environ) == 0
                     && waitpid(child, &status, 0) == child && WIFEXITED(status) && WEXITSTATUS(status) == 0;
    posix_spawn_file_actions_destroy(&actions);
    return ran;
}

// The heavy day's files, each compressed by gzip -6 into a folder of their
// own (made once, beside the heavy day, and reused while its stamp matches).
const std::filesystem::path& gzipHeavyDay()
{
    static const std::filesystem::path folder = [] {
        const std::filesystem::path made = folders.heavyDay.parent_path() / "heavy-day-gzip6";
        const std::filesystem::path stamp = made / "generated.txt";
        std::ifstream source(folders.heavyDay / "generated.txt");
        const std::string wanted =
            "gzip -6 of " + std::string{std::istreambuf_iterator<char>(source), std::istreambuf_iterator<char>()};
        {
            std::ifstream in(stamp);
            if (std::string{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()} == wanted)
                return made;
        }
        std::error_code error;
        std::filesystem::remove_all(made, error);
        std::filesystem::create_directories(made, error);
        for (const auto& file : logFilesOf(folders.heavyDay)) {
            const std::string target = (made / (file.filename().string() + ".gz")).string();
            if (!runProgram({"gzip", "-6", "-c", "--", file.string()}, target.c_str()))
                return std::filesystem::path();
        }
        std::ofstream(stamp) << wanted;
        return made;
    }();
    return folder;
}

std::vector<std::string> archivesOf(const std::filesystem::path& folder)
{
    std::vector<std::string> files;
    std::error_code error;
    for (std::filesystem::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        if (it->path().extension() == ".gz")
            files.push_back(it->path().string());
    }
    std::sort(files.begin(), files.end());
    return files;
}

// Each iteration times `zcat FILES | wc -l` over the archives and a load of
// the archived day, back to back; the ratio is the median of the pairs'.
void ArchiveLoadRatio(benchmark::State& bench)
{
    const std::filesystem::path& folder = gzipHeavyDay();
    if (folder.empty()) {
        bench.SkipWithError("gzip could not archive the heavy day");
        return;
    }
    std::vector<std::string> pipeline = {"sh", "-c", "zcat -- \"$@\" | wc -l", "sh"};
    for (const std::string& file : archivesOf(folder))
        pipeline.push_back(file);
    static ViewerState* state = new ViewerState;
    if (!state->loadFolder(folder.string()) || state->isEmptyDay() || !runProgram(pipeline)) {
        bench.SkipWithError("the archived heavy day does not load");
        return;
    }
    const auto unpackAndCount = [&] {
        if (runProgram(pipeline))
            return true;
        bench.SkipWithError("zcat | wc -l failed");
        return false;
    };
    const auto load = [&] {
        if (state->loadDayAt(0) && !state->isEmptyDay())
            return true;
        bench.SkipWithError("the archived heavy day does not load");
        return false;
    };
    const PairedTimes times = timePairs(bench, unpackAndCount, load);
    if (!times.complete)
        return;
    bench.counters["ratio"] = times.ratio;
    bench.counters["load_ms"] = times.measured * 1e3;
    bench.counters["zcat_ms"] = times.reference * 1e3;
    bench.counters["events"] = static_cast<double>(state->events().size());
    bench.counters["files"] = static_cast<double>(pipeline.size() - 4);
}
BENCHMARK(ArchiveLoadRatio)->Name("ArchiveLoad/RatioToZcat")->Unit(benchmark::kMillisecond)->UseManualTime()
    ->Iterations(11);

// Peak resident memory of the archived day's first load in a fresh
// process, against the plain day's measured the same way.
void ArchiveMemory(benchmark::State& bench)
{
    const std::filesystem::path& folder = gzipHeavyDay();
    MemoryFigures archived;
    MemoryFigures plain;
    std::string problem;
    for (auto _ : bench) {
        if (folder.empty() || !measureDayLoadMemory(folder, archived, problem)
            || !measureDayLoadMemory(folders.heavyDay, plain, problem)) {
            bench.SkipWithError(problem.empty() ? "gzip could not archive the heavy day" : problem.c_str());
            return;
        }
    }
    const double mb = 1e6 / 1024.0;
    bench.counters["peak_MB"] = static_cast<double>(archived.peakKiB) / mb;
    bench.counters["plain_peak_MB"] = static_cast<double>(plain.peakKiB) / mb;
    bench.counters["peak_ratio"] = static_cast<double>(archived.peakKiB) / static_cast<double>(plain.peakKiB);
    bench.counters["load_ms"] = archived.loadMilliseconds;
}
BENCHMARK(ArchiveMemory)->Name("ArchiveMemory/HeavyDay")->Unit(benchmark::kMillisecond)->UseRealTime()
    ->Iterations(1);

[[maybe_unused]] const bool registered =
    registerGoal({"zcat | wc -l over the gzip -6 heavy day (median)", "ArchiveLoad/RatioToZcat", "zcat_ms", "ms"})
    && registerGoal({"gzip -6 heavy day load (median)", "ArchiveLoad/RatioToZcat", "load_ms", "ms"})
    && registerGoal({"peak resident, gzip -6 heavy day load", "ArchiveMemory/HeavyDay", "peak_MB", "MB"})
    && registerGoal({"gzip -6 heavy day load / zcat | wc -l (median)", "ArchiveLoad/RatioToZcat", "ratio", "x", 1.3})
    && registerGoal({"peak resident, gzip -6 / plain heavy day", "ArchiveMemory/HeavyDay", "peak_ratio", "x", 1.1});

} // namespace
} // namespace zelkam::bench
