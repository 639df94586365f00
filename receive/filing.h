#pragma once

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

// "L" + MM + DD + NNN + ".log"; number 0..999.
std::string logFileName(int month, int day, int number);

inline constexpr int MaxRunningNumber = 999;

// The running number for a new file of the date (month, day) in a folder
// holding these names: one past the highest already there (letter case
// ignored, as the reader's file matching ignores it), so the new file sorts
// after the others; the lowest free one when 999 is taken; -1 when all are.
int nextRunningNumber(const std::vector<std::string>& namesPresent, int month, int day);

// True when the line must open a new file: the source has no file of this
// run yet, or the line is the server's own "Log file started" line. The
// server opens a file only then, not at midnight, so neither does this.
// Only the server's line counts, not a player who says those words: the
// text must come right after the stamp.
bool startsNewFile(bool sourceHasFile, std::string_view line);

} // namespace zelkam::receive
