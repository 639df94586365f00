// zelkam-cli report: one self-contained page about a range of one day.

#include <fstream>
#include <iostream>
#include <memory>

#include "cli/cli_commands.h"
#include "cli/cli_investigate.h"
#include "cli/cli_options.h"
#include "cli/cli_usage.h"
#include "cli/cli_warnings.h"
#include "investigate/report_page.h"
#include "parse/calendar_date.h"
#include "replay/loaded_day.h"
#include "replay/viewer_state.h"

namespace zelkam::cli {

int runReport(const std::vector<std::string>& args)
{
    // --from and --to are times of DATE here, not days.
    InvestigateOptions options;
    if (!parseInvestigateOptions("report", args, InvestigateOptions::SubjectOptional, options,
                                 {"--from", "--to", "-o", "--output"}, 1))
        return UsageError;
    std::optional<std::int64_t> from;
    std::optional<std::int64_t> to;
    std::string output;
    for (const auto& [option, value] : options.restOptions) {
        if (option == "-o" || option == "--output") {
            output = value;
            continue;
        }
        std::int64_t seconds = 0;
        if (!readTimeOfDay(value, seconds))
            return usageError(quotedArgument(value) + " is not a time of day (HH:MM:SS, minutes and seconds below 60)");
        (option == "--from" ? from : to) = seconds;
    }
    if (!from || !to)
        return usageError("report needs --from HH:MM:SS and --to HH:MM:SS");
    if (!checkRangeOrder("report", *from, *to))
        return UsageError;
    if (output.empty())
        return usageError("report needs -o FILE.html");
    const std::string& date = options.rest[0];
    if (!checkDateArgument(date))
        return UsageError;

    // Addresses are hidden in a report unless asked for: it is made to be
    // handed to others.
    AddressNames addresses;
    if (!options.showAddresses || options.hideAddresses) {
        std::string error;
        if (!addresses.usePseudonyms(addressKeyFolder(), error)) {
            complain("cannot hide addresses: " + error + " (--show-addresses shows them)");
            return NothingToShow;
        }
    }
    std::unique_ptr<LoadedDay> day = loadReadableDay(options.folder, date);
    if (!day)
        return NothingToShow;
    const auto state = std::make_unique<ViewerState>();
    state->takeOver(std::move(day));
    const FilesCutShortWarning warning(*state);
    if (state->isEmptyDay()) {
        complain("nothing to show: " + date + " has no event");
        return NothingToShow;
    }
    ReportRequest request;
    request.folder = options.folder;
    request.server = reportServerName(options.folder);
    request.from = static_cast<std::int32_t>(state->dayStart() + *from);
    request.to = static_cast<std::int32_t>(state->dayStart() + *to);
    if (options.hasSubject)
        request.player = options.query;
    // Written as it is made: a page of a million lines is never held whole.
    std::ofstream file(output, std::ios::binary | std::ios::trunc);
    const bool written = file && writeReportPage(*state, request, addresses, [&file](std::string_view piece) {
        file.write(piece.data(), static_cast<std::streamsize>(piece.size()));
        return static_cast<bool>(file);
    });
    file.close();
    if (!written || !file) {
        complain("cannot write " + output);
        return NothingToShow;
    }
    return Done;
}

} // namespace zelkam::cli
