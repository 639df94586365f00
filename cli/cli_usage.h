#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

namespace zelkam {
class LoadedDay;
}

namespace zelkam::cli {

// Exit statuses of zelkam-cli.
enum ExitStatus : int { Done = 0, NothingToShow = 1, UsageError = 2 };

// Tells the user what is wrong with the arguments in one line, "zelkam-cli: "
// and the message, then one line pointing at --help; returns UsageError.
// The message names the argument at fault and the rule it breaks, as in
// "\"32/13/2001\" is not a date (DD/MM/YYYY)" (quote the argument with
// quotedArgument()).
int usageError(std::string_view message);
// Whether usageError has been called in this run.
bool usageErrorTold();

// The argument in double quotes, made safe for a terminal.
std::string quotedArgument(std::string_view argument);

// One line "zelkam-cli: " and the message on standard error, after the
// standard output has been flushed: why there is nothing to show, or what a
// long-running command is doing. Every message of every command goes out
// this way. The message is made safe for a terminal (terminalText) here, so
// a folder name or a stranger's text in it cannot act on the terminal.
void complain(std::string_view message);

// Checks that folder names a readable folder: false, with the reason told
// on standard error, when it does not exist, is a file or cannot be read.
bool checkLogFolder(const std::string& folder);
// Tells that the folder holds no logs.
void complainNoLogs(const std::string& folder);

// Scans the folder into day, listing its days without reading any. False,
// with the reason told on standard error, when there is nothing to show: the
// folder does not exist, is a file, cannot be read or holds no logs; each
// has its message.
bool loadLogFolder(LoadedDay& day, const std::string& folder);

// True when text is a DATE argument (DD/MM/YYYY); otherwise tells the usage
// error (usageError) and returns false.
bool checkDateArgument(std::string_view text);

// Reads the DATE of --from or --to (option) into the first or the last day
// of a range (local midnights). False, the usage error told, when it is not
// a date or not one of the calendar.
bool readRangeDate(std::string_view option, std::string_view value, std::int32_t& firstDay, std::int32_t& lastDay);
// True when a range of --from and --to (days, or a report's times of day)
// runs forward; otherwise tells the usage error "COMMAND: --to is before
// --from": a range the user got backwards is not a range with nothing in
// it.
bool checkRangeOrder(std::string_view command, std::int64_t from, std::int64_t to);

// Checks the number of positional arguments of a command against the names
// it takes (such as {"FOLDER", "DATE"}): true when they match; otherwise
// tells the usage error, naming the first missing or unexpected argument.
bool checkArgumentCount(std::string_view command, std::size_t given, std::initializer_list<std::string_view> names,
                        const std::string* firstExtra);
// The positional arguments of a command: their count against the names,
// then the DATE where the command takes one; the usage error told when
// they do not do.
bool checkArguments(std::string_view command, const std::vector<std::string>& args,
                    std::initializer_list<std::string_view> names);

} // namespace zelkam::cli
