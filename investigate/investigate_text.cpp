#include "investigate/investigate_text.h"

#include "parse/calendar_date.h"
#include "parse/log_event.h"

namespace zelkam {
namespace {

// "Name <ID>".
void appendPlayer(std::string& line, const std::string& name, const std::string& uniqueId, AppendLogText appendText)
{
    appendText(line, name);
    if (!uniqueId.empty()) {
        line += " <";
        appendText(line, uniqueId);
        line += '>';
    }
}

} // namespace

std::string stampText(std::int32_t t) { return dateText(t) + ' ' + timeOfDayText(t); }

std::string timelineTextOf(const TimelineEntry& entry, const AddressNames& addresses)
{
    switch (entry.kind) {
    case TimelineKind::Said:
    case TimelineKind::SaidTeam:
    case TimelineKind::RconFromAddress:
    case TimelineKind::BadRconFromAddress:
    case TimelineKind::RconActedOn:
        return addresses.textWithin(entry.text);
    default:
        return entry.text;
    }
}

std::string timelineLineText(const TimelineEntry& entry, const AddressNames& addresses, AppendLogText appendText)
{
    std::string line = stampText(entry.time) + ' ';
    appendPlayer(line, entry.name, entry.uniqueId, appendText);
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
        appendText(line, entry.text);
        break;
    case TimelineKind::NameChanged:
        line += " changed name to ";
        appendText(line, entry.text);
        break;
    case TimelineKind::Said:
    case TimelineKind::SaidTeam:
        line += entry.kind == TimelineKind::Said ? " say: " : " say_team: ";
        appendText(line, timelineTextOf(entry, addresses));
        break;
    case TimelineKind::Killed:
    case TimelineKind::KilledBy:
        line += entry.kind == TimelineKind::Killed ? " killed " : " killed by ";
        appendPlayer(line, entry.otherName, entry.otherUniqueId, appendText);
        line += " with ";
        appendText(line, entry.weapon);
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
        appendText(line, timelineTextOf(entry, addresses));
        break;
    case TimelineKind::RconActedOn:
        line += ' ' + entry.action + " by rcon" + from() + ": ";
        appendText(line, timelineTextOf(entry, addresses));
        break;
    case TimelineKind::SessionEnd:
        line += " session ends (" + entry.text + ")";
        break;
    }
    return line;
}

std::string linkedPlayerText(const LinkedAccounts& linked, const AddressNames& addresses, AppendLogText appendText)
{
    std::string line = "player: ";
    for (std::size_t i = 0; i < linked.ownIds.size(); ++i) {
        if (i > 0)
            line += ", ";
        appendText(line, linked.ownIds[i]);
    }
    line += "; names: ";
    for (std::size_t i = 0; i < linked.ownNames.size(); ++i) {
        if (i > 0)
            line += ", ";
        appendText(line, linked.ownNames[i]);
    }
    line += "; addresses: ";
    for (std::size_t i = 0; i < linked.ownAddresses.size(); ++i)
        line += (i > 0 ? ", " : "") + addresses.textOf(linked.ownAddresses[i]);
    return line;
}

std::string linkedAccountText(const LinkedAccount& account, AppendLogText appendText)
{
    std::string line;
    appendText(line, account.uniqueId);
    line += " (";
    for (std::size_t i = 0; i < account.names.size(); ++i) {
        if (i > 0)
            line += ", ";
        appendText(line, account.names[i]);
    }
    line += "): " + std::to_string(account.sessions) + " sessions, " + stampText(account.firstSeen) + " to " +
            stampText(account.lastSeen) + ", ";
    line += account.overlappingSessions == 0
                ? std::string("never on the server at the same time")
                : "on the server at the same time in " + std::to_string(account.overlappingSessions) +
                      (account.overlappingSessions == 1 ? " session" : " sessions");
    return line;
}

std::string linkEvidenceText(const LinkEvidence& evidence, const AddressNames& addresses, AppendLogText appendText)
{
    std::string line;
    if (evidence.by == LinkEvidence::By::Address) {
        line += "address " + addresses.textOf(evidence.addressKey);
    } else {
        line += "name ";
        appendText(line, evidence.name);
    }
    line += " in " + std::to_string(evidence.sessions) + (evidence.sessions == 1 ? " session, " : " sessions, ") +
            stampText(evidence.first) + " to " + stampText(evidence.last);
    return line;
}

std::string auditAddressText(const AddressAudit& address, const AddressNames& addresses)
{
    const std::string shown = addresses.textOf(address.addressKey);
    return "address " + (shown.empty() ? std::string("(none)") : shown) + ": " + std::to_string(address.succeeded) +
           " commands, " + std::to_string(address.failed) + " failed attempts";
}

std::string auditCommandText(const AuditCommand& command, const AddressNames& addresses, AppendLogText appendText)
{
    std::string line = stampText(command.time) + (command.failed ? " FAILED " : " ");
    appendText(line, command.sender);
    line += ": ";
    appendText(line, addresses.textWithin(command.command));
    for (const ActedOnPlayer& player : command.actedOn) {
        line += " [" + std::string(rconActionName(player.action)) + ' ';
        appendPlayer(line, player.name, player.uniqueId, appendText);
        line += ']';
    }
    return line;
}

std::string auditWarningText(const AuditWarning& warning, const AddressNames& addresses, AppendLogText appendText)
{
    const std::string address = addresses.textOf(warning.addressKey);
    const std::string from = address.empty() ? std::string(" from no address") : " from " + address;
    std::string line = "warning: ";
    switch (warning.kind) {
    case AuditWarningKind::FailedAttempts:
        line += std::to_string(warning.count) + " failed attempts" + from + " from " + stampText(warning.first) +
                " to " + stampText(warning.last);
        break;
    case AuditWarningKind::PasswordChanged:
        line += "a password setting changed" + from + " at " + stampText(warning.first) + ": ";
        appendText(line, addresses.textWithin(warning.command));
        break;
    case AuditWarningKind::NewAddress:
        line += "commands from an address never seen before" + from + " at " + stampText(warning.first) + ": ";
        appendText(line, addresses.textWithin(warning.command));
        break;
    }
    return line;
}

} // namespace zelkam
