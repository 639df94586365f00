#pragma once

#include <algorithm>
#include <chrono>
#include <cstddef>
#include <functional>
#include <vector>

#include <benchmark/benchmark.h>

namespace zelkam::bench {

using Clock = std::chrono::steady_clock;

inline double millisecondsSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

inline double secondsSince(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

inline double median(std::vector<double> samples)
{
    if (samples.empty())
        return 0;
    std::nth_element(samples.begin(), samples.begin() + static_cast<std::ptrdiff_t>(samples.size() / 2),
                     samples.end());
    return samples[samples.size() / 2];
}

// Medians of a paired measurement, in seconds, and of the pairs' ratios.
struct PairedTimes {
    double ratio = 0;
    double measured = 0;
    double reference = 0;
    // False when a side failed (it has said why, with SkipWithError).
    bool complete = true;
};

// A figure against a reference figure on the same machine: each iteration
// times one of each back to back (the reference first, unless
// measuredFirst), so a burst of other work weighs on both sides of a pair
// alike, and the ratio is the median of the pairs' ratios. The iteration
// time is the measured side's. A side returns false on a failure, after
// calling SkipWithError, which ends the measurement. beforePair, when
// given, runs ahead of each pair, outside both sides' times (to set a side
// up afresh); the benchmarks using this time by hand (UseManualTime).
inline PairedTimes timePairs(benchmark::State& bench, const std::function<bool()>& reference,
                             const std::function<bool()>& measured, bool measuredFirst = false,
                             const std::function<bool()>& beforePair = {})
{
    std::vector<double> ratios;
    std::vector<double> measuredTimes;
    std::vector<double> referenceTimes;
    const auto timed = [](const std::function<bool()>& side, double& seconds) {
        const Clock::time_point start = Clock::now();
        const bool done = side();
        seconds = secondsSince(start);
        return done;
    };
    PairedTimes result;
    for (auto _ : bench) {
        double ours = 0;
        double theirs = 0;
        if (beforePair) {
            if (!beforePair()) {
                result.complete = false;
                return result;
            }
        }
        const bool done = measuredFirst ? timed(measured, ours) && timed(reference, theirs)
                                        : timed(reference, theirs) && timed(measured, ours);
        if (!done) {
            result.complete = false;
            return result;
        }
        bench.SetIterationTime(ours);
        measuredTimes.push_back(ours);
        referenceTimes.push_back(theirs);
        ratios.push_back(ours / theirs);
    }
    result.ratio = median(ratios);
    result.measured = median(measuredTimes);
    result.reference = median(referenceTimes);
    return result;
}

} // namespace zelkam::bench
