// A folder of up to three days of a server's players written by the input
// (see PlayersLog), investigated for a player the input picks by id or by
// name. The timeline's sessions must be those the player's session walk
// finds, each opened and closed once; the linked accounts must count them
// among his own; each address's commands in the audit must be
// its successes and failures, all of them the days' commands; and every
// line written for a terminal must hold nothing a terminal would act on.

#include <algorithm>
#include <string>
#include <tuple>
#include <vector>

#include "fuzz/display_check.h"
#include "fuzz/fuzz_support.h"
#include "fuzz/players_log.h"
#include "history/day_windows.h"
#include "history/player_record.h"
#include "ingest/log_file_list.h"
#include "investigate/address_names.h"
#include "investigate/investigate_text.h"
#include "investigate/linked_accounts.h"
#include "investigate/player_timeline.h"
#include "investigate/rcon_audit.h"
#include "text/text_out.h"

using namespace zelkam;

namespace {

const char* const Queries[] = {"STEAM_0:1:1", "STEAM_1:1:1", "STEAM_0:1:2", "STEAM_ID_LAN", "BOT", "", "al", "Player",
                               "\x1b]0;x", "nimdA"};

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    fuzz::useFuzzTimeZone();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const fuzz::ScratchFolder scratch;
    fuzz::FuzzProgram program(data, size);
    const std::uint8_t asked = program.byte();
    const fuzz::PlayersLog log = fuzz::writePlayersLog(program);
    fuzz::writePlayersFolder(scratch, log);
    FolderDays folder;
    if (!folder.scan(scratch.path().string()))
        return 0;
    PlayerQuery query;
    query.text = Queries[asked % std::size(Queries)];
    query.byId = asked % std::size(Queries) < 6;
    query.matchCase = (asked & 0x80) != 0;
    AddressNames addresses;
    if (asked & 0x40)
        addresses.usePseudonymKey({1, 2, 3});

    // The player's sessions as the session walk finds them.
    using Bounds = std::vector<std::pair<std::int32_t, std::int32_t>>;
    Bounds starts;
    Bounds ends;
    std::int32_t ownSessions = 0;
    {
        SessionTest test(query);
        FolderDays walked = folder;
        walkPlayerSessions(
            walked, nullptr, [&test](const PlayerSession& s) { return test.matches(s); },
            [&](PlayerSession&& s) {
                starts.emplace_back(s.day, s.start);
                ends.emplace_back(s.day, s.end);
                ++ownSessions;
            },
            {});
    }

    // The timeline opens and closes each of them, on its day.
    Bounds opened;
    Bounds closed;
    FolderDays timelineDays = folder;
    collectTimeline(timelineDays, query, {}, nullptr, [&](TimelineDay&& day) {
        for (const TimelineEntry& entry : day.entries) {
            if (entry.kind == TimelineKind::SessionStart)
                opened.emplace_back(entry.day, entry.time);
            if (entry.kind == TimelineKind::SessionEnd)
                closed.emplace_back(entry.day, entry.time);
            fuzz::checkTerminalForm(timelineLineText(entry, addresses, appendTerminalText));
        }
    });
    for (Bounds* bounds : {&starts, &ends, &opened, &closed})
        std::sort(bounds->begin(), bounds->end());
    if (opened != starts || closed != ends)
        __builtin_trap();

    LinkedAccounts linked;
    FolderDays linkedDays = folder;
    collectLinkedAccounts(linkedDays, query, nullptr, linked);
    // His own are every session of an account the query matched once: a
    // name query matches an account by one session's name.
    if (query.byId ? linked.ownSessions != ownSessions : linked.ownSessions < ownSessions)
        __builtin_trap();
    fuzz::checkTerminalForm(linkedPlayerText(linked, addresses, appendTerminalText));
    for (const LinkedAccount& account : linked.accounts) {
        fuzz::checkTerminalForm(linkedAccountText(account, appendTerminalText));
        for (const LinkEvidence& evidence : account.evidence)
            fuzz::checkTerminalForm(linkEvidenceText(evidence, addresses, appendTerminalText));
    }

    // The days' commands, as their own events hold them.
    std::size_t commands = 0;
    {
        FolderDays walked = folder;
        walkDayWindows(walked, nullptr, {}, [&](std::size_t, const EventList* own) {
            if (own) {
                for (const LogEvent& event : *own)
                    commands += event.kind == RconCommand || event.kind == BadRconCommand;
            }
        });
    }
    RconAudit audit;
    FolderDays auditDays = folder;
    collectRconAudit(auditDays, {}, nullptr, audit);
    std::size_t audited = 0;
    for (const AddressAudit& address : audit.addresses) {
        if (static_cast<std::size_t>(address.succeeded) + static_cast<std::size_t>(address.failed) !=
            address.commands.size())
            __builtin_trap();
        audited += address.commands.size();
        fuzz::checkTerminalForm(auditAddressText(address, addresses));
        for (const AuditCommand& command : address.commands)
            fuzz::checkTerminalForm(auditCommandText(command, addresses, appendTerminalText));
    }
    for (const AuditWarning& warning : audit.warnings)
        fuzz::checkTerminalForm(auditWarningText(warning, addresses, appendTerminalText));
    if (audited != commands)
        __builtin_trap();
    return 0;
}
