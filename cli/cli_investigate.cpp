// zelkam-cli timeline, alts and audit: a player's days in order, the
// accounts linked to his, and what the remote console was used for.

#include "cli/cli_investigate.h"

#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "cli/cli_dates.h"
#include "cli/cli_json.h"
#include "cli/cli_options.h"
#include "cli/cli_servers.h"
#include "cli/cli_usage.h"
#include "cli/cli_warnings.h"
#include "investigate/investigate_text.h"
#include "investigate/linked_accounts.h"
#include "investigate/player_timeline.h"
#include "investigate/rcon_audit.h"
#include "text/text_encoding.h"
#include "text/text_out.h"

namespace zelkam::cli {
namespace {

// A community's server before a line of it, as grep and player name it;
// nothing on a single server.
std::string serverPrefix(const std::string& server)
{
    std::string prefix;
    if (!server.empty()) {
        appendTerminalText(prefix, server);
        prefix += ' ';
    }
    return prefix;
}

Json timelineJson(const TimelineEntry& entry, const AddressNames& addresses)
{
    Json json = Json::object();
    if (!entry.server.empty())
        json["server"] = logTextToUtf8(entry.server);
    json["date"] = dateText(entry.time);
    json["time"] = formatTimeOfDay(entry.time);
    json["stamp"] = entry.time;
    json["kind"] = timelineKindName(entry.kind);
    json["name"] = logTextToUtf8(entry.name);
    json["uniqueId"] = logTextToUtf8(entry.uniqueId);
    json["userId"] = entry.userId;
    if (entry.addressKey != NoAddressKey)
        json["address"] = addresses.textOf(entry.addressKey);
    if (!entry.text.empty())
        json["text"] = logTextToUtf8(timelineTextOf(entry, addresses));
    if (!entry.otherName.empty() || !entry.otherUniqueId.empty()) {
        json["other"] = logTextToUtf8(entry.otherName);
        json["otherUniqueId"] = logTextToUtf8(entry.otherUniqueId);
    }
    if (!entry.weapon.empty())
        json["weapon"] = logTextToUtf8(entry.weapon);
    if (!entry.action.empty())
        json["action"] = entry.action;
    return json;
}

Json namesJson(const std::vector<std::string>& names)
{
    Json list = Json::array();
    for (const std::string& name : names)
        list.push_back(logTextToUtf8(name));
    return list;
}

Json evidenceJson(const LinkEvidence& evidence, const AddressNames& addresses)
{
    Json json = Json::object();
    json["by"] = evidence.by == LinkEvidence::By::Address ? "address" : "name";
    if (evidence.by == LinkEvidence::By::Address)
        json["address"] = addresses.textOf(evidence.addressKey);
    else
        json["name"] = logTextToUtf8(evidence.name);
    json["sessions"] = evidence.sessions;
    json["first"] = stampText(evidence.first);
    json["last"] = stampText(evidence.last);
    return json;
}

} // namespace

int runAlts(const std::vector<std::string>& args)
{
    InvestigateOptions options;
    if (!parseInvestigateOptions("alts", args, InvestigateOptions::Subject | InvestigateOptions::EveryServer, options))
        return UsageError;
    // Accounts are linked across every server of a community, as the same
    // player uses them wherever he plays.
    std::vector<ServerFolder> servers;
    if (!serversToSearch(options.folder, servers))
        return UsageError;
    AddressNames addresses;
    std::vector<ServerDays> opened;
    if (!openInvestigation(options, servers, opened, addresses))
        return NothingToShow;
    LinkedAccounts linked;
    collectLinkedAccounts(opened, options.query, nullptr, linked);
    for (const ServerDays& server : opened)
        warnAboutFilesCutShort(server.days.filesCutShort);
    if (linked.ownSessions == 0) {
        complain("nothing to show: no session of that player");
        return NothingToShow;
    }
    if (!options.json)
        std::cout << linkedPlayerText(linked, addresses, appendTerminalText) << '\n';
    for (const LinkedAccount& account : linked.accounts) {
        if (options.json) {
            Json json = Json::object();
            json["uniqueId"] = logTextToUtf8(account.uniqueId);
            json["names"] = namesJson(account.names);
            json["sessions"] = account.sessions;
            json["firstSeen"] = stampText(account.firstSeen);
            json["lastSeen"] = stampText(account.lastSeen);
            Json evidence = Json::array();
            for (const LinkEvidence& item : account.evidence)
                evidence.push_back(evidenceJson(item, addresses));
            json["evidence"] = std::move(evidence);
            json["overlappingSessions"] = account.overlappingSessions;
            std::cout << jsonLine(json) << '\n';
            continue;
        }
        std::cout << linkedAccountText(account, appendTerminalText) << '\n';
        for (const LinkEvidence& item : account.evidence)
            std::cout << "    " << linkEvidenceText(item, addresses, appendTerminalText) << '\n';
    }
    if (linked.accounts.empty()) {
        complain("nothing to show: no other account shares an address or a name with that player");
        return NothingToShow;
    }
    return Done;
}

namespace {

Json actedOnJson(const ActedOnPlayer& player)
{
    Json json = Json::object();
    json["action"] = std::string(rconActionName(player.action));
    json["name"] = logTextToUtf8(player.name);
    json["uniqueId"] = logTextToUtf8(player.uniqueId);
    json["userId"] = player.userId;
    return json;
}

} // namespace

int runAudit(const std::vector<std::string>& args)
{
    InvestigateOptions options;
    if (!parseInvestigateOptions("audit", args, InvestigateOptions::Range | InvestigateOptions::EveryServer, options))
        return UsageError;
    // The console of every server of a community, as an address that
    // guesses at one server's password may guess at the others'.
    std::vector<ServerFolder> servers;
    if (!serversToSearch(options.folder, servers))
        return UsageError;
    AddressNames addresses;
    std::vector<ServerDays> opened;
    if (!openInvestigation(options, servers, opened, addresses))
        return NothingToShow;
    RconAudit audit;
    collectRconAudit(opened, options.range, nullptr, audit);
    for (const ServerDays& server : opened)
        warnAboutFilesCutShort(server.days.filesCutShort);
    if (audit.addresses.empty()) {
        complain("nothing to show: no rcon command");
        return NothingToShow;
    }
    for (const AddressAudit& address : audit.addresses) {
        if (options.json) {
            Json json = Json::object();
            json["address"] = addresses.textOf(address.addressKey);
            json["succeeded"] = address.succeeded;
            json["failed"] = address.failed;
            Json commands = Json::array();
            for (const AuditCommand& command : address.commands) {
                Json item = Json::object();
                if (!command.server.empty())
                    item["server"] = logTextToUtf8(command.server);
                item["date"] = dateText(command.time);
                item["time"] = formatTimeOfDay(command.time);
                item["failed"] = command.failed;
                item["sender"] = logTextToUtf8(command.sender);
                item["command"] = logTextToUtf8(addresses.textWithin(command.command));
                Json acted = Json::array();
                for (const ActedOnPlayer& player : command.actedOn)
                    acted.push_back(actedOnJson(player));
                item["actedOn"] = std::move(acted);
                commands.push_back(std::move(item));
            }
            json["commands"] = std::move(commands);
            std::cout << jsonLine(json) << '\n';
            continue;
        }
        std::cout << auditAddressText(address, addresses) << '\n';
        for (const AuditCommand& command : address.commands)
            std::cout << "  " << serverPrefix(command.server) << auditCommandText(command, addresses, appendTerminalText)
                      << '\n';
    }
    for (const AuditWarning& warning : audit.warnings) {
        if (options.json) {
            Json json = Json::object();
            json["warning"] = auditWarningName(warning.kind);
            json["address"] = addresses.textOf(warning.addressKey);
            json["first"] = stampText(warning.first);
            json["last"] = stampText(warning.last);
            json["count"] = warning.count;
            if (!warning.command.empty())
                json["command"] = logTextToUtf8(addresses.textWithin(warning.command));
            if (!warning.server.empty())
                json["server"] = logTextToUtf8(warning.server);
            std::cout << jsonLine(json) << '\n';
        } else {
            std::cout << serverPrefix(warning.server) << auditWarningText(warning, addresses, appendTerminalText)
                      << '\n';
        }
    }
    return Done;
}

int runTimeline(const std::vector<std::string>& args)
{
    InvestigateOptions options;
    if (!parseInvestigateOptions("timeline", args,
                                 InvestigateOptions::Subject | InvestigateOptions::Range | InvestigateOptions::EveryServer,
                                 options))
        return UsageError;
    // The player wherever he played, each line naming its server.
    std::vector<ServerFolder> servers;
    if (!serversToSearch(options.folder, servers))
        return UsageError;
    AddressNames addresses;
    std::vector<ServerDays> opened;
    if (!openInvestigation(options, servers, opened, addresses))
        return NothingToShow;
    std::size_t shown = 0;
    collectTimeline(opened, options.query, options.range, nullptr, [&](TimelineDay&& day) {
        for (const TimelineEntry& entry : day.entries) {
            std::cout << (options.json ? jsonLine(timelineJson(entry, addresses))
                                       : serverPrefix(entry.server) + timelineLineText(entry, addresses, appendTerminalText))
                      << '\n';
            ++shown;
        }
    });
    for (const ServerDays& server : opened)
        warnAboutFilesCutShort(server.days.filesCutShort);
    if (shown == 0) {
        complain("nothing to show: no event of that player");
        return NothingToShow;
    }
    return Done;
}

} // namespace zelkam::cli
