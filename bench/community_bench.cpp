// A community of servers, as the commands read it: every server searched,
// ranked and asked about a player (zelkam-cli grep, stats and timeline, the
// whole process) against GNU grep -ci over the same files, and a big
// community listed (servers) and looked at now (now) within a time.

#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "bench/bench_folders.h"
#include "bench/bench_timing.h"
#include "bench/child_output.h"
#include "bench/goal_report.h"

namespace zelkam::bench {
namespace {

// Eight servers of 60 days as busy as the year's (60,000 lines a day), each
// generated from a seed of its own: enough
// files and days that the walks can spread over cores, small enough to be
// generated in a minute or so.
constexpr int SearchedServers = 8;
// Fifty servers of 1,000 small files each (one day of the generator's most
// files), for the commands that look at every server's folder but read
// little of it.
constexpr int ListedServers = 50;

// A community folder: count server folders "server-NN", each made by
// ensureGeneratedFolder from options with the server's own seed. Null when
// one cannot be written (said on the standard error).
const std::filesystem::path* community(const char* name, int count, LogGenOptions options)
{
    static std::vector<std::pair<std::string, std::filesystem::path>> made;
    for (const auto& [known, folder] : made) {
        if (known == name)
            return &folder;
    }
    const std::filesystem::path folder = benchDataFolder() / name;
    std::fprintf(stderr, "zelkam-bench: generating the community %s (%d servers) in %s\n", name, count,
                 folder.string().c_str());
    for (int server = 0; server < count; ++server) {
        char serverName[32];
        std::snprintf(serverName, sizeof serverName, "server-%02d", server);
        options.seed = 100 + static_cast<std::uint64_t>(server);
        std::string problem;
        if (!ensureGeneratedFolder(folder / serverName, options, problem)) {
            std::fprintf(stderr, "zelkam-bench: %s\n", problem.c_str());
            return nullptr;
        }
    }
    made.emplace_back(name, folder);
    return &made.back().second;
}

const std::filesystem::path* searchedCommunity()
{
    LogGenOptions options;
    options.days = 60;
    options.linesPerDay = 60000;
    return community("community-8x60", SearchedServers, options);
}

const std::filesystem::path* listedCommunity()
{
    LogGenOptions options;
    options.days = 1;
    options.linesPerDay = 1000;
    options.filesPerDay = 1000;
    return community("community-50x1000", ListedServers, options);
}

// Every log file of every server of the community.
std::vector<std::filesystem::path> communityFiles(const std::filesystem::path& folder)
{
    std::vector<std::filesystem::path> files;
    for (int server = 0; server < SearchedServers; ++server) {
        char serverName[32];
        std::snprintf(serverName, sizeof serverName, "server-%02d", server);
        for (auto& file : logFilesOf(folder / serverName))
            files.push_back(std::move(file));
    }
    return files;
}

// zelkam-cli with arguments over the whole community against grep -ci
// "gg" over its files, pair by pair (bench_timing's timePairs); an argument
// "PLAYER" is a regular of the first server, whose id grep then counts
// instead. Goal: at most limit, the ratio of the medians' pairs.
void AgainstGrep(benchmark::State& bench, std::vector<std::string> arguments, const char* goal)
{
    const std::filesystem::path* folder = searchedCommunity();
    if (!folder) {
        bench.SkipWithError("the community cannot be made");
        return;
    }
    std::string pattern = "gg";
    for (std::string& argument : arguments) {
        if (argument == "COMMUNITY") {
            argument = folder->string();
        } else if (argument == "PLAYER") {
            argument = pattern = someRegularsId(*folder / "server-00");
            if (pattern.empty()) {
                bench.SkipWithError("no player in the first server's first file");
                return;
            }
        }
    }
    const std::vector<std::filesystem::path> files = communityFiles(*folder);
    GrepCounter grep(files, pattern.c_str());
    CliRun cli(arguments);
    const auto runGrep = [&] {
        if (grep.run())
            return true;
        bench.SkipWithError("grep failed");
        return false;
    };
    const auto runCli = [&] {
        if (cli.run())
            return true;
        bench.SkipWithError(("zelkam-cli " + arguments.front() + " did not end with exit 0").c_str());
        return false;
    };
    const PairedTimes times = timePairs(bench, runGrep, runCli);
    if (!times.complete)
        return;
    bench.counters["ratio"] = times.ratio;
    bench.counters["cli_s"] = times.measured;
    bench.counters["grep_s"] = times.reference;
    bench.counters["files"] = static_cast<double>(files.size());
    bench.SetLabel(goal);
}
BENCHMARK_CAPTURE(AgainstGrep, Grep, std::vector<std::string>{"grep", "COMMUNITY", "gg"}, "goal: ratio <= 1.1")
    ->Name("Community/Grep")->Unit(benchmark::kSecond)->UseManualTime()->Iterations(3);
BENCHMARK_CAPTURE(AgainstGrep, Stats, std::vector<std::string>{"stats", "COMMUNITY", "--by", "player"},
                  "goal: ratio <= 1.5")
    ->Name("Community/Stats")->Unit(benchmark::kSecond)->UseManualTime()->Iterations(3);
BENCHMARK_CAPTURE(AgainstGrep, Timeline, std::vector<std::string>{"timeline", "COMMUNITY", "--id", "PLAYER"},
                  "goal: ratio <= 1.5")
    ->Name("Community/Timeline")->Unit(benchmark::kSecond)->UseManualTime()->Iterations(3);

// A command over the 50 servers of 1,000 files, the whole process timed;
// the median of the runs. Goal: within the label's seconds.
void OverListed(benchmark::State& bench, const char* command, const char* goal)
{
    const std::filesystem::path* folder = listedCommunity();
    if (!folder) {
        bench.SkipWithError("the community cannot be made");
        return;
    }
    CliRun cli({command, folder->string()});
    std::vector<double> samples;
    for (auto _ : bench) {
        const Clock::time_point start = Clock::now();
        if (!cli.run()) {
            bench.SkipWithError((std::string("zelkam-cli ") + command + " did not end with exit 0").c_str());
            return;
        }
        const double seconds = secondsSince(start);
        bench.SetIterationTime(seconds);
        samples.push_back(seconds);
    }
    bench.counters["median_s"] = median(samples);
    bench.SetLabel(goal);
}
BENCHMARK_CAPTURE(OverListed, Servers, "servers", "goal: <= 1 s")
    ->Name("Community/Servers50x1000")->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(5);
BENCHMARK_CAPTURE(OverListed, Now, "now", "goal: <= 0.5 s")
    ->Name("Community/Now50")->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(5);

[[maybe_unused]] const bool grepGoal =
    registerGoal({"grep over a community of 8 servers / grep -ci", "Community/Grep", "ratio", "x", 1.1});
[[maybe_unused]] const bool statsGoal =
    registerGoal({"stats over a community of 8 servers / grep -ci", "Community/Stats", "ratio", "x", 1.5});
[[maybe_unused]] const bool timelineGoal =
    registerGoal({"a player's timeline over a community of 8 servers / grep -ci", "Community/Timeline", "ratio", "x",
                  1.5});
[[maybe_unused]] const bool serversGoal =
    registerGoal({"servers: listing 50 servers of 1,000 files", "Community/Servers50x1000", "median_s", "s", 1.0});
[[maybe_unused]] const bool nowGoal =
    registerGoal({"now: 50 servers", "Community/Now50", "median_s", "s", 0.5});

} // namespace
} // namespace zelkam::bench
