// Four small archives that expand to 1.1 GiB of one repeated line each, all
// on one day: what a command costs in memory there. Whatever the number of
// threads and days in hand, the decoded text a process holds is bounded, so
// every command ends with a warning and exit 0, well under the goal.

#include <benchmark/benchmark.h>
#include <lzma.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "bench/bench_folders.h"
#include "bench/child_output.h"
#include "bench/goal_report.h"

namespace zelkam::bench {
namespace {

constexpr std::uint64_t BombBytes = std::uint64_t{1100} << 20;
constexpr int Bombs = 4;

// xz of BombBytes of one chat line, encoded once as a stream.
bool writeBomb(const std::filesystem::path& path)
{
    const std::string line = "L 07/02/2001 - 10:00:00: \"Bomb<2><STEAM_0:1:2><CT>\" say \"all work and no play\"\n";
    std::string block;
    while (block.size() < (std::size_t{1} << 20))
        block += line;
    lzma_stream stream = LZMA_STREAM_INIT;
    if (lzma_easy_encoder(&stream, 0, LZMA_CHECK_CRC32) != LZMA_OK)
        return false;
    std::ofstream out(path, std::ios::binary);
    std::vector<std::uint8_t> output(std::size_t{1} << 16);
    std::uint64_t fed = 0;
    lzma_ret status = LZMA_OK;
    while (status != LZMA_STREAM_END) {
        lzma_action action = LZMA_RUN;
        if (stream.avail_in == 0) {
            if (fed < BombBytes) {
                const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(block.size(), BombBytes - fed));
                stream.next_in = reinterpret_cast<const std::uint8_t*>(block.data());
                stream.avail_in = n;
                fed += n;
            }
            if (fed >= BombBytes)
                action = LZMA_FINISH;
        }
        stream.next_out = output.data();
        stream.avail_out = output.size();
        status = lzma_code(&stream, action);
        if (status != LZMA_OK && status != LZMA_STREAM_END) {
            lzma_end(&stream);
            return false;
        }
        out.write(reinterpret_cast<const char*>(output.data()),
                  static_cast<std::streamsize>(output.size() - stream.avail_out));
    }
    lzma_end(&stream);
    return static_cast<bool>(out);
}

// The bombs' folder under the benchmarks' data folder, written once: a day
// before them with a line of its own, and the four bombs on 02/07/2001.
const std::filesystem::path* bombFolder()
{
    static const std::filesystem::path* made = []() -> const std::filesystem::path* {
        static std::filesystem::path folder = benchDataFolder() / "bombs";
        const std::filesystem::path marker = benchDataFolder() / "bombs.done-4x1100MiB";
        std::error_code error;
        if (std::filesystem::exists(marker, error))
            return &folder;
        std::filesystem::create_directories(folder, error);
        std::fprintf(stderr, "zelkam-bench: writing %d xz archives of 1.1 GiB each in %s\n", Bombs,
                     folder.string().c_str());
        std::ofstream(folder / "L0701000.log")
            << "L 07/01/2001 - 09:00:00: \"Ann<1><STEAM_0:1:1><CT>\" say \"the day before\"\n";
        if (!writeBomb(folder / "L0702000.log.xz"))
            return nullptr;
        for (int i = 1; i < Bombs; ++i) {
            char name[32];
            std::snprintf(name, sizeof name, "L070200%d.log.xz", i);
            std::filesystem::copy_file(folder / "L0702000.log.xz", folder / name,
                                       std::filesystem::copy_options::overwrite_existing, error);
            if (error)
                return nullptr;
        }
        std::ofstream(marker) << Bombs << " bombs\n";
        return &folder;
    }();
    return made;
}

// Every command that reads the day's archives, run once each as a whole
// process: the largest peak resident size of them, and whether each exited
// 0. Goal: at most 400 MB.
void BombFolder(benchmark::State& bench)
{
    const std::filesystem::path* folder = bombFolder();
    if (!folder) {
        bench.SkipWithError("the bombs' folder cannot be made");
        return;
    }
    const std::vector<std::vector<std::string>> commands = {
        {"chat", folder->string(), "02/07/2001"},
        {"events", folder->string(), "02/07/2001"},
        {"overview", folder->string(), "02/07/2001"},
        {"grep", folder->string(), "work"},
        {"player", folder->string(), "--name", "Bomb"},
        {"stats", folder->string()},
        {"replay", folder->string(), "02/07/2001"},
        {"timeline", folder->string(), "--name", "Bomb"},
        // The page of the whole day: every one of the cut day's lines.
        {"report", folder->string(), "02/07/2001", "--from", "00:00:00", "--to", "23:59:59", "-o", "/dev/null"},
    };
    // A child's own ru_maxrss counts the memory of the process that spawned
    // it (the benchmark, large by now) when it replaces itself with the
    // command; /usr/bin/time forks from a small process, so what it reports
    // of the command is the command's alone.
    const std::filesystem::path report = benchDataFolder() / "bombs-peak.txt";
    double peakMB = 0;
    for (auto _ : bench) {
        for (const auto& command : commands) {
            std::vector<std::string> texts = command;
            texts.insert(texts.begin(), {"/usr/bin/time", "-f", "%M", "-o", report.string(), ZELKAM_CLI});
            std::vector<char*> arguments;
            for (std::string& text : texts)
                arguments.push_back(text.data());
            arguments.push_back(nullptr);
            ChildRun child;
            std::string problem;
            if (!runReadingOutput(arguments.data(), child, problem) || !WIFEXITED(child.status)
                || WEXITSTATUS(child.status) != 0) {
                bench.SkipWithError(("zelkam-cli " + command[0] + " did not end with exit 0 (or no /usr/bin/time)").c_str());
                return;
            }
            long kibibytes = 0;
            if (!(std::ifstream(report) >> kibibytes)) {
                bench.SkipWithError("/usr/bin/time reported nothing");
                return;
            }
            peakMB = std::max(peakMB, static_cast<double>(kibibytes) * 1024.0 / 1e6);
        }
    }
    bench.counters["peak_MB"] = peakMB;
    bench.SetLabel("goal: peak <= 400 MB");
}
BENCHMARK(BombFolder)->Name("Bombs/PeakOfEveryCommand")->Unit(benchmark::kSecond)->Iterations(1);

const bool registered =
    registerGoal({"peak resident of any command over 4 xz bombs of 1.1 GiB", "Bombs/PeakOfEveryCommand", "peak_MB", "MB",
                  400});

} // namespace
} // namespace zelkam::bench
