#include "cli/cli_usage.h"

#include <algorithm>
#include <filesystem>
#include <iostream>
#include <optional>
#include <string_view>
#include <system_error>
#include <vector>

#include "cli/cli_dates.h"
#include "ingest/open_file.h"
#include "replay/loaded_day.h"
#include "text/text_out.h"

namespace zelkam::cli {
namespace {

bool told = false;

} // namespace

int usageError(std::string_view message)
{
    told = true;
    std::cout.flush();
    std::cerr << "zelkam-cli: " << terminalText(message) << '\n' << "Try 'zelkam-cli --help' for more information.\n";
    return UsageError;
}

bool usageErrorTold() { return told; }

std::string quotedArgument(std::string_view argument) { return '"' + terminalText(argument) + '"'; }

void complain(std::string_view message)
{
    std::cout.flush();
    // A message may quote a folder name or a stranger's text; what is made
    // safe already (quotedArgument) stays as it is, since escapes are plain
    // text.
    std::cerr << "zelkam-cli: " << terminalText(message) << '\n';
}

bool checkLogFolder(const std::string& folder)
{
    // Only looked at, never changed: the folder is read-only to us.
    const std::filesystem::path path = pathFromUtf8(folder);
    const PathKind kind = pathKind(path);
    if (kind == PathKind::Missing) {
        complain("folder " + quotedArgument(folder) + " does not exist");
        return false;
    }
    if (kind == PathKind::File) {
        complain(quotedArgument(folder) + " is a file, not a folder");
        return false;
    }
    // Listing nothing tells whether the folder can be read at all.
    std::vector<std::string> none;
    std::error_code error;
    if (!listFiles(path, [](std::string_view) { return false; }, none, error)) {
        complain("cannot read folder " + quotedArgument(folder) + ": " + error.message());
        return false;
    }
    return true;
}

void complainNoLogs(const std::string& folder) { complain("no logs (L*.log) in folder " + quotedArgument(folder)); }

bool loadLogFolder(LoadedDay& day, const std::string& folder)
{
    if (!checkLogFolder(folder))
        return false;
    // Only the days are listed: the day the caller asks for is loaded next,
    // so loading the earliest one first would read a heavy day twice.
    if (!day.scan(folder)) {
        complainNoLogs(folder);
        return false;
    }
    return true;
}

bool checkDateArgument(std::string_view text)
{
    if (isWrittenAsDate(text))
        return true;
    usageError(quotedArgument(text) + " is not a date (DD/MM/YYYY)");
    return false;
}

bool readRangeDate(std::string_view option, std::string_view value, std::int32_t& firstDay, std::int32_t& lastDay)
{
    if (!checkDateArgument(value))
        return false;
    const std::optional<std::int32_t> midnight = midnightOfDate(value);
    if (!midnight) {
        usageError(quotedArgument(value) + " is not a date of the calendar");
        return false;
    }
    (option == "--from" ? firstDay : lastDay) = *midnight;
    return true;
}

bool checkRangeOrder(std::string_view command, std::int64_t from, std::int64_t to)
{
    if (to >= from)
        return true;
    usageError(std::string(command) + ": --to is before --from");
    return false;
}

bool checkArguments(std::string_view command, const std::vector<std::string>& args,
                    std::initializer_list<std::string_view> names)
{
    const std::string* extra = args.size() > names.size() ? &args[names.size()] : nullptr;
    if (!checkArgumentCount(command, std::min(args.size(), names.size() + 1), names, extra))
        return false;
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (names.begin()[i] == "DATE" && !checkDateArgument(args[i]))
            return false;
    }
    return true;
}

bool checkArgumentCount(std::string_view command, std::size_t given, std::initializer_list<std::string_view> names,
                        const std::string* firstExtra)
{
    if (given < names.size()) {
        usageError(std::string(command) + ": missing " + std::string(names.begin()[given]));
        return false;
    }
    if (given > names.size()) {
        usageError(std::string(command) + ": unexpected argument " + quotedArgument(firstExtra ? *firstExtra : std::string()));
        return false;
    }
    return true;
}

} // namespace zelkam::cli
