#include "cli/cli_options.h"

#include <algorithm>

#include "cli/cli_servers.h"
#include "cli/cli_usage.h"

namespace zelkam::cli {

bool parseInvestigateOptions(std::string_view command, const std::vector<std::string>& args, unsigned takes,
                             InvestigateOptions& options, const std::vector<std::string>& ownOptions,
                             std::size_t positional)
{
    const std::string name(command);
    bool hasFolder = false;
    bool optionsEnded = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        const bool isOption = !optionsEnded && arg.size() > 2 && arg.rfind("--", 0) == 0;
        if (!optionsEnded && arg == "--") {
            optionsEnded = true;
        } else if (isOption && arg == "--json") {
            options.json = true;
        } else if (isOption && arg == "--hide-addresses") {
            options.hideAddresses = true;
        } else if (isOption && arg == "--show-addresses" && command == "report") {
            options.showAddresses = true;
        } else if (isOption && arg == "--case" && (takes & (InvestigateOptions::Subject | InvestigateOptions::SubjectOptional))) {
            options.query.matchCase = true;
        } else if (isOption && (arg == "--id" || arg == "--name") &&
                   (takes & (InvestigateOptions::Subject | InvestigateOptions::SubjectOptional))) {
            if (++i == args.size()) {
                usageError(arg + " needs a value");
                return false;
            }
            if (options.hasSubject) {
                usageError(name + " takes one of --id and --name, once");
                return false;
            }
            options.hasSubject = true;
            options.query.byId = arg == "--id";
            options.query.text = args[i];
        } else if (!optionsEnded && std::find(ownOptions.begin(), ownOptions.end(), arg) != ownOptions.end()) {
            if (++i == args.size()) {
                usageError(arg + " needs a value");
                return false;
            }
            options.restOptions.emplace_back(arg, args[i]);
        } else if (isOption && (arg == "--from" || arg == "--to") && (takes & InvestigateOptions::Range)) {
            if (++i == args.size()) {
                usageError(arg + " needs a DATE");
                return false;
            }
            if (!readRangeDate(arg, args[i], options.range.firstDay, options.range.lastDay))
                return false;
        } else if (isOption) {
            usageError("unknown option " + quotedArgument(arg) + " for " + name + " (see --help)");
            return false;
        } else if (!hasFolder) {
            options.folder = arg;
            hasFolder = true;
        } else if (options.rest.size() < positional) {
            options.rest.push_back(arg);
        } else {
            usageError(name + ": unexpected argument " + quotedArgument(arg));
            return false;
        }
    }
    if (!hasFolder) {
        usageError(name + ": missing FOLDER");
        return false;
    }
    if (options.rest.size() < positional) {
        usageError(name + ": missing an argument after FOLDER (see --help)");
        return false;
    }
    if (!checkRangeOrder(name, options.range.firstDay, options.range.lastDay))
        return false;
    if ((takes & InvestigateOptions::Subject) && !options.hasSubject) {
        usageError(name + " needs --id UNIQUEID or --name PATTERN");
        return false;
    }
    // A community's server is named with --server, as for a day's commands.
    return (takes & InvestigateOptions::EveryServer) || resolveServerFolder(options.folder);
}

namespace {

bool usePseudonyms(AddressNames& addresses)
{
    std::string error;
    if (addresses.usePseudonyms(addressKeyFolder(), error))
        return true;
    complain("cannot hide addresses: " + error);
    return false;
}

} // namespace

bool takeHideAddresses(std::vector<std::string>& args, AddressNames& addresses)
{
    // Only before a "--" that ends the options.
    const auto end = std::find(args.begin(), args.end(), std::string("--"));
    const auto taken = std::remove(args.begin(), end, std::string("--hide-addresses"));
    if (taken == end)
        return true;
    args.erase(taken, end);
    return usePseudonyms(addresses);
}

bool openInvestigation(const InvestigateOptions& options, const std::vector<ServerFolder>& servers,
                       std::vector<ServerDays>& opened, AddressNames& addresses)
{
    if (options.hideAddresses && !usePseudonyms(addresses))
        return false;
    return openServersToSearch(options.folder, servers, opened);
}

} // namespace zelkam::cli
