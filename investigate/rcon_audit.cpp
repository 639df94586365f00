#include "investigate/rcon_audit.h"

#include <algorithm>
#include <limits>
#include <map>
#include <memory>
#include <mutex>
#include <set>

#include "history/window_replay.h"
#include "parse/recognizer.h"
#include "state/event_application.h"

namespace zelkam {
namespace {

bool isRcon(std::int32_t kind) { return kind == RconCommand || kind == BadRconCommand; }

std::vector<AuditCommand> commandsOfDay(const EventList& window, std::int32_t day)
{
    std::vector<AuditCommand> commands;
    bool any = false;
    for (std::size_t e = 0; e < window.size() && !any; ++e)
        any = isRcon(window[e].kind);
    if (!any)
        return commands;
    auto replay = std::make_unique<WindowReplay>();
    if (!replay->start(window, day))
        return commands;
    while (!replay->atEnd()) {
        const LogEvent& event = replay->current();
        if (isRcon(event.kind)) {
            AuditCommand& command = commands.emplace_back();
            command.time = event.time;
            command.failed = event.kind == BadRconCommand;
            command.addressKey = event.player.addressKey;
            const PlayerEntry* recent = findRecentByAddress(replay->live(), event.player.addressKey);
            const PlayerEntry& sender = recent ? *recent : unknownPlayer;
            command.sender = sender.name ? sender.name : "";
            command.command = event.text ? event.text : "";
            if (!command.failed) {
                for (const RconTargeting& targeting : rconTargetingsOf(command.command)) {
                    const PlayerEntry* meant = nullptr;
                    if (!resolveRconTarget(replay->live(), targeting, meant))
                        continue;
                    command.actedOn.push_back(
                        {targeting.action, meant->name ? meant->name : "", meant->uniqueId ? meant->uniqueId : "",
                         meant->userId});
                }
            }
        }
        replay->applyNext();
    }
    return commands;
}

// Turns the commands, in time order, into the audit and its warnings.
class Auditor {
public:
    explicit Auditor(const DayRange& range) : range_(range) {}

    void add(std::int32_t day, AuditCommand&& command)
    {
        const bool shown = range_.holds(day);
        const std::int32_t key = command.addressKey;
        if (command.failed) {
            Burst& burst = bursts_[key];
            if (burst.count > 0 && command.time - burst.last > FailedBurstSeconds)
                endBurst(key, burst);
            if (burst.count == 0)
                burst.first = command.time;
            burst.last = command.time;
            ++burst.count;
            burst.shown = burst.shown || shown;
        } else {
            if (shown) {
                std::string hidden;
                if (hidePasswords(command.command, hidden))
                    warn({AuditWarningKind::PasswordChanged, key, command.time, command.time, 1, command.command});
                if (!knownAddresses_.empty() && knownAddresses_.count(key) == 0)
                    warn({AuditWarningKind::NewAddress, key, command.time, command.time, 1, command.command});
            }
            knownAddresses_.insert(key);
        }
        if (!shown)
            return;
        auto [at, added] = addressIndex_.try_emplace(key, audit_.addresses.size());
        if (added)
            audit_.addresses.push_back(AddressAudit{key, {}, 0, 0});
        AddressAudit& address = audit_.addresses[at->second];
        ++(command.failed ? address.failed : address.succeeded);
        address.commands.push_back(std::move(command));
    }

    void finish(RconAudit& audit)
    {
        for (auto& [key, burst] : bursts_)
            endBurst(key, burst);
        std::stable_sort(audit_.warnings.begin(), audit_.warnings.end(),
                         [](const AuditWarning& a, const AuditWarning& b) { return a.first < b.first; });
        audit = std::move(audit_);
    }

private:
    struct Burst {
        std::int32_t first = 0;
        std::int32_t last = 0;
        std::int32_t count = 0;
        bool shown = false;
    };

    void endBurst(std::int32_t key, Burst& burst)
    {
        if (burst.count >= FailedBurstCount && burst.shown)
            warn({AuditWarningKind::FailedAttempts, key, burst.first, burst.last, burst.count, {}});
        burst = Burst();
    }
    void warn(AuditWarning&& warning) { audit_.warnings.push_back(std::move(warning)); }

    DayRange range_;
    RconAudit audit_;
    std::map<std::int32_t, std::size_t> addressIndex_;
    std::map<std::int32_t, Burst> bursts_;
    std::set<std::int32_t> knownAddresses_;
};

} // namespace

bool collectRconAudit(FolderDays& folder, const DayRange& range, const std::atomic<bool>* stop, RconAudit& audit)
{
    // Every day up to the range's end: the addresses seen before the range
    // are what makes one in it new.
    DayRange walkedRange = range;
    walkedRange.firstDay = std::numeric_limits<std::int32_t>::min();
    FolderDays walked = daysOfRange(folder, walkedRange, false);
    std::vector<std::vector<AuditCommand>> days(walked.days.size());
    std::mutex lock;
    const auto work = [&](const DayWindow& view) {
        if (!view.window)
            return;
        std::vector<AuditCommand> commands = commandsOfDay(*view.window, view.day);
        std::lock_guard guard(lock);
        days[view.index] = std::move(commands);
    };
    Auditor auditor(range);
    const bool complete = walkDayWindows(walked, stop, work, [&](std::size_t index, const EventList*) {
        std::vector<AuditCommand> commands;
        {
            std::lock_guard guard(lock);
            commands = std::move(days[index]);
        }
        for (AuditCommand& command : commands)
            auditor.add(walked.days[index], std::move(command));
    });
    folder.filesCutShort = walked.filesCutShort;
    auditor.finish(audit);
    return complete;
}

const char* auditWarningName(AuditWarningKind kind)
{
    switch (kind) {
    case AuditWarningKind::FailedAttempts:
        return "failedAttempts";
    case AuditWarningKind::PasswordChanged:
        return "passwordChanged";
    case AuditWarningKind::NewAddress:
        return "newAddress";
    }
    return "";
}

} // namespace zelkam
