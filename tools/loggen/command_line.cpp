#include "tools/loggen/command_line.h"

#include <charconv>

#include "tools/loggen/civil_date.h"

namespace zelkam {
namespace {

template <typename Number>
bool parseNumber(std::string_view text, Number& value)
{
    const char* end = text.data() + text.size();
    const auto result = std::from_chars(text.data(), end, value);
    return !text.empty() && result.ec == std::errc() && result.ptr == end;
}

// "YYYY-MM-DD", digits exactly where they belong.
bool parseDate(std::string_view text, CivilDate& date)
{
    if (text.size() != 10 || text[4] != '-' || text[7] != '-')
        return false;
    return parseNumber(text.substr(0, 4), date.year) && parseNumber(text.substr(5, 2), date.month)
        && parseNumber(text.substr(8, 2), date.day) && isValidDate(date);
}

} // namespace

std::string_view usageText()
{
    return "usage: zelkam-loggen --out DIR [--seed N] [--start YYYY-MM-DD] [--days N]\n"
           "                     [--lines-per-day N] [--players N] [--files-per-day N]\n"
           "\n"
           "Writes a folder of Counter-Strike server logs. The same options always\n"
           "write the same bytes.\n"
           "\n"
           "  --out DIR           the log folder, created when missing\n"
           "  --seed N            the random seed (default 1)\n"
           "  --start YYYY-MM-DD  the first day (default 2001-07-06)\n"
           "  --days N            how many days (default 3)\n"
           "  --lines-per-day N   about how many lines each day holds (default 5000)\n"
           "  --players N         the server's player slots, 2 to 32 (default 32)\n"
           "  --files-per-day N   exactly N files a day, at most 1000; 0 (the default)\n"
           "                      starts a file at each map change, as the server does\n"
           "  --help              print this text\n";
}

bool parseCommandLine(std::span<const std::string_view> arguments, LogGenCommand& command, std::string& problem)
{
    command = LogGenCommand();
    bool haveOut = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string_view option = arguments[i];
        if (option == "--help" || option == "-h") {
            command.help = true;
            return true;
        }
        if (i + 1 >= arguments.size()) {
            problem = option.starts_with("--") ? "missing value for " + std::string(option)
                                               : "unexpected argument " + std::string(option);
            return false;
        }
        const std::string_view value = arguments[++i];
        LogGenOptions& options = command.options;
        bool good = true;
        if (option == "--out") {
            command.out = std::filesystem::path(value);
            haveOut = !value.empty();
            good = haveOut;
        } else if (option == "--seed") {
            good = parseNumber(value, options.seed);
        } else if (option == "--start") {
            CivilDate date;
            good = parseDate(value, date);
            options.firstYear = date.year;
            options.firstMonth = date.month;
            options.firstDay = date.day;
        } else if (option == "--days") {
            good = parseNumber(value, options.days) && options.days >= 1 && options.days <= MaxDays;
        } else if (option == "--lines-per-day") {
            good = parseNumber(value, options.linesPerDay) && options.linesPerDay >= 1
                && options.linesPerDay <= MaxLinesPerDay;
        } else if (option == "--players") {
            good = parseNumber(value, options.maxPlayers) && options.maxPlayers >= 2 && options.maxPlayers <= 32;
        } else if (option == "--files-per-day") {
            good = parseNumber(value, options.filesPerDay) && options.filesPerDay >= 0
                && options.filesPerDay <= MaxFilesPerDay;
        } else {
            problem = "unknown option " + std::string(option);
            return false;
        }
        if (!good) {
            problem = "bad value for " + std::string(option) + ": " + std::string(value);
            return false;
        }
    }
    if (!haveOut) {
        problem = "--out is required";
        return false;
    }
    if (!validOptions(command.options)) {
        // Each value is in range on its own, so the days must run past year 9999.
        problem = "the days run past the year 9999";
        return false;
    }
    return true;
}

} // namespace zelkam
