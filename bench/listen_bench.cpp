// zelkam-listen-bench: how many log lines a second the receiver takes over
// loopback without losing any. A sender stands in for a game server and
// sends 200,000 lines, at fixed rates and then as fast as it can; the
// receiver runs in this process on a thread of its own and writes into a
// temporary archive. scripts/bench runs it; see PERFORMANCE.md.

#include <benchmark/benchmark.h>

#include <asio/io_context.hpp>
#include <asio/ip/udp.hpp>

#include <chrono>
#include <ctime>
#include <cstdio>
#include <filesystem>
#include <map>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "receive/archive_writer.h"
#include "receive/listener.h"

namespace zelkam::bench {
namespace {

using Clock = std::chrono::steady_clock;

constexpr int LinesPerRun = 200'000;
constexpr double GoalLinesPerSecond = 50'000;

// What each run found, by its rate (0: as fast as the sender can).
struct RunResult {
    double sentPerSecond = 0;
    std::uint64_t written = 0;
    std::uint64_t lost = 0;
    double cpuMicrosecondsPerLine = 0;
};
std::map<long, RunResult> results;

// Lines as a busy server writes them, about 100 bytes each, each framed as
// a datagram of the newer engines.
std::vector<std::string> makeDatagrams()
{
    std::vector<std::string> datagrams;
    datagrams.reserve(LinesPerRun);
    for (int i = 0; i < LinesPerRun; ++i) {
        const int second = 20 * 3600 + i / 100;
        char line[256];
        std::snprintf(line, sizeof line,
                      "\xFF\xFF\xFF\xFFRL 07/06/2001 - %02d:%02d:%02d: \"Player %d<%d><STEAM_0:1:%d><CT>\" say "
                      "\"message number %d of the run\"\n",
                      second / 3600, second / 60 % 60, second % 60, i % 32, i % 32 + 1, 1000 + i % 32, i);
        datagrams.emplace_back(line);
    }
    return datagrams;
}

// Sends every datagram to the receiver at `rate` lines a second (0: no
// pause at all), then waits until everything sent has been written or the
// receiver has been idle for half a second (the rest was lost).
void Listen(benchmark::State& bench, long rate)
{
    static const std::vector<std::string> datagrams = makeDatagrams();
    for (auto _ : bench) {
        const std::filesystem::path archive =
            std::filesystem::temp_directory_path() / ("zelkam-listen-bench-" + std::to_string(rate));
        std::error_code error;
        std::filesystem::remove_all(archive, error);
        receive::ArchiveWriter writer(archive);
        receive::ReceivePolicy policy;
        policy.allowAny = true;
        receive::Listener listener(policy, writer);
        std::string problem;
        if (!writer.prepare(problem) || !listener.open("127.0.0.1", 0, false, problem)) {
            bench.SkipWithError(problem.c_str());
            return;
        }
        // The receiver's own processor time, so its cost a line can be told
        // apart from how much of the machine it was given.
        double receiverCpuSeconds = 0;
        std::thread receiver([&] {
            timespec before {};
            timespec after {};
            clock_gettime(CLOCK_THREAD_CPUTIME_ID, &before);
            listener.run();
            clock_gettime(CLOCK_THREAD_CPUTIME_ID, &after);
            receiverCpuSeconds = double(after.tv_sec - before.tv_sec) + 1e-9 * double(after.tv_nsec - before.tv_nsec);
        });

        asio::io_context io;
        asio::ip::udp::socket socket(io, asio::ip::udp::endpoint(asio::ip::address_v4::loopback(), 0));
        const asio::ip::udp::endpoint to(asio::ip::address_v4::loopback(), listener.port());
        const Clock::time_point start = Clock::now();
        for (std::size_t i = 0; i < datagrams.size(); ++i) {
            if (rate > 0) {
                // Behind the schedule: send at once; ahead: wait. Lines
                // thus leave in the small bursts a server's frames make.
                const auto due = start + std::chrono::nanoseconds(static_cast<long long>(1e9 * i / rate));
                while (Clock::now() < due)
                    std::this_thread::sleep_for(std::chrono::microseconds(50));
            }
            socket.send_to(asio::buffer(datagrams[i]), to, 0, error);
        }
        const double sendSeconds = std::chrono::duration<double>(Clock::now() - start).count();

        std::uint64_t last = 0;
        Clock::time_point lastChange = Clock::now();
        for (;;) {
            const receive::ReceiveCounts counts = listener.counts();
            const std::uint64_t outcomes = counts.written + counts.droppedTotal();
            if (outcomes >= datagrams.size())
                break;
            if (outcomes != last) {
                last = outcomes;
                lastChange = Clock::now();
            } else if (Clock::now() - lastChange > std::chrono::milliseconds(500)) {
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
        listener.stop();
        receiver.join();
        const receive::ReceiveCounts counts = listener.counts();
        bench.SetIterationTime(seconds);

        RunResult& result = results[rate];
        result.sentPerSecond = datagrams.size() / sendSeconds;
        result.written = counts.written;
        result.lost = datagrams.size() - counts.written;
        result.cpuMicrosecondsPerLine = 1e6 * receiverCpuSeconds / static_cast<double>(datagrams.size());
        bench.counters["sent_per_s"] = result.sentPerSecond;
        bench.counters["written"] = static_cast<double>(result.written);
        bench.counters["lost"] = static_cast<double>(result.lost);
        bench.counters["receiver_cpu_us_per_line"] = result.cpuMicrosecondsPerLine;
        std::filesystem::remove_all(archive, error);
    }
}

BENCHMARK_CAPTURE(Listen, Paced50k, 50'000)->Name("Listen/Paced/50000")->Iterations(1)->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Listen, Paced100k, 100'000)->Name("Listen/Paced/100000")->Iterations(1)->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Listen, Paced200k, 200'000)->Name("Listen/Paced/200000")->Iterations(1)->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Listen, Paced400k, 400'000)->Name("Listen/Paced/400000")->Iterations(1)->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Listen, Unpaced, 0)->Name("Listen/Unpaced")->Iterations(1)->UseManualTime()
    ->Unit(benchmark::kMillisecond);

// PASS when the goal rate lost nothing; also says where loss begins.
int printListenGoal()
{
    std::printf("\nReceiver (%d lines over loopback a run)\n", LinesPerRun);
    for (const auto& [rate, result] : results) {
        std::printf("  %-12s sent %9.0f lines/s, written %6llu, lost %6llu, receiver %.2f us of processor a line\n",
                    rate ? (std::to_string(rate) + "/s").c_str() : "unpaced", result.sentPerSecond,
                    static_cast<unsigned long long>(result.written), static_cast<unsigned long long>(result.lost),
                    result.cpuMicrosecondsPerLine);
    }
    const RunResult* firstLoss = nullptr;
    double firstLossRate = 0;
    for (const auto& [rate, result] : results) {
        if (rate > 0 && result.lost > 0 && !firstLoss) {
            firstLoss = &result;
            firstLossRate = result.sentPerSecond;
        }
    }
    if (!firstLoss && results.count(0) && results[0].lost > 0) {
        firstLoss = &results[0];
        firstLossRate = results[0].sentPerSecond;
    }
    if (firstLoss)
        std::printf("  loss begins at about %.0f lines/s\n", firstLossRate);
    else if (!results.empty())
        std::printf("  no loss at any rate measured\n");

    const auto goal = results.find(static_cast<long>(GoalLinesPerSecond));
    if (goal == results.end()) {
        std::printf("  %-48s %12s      goal lost = 0   not measured\n", "lines lost at 50,000 lines/s", "");
        return 0;
    }
    // A sender that could not keep the pace has not tested the goal.
    const bool paced = goal->second.sentPerSecond >= 0.95 * GoalLinesPerSecond;
    if (!paced)
        std::printf("  the sender reached only %.0f lines/s: the machine is too busy to test the goal\n",
                    goal->second.sentPerSecond);
    const bool held = goal->second.lost == 0 && paced;
    std::printf("  %-48s %12llu      goal lost = 0   %s\n", "lines lost at 50,000 lines/s",
                static_cast<unsigned long long>(goal->second.lost), held ? "PASS" : "MISS");
    return held ? 0 : 1;
}

} // namespace
} // namespace zelkam::bench

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return zelkam::bench::printListenGoal() ? 3 : 0;
}
