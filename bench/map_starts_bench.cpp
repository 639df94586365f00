// A log made of map starts: every one takes a snapshot, so this is where a
// snapshot's size shows. 500,000 "Started map" lines (about 20 MB) loaded in
// a fresh process: the time of that load and its peak resident memory.

#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>

#include <unistd.h>

#include "bench/memory_probe.h"

namespace zelkam::bench {
namespace {

// Writes the folder once per run, in the system's temporary folder, and
// removes it at exit.
struct MapStartsFolder {
    std::filesystem::path path;
    bool made = false;

    bool make(std::string& problem)
    {
        if (made)
            return true;
        std::error_code error;
        path = std::filesystem::temp_directory_path(error) / ("zelkam-map-starts-" + std::to_string(::getpid()));
        std::filesystem::create_directories(path, error);
        std::ofstream out(path / "L0706000.log", std::ios::binary);
        constexpr int MapStarts = 500000;
        char line[96];
        out << "L 07/06/2001 - 00:00:00: \"Bob<1><1><>\" connected, address \"10.0.0.1:27005\"\n";
        for (int i = 0; i < MapStarts; ++i) {
            const int second = static_cast<int>(static_cast<long long>(i) * 86399 / MapStarts);
            std::snprintf(line, sizeof line, "L 07/06/2001 - %02d:%02d:%02d: Started map \"%s\" (CRC \"-1\")\n",
                          second / 3600, second % 3600 / 60, second % 60, i % 2 ? "de_dust" : "cs_italy");
            out << line;
        }
        out << "L 07/06/2001 - 23:59:59: World triggered \"Round_Start\"\n";
        if (!out) {
            problem = "cannot write " + path.string();
            return false;
        }
        made = true;
        return true;
    }

    ~MapStartsFolder()
    {
        if (made) {
            std::error_code error;
            std::filesystem::remove_all(path, error);
        }
    }
};

MapStartsFolder folder;

void MapStarts(benchmark::State& bench)
{
    MemoryFigures figures;
    std::string problem;
    if (!folder.make(problem)) {
        bench.SkipWithError(problem.c_str());
        return;
    }
    for (auto _ : bench) {
        if (!measureDayLoadMemory(folder.path, figures, problem)) {
            bench.SkipWithError(problem.c_str());
            return;
        }
    }
    bench.counters["peak_MB"] = static_cast<double>(figures.peakKiB) * 1024.0 / 1e6;
    bench.counters["load_ms"] = figures.loadMilliseconds;
    bench.counters["events"] = static_cast<double>(figures.events);
}
BENCHMARK(MapStarts)->Name("MapStarts/Load")->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

} // namespace
} // namespace zelkam::bench
