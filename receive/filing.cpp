#include "receive/filing.h"

#include <algorithm>
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

// Reads "L" MMDD NNN ".log" (any case) into the date key and number.
bool readLogFileName(std::string_view name, int& dateKey, int& number)
{
    if (name.size() != 12 || lowered(name[0]) != 'l' || !equalIgnoringCase(name.substr(8), ".log"))
        return false;
    return readNumber(name.substr(1, 4), dateKey) && readNumber(name.substr(5, 3), number);
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

void RunningNumbers::note(std::string_view name)
{
    int dateKey = 0;
    int number = 0;
    if (readLogFileName(name, dateKey, number))
        taken_[dateKey].set(static_cast<std::size_t>(number));
}

void RunningNumbers::take(int month, int day, int number)
{
    if (number >= 0 && number <= MaxRunningNumber)
        taken_[month * 100 + day].set(static_cast<std::size_t>(number));
}

int RunningNumbers::next(int month, int day) const
{
    const auto found = taken_.find(month * 100 + day);
    if (found == taken_.end())
        return 0;
    const auto& taken = found->second;
    if (!taken.test(MaxRunningNumber)) {
        int highest = MaxRunningNumber;
        while (highest >= 0 && !taken.test(static_cast<std::size_t>(highest)))
            --highest;
        return highest + 1;
    }
    for (int number = 0; number <= MaxRunningNumber; ++number) {
        if (!taken.test(static_cast<std::size_t>(number)))
            return number;
    }
    return -1;
}

int nextRunningNumber(const std::vector<std::string>& namesPresent, int month, int day)
{
    RunningNumbers numbers;
    for (const std::string& name : namesPresent)
        numbers.note(name);
    return numbers.next(month, day);
}

bool isLogFileName(std::string_view name)
{
    int dateKey = 0;
    int number = 0;
    return readLogFileName(name, dateKey, number);
}

bool startsNewFile(bool sourceHasFile, std::string_view line)
{
    constexpr std::string_view started = "Log file started";
    return !sourceHasFile || (line.size() >= LinePrefixLength && line.substr(LinePrefixLength).starts_with(started));
}

} // namespace zelkam::receive
