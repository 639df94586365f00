#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "history/community_walk.h"
#include "history/day_windows.h"
#include "investigate/address_names.h"
#include "investigate/day_range.h"
#include "investigate/player_query.h"

namespace zelkam::cli {

// The options the investigating commands share, read in one place:
// FOLDER, --id UNIQUEID or --name PATTERN (with --case), --from DATE and
// --to DATE, --json and --hide-addresses.
struct InvestigateOptions {
    // EveryServer: a community is read whole unless --server narrows it
    // (the command opens the servers itself); otherwise it needs --server.
    enum Takes : unsigned { Subject = 1, Range = 2, SubjectOptional = 4, EveryServer = 8 };
    std::string folder;
    bool hasSubject = false;
    PlayerQuery query;
    DayRange range;
    bool json = false;
    bool hideAddresses = false;
    // report only: addresses shown as they are (a report hides them unless told).
    bool showAddresses = false;
    // Arguments after FOLDER that no option took, in order.
    std::vector<std::string> rest;
    // Options with a value that the command reads itself ("--from" of a
    // report is a time, not a date); their values are in restOptions.
    std::vector<std::pair<std::string, std::string>> restOptions;
};

// Reads args into options. takes says which of the subject and the range
// the command takes; ownOptions are options with a value the command reads
// itself, and positional names how many arguments follow FOLDER. False,
// the usage error told, when the arguments do not fit.
bool parseInvestigateOptions(std::string_view command, const std::vector<std::string>& args, unsigned takes,
                             InvestigateOptions& options, const std::vector<std::string>& ownOptions = {},
                             std::size_t positional = 0);

// Takes --hide-addresses from wherever it stands in args (events, replay
// and follow) and, when it was there, shows addresses as pseudonyms. False,
// the reason told, when the pseudonym key cannot be had.
bool takeHideAddresses(std::vector<std::string>& args, AddressNames& addresses);

// Opens the servers of serversToSearch (InvestigateOptions::EveryServer)
// into opened and sets up how addresses show. False, with the reason told,
// when there is nothing to show or the pseudonym key cannot be had.
bool openInvestigation(const InvestigateOptions& options, const std::vector<ServerFolder>& servers,
                       std::vector<ServerDays>& opened, AddressNames& addresses);

} // namespace zelkam::cli
