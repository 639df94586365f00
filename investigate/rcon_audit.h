#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "history/community_walk.h"
#include "history/day_windows.h"
#include "investigate/day_range.h"
#include "investigate/rcon_target.h"

namespace zelkam {

// A player a remote-console command acted on, as resolveRconTarget found
// him among the players on the server then.
struct ActedOnPlayer {
    RconAction action = RconAction::Kick;
    std::string name;
    std::string uniqueId;
    std::int32_t userId = 0;
};

// One remote-console command or failed attempt. Texts are logged bytes,
// the command with its passwords hidden as the recogniser hides them.
struct AuditCommand {
    std::int32_t time = 0;
    bool failed = false;
    std::int32_t addressKey = 0;
    // The sender as the chat view names him: the most recent player to
    // connect from the address, "unknown" when none did.
    std::string sender;
    std::string command;
    std::vector<ActedOnPlayer> actedOn;
    // The server of a community it was sent to; empty for a single
    // server's folder.
    std::string server;
};

struct AddressAudit {
    std::int32_t addressKey = 0;
    std::vector<AuditCommand> commands;
    std::int32_t succeeded = 0;
    std::int32_t failed = 0;
};

enum class AuditWarningKind {
    // At least FailedBurstCount failed attempts from one address within
    // FailedBurstSeconds of each other: a password being guessed.
    FailedAttempts,
    // A command that set a password setting (rcon_password, sv_password,
    // sv_logsecret), as the recogniser recognises one.
    PasswordChanged,
    // The first command an address got through, after other addresses had
    // used the console before it.
    NewAddress,
};

inline constexpr std::int32_t FailedBurstCount = 3;
inline constexpr std::int32_t FailedBurstSeconds = 600;

struct AuditWarning {
    AuditWarningKind kind = AuditWarningKind::FailedAttempts;
    std::int32_t addressKey = 0;
    std::int32_t first = 0;
    std::int32_t last = 0;
    std::int32_t count = 0;
    // The command of a password change or of a new address's first command.
    std::string command;
    // The server of a community the commands warned of were sent to; empty
    // for a single server's folder, or when failed attempts went to
    // several servers.
    std::string server;
};

struct RconAudit {
    // By address, in order of each address's first command in the range.
    std::vector<AddressAudit> addresses;
    // In time order.
    std::vector<AuditWarning> warnings;
};

// Every remote-console command and failed attempt of the range's days, the
// players each acted on and the warnings, each day replayed as the viewer
// replays it. Addresses are known from the folder's first day on, so an
// address is new only if it never got through before, in the range or
// before it. False when stopped.
bool collectRconAudit(FolderDays& folder, const DayRange& range, const std::atomic<bool>* stop,
                      RconAudit& audit);

// The same over every opened server of a community, as one walk
// (walkServers): each server's days replayed as its own folder's, each
// command labelled with its server (empty for a single server's folder),
// and the commands of every server taken in time order (within a second,
// server after server) as one audit: an address's commands are one group
// whichever servers they went to, failed attempts against several servers
// add up, and an address is new only if it never got through to any.
bool collectRconAudit(std::vector<ServerDays>& servers, const DayRange& range, const std::atomic<bool>* stop,
                      RconAudit& audit, unsigned threads = 0);

const char* auditWarningName(AuditWarningKind kind);

} // namespace zelkam
