#pragma once

#include <memory>
#include <string>
#include <vector>

#include "cli/cli_usage.h"

namespace zelkam {
class LoadedDay;
}

namespace zelkam::cli {

// Reads the day for the commands that show its events, which need its logs
// readable: the folder scanned and DATE (DD/MM/YYYY) read as the viewer's
// date selector would. Null, with the reason told on standard error, when
// there is nothing to show.
std::unique_ptr<LoadedDay> loadReadableDay(const std::string& folder, const std::string& date);

// The commands of zelkam-cli, given the arguments after the command's name.
// Each writes its results to standard output and, for status 1, one line
// saying why to standard error. UsageError means the arguments do not fit
// the command; the command has told which and why (usageError).
int runDays(const std::vector<std::string>& args);
int runEvents(const std::vector<std::string>& args);
int runReplay(const std::vector<std::string>& args);
int runChat(const std::vector<std::string>& args);
int runGrep(const std::vector<std::string>& args);
int runPlayer(const std::vector<std::string>& args);
int runStats(const std::vector<std::string>& args);

} // namespace zelkam::cli
