// The day at a glance: its one pass over the heavy day, weighed against the
// day load it follows, and a full redraw of its plot.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <vector>

#include "bench/bench_folders.h"
#include "bench/bench_timing.h"
#include "replay/day_overview.h"
#include "replay/viewer_state.h"
#include "views/canvas.h"
#include "views/overview_painter.h"

namespace zelkam::bench {
namespace {


// The heavy day, loaded once for both benchmarks.
ViewerState& loadedHeavyDay()
{
    static ViewerState* state = [] {
        auto* made = new ViewerState;
        made->loadFolder(folders.heavyDay.string());
        return made;
    }();
    return *state;
}

// A canvas that only counts: the cost measured is the plot's own.
class CountingCanvas : public Canvas {
public:
    void selectFont(const FontChoice&) override { ++calls; }
    void setTextColor(Rgb) override { ++calls; }
    void setBackgroundMode(BackgroundMode) override { ++calls; }
    void setBackgroundColor(Rgb) override { ++calls; }
    void drawText(int, int, std::string_view text) override { calls += text.size(); }
    void fillRect(int, int, int, int, Rgb) override { ++calls; }
    std::size_t calls = 0;
};

// Each iteration times a day load and then the pass over the day just
// loaded; the ratio is the median of the pairs' ratios.
void PassToDayLoad(benchmark::State& bench)
{
    ViewerState& state = loadedHeavyDay();
    std::vector<double> ratios;
    std::vector<double> passes;
    std::vector<double> loads;
    for (auto _ : bench) {
        Clock::time_point start = Clock::now();
        if (!state.loadDayAt(0) || state.isEmptyDay()) {
            bench.SkipWithError("the heavy day does not load");
            return;
        }
        const double load = millisecondsSince(start);
        start = Clock::now();
        const DayOverview overview = computeDayOverview(state);
        const double pass = millisecondsSince(start);
        benchmark::DoNotOptimize(overview.minutes.data());
        bench.SetIterationTime(pass / 1e3);
        loads.push_back(load);
        passes.push_back(pass);
        ratios.push_back(pass / load);
    }
    bench.counters["ratio"] = median(ratios);
    bench.counters["pass_ms"] = median(passes);
    bench.counters["load_ms"] = median(loads);
}
BENCHMARK(PassToDayLoad)->Name("Overview/PassToDayLoad")->Unit(benchmark::kMillisecond)->UseManualTime()
    ->Iterations(5);

// One full paint of the heavy day's plot, a pixel a minute.
void Redraw(benchmark::State& bench)
{
    ViewerState& state = loadedHeavyDay();
    if (state.isEmptyDay() && !state.loadDayAt(0)) {
        bench.SkipWithError("the heavy day does not load");
        return;
    }
    const DayOverview overview = computeDayOverview(state);
    OverviewPainter painter;
    painter.setSeries(&overview);
    painter.setCursorMinute(720);
    const int width = 40 + static_cast<int>(overview.minutes.size()) + 12;
    CountingCanvas canvas;
    double total = 0;
    std::int64_t paints = 0;
    for (auto _ : bench) {
        const Clock::time_point start = Clock::now();
        painter.paint(canvas, width, 320);
        total += millisecondsSince(start);
        ++paints;
    }
    benchmark::DoNotOptimize(canvas.calls);
    bench.counters["mean_ms"] = paints ? total / static_cast<double>(paints) : 0;
    bench.counters["rcons"] = static_cast<double>(overview.rcons.size());
}
BENCHMARK(Redraw)->Name("Overview/Redraw")->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
} // namespace zelkam::bench
