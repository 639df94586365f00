#pragma once

#include <string>
#include <vector>

namespace zelkam::cli {

// Exit statuses of zelkam-cli.
enum ExitStatus : int { Done = 0, NothingToShow = 1, UsageError = 2 };

// The commands of zelkam-cli, given the arguments after the command's name.
// Each writes its results to standard output and, for status 1, one line
// saying why to standard error. UsageError means the arguments do not fit
// the command; the caller prints the usage then.
int runDays(const std::vector<std::string>& args);
int runEvents(const std::vector<std::string>& args);
int runReplay(const std::vector<std::string>& args);
int runChat(const std::vector<std::string>& args);
int runGrep(const std::vector<std::string>& args);
int runPlayer(const std::vector<std::string>& args);

} // namespace zelkam::cli
