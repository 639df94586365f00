// zelkam-listen-bench: how many log lines a second the receiver takes over
// loopback without losing any, from one server and from 100 at once.
// Senders stand in for game servers and send 100,000 lines at fixed rates
// and then as fast as they can; the receiver runs in this process on a
// thread of its own and writes into a temporary archive. Lines the system
// threw away for a full socket buffer are counted apart. scripts/bench runs
// it; see PERFORMANCE.md.

#include <benchmark/benchmark.h>

#include <asio/io_context.hpp>
#include <asio/ip/udp.hpp>

#include <chrono>
#include <ctime>
#include <cstdio>
#include <filesystem>
#include <map>
#include <memory>
#include <utility>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "receive/archive_writer.h"
#include "receive/listener.h"

namespace zelkam::bench {
namespace {

using Clock = std::chrono::steady_clock;

constexpr int LinesPerRun = 100'000;
// The rate each number of servers must reach, in lines a second in all,
// without losing a line.
const std::map<int, double> GoalLinesPerSecond = {{1, 50'000}, {100, 20'000}};

// What each run found, by servers and rate (0: as fast as the sender can).
struct RunResult {
    double sentPerSecond = 0;
    std::uint64_t written = 0;
    std::uint64_t lost = 0;
    std::uint64_t kernelDropped = 0;
    double cpuMicrosecondsPerLine = 0;
};
std::map<std::pair<int, long>, RunResult> results;

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

// Sends every datagram to the receiver at `rate` lines a second in all (0:
// no pause at all), from `servers` sockets in turn, then waits until
// everything sent has been written or the receiver has been idle for half
// a second (the rest was lost).
void Listen(benchmark::State& bench, int servers, long rate)
{
    static const std::vector<std::string> datagrams = makeDatagrams();
    for (auto _ : bench) {
        const std::filesystem::path archive =
            std::filesystem::temp_directory_path() / ("zelkam-listen-bench-" + std::to_string(servers) + "-" + std::to_string(rate));
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
        std::vector<std::unique_ptr<asio::ip::udp::socket>> sockets;
        for (int i = 0; i < servers; ++i)
            sockets.push_back(std::make_unique<asio::ip::udp::socket>(
                io, asio::ip::udp::endpoint(asio::ip::address_v4::loopback(), 0)));
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
            sockets[i % sockets.size()]->send_to(asio::buffer(datagrams[i]), to, 0, error);
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

        RunResult& result = results[{servers, rate}];
        result.sentPerSecond = datagrams.size() / sendSeconds;
        result.written = counts.written;
        result.lost = datagrams.size() - counts.written;
        result.kernelDropped = counts.kernelDropped;
        result.cpuMicrosecondsPerLine = 1e6 * receiverCpuSeconds / static_cast<double>(datagrams.size());
        bench.counters["sent_per_s"] = result.sentPerSecond;
        bench.counters["written"] = static_cast<double>(result.written);
        bench.counters["lost"] = static_cast<double>(result.lost);
        bench.counters["kernel_dropped"] = static_cast<double>(result.kernelDropped);
        bench.counters["receiver_cpu_us_per_line"] = result.cpuMicrosecondsPerLine;
        std::filesystem::remove_all(archive, error);
    }
}

// A server that starts a file with every line, as a flood of forged "Log
// file started" lines would: the rate of new files while the folder is
// young and once it holds thousands. Only the writer, no socket.
constexpr int FilesPerRun = 20'000;
constexpr int FilesTimedAtEachEnd = 2'000;
double firstFilesPerSecond = 0;
double lastFilesPerSecond = 0;
double allFilesPerSecond = 0;

void StartFiles(benchmark::State& bench)
{
    for (auto _ : bench) {
        const std::filesystem::path archive = std::filesystem::temp_directory_path() / "zelkam-listen-bench-files";
        std::error_code error;
        std::filesystem::remove_all(archive, error);
        receive::ArchiveWriter writer(archive);
        std::string problem;
        if (!writer.prepare(problem)) {
            bench.SkipWithError(problem.c_str());
            return;
        }
        const receive::SourceAddress source = receive::SourceAddress::v4({127, 0, 0, 1}, 27015);
        Clock::time_point start = Clock::now();
        Clock::time_point lastStart;
        for (int i = 0; i < FilesPerRun; ++i) {
            // 500 files a date, so no date runs out of running numbers.
            const int date = i / 500;
            char line[128];
            std::snprintf(line, sizeof line, "L %02d/%02d/2001 - 20:00:00: Log file started (file \"logs/x.log\")",
                          1 + date / 28 % 12, 1 + date % 28);
            if (i == FilesPerRun - FilesTimedAtEachEnd)
                lastStart = Clock::now();
            writer.write(source, line);
            if (i + 1 == FilesTimedAtEachEnd)
                firstFilesPerSecond = FilesTimedAtEachEnd / std::chrono::duration<double>(Clock::now() - start).count();
        }
        lastFilesPerSecond = FilesTimedAtEachEnd / std::chrono::duration<double>(Clock::now() - lastStart).count();
        const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
        allFilesPerSecond = FilesPerRun / seconds;
        bench.SetIterationTime(seconds);
        bench.counters["first_files_per_s"] = firstFilesPerSecond;
        bench.counters["last_files_per_s"] = lastFilesPerSecond;
        writer.closeAll();
        std::filesystem::remove_all(archive, error);
    }
}

void registerRuns()
{
    benchmark::RegisterBenchmark("Listen/StartFiles", StartFiles)
        ->Iterations(1)
        ->UseManualTime()
        ->Unit(benchmark::kMillisecond);
    const std::pair<int, long> runs[] = {{1, 50'000},   {1, 100'000},  {1, 200'000}, {1, 0},
                                         {100, 20'000}, {100, 50'000}, {100, 0}};
    for (const auto& [servers, rate] : runs) {
        const std::string name = "Listen/" + std::to_string(servers) + (servers == 1 ? "server/" : "servers/")
                                 + (rate ? "Paced/" + std::to_string(rate) : std::string("Unpaced"));
        benchmark::RegisterBenchmark(name.c_str(), Listen, servers, rate)
            ->Iterations(1)
            ->UseManualTime()
            ->Unit(benchmark::kMillisecond);
    }
}

// PASS when each goal rate lost nothing; also says where loss begins.
int printListenGoal()
{
    std::printf("\nReceiver (%d lines over loopback a run)\n", LinesPerRun);
    for (const auto& [run, result] : results) {
        const auto& [servers, rate] = run;
        std::printf("  %3d server%s %-9s sent %8.0f lines/s, written %6llu, lost %6llu (%llu by the system), "
                    "receiver %.2f us of processor a line\n",
                    servers, servers == 1 ? " " : "s", rate ? (std::to_string(rate) + "/s").c_str() : "unpaced",
                    result.sentPerSecond, static_cast<unsigned long long>(result.written),
                    static_cast<unsigned long long>(result.lost), static_cast<unsigned long long>(result.kernelDropped),
                    result.cpuMicrosecondsPerLine);
    }
    if (firstFilesPerSecond > 0)
        std::printf("  new files: %.0f a second for %d in one folder; %.0f a second for the first %d, %.0f for the "
                    "last %d\n",
                    allFilesPerSecond, FilesPerRun, firstFilesPerSecond, FilesTimedAtEachEnd, lastFilesPerSecond,
                    FilesTimedAtEachEnd);
    int failures = 0;
    for (const auto& [servers, goalRate] : GoalLinesPerSecond) {
        const std::string what = "lines lost, " + std::to_string(servers) + (servers == 1 ? " server" : " servers")
                                 + " at " + std::to_string(static_cast<long>(goalRate)) + " lines/s";
        const auto goal = results.find({servers, static_cast<long>(goalRate)});
        if (goal == results.end()) {
            std::printf("  %-48s %12s      goal lost = 0   not measured\n", what.c_str(), "");
            continue;
        }
        // A sender that could not keep the pace has not tested the goal.
        const bool paced = goal->second.sentPerSecond >= 0.95 * goalRate;
        if (!paced)
            std::printf("  the sender reached only %.0f lines/s: the machine is too busy to test the goal\n",
                        goal->second.sentPerSecond);
        const bool held = goal->second.lost == 0 && paced;
        std::printf("  %-48s %12llu      goal lost = 0   %s\n", what.c_str(),
                    static_cast<unsigned long long>(goal->second.lost), held ? "PASS" : "MISS");
        failures += held ? 0 : 1;
    }
    return failures;
}

} // namespace
} // namespace zelkam::bench

int main(int argc, char** argv)
{
    zelkam::bench::registerRuns();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return zelkam::bench::printListenGoal() ? 3 : 0;
}
