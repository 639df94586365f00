#include "investigate/rcon_audit.h"

#include <algorithm>
#include <functional>
#include <limits>
#include <map>
#include <memory>
#include <mutex>
#include <queue>
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
            if (burst.count == 0) {
                burst.first = command.time;
                burst.server = command.server;
            } else if (burst.server != command.server) {
                // Guessed at on several servers: no one server to name.
                burst.server.clear();
            }
            burst.last = command.time;
            ++burst.count;
            burst.shown = burst.shown || shown;
        } else {
            if (shown) {
                std::string hidden;
                if (hidePasswords(command.command, hidden))
                    warn({AuditWarningKind::PasswordChanged, key, command.time, command.time, 1, command.command,
                          command.server});
                if (!knownAddresses_.empty() && knownAddresses_.count(key) == 0)
                    warn({AuditWarningKind::NewAddress, key, command.time, command.time, 1, command.command,
                          command.server});
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
        std::string server;
    };

    void endBurst(std::int32_t key, Burst& burst)
    {
        if (burst.count >= FailedBurstCount && burst.shown)
            warn({AuditWarningKind::FailedAttempts, key, burst.first, burst.last, burst.count, {}, burst.server});
        burst = Burst();
    }
    void warn(AuditWarning&& warning) { audit_.warnings.push_back(std::move(warning)); }

    DayRange range_;
    RconAudit audit_;
    std::map<std::int32_t, std::size_t> addressIndex_;
    std::map<std::int32_t, Burst> bursts_;
    std::set<std::int32_t> knownAddresses_;
};

// One folder's part of an audit walk: its days up to the range's end, each
// day's commands found on the workers and handed to take in day order on
// the calling thread, labelled with the folder's server.
class FolderAudit {
public:
    using Take = std::function<void(std::int32_t day, AuditCommand&& command)>;

    FolderAudit(std::string server, Take take) : server_(std::move(server)), take_(std::move(take)) {}

    void plan(FolderDays& folder, const DayRange& range, FolderWalk& walk)
    {
        // Every day up to the range's end: the addresses seen before the
        // range are what makes one in it new.
        DayRange walkedRange = range;
        walkedRange.firstDay = std::numeric_limits<std::int32_t>::min();
        folder = daysOfRange(folder, walkedRange, false);
        days_.resize(folder.days.size());
        walk.work = [this](const DayWindow& view) {
            if (!view.window)
                return;
            std::vector<AuditCommand> commands = commandsOfDay(*view.window, view.day);
            std::lock_guard guard(lock_);
            days_[view.index] = std::move(commands);
        };
        walk.done = [this, &folder](std::size_t index, const EventList*) {
            std::vector<AuditCommand> commands;
            {
                std::lock_guard guard(lock_);
                commands = std::move(days_[index]);
            }
            for (AuditCommand& command : commands) {
                command.server = server_;
                take_(folder.days[index], std::move(command));
            }
        };
    }

private:
    std::string server_;
    Take take_;
    std::vector<std::vector<AuditCommand>> days_;
    std::mutex lock_;
};

} // namespace

bool collectRconAudit(FolderDays& folder, const DayRange& range, const std::atomic<bool>* stop, RconAudit& audit)
{
    FolderDays walked = folder;
    Auditor auditor(range);
    FolderAudit part(std::string(), [&](std::int32_t day, AuditCommand&& command) {
        auditor.add(day, std::move(command));
    });
    std::vector<FolderWalk> walk(1);
    part.plan(walked, range, walk[0]);
    walk[0].folder = &walked;
    const bool complete = walkFolders(walk, stop);
    folder.filesCutShort = walked.filesCutShort;
    auditor.finish(audit);
    return complete;
}

bool collectRconAudit(std::vector<ServerDays>& servers, const DayRange& range, const std::atomic<bool>* stop,
                      RconAudit& audit, unsigned threads)
{
    struct Sent {
        std::int32_t day = 0;
        AuditCommand command;
    };
    // Each server's commands in its own order, until every server is walked.
    std::vector<std::vector<Sent>> sent(servers.size());
    std::vector<std::unique_ptr<FolderAudit>> parts;
    const ServerPlan plan = [&](ServerDays& server, FolderWalk& walk) {
        if (!server.opened)
            return;
        parts.push_back(std::make_unique<FolderAudit>(
            server.server.name, [&commands = sent[server.index]](std::int32_t day, AuditCommand&& command) {
                commands.push_back({day, std::move(command)});
            }));
        parts.back()->plan(server.days, range, walk);
    };
    const bool complete = walkServers(servers, stop, plan, {}, threads);
    // The servers' commands merged by time, ties in server order, each
    // server's taken in its own order: the warnings count in time.
    using Head = std::pair<std::int32_t, std::size_t>;
    std::priority_queue<Head, std::vector<Head>, std::greater<Head>> heads;
    std::vector<std::size_t> next(sent.size(), 0);
    for (std::size_t s = 0; s < sent.size(); ++s) {
        if (!sent[s].empty())
            heads.push({sent[s][0].command.time, s});
    }
    Auditor auditor(range);
    while (!heads.empty()) {
        const std::size_t s = heads.top().second;
        heads.pop();
        Sent& taken = sent[s][next[s]++];
        auditor.add(taken.day, std::move(taken.command));
        if (next[s] < sent[s].size())
            heads.push({sent[s][next[s]].command.time, s});
    }
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
