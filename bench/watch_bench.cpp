// zelkam-watch-bench: what watching a community of busy servers costs.
// `zelkam-cli watch` (the one this build made) runs as an admin runs it,
// on 50 server folders that this program appends to as game servers do,
// 100 lines a second each, with a chat rule whose print action tells every
// hit at once. Measured: the watcher's processor time (user and system,
// from wait4 when it ends) per second of its wall time, start-up included,
// and how long after a marked line is written its notice is read from the
// watcher's output. The generator's own work is not the watcher's and is
// not counted. scripts/bench runs it; see PERFORMANCE.md.

#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace zelkam::bench {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr int Servers = 50;
constexpr int LinesPerSecond = 100;
// Lines are appended in ticks, as a server's buffered log reaches its file.
constexpr int TicksPerSecond = 10;
constexpr double MeasuredSeconds = 30;
// A marked chat line goes to one server in turn this often.
constexpr double MarkEverySeconds = 0.5;
constexpr const char* Marker = "zzwatchmarkzz";

constexpr double GoalCoreShare = 0.2;
constexpr double GoalLatencySeconds = 2;

struct Result {
    bool measured = false;
    // It ran and failed (it said why), rather than being left out.
    bool failed = false;
    double coreShare = 0;
    double wallSeconds = 0;
    double linesPerSecond = 0;
    double latencyMedian = 0;
    double latencyMax = 0;
    int marks = 0;
    int told = 0;
};
Result result;

double secondsBetween(Clock::time_point a, Clock::time_point b)
{
    return std::chrono::duration<double>(b - a).count();
}

// The server's own stamp for now, in UTC (the watcher runs with TZ=UTC).
std::string stampNow()
{
    const std::time_t now = std::time(nullptr);
    std::tm fields{};
    gmtime_r(&now, &fields);
    char text[32];
    std::strftime(text, sizeof text, "L %m/%d/%Y - %H:%M:%S: ", &fields);
    return text;
}

std::string todaysFileName()
{
    const std::time_t now = std::time(nullptr);
    std::tm fields{};
    gmtime_r(&now, &fields);
    char text[32];
    std::strftime(text, sizeof text, "L%m%d000.log", &fields);
    return text;
}

// Lines a busy server writes: kills and chat of a full server, about 100
// bytes each. The chat holds no marker, so only marked lines are told.
std::string busyLine(int server, long n)
{
    char line[256];
    const int a = static_cast<int>(n % 16);
    const int b = static_cast<int>((n + 5) % 16);
    if (n % 5 == 0) {
        std::snprintf(line, sizeof line, "\"Player %d-%d<%d><STEAM_0:1:%d><CT>\" say \"line %ld of the run\"\n",
                      server, a, a + 1, 1000 + a, n);
    } else {
        std::snprintf(line, sizeof line,
                      "\"Player %d-%d<%d><STEAM_0:1:%d><CT>\" killed \"Player %d-%d<%d><STEAM_0:1:%d><TERRORIST>\" "
                      "with \"ak47\"\n",
                      server, a, a + 1, 1000 + a, server, b, b + 1, 1000 + b);
    }
    return line;
}

// Reads the watcher's output, noting when each marked notice arrives.
struct NoticeReader {
    int fd = -1;
    std::mutex lock;
    std::map<long, Clock::time_point> arrived;
    std::thread thread;

    void start()
    {
        thread = std::thread([this] {
            std::string pending;
            char buffer[65536];
            for (;;) {
                const ssize_t got = read(fd, buffer, sizeof buffer);
                if (got < 0 && errno == EINTR)
                    continue;
                if (got <= 0)
                    return;
                const Clock::time_point now = Clock::now();
                pending.append(buffer, static_cast<std::size_t>(got));
                std::size_t end;
                while ((end = pending.find('\n')) != std::string::npos) {
                    const std::string line = pending.substr(0, end);
                    pending.erase(0, end + 1);
                    for (std::size_t at = line.find(Marker); at != std::string::npos;
                         at = line.find(Marker, at + 1)) {
                        const long mark = std::atol(line.c_str() + at + std::strlen(Marker) + 1);
                        std::lock_guard<std::mutex> guard(lock);
                        arrived.emplace(mark, now);
                    }
                }
            }
        });
    }
    bool has(long mark)
    {
        std::lock_guard<std::mutex> guard(lock);
        return arrived.count(mark) != 0;
    }
};

void Watch50Servers(benchmark::State& bench)
{
    for (auto _ : bench) {
        const fs::path root = fs::temp_directory_path() / ("zelkam-watch-bench-" + std::to_string(getpid()));
        std::error_code error;
        fs::remove_all(root, error);
        const fs::path community = root / "servers";
        const std::string fileName = todaysFileName();
        std::vector<int> files;
        for (int i = 0; i < Servers; ++i) {
            char name[16];
            std::snprintf(name, sizeof name, "server%02d", i);
            fs::create_directories(community / name);
            const fs::path file = community / name / fileName;
            std::ofstream(file, std::ios::binary) << stampNow() << "Loading map \"de_dust\"\n";
            files.push_back(::open(file.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC));
        }
        fs::create_directories(root / "state");
        std::ofstream(root / "rules.json")
            << "{\"actions\": {\"out\": {\"print\": true}}, \"rules\": [{\"name\": \"mark\", \"kind\": \"chat\", "
               "\"words\": [\""
            << Marker << "\"], \"everySeconds\": 0, \"to\": [\"out\"]}]}\n";

        int pipeEnds[2];
        if (pipe2(pipeEnds, O_CLOEXEC) != 0) {
            result.failed = true;
            bench.SkipWithError("pipe");
            return;
        }
        std::vector<std::string> texts = {ZELKAM_CLI,    "watch", "--community",
                                          community.string(), "--rules", (root / "rules.json").string(),
                                          "--state",      (root / "state").string()};
        std::vector<char*> arguments;
        for (std::string& text : texts)
            arguments.push_back(text.data());
        arguments.push_back(nullptr);
        std::vector<std::string> environment = {"TZ=UTC"};
        for (char** at = environ; *at; ++at) {
            if (std::strncmp(*at, "TZ=", 3) != 0)
                environment.push_back(*at);
        }
        std::vector<char*> environmentPointers;
        for (std::string& text : environment)
            environmentPointers.push_back(text.data());
        environmentPointers.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], STDOUT_FILENO);
        pid_t child = 0;
        const Clock::time_point spawnedAt = Clock::now();
        const int spawned = posix_spawn(&child, arguments[0], &actions, nullptr, arguments.data(),
                                        environmentPointers.data());
        posix_spawn_file_actions_destroy(&actions);
        close(pipeEnds[1]);
        if (spawned != 0) {
            close(pipeEnds[0]);
            result.failed = true;
            bench.SkipWithError("zelkam-cli watch does not start");
            return;
        }
        NoticeReader reader;
        reader.fd = pipeEnds[0];
        reader.start();

        long lineNumber = 0;
        const auto appendTick = [&](int server, int lines, long mark) {
            std::string bytes;
            const std::string stamp = stampNow();
            for (int i = 0; i < lines; ++i)
                bytes += stamp + busyLine(server, lineNumber++);
            if (mark >= 0) {
                char line[128];
                std::snprintf(line, sizeof line, "\"Admin<1><STEAM_0:1:1><CT>\" say \"%s %ld\"\n", Marker, mark);
                bytes += stamp + line;
            }
            return ::write(files[static_cast<std::size_t>(server)], bytes.data(), bytes.size())
                   == static_cast<ssize_t>(bytes.size());
        };

        // Ready when a probe line is told: the first look (the past, told
        // nothing) is behind it.
        bool ready = false;
        for (long probe = 1'000'000; !ready && secondsBetween(spawnedAt, Clock::now()) < 30; ++probe) {
            appendTick(0, 0, probe);
            for (int i = 0; i < 20 && !ready; ++i) {
                std::this_thread::sleep_for(std::chrono::milliseconds(25));
                ready = reader.has(probe);
            }
        }

        std::map<long, Clock::time_point> written;
        long nextMark = 0;
        long linesWritten = 0;
        const Clock::time_point start = Clock::now();
        const auto tick = std::chrono::duration<double>(1.0 / TicksPerSecond);
        for (long t = 0; ready && t < static_cast<long>(MeasuredSeconds * TicksPerSecond); ++t) {
            std::this_thread::sleep_until(start + std::chrono::duration_cast<Clock::duration>(tick * t));
            const bool markNow = t % static_cast<long>(MarkEverySeconds * TicksPerSecond) == 0;
            const int markedServer = static_cast<int>(nextMark % Servers);
            for (int server = 0; server < Servers; ++server) {
                const bool marked = markNow && server == markedServer;
                if (marked)
                    written[nextMark] = Clock::now();
                appendTick(server, LinesPerSecond / TicksPerSecond, marked ? nextMark : -1);
                linesWritten += LinesPerSecond / TicksPerSecond + (marked ? 1 : 0);
            }
            if (markNow)
                ++nextMark;
        }
        const double writingSeconds = secondsBetween(start, Clock::now());
        // The last marks get the goal's time to be told.
        const Clock::time_point waitUntil = Clock::now() + std::chrono::milliseconds(2500);
        while (ready && Clock::now() < waitUntil && !reader.has(nextMark - 1))
            std::this_thread::sleep_for(std::chrono::milliseconds(20));

        kill(child, SIGTERM);
        int status = 0;
        rusage usage{};
        while (wait4(child, &status, 0, &usage) < 0 && errno == EINTR) {
        }
        const double wall = secondsBetween(spawnedAt, Clock::now());
        reader.thread.join();
        close(pipeEnds[0]);
        for (int file : files)
            close(file);
        fs::remove_all(root, error);
        if (!ready) {
            result.failed = true;
            bench.SkipWithError("the watcher told no probe within 30 s");
            return;
        }

        const double cpu = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec)
                           + static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
        std::vector<double> latencies;
        for (const auto& [mark, at] : written) {
            const auto told = reader.arrived.find(mark);
            // A notice never told counts as the whole wait, so it misses.
            latencies.push_back(told == reader.arrived.end() ? 1e9 : secondsBetween(at, told->second));
        }
        std::sort(latencies.begin(), latencies.end());
        result.measured = true;
        result.coreShare = cpu / wall;
        result.wallSeconds = wall;
        result.linesPerSecond = static_cast<double>(linesWritten) / writingSeconds;
        result.marks = static_cast<int>(latencies.size());
        result.told = static_cast<int>(std::count_if(latencies.begin(), latencies.end(), [](double s) { return s < 1e8; }));
        result.latencyMedian = latencies.empty() ? 0 : latencies[latencies.size() / 2];
        result.latencyMax = latencies.empty() ? 0 : latencies.back();
        bench.SetIterationTime(wall);
        bench.counters["core_share"] = result.coreShare;
        bench.counters["lines_per_s"] = result.linesPerSecond;
        bench.counters["notice_median_s"] = result.latencyMedian;
        bench.counters["notice_max_s"] = result.latencyMax;
    }
}
BENCHMARK(Watch50Servers)->Name("Watch/50Servers100LinesPerSecond")->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);

int printWatchGoals()
{
    std::printf("\nWatcher (%d servers, %d lines/s each, %.0f s of writing)\n", Servers, LinesPerSecond,
                MeasuredSeconds);
    if (!result.measured) {
        // Left out by a filter, or failed (it said why above).
        std::printf("  not measured\n");
        return result.failed ? 2 : 0;
    }
    std::printf("  lines written %.0f/s in all; watcher ran %.1f s; %d of %d marked notices told; "
                "notice after its line: median %.3f s\n",
                result.linesPerSecond, result.wallSeconds, result.told, result.marks, result.latencyMedian);
    // The generator must have kept the pace, or the goal was not tested.
    const bool paced = result.linesPerSecond >= 0.95 * Servers * LinesPerSecond;
    if (!paced)
        std::printf("  the generator reached only %.0f lines/s: the machine is too busy to test the goals\n",
                    result.linesPerSecond);
    const bool cpuHeld = paced && result.coreShare <= GoalCoreShare;
    const bool latencyHeld = paced && result.told == result.marks && result.latencyMax <= GoalLatencySeconds;
    std::printf("  %-52s %8.3f      goal <= %.1f   %s\n", "watcher processor time / wall time (cores)",
                result.coreShare, GoalCoreShare, cpuHeld ? "PASS" : "MISS");
    std::printf("  %-52s %8.3f s    goal <= %.0f s   %s\n", "slowest notice after its line was written",
                result.latencyMax, GoalLatencySeconds, latencyHeld ? "PASS" : "MISS");
    return (cpuHeld ? 0 : 1) + (latencyHeld ? 0 : 1);
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
    return zelkam::bench::printWatchGoals() ? 3 : 0;
}
