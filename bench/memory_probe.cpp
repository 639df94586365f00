#include "bench/memory_probe.h"

#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <sstream>
#include <string_view>

#include "replay/viewer_state.h"

extern char** environ;

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
    int pipeEnds[2];
    if (pipe(pipeEnds) != 0) {
        problem = std::string("pipe: ") + std::strerror(errno);
        return false;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, pipeEnds[0]);
    posix_spawn_file_actions_addclose(&actions, pipeEnds[1]);
    const std::string folderText = folder.string();
    char self[] = "/proc/self/exe";
    char* const arguments[] = {self, const_cast<char*>(MemoryProbeFlag), const_cast<char*>(folderText.c_str()),
                               nullptr};
    pid_t child = 0;
    const int spawned = posix_spawn(&child, self, &actions, nullptr, arguments, environ);
    posix_spawn_file_actions_destroy(&actions);
    close(pipeEnds[1]);
    if (spawned != 0) {
        close(pipeEnds[0]);
        problem = std::string("posix_spawn: ") + std::strerror(spawned);
        return false;
    }

    std::string output;
    char buffer[512];
    ssize_t got;
    while ((got = read(pipeEnds[0], buffer, sizeof buffer)) > 0 || (got < 0 && errno == EINTR)) {
        if (got > 0)
            output.append(buffer, static_cast<std::size_t>(got));
    }
    close(pipeEnds[0]);
    int status = 0;
    rusage usage{};
    while (wait4(child, &status, 0, &usage) < 0 && errno == EINTR) {
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        problem = "the memory probe failed to load " + folderText;
        return false;
    }

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
    figures.maxRssKiB = usage.ru_maxrss;
    if (seen != 6 || figures.events == 0 || figures.peakKiB <= 0) {
        problem = "the memory probe said nothing usable: " + output;
        return false;
    }
    return true;
}

} // namespace zelkam::bench
