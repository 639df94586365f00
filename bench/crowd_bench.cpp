// A crowd: one day in which 1,000,000 players connect and none leaves, so
// every one of them is still on the server when the day ends. What a
// player's sessions cost there (`zelkam-cli player --name`, a whole process)
// against the viewer's load of the same day, in the same run; and, as a
// figure, the day's chat transcript (`zelkam-cli chat`).

#include <benchmark/benchmark.h>
#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "bench/bench_folders.h"
#include "bench/bench_timing.h"
#include "bench/child_output.h"
#include "bench/goal_report.h"
#include "replay/viewer_state.h"

namespace zelkam::bench {
namespace {

constexpr int Connections = 1000000;

// The crowd's folder under the benchmarks' data folder, written once; a
// marker written after it tells a finished folder from an interrupted one.
// Every player has a name, user id, unique id and address of their own, and
// a few of them talk, so the chat transcript has lines to show.
const std::filesystem::path* crowdFolder()
{
    static const std::filesystem::path* made = []() -> const std::filesystem::path* {
        static std::filesystem::path folder = benchDataFolder() / "crowd";
        const std::filesystem::path marker = benchDataFolder() / "crowd.done-1000000";
        std::error_code error;
        if (std::filesystem::exists(marker, error))
            return &folder;
        std::filesystem::create_directories(folder, error);
        std::fprintf(stderr, "zelkam-bench: writing a day of %d connections in %s\n", Connections,
                     folder.string().c_str());
        std::ofstream out(folder / "L0706000.log", std::ios::binary);
        char line[192];
        for (int i = 0; i < Connections; ++i) {
            const int second = static_cast<int>(static_cast<long long>(i) * 86399 / Connections);
            std::snprintf(line, sizeof line,
                          "L 07/06/2001 - %02d:%02d:%02d: \"Crowd%07d<%d><STEAM_0:%d:%d><>\" connected, address "
                          "\"10.%d.%d.%d:27005\"\n",
                          second / 3600, second % 3600 / 60, second % 60, i, i + 1, i % 2, i, i >> 16 & 255,
                          i >> 8 & 255, i & 255);
            out << line;
            if (i % 1000 == 999) {
                std::snprintf(line, sizeof line,
                              "L 07/06/2001 - %02d:%02d:%02d: \"Crowd%07d<%d><STEAM_0:%d:%d><>\" say \"still here\"\n",
                              second / 3600, second % 3600 / 60, second % 60, i, i + 1, i % 2, i);
                out << line;
            }
        }
        if (!out)
            return nullptr;
        out.close();
        std::ofstream(marker) << Connections << " connections in one day\n";
        return &folder;
    }();
    return made;
}

// The player the search is about connected last: every other one is on the
// server by then. The whole process is timed against the day load alone, so
// its start and folder scan weigh on its side. Goal: at most 2.
void PlayerInCrowd(benchmark::State& bench)
{
    const std::filesystem::path* folder = crowdFolder();
    ViewerState state;
    if (!folder || !state.scanFolder(folder->string())) {
        bench.SkipWithError("the crowd's folder cannot be made");
        return;
    }
    CliRun player({"player", folder->string(), "--name", "Crowd0999999"});
    const auto load = [&] {
        if (state.loadDayAt(0) && !state.isEmptyDay())
            return true;
        bench.SkipWithError("the crowd's day does not load");
        return false;
    };
    const auto sessions = [&] {
        if (player.run())
            return true;
        bench.SkipWithError("zelkam-cli player failed");
        return false;
    };
    const PairedTimes times = timePairs(bench, load, sessions);
    if (!times.complete)
        return;
    bench.counters["ratio"] = times.ratio;
    bench.counters["player_s"] = times.measured;
    bench.counters["load_s"] = times.reference;
    bench.SetLabel("goal: ratio <= 2");
}
BENCHMARK(PlayerInCrowd)->Name("Crowd/PlayerToDayLoad")->Unit(benchmark::kSecond)->UseManualTime()->Iterations(3);

// The day's chat transcript: the replay of the whole crowded day.
void ChatInCrowd(benchmark::State& bench)
{
    const std::filesystem::path* folder = crowdFolder();
    if (!folder) {
        bench.SkipWithError("the crowd's folder cannot be made");
        return;
    }
    CliRun chat({"chat", folder->string(), "06/07/2001"});
    std::vector<double> samples;
    for (auto _ : bench) {
        const Clock::time_point start = Clock::now();
        if (!chat.run()) {
            bench.SkipWithError("zelkam-cli chat failed");
            return;
        }
        samples.push_back(secondsSince(start));
        bench.SetIterationTime(samples.back());
    }
    bench.counters["chat_s"] = median(samples);
}
BENCHMARK(ChatInCrowd)->Name("Crowd/Chat")->Unit(benchmark::kSecond)->UseManualTime()->Iterations(3);

[[maybe_unused]] const bool registered =
    registerGoal({"player --name in a day of 1,000,000 connections (median)", "Crowd/PlayerToDayLoad", "player_s", "s"})
    && registerGoal({"load of that day (median)", "Crowd/PlayerToDayLoad", "load_s", "s"})
    && registerGoal({"player --name / day load, 1,000,000 connections", "Crowd/PlayerToDayLoad", "ratio", "x", 2})
    && registerGoal({"chat of that day (median)", "Crowd/Chat", "chat_s", "s"});

} // namespace
} // namespace zelkam::bench
