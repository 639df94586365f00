#pragma once

#include <cstdint>
#include <filesystem>

namespace zelkam {

// What to generate. The defaults make three ordinary days of a busy server.
struct LogGenOptions {
    std::uint64_t seed = 1;
    // The first day, as a local calendar date.
    int firstYear = 2001;
    int firstMonth = 7;
    int firstDay = 6;
    int days = 3;
    // About how many lines the files of each day hold, all kinds together.
    // The files' own opening and closing lines are written whatever the
    // count, so a tiny count with many files per day is exceeded.
    std::int64_t linesPerDay = 5000;
    // The server's player slots, 2 to 32.
    int maxPlayers = 32;
    // 0: a new file at each map change and server start, as the server does
    // it. Otherwise each day gets exactly this many files, at most
    // MaxFilesPerDay; maps are then shortened to fit, for folder-scan
    // benchmarks.
    int filesPerDay = 0;
};

// Log file names carry a three-digit running number per day.
inline constexpr int MaxFilesPerDay = 1000;
inline constexpr int MaxDays = 3660;
inline constexpr std::int64_t MaxLinesPerDay = 100'000'000;

// True when every option is in range and the first day is a real date with
// a four-digit year.
bool validOptions(const LogGenOptions& options);

// Writes the log folder of a Counter-Strike dedicated server, creating the
// folder when missing and replacing files of the same names. Each day the
// server starts in the evening (earlier when the day must hold many lines),
// changes map every 20 to 40 minutes, now and then restarts, and shuts down
// when the map running at midnight ends: the last file of every day starts
// before midnight and ends after it, and no file starts after midnight. Files
// are named "L" + month + day + running number + ".log" for the day they
// start on, and each begins with the server's opening block.
//
// Player names, user ids, teams and who is alive stay consistent from line
// to line. Days too heavy for plain rounds log every hit ("attacked" lines)
// and then fill up with chat.
//
// The same options give byte-identical folders on every platform. False on
// invalid options or when a file cannot be written; files written until
// then stay.
bool generateLogFolder(const std::filesystem::path& folder, const LogGenOptions& options);

} // namespace zelkam
