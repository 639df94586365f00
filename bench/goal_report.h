#pragma once

#include <benchmark/benchmark.h>

#include <vector>

namespace zelkam::bench {

// The console reporter, keeping a copy of every run it prints so the goals
// can be judged once everything has run.
class RecordingReporter : public benchmark::ConsoleReporter {
public:
    explicit RecordingReporter(OutputOptions options) : ConsoleReporter(options) {}

    void ReportRuns(const std::vector<Run>& runs) override;
    const std::vector<Run>& runs() const { return runs_; }

private:
    std::vector<Run> runs_;
};

// A figure or goal of a benchmark kept in a file of its own: the value of
// a counter of its run. Registered at start-up (registerGoal), printed after
// the others. A limit of 0 makes it a figure without a goal.
struct ExtraGoal {
    const char* what;
    const char* benchmark;
    const char* counter;
    const char* unit;
    double limit = 0;
};
// Returns true, so a file can register from a static initialiser.
bool registerGoal(const ExtraGoal& goal);

// Prints every figure the goals are about, the day load's ratio to the line
// count of the same files, and PASS or MISS for each goal. A figure whose
// benchmark did not run (filtered out, or failed) is reported as not
// measured; it counts as a miss unless a filter left it out (filtered).
// Returns the number of goals missed.
int printGoalSummary(const std::vector<benchmark::BenchmarkReporter::Run>& runs, bool filtered);

} // namespace zelkam::bench
