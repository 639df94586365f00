#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

#include "parse/containers.h"

namespace zelkam {

// One log file of the folder: its bare name and the calendar time of its
// first line.
struct LogFileEntry {
    std::string name;
    std::int32_t startTime = 0;
};

// The log files of the folder, kept in entry order (start time, then name
// byte by byte), and the reader's cursors into them for the current window.
struct LogFileList {
    static constexpr std::size_t InitialCapacity = 50;

    std::filesystem::path folder;
    GrowArray<LogFileEntry> entries{InitialCapacity};
    // The first file of the window, and the entry the window stops before
    // (entries.size() when it runs to the end of the list).
    std::size_t windowFirst = 0;
    std::size_t windowStop = 0;

    // Where a bare file name of the folder (UTF-8 text) is on disk.
    std::filesystem::path pathOf(const std::string& name) const;
};

// Entry order: start time ascending, equal times by name compared byte by byte.
bool entryBefore(const LogFileEntry& a, const LogFileEntry& b);
void sortEntries(LogFileList& list);

// True when name matches the wildcard pattern, where "*" stands for any run
// of characters; letter case is ignored, as file-name matching does on the
// servers' own platform.
bool matchesFileNamePattern(std::string_view pattern, std::string_view name);

// Whether a file is a log by its name: "L*.log" as the server writes it, or
// archived as "L*.log.gz", "L*.log.xz" or "L*.log.zst".
bool isLogFileName(std::string_view name);

// Lists the folder's log files (isLogFileName; regular files or links to
// them) and appends them to the list, each dated by the time stamp of its
// first line; files that cannot be dated that way are left out, since no
// window could read them. An archive whose plain twin is there ("X.log"
// beside "X.log.gz") is left out, and of archived twins only the first
// name in byte order is listed, so no log is read twice. An empty path is the process's current directory.
// False, with the list untouched, when the folder does not exist, is not a
// directory or holds no datable log file.
bool scanFolder(std::string_view folderPath, LogFileList& list);

// The stamp of the local midnight that begins the day holding time, or -1.
std::int32_t dayStartOf(std::int32_t time);

// The calendar time `days` local calendar days after time (before it, for a
// negative count) at the same wall-clock time; from a midnight, the midnight
// that many days on. Where the clocks change a day is 23 or 25 hours long,
// so this is not days * 86,400 seconds; that is the answer only where the
// local conversion fails.
std::int64_t addLocalDays(std::int64_t time, int days);

// Appends to days the distinct local midnights of the list's entries, in
// ascending order (the list is sorted, so each day comes once).
void appendDays(const LogFileList& list, GrowArray<std::int32_t>& days);

} // namespace zelkam
