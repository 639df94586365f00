#include "cli/cli_warnings.h"

#include <string>

#include "cli/cli_dates.h"
#include "cli/cli_usage.h"

namespace zelkam::cli {
namespace {

std::string sizeText(std::uint64_t bytes)
{
    constexpr std::uint64_t MiB = std::uint64_t{1} << 20;
    if (bytes >= MiB && bytes % MiB == 0)
        return std::to_string(bytes / MiB) + " MiB";
    return std::to_string(bytes) + " bytes";
}

} // namespace

void warnAboutFilesCutShort(const ViewerState& state) { warnAboutFilesCutShort(state.folder().filesCutShort()); }

void warnAboutFilesCutShort(const std::vector<WindowReader::FileCutShort>& files)
{
    for (const WindowReader::FileCutShort& file : files) {
        // A file name in the log folder is anyone's text: complain makes it
        // safe.
        std::string line = "warning: " + file.name + " (" + dateText(file.day) + ")";
        switch (file.end) {
        case ReadEnd::Complete:
            continue;
        case ReadEnd::Damaged:
            line += " is damaged or cut short; only its first " + sizeText(file.delivered) + " were read";
            break;
        case ReadEnd::Bounded:
            line += " expands past " + sizeText(file.delivered) + "; the rest was not read";
            break;
        case ReadEnd::OverPool:
            line += " was cut after " + sizeText(file.delivered)
                    + ": the archive text held at once reached its bound (raise it with ZELKAM_TEXT_BOUND_MIB)";
            break;
        case ReadEnd::Unreadable:
            line += " could not be read past its first " + sizeText(file.delivered);
            break;
        }
        complain(line);
    }
}

} // namespace zelkam::cli
