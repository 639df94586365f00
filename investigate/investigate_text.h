#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "investigate/address_names.h"
#include "investigate/linked_accounts.h"
#include "investigate/player_timeline.h"
#include "investigate/rcon_audit.h"

namespace zelkam {

// How the lines of an investigation read, the same in a terminal and in a
// window. Every stranger's text in them (names, ids, chat, commands) goes
// through appendText, the output's one safe way (appendTerminalText for a
// terminal, the window's display text for a window); the rest is ASCII and
// the addresses as addresses shows them.
using AppendLogText = void (*)(std::string& out, std::string_view logBytes);

// "DD/MM/YYYY HH:MM:SS" of t's local date and time.
std::string stampText(std::int32_t t);

// The entry's text as every output shows it: a command's or a chat
// message's addresses as addresses shows them (see textWithin); any other
// text as logged.
std::string timelineTextOf(const TimelineEntry& entry, const AddressNames& addresses);

// One line of a timeline: the stamp, the player and what he did.
std::string timelineLineText(const TimelineEntry& entry, const AddressNames& addresses, AppendLogText appendText);

// The player the accounts are linked to: "player: IDS; names: NAMES;
// addresses: ADDRESSES".
std::string linkedPlayerText(const LinkedAccounts& linked, const AddressNames& addresses, AppendLogText appendText);
// An account linked to the player: its id, names, sessions and whether it
// was ever on the server at the same time as him.
std::string linkedAccountText(const LinkedAccount& account, AppendLogText appendText);
// One piece of an account's evidence: the address or name, in how many
// sessions, from when to when.
std::string linkEvidenceText(const LinkEvidence& evidence, const AddressNames& addresses, AppendLogText appendText);

// An address of the audit with its counts: "address 10.1.2.*: 3 commands,
// 1 failed attempts".
std::string auditAddressText(const AddressAudit& address, const AddressNames& addresses);
// One command of the audit: the stamp, FAILED for a failed attempt, the
// sender, the command and the players it acted on.
// The command's addresses show as addresses shows them.
std::string auditCommandText(const AuditCommand& command, const AddressNames& addresses, AppendLogText appendText);
// A warning of the audit, starting "warning: ".
std::string auditWarningText(const AuditWarning& warning, const AddressNames& addresses, AppendLogText appendText);

} // namespace zelkam
