#include "bench/memory_probe.h"

#include <sys/wait.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string_view>

#include "bench/child_output.h"
#include "replay/viewer_state.h"

namespace zelkam::bench {
namespace {

// A "VmRSS:   1234 kB" field of /proc/self/status, in kibibytes; -1 when
// missing.
long statusKiB(std::string_view field)
{
    std::FILE* status = std::fopen("/proc/self/status", "r");
    if (!status)
        return -1;
    char line[256];
    long value = -1;
    while (std::fgets(line, sizeof line, status)) {
        if (std::string_view(line).starts_with(field) && line[field.size()] == ':') {
            value = std::strtol(line + field.size() + 1, nullptr, 10);
            break;
        }
    }
    std::fclose(status);
    return value;
}

} // namespace

int runMemoryProbe(const char* folder)
{
    // The state is made before the baseline: it is there for the whole run
    // of the viewer, loaded day or not.
    static zelkam::ViewerState state;
    const long base = statusKiB("VmRSS");
    const auto start = std::chrono::steady_clock::now();
    if (!state.loadFolder(folder) || state.isEmptyDay())
        return 1;
    const double took = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    std::printf("base %ld\npeak %ld\nafter %ld\nevents %zu\narray %zu\nmicroseconds %lld\n", base,
                statusKiB("VmHWM"), statusKiB("VmRSS"), state.events().size(),
                state.events().capacity() * sizeof(LogEvent), static_cast<long long>(took * 1000));
    return std::fflush(stdout) == 0 ? 0 : 1;
}

bool measureDayLoadMemory(const std::filesystem::path& folder, MemoryFigures& figures, std::string& problem)
{
    const std::string folderText = folder.string();
    char self[] = "/proc/self/exe";
    char* const arguments[] = {self, const_cast<char*>(MemoryProbeFlag), const_cast<char*>(folderText.c_str()),
                               nullptr};
    ChildRun probe;
    if (!runReadingOutput(arguments, probe, problem))
        return false;
    if (!WIFEXITED(probe.status) || WEXITSTATUS(probe.status) != 0) {
        problem = "the memory probe failed to load " + folderText;
        return false;
    }
    const std::string& output = probe.output;

    std::istringstream lines(output);
    std::string key;
    long long value = 0;
    int seen = 0;
    while (lines >> key >> value) {
        ++seen;
        if (key == "base")
            figures.baseKiB = static_cast<long>(value);
        else if (key == "peak")
            figures.peakKiB = static_cast<long>(value);
        else if (key == "after")
            figures.afterKiB = static_cast<long>(value);
        else if (key == "events")
            figures.events = static_cast<std::size_t>(value);
        else if (key == "array")
            figures.eventArrayBytes = static_cast<std::size_t>(value);
        else if (key == "microseconds")
            figures.loadMilliseconds = static_cast<double>(value) / 1000;
        else
            --seen;
    }
    figures.maxRssKiB = probe.usage.ru_maxrss;
    if (seen != 6 || figures.events == 0 || figures.peakKiB <= 0) {
        problem = "the memory probe said nothing usable: " + output;
        return false;
    }
    return true;
}

} // namespace zelkam::bench
