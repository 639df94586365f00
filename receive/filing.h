#pragma once

#include <bitset>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "receive/datagram.h"

namespace zelkam::receive {

// Where the receiver files a source's lines, decided without touching the
// disk: the archive holds a folder per sending server, and in it files named
// as the server names its own, "L" + month + day + running number + ".log".

// The folder of a source: "<address>_<port>", an IPv6 address's colons
// written as '-' so the name is legal on every platform. Made from the
// parsed address only, so it holds digits, letters a-f, '.', '-' and '_'.
std::string sourceFolderName(const SourceAddress& source);

inline constexpr int MaxRunningNumber = 999;

// "L" + MM + DD + NNN + ".log"; number 0..999.
std::string logFileName(int month, int day, int number);


// The running numbers taken in one server folder, by date: learnt from the
// folder's names once, then kept up to date as files are made, so starting
// a file never lists the folder again.
class RunningNumbers {
public:
    // A name in the folder; only log file names (letter case ignored, as
    // the reader's file matching ignores it) take a number.
    void note(std::string_view name);
    void take(int month, int day, int number);

    // The running number for a new file of the date (month, day): one past
    // the highest taken, so the new file sorts after the others; the lowest
    // free one when 999 is taken; -1 when all are.
    int next(int month, int day) const;

private:
    std::map<int, std::bitset<MaxRunningNumber + 1>> taken_; // by month * 100 + day
};

// RunningNumbers::next for a folder holding these names.
int nextRunningNumber(const std::vector<std::string>& namesPresent, int month, int day);

// True when name is a log file name ("L" + MMDD + NNN + ".log", any case).
bool isLogFileName(std::string_view name);

// True when the line must open a new file: the source has no file of this
// run yet, or the line is the server's own "Log file started" line. The
// server opens a file only then, not at midnight, so neither does this.
// Only the server's line counts, not a player who says those words: the
// text must come right after the stamp.
bool startsNewFile(bool sourceHasFile, std::string_view line);

} // namespace zelkam::receive
