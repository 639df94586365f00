#include "receive/filing.h"

#include <algorithm>
#include <array>
#include <cstdio>

#include "parse/decimal.h"
#include "parse/time_stamp.h"

namespace zelkam::receive {
namespace {

char lowered(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool equalIgnoringCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (lowered(a[i]) != lowered(b[i]))
            return false;
    }
    return true;
}

// The running number of name when it is a log file of the date, else -1.
int runningNumberOf(std::string_view name, std::string_view datePart)
{
    if (name.size() != 12 || !equalIgnoringCase(name.substr(0, 5), datePart)
        || !equalIgnoringCase(name.substr(8), ".log"))
        return -1;
    int number = 0;
    return readDigits(name.substr(5, 3), number) ? number : -1;
}

} // namespace

std::string sourceFolderName(const SourceAddress& source)
{
    std::string name = addressText(source);
    for (char& c : name) {
        if (c == ':')
            c = '-';
    }
    return name + '_' + std::to_string(source.port);
}

std::string logFileName(int month, int day, int number)
{
    char name[32];
    std::snprintf(name, sizeof name, "L%02d%02d%03d.log", month, day, number);
    return name;
}

int nextRunningNumber(const std::vector<std::string>& namesPresent, int month, int day)
{
    const std::string datePart = logFileName(month, day, 0).substr(0, 5);
    std::array<bool, MaxRunningNumber + 1> taken{};
    int highest = -1;
    for (const std::string& name : namesPresent) {
        const int number = runningNumberOf(name, datePart);
        if (number >= 0) {
            taken[static_cast<std::size_t>(number)] = true;
            highest = std::max(highest, number);
        }
    }
    if (highest < MaxRunningNumber)
        return highest + 1;
    for (int number = 0; number <= MaxRunningNumber; ++number) {
        if (!taken[static_cast<std::size_t>(number)])
            return number;
    }
    return -1;
}

bool startsNewFile(bool sourceHasFile, std::string_view line)
{
    constexpr std::string_view started = "Log file started";
    return !sourceHasFile || (line.size() >= LinePrefixLength && line.substr(LinePrefixLength).starts_with(started));
}

} // namespace zelkam::receive
