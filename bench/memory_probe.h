#pragma once

#include <cstddef>
#include <filesystem>
#include <string>

namespace zelkam::bench {

// What one day load costs in memory, measured in a process that does
// nothing else, so no earlier benchmark's buffers or freed pages count.
struct MemoryFigures {
    // Resident kibibytes just before the load, the high-water mark after it
    // and what stays resident once it is done.
    long baseKiB = 0;
    long peakKiB = 0;
    long afterKiB = 0;
    // The kernel's own high-water mark for the child (wait4's ru_maxrss).
    long maxRssKiB = 0;
    std::size_t events = 0;
    // How long the load took there: the first load of a process, which also
    // pays for the pages its arrays touch for the first time.
    double loadMilliseconds = 0;
    // Bytes of the event array the load left (its capacity, not its size).
    std::size_t eventArrayBytes = 0;
};

// The program's hidden mode: loads the folder's first day as the viewer
// does (ViewerState::loadFolder) and prints the figures, one "key value" a
// line. Returns the process exit status.
int runMemoryProbe(const char* folder);

// Runs this program again in probe mode over the folder and collects its
// figures. False, with problem set, when the child cannot be started or
// says nothing usable.
bool measureDayLoadMemory(const std::filesystem::path& folder, MemoryFigures& figures, std::string& problem);

// The flag that selects probe mode, followed by the folder.
inline constexpr const char* MemoryProbeFlag = "--memory-probe";

} // namespace zelkam::bench
