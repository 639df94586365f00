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
#include "cli/cli_usage.h"
#include "cli/cli_warnings.h"
#include "investigate/player_timeline.h"
#include "text/text_encoding.h"
#include "text/text_out.h"

namespace zelkam::cli {
namespace {

// "Name <ID>" for a terminal line.
void appendPlayer(std::string& line, const std::string& name, const std::string& uniqueId)
{
    appendTerminalText(line, name);
    if (!uniqueId.empty()) {
        line += " <";
        appendTerminalText(line, uniqueId);
        line += '>';
    }
}

std::string timelineText(const TimelineEntry& entry, const AddressNames& addresses)
{
    std::string line = dateText(entry.time) + ' ' + formatTimeOfDay(entry.time) + ' ';
    appendPlayer(line, entry.name, entry.uniqueId);
    const std::string address = addresses.textOf(entry.addressKey);
    const auto from = [&] { return address.empty() ? std::string(" (no address)") : " from " + address; };
    switch (entry.kind) {
    case TimelineKind::SessionStart:
        line += " session begins (user id " + std::to_string(entry.userId) + ")";
        break;
    case TimelineKind::Connected:
        line += " connected" + from();
        break;
    case TimelineKind::Entered:
        line += " entered the game";
        break;
    case TimelineKind::JoinedTeam:
        line += " joined team ";
        appendTerminalText(line, entry.text);
        break;
    case TimelineKind::NameChanged:
        line += " changed name to ";
        appendTerminalText(line, entry.text);
        break;
    case TimelineKind::Said:
    case TimelineKind::SaidTeam:
        line += entry.kind == TimelineKind::Said ? " say: " : " say_team: ";
        appendTerminalText(line, entry.text);
        break;
    case TimelineKind::Killed:
    case TimelineKind::KilledBy:
        line += entry.kind == TimelineKind::Killed ? " killed " : " killed by ";
        appendPlayer(line, entry.otherName, entry.otherUniqueId);
        line += " with ";
        appendTerminalText(line, entry.weapon);
        break;
    case TimelineKind::Suicide:
        line += " committed suicide";
        break;
    case TimelineKind::Disconnected:
        line += " disconnected";
        break;
    case TimelineKind::RconFromAddress:
    case TimelineKind::BadRconFromAddress:
        line += entry.kind == TimelineKind::RconFromAddress ? " rcon" : " failed rcon";
        line += from() + " (his address): ";
        appendTerminalText(line, entry.text);
        break;
    case TimelineKind::RconActedOn:
        line += ' ' + entry.action + " by rcon" + from() + ": ";
        appendTerminalText(line, entry.text);
        break;
    case TimelineKind::SessionEnd:
        line += " session ends (" + entry.text + ")";
        break;
    }
    return line;
}

Json timelineJson(const TimelineEntry& entry, const AddressNames& addresses)
{
    Json json = Json::object();
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
        json["text"] = logTextToUtf8(entry.text);
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

} // namespace

int runTimeline(const std::vector<std::string>& args)
{
    InvestigateOptions options;
    if (!parseInvestigateOptions("timeline", args, InvestigateOptions::Subject | InvestigateOptions::Range, options))
        return UsageError;
    FolderDays folder;
    AddressNames addresses;
    if (!openInvestigation(options, folder, addresses))
        return NothingToShow;
    std::size_t shown = 0;
    collectTimeline(folder, options.query, options.range, nullptr, [&](TimelineDay&& day) {
        for (const TimelineEntry& entry : day.entries) {
            std::cout << (options.json ? jsonLine(timelineJson(entry, addresses)) : timelineText(entry, addresses))
                      << '\n';
            ++shown;
        }
    });
    warnAboutFilesCutShort(folder.filesCutShort);
    if (shown == 0) {
        complain("nothing to show: no event of that player");
        return NothingToShow;
    }
    return Done;
}

} // namespace zelkam::cli

namespace zelkam::cli {
int runAlts(const std::vector<std::string>&) { return usageError("alts is not there yet"); }
int runAudit(const std::vector<std::string>&) { return usageError("audit is not there yet"); }
} // namespace zelkam::cli
