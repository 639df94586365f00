#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "ingest/file_mark.h"
#include "parse/containers.h"
#include "parse/time_stamp.h"

namespace zelkam {

// One log file of the folder: its bare name, the calendar time of its
// first line, and whether its last whole line is stamped on the local day
// after its first (a map played on past midnight in the same file).
struct LogFileEntry {
    std::string name;
    std::int32_t startTime = 0;
    bool reachesNextDay = false;
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

// The calendar time of a log file's first line, read from its first 24
// bytes (of its content, for an archive). False when the file cannot be
// opened, is not a regular file, holds fewer than 24 bytes or its stamp does
// not convert. Probing many files, pass one converter to them all: it
// converts each hour once.
bool probeLogFile(const std::filesystem::path& path, std::int32_t& time);
bool probeLogFile(const std::filesystem::path& path, TimeStampConverter& stamps, std::int32_t& time);

// One log file as a listing found it: how it looked, and its dates.
struct ListedFile {
    FileMark mark;
    bool dated = false;
    std::int32_t startTime = 0;
    bool reachesNextDay = false;
};

// Lists a folder's log files; every listing of a folder goes through here.
// A log is named "L*.log" as the server writes it, or archived as
// "L*.log.gz", "L*.log.xz" or "L*.log.zst"; only regular files (or links to
// them) count. Each file is dated by the time stamp of its first line; a
// file that cannot be dated that way is left out, since no window could
// read it. Of a log and its archived twins only one is listed, so no log is
// read twice: the plain file, which the server may still be writing, else
// the archive whose name sorts first (".gz", ".xz", ".zst").
//
// The listing remembers how each file looked. A listing that reuses what it
// knows reads again only the files that are new or look changed: a
// server's folder holds years of logs, and only the newest change.
class FolderListing {
public:
    struct Options {
        // Keep the dates of files that look as at the last listing.
        bool reuseKnown = false;
        // Leave the newest file out until its first line is whole: the
        // server may be writing it, and a line counts once it is complete.
        bool wholeFirstLineOfNewest = false;
    };

    // Lists folder (an empty path is the current directory) into files,
    // replacing its entries, sorted in entry order. False, with files
    // untouched, when the folder does not exist or is not a directory.
    bool list(const std::filesystem::path& folder, LogFileList& files, Options options);

    // Dates the listed file `name` again (it grew) and updates its entry in
    // files; true when its dates changed.
    bool relook(LogFileList& files, const std::string& name);

    // The log files the last listing could not date, with their sizes then.
    std::vector<std::pair<std::string, std::uint64_t>> undated() const;
    // The newest datable file of the last listing, whether or not its first
    // line was whole.
    const std::string& newest() const { return newest_; }
    void clear();

private:
    std::filesystem::path folder_;
    std::unordered_map<std::string, ListedFile> known_;
    std::string newest_;
};

// Lists the folder's log files (FolderListing, from scratch) and appends
// them to the list. False, with the list untouched, when the folder does not
// exist, is not a directory or holds no datable log file.
bool scanFolder(std::string_view folderPath, LogFileList& list);

// Appends to days, in ascending order and once each, the local midnights
// of the list's entries and, for an entry that reaches the next day, the
// midnight after its own: that day's window reads the file (only the next
// day: a longer run is not looked for).
void appendDays(const LogFileList& list, GrowArray<std::int32_t>& days);

} // namespace zelkam
