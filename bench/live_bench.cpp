// What following a running server costs: a look at a folder where nothing
// changed, and taking in 1,000 lines the server appended, against what
// 1,000 lines cost in a day load of the same day.
//
// The heavy day is copied to a folder of its own first, since these
// benchmarks append to it and the others read it as generated.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include <unistd.h>

#include "bench/bench_folders.h"
#include "bench/bench_timing.h"
#include "replay/viewer_state.h"

namespace zelkam::bench {
namespace {

namespace fs = std::filesystem;

// A copy of the heavy day that may grow, removed at exit; its folder stamp
// set well in the past, as a folder looks between a server's map changes.
struct GrowingCopy {
    fs::path folder;
    fs::path newest;
    std::size_t lines = 0;
    std::string lastThousand;

    GrowingCopy()
    {
        folder = fs::temp_directory_path() / ("zelkam-live-bench-" + std::to_string(::getpid()));
        fs::remove_all(folder);
        fs::create_directories(folder);
        for (const fs::path& file : logFilesOf(benchFolders().heavyDay)) {
            fs::copy_file(file, folder / file.filename());
            newest = folder / file.filename();
            std::ifstream in(file, std::ios::binary);
            lines += static_cast<std::size_t>(std::count(std::istreambuf_iterator<char>(in),
                                                         std::istreambuf_iterator<char>(), '\n'));
        }
        // The server's next lines: the newest file's last 1,000, written again.
        std::ifstream in(newest, std::ios::binary);
        const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        std::size_t at = bytes.size();
        for (int found = 0; found <= 1000 && at > 0;)
            if (bytes[--at] == '\n')
                ++found;
        lastThousand = bytes.substr(at + 1);
        age();
    }
    ~GrowingCopy()
    {
        std::error_code error;
        fs::remove_all(folder, error);
    }
    void age() const { fs::last_write_time(folder, fs::file_time_type::clock::now() - std::chrono::hours(1)); }
};

GrowingCopy& growingCopy()
{
    static GrowingCopy* copy = new GrowingCopy;
    return *copy;
}

// The copy's day loaded into a model that follows it, and what its load
// took per line.
struct LiveModel {
    std::unique_ptr<ViewerState> state = std::make_unique<ViewerState>();
    // The best of three fresh loads of the same day, its files in the
    // caches: on one reading thread, as appended lines are read (a growth
    // is far below what is worth cutting into pieces), and on every core.
    double loadMs = 0;
    double loadAllCoresMs = 0;
    bool loaded = false;

    LiveModel()
    {
        GrowingCopy& copy = growingCopy();
        if (!state->loadFolder(copy.folder.string()))
            return;
        loadMs = bestLoadMs(1);
        loadAllCoresMs = bestLoadMs(0);
        state->command(PlaybackCommand::Play);
    }

    double bestLoadMs(unsigned threads)
    {
        state->setReadThreads(threads);
        double best = 0;
        for (int i = 0; i < 3; ++i) {
            const Clock::time_point start = Clock::now();
            loaded = state->loadDayAt(state->days().size() - 1) && !state->isEmptyDay();
            const double took = millisecondsSince(start);
            best = i == 0 ? took : std::min(best, took);
        }
        state->setReadThreads(0);
        return best;
    }
};

LiveModel& liveModel()
{
    static LiveModel* model = new LiveModel;
    return *model;
}

void QuietLook(benchmark::State& bench)
{
    LiveModel& model = liveModel();
    if (!model.loaded) {
        bench.SkipWithError("the heavy day does not load");
        return;
    }
    model.state->follow();
    std::vector<double> looks;
    for (auto _ : bench) {
        const Clock::time_point start = Clock::now();
        const LiveUpdate update = model.state->follow();
        looks.push_back(millisecondsSince(start));
        if (update.grew || update.viewChanged) {
            bench.SkipWithError("the quiet folder changed");
            return;
        }
    }
    double sum = 0;
    for (double look : looks)
        sum += look;
    bench.counters["mean_ms"] = looks.empty() ? 0 : sum / static_cast<double>(looks.size());
}
BENCHMARK(QuietLook)->Name("Live/QuietLook")->Unit(benchmark::kMicrosecond)->UseRealTime()->Iterations(20000);

void Append1000Lines(benchmark::State& bench)
{
    LiveModel& model = liveModel();
    GrowingCopy& copy = growingCopy();
    if (!model.loaded) {
        bench.SkipWithError("the heavy day does not load");
        return;
    }
    std::vector<double> takes;
    for (auto _ : bench) {
        {
            std::ofstream out(copy.newest, std::ios::binary | std::ios::app);
            out << copy.lastThousand;
        }
        const std::size_t before = model.state->events().size();
        const Clock::time_point start = Clock::now();
        const LiveUpdate update = model.state->follow();
        const double took = millisecondsSince(start);
        bench.SetIterationTime(took / 1e3);
        takes.push_back(took);
        if (!update.grew || update.viewChanged || model.state->events().size() <= before) {
            bench.SkipWithError("the appended lines were not taken in as growth");
            return;
        }
        // A tick at the newest line plays them, as the viewer would.
        model.state->tick();
    }
    const double loadPerThousand = model.loadMs / static_cast<double>(copy.lines) * 1000;
    bench.counters["take_ms"] = median(takes);
    bench.counters["load_ms_per_1000"] = loadPerThousand;
    bench.counters["ratio"] = median(takes) / loadPerThousand;
    bench.counters["ratio_to_all_cores"] =
        median(takes) / (model.loadAllCoresMs / static_cast<double>(copy.lines) * 1000);
}
BENCHMARK(Append1000Lines)->Name("Live/Append1000Lines")->Unit(benchmark::kMillisecond)->UseManualTime()
    ->Iterations(40);

} // namespace
} // namespace zelkam::bench
