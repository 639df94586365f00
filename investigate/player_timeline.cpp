#include "investigate/player_timeline.h"

#include <algorithm>
#include <memory>
#include <mutex>

#include "history/window_replay.h"
#include "investigate/rcon_target.h"

namespace zelkam {
namespace {

std::string textOf(const char* text) { return text ? text : ""; }

bool usesName(const PlayerSession& session, std::string_view name)
{
    return std::find(session.names.begin(), session.names.end(), name) != session.names.end();
}

// Where an entry sorts within its second: a session's start before its
// lines, its end after them.
int rankOf(TimelineKind kind)
{
    return kind == TimelineKind::SessionStart ? 0 : kind == TimelineKind::SessionEnd ? 2 : 1;
}

TimelineEntry entryOf(const LogEvent& event, const PlayerSession& session, std::size_t at)
{
    TimelineEntry entry;
    entry.day = session.day;
    entry.time = event.time;
    entry.event = at;
    entry.name = textOf(event.player.name);
    entry.uniqueId = textOf(event.player.uniqueId);
    entry.userId = event.player.userId;
    switch (event.kind) {
    case PlayerConnected:
        entry.kind = TimelineKind::Connected;
        entry.addressKey = event.player.addressKey;
        break;
    case PlayerDisconnected:
        entry.kind = TimelineKind::Disconnected;
        break;
    case PlayerEntered:
        entry.kind = TimelineKind::Entered;
        break;
    case TeamJoined:
        entry.kind = TimelineKind::JoinedTeam;
        entry.text = textOf(event.text);
        break;
    case NameChanged:
        entry.kind = TimelineKind::NameChanged;
        entry.text = textOf(event.text);
        break;
    case Say:
    case SayTeam:
        entry.kind = event.kind == Say ? TimelineKind::Said : TimelineKind::SaidTeam;
        entry.text = textOf(event.text);
        break;
    case Suicide:
        entry.kind = TimelineKind::Suicide;
        break;
    case Killed: {
        const KillDetail kill = killDetailOf(event);
        entry.weapon = textOf(kill.weapon);
        // The tracker records a kill for the victim's session and the
        // killer's: the line's victim is the player when the session is his.
        if (event.player.userId == session.userId && usesName(session, textOf(event.player.name))) {
            entry.kind = TimelineKind::KilledBy;
            entry.otherName = textOf(event.text);
            entry.otherUniqueId = textOf(kill.killerUniqueId);
        } else {
            entry.kind = TimelineKind::Killed;
            entry.otherName = entry.name;
            entry.otherUniqueId = entry.uniqueId;
            entry.name = textOf(event.text);
            entry.uniqueId = textOf(kill.killerUniqueId);
            entry.userId = session.userId;
        }
        break;
    }
    case RconCommand:
    case BadRconCommand:
        entry.kind = event.kind == RconCommand ? TimelineKind::RconFromAddress : TimelineKind::BadRconFromAddress;
        entry.name = session.names.empty() ? std::string() : session.names.back();
        entry.uniqueId = session.uniqueId;
        entry.userId = session.userId;
        entry.addressKey = event.player.addressKey;
        entry.text = textOf(event.text);
        break;
    default:
        break;
    }
    return entry;
}

void addSessionEntries(const EventList& window, const PlayerSession& session, std::vector<TimelineEntry>& entries)
{
    TimelineEntry start;
    start.day = session.day;
    start.time = session.start;
    start.kind = TimelineKind::SessionStart;
    start.name = session.names.empty() ? std::string() : session.names.front();
    start.uniqueId = session.uniqueId;
    start.userId = session.userId;
    start.addressKey = session.addressKey;
    start.event = session.lines.empty() ? 0 : session.lines.front();
    TimelineEntry end = start;
    end.time = session.end;
    end.kind = TimelineKind::SessionEnd;
    end.name = session.names.empty() ? std::string() : session.names.back();
    end.event = session.lines.empty() ? 0 : session.lines.back();
    bool leftByLine = false;
    entries.push_back(std::move(start));
    for (const std::size_t line : session.lines) {
        const LogEvent& event = window[line];
        entries.push_back(entryOf(event, session, line));
        leftByLine = leftByLine || (event.kind == PlayerDisconnected && event.time == session.end);
    }
    end.text = leftByLine ? "disconnected" : "day's end";
    entries.push_back(std::move(end));
}

// Whether a kick, ban or slay of the window could mean one of the sessions'
// players: replaying a window to resolve commands is most of a day's cost
// when it has any, and most commands name someone else.
bool anyActionCouldMean(const EventList& window, const std::vector<PlayerSession>& sessions)
{
    // The unique ids the window's players had, gathered only when a command
    // names a word that is neither a user id nor a part of his names.
    std::vector<std::string_view> ids;
    bool idsGathered = false;
    const auto isUniqueId = [&](std::string_view word) {
        if (!idsGathered) {
            idsGathered = true;
            for (std::size_t e = 0; e < window.size(); ++e) {
                const LogEvent& event = window[e];
                if (event.player.uniqueId && *event.player.uniqueId)
                    ids.emplace_back(event.player.uniqueId);
                if (event.kind == Killed)
                    ids.emplace_back(killDetailOf(event).killerUniqueId);
            }
        }
        return std::find(ids.begin(), ids.end(), word) != ids.end();
    };
    for (std::size_t e = 0; e < window.size(); ++e) {
        if (window[e].kind != RconCommand || !window[e].text)
            continue;
        for (const RconTargeting& targeting : rconTargetingsOf(window[e].text)) {
            for (const PlayerSession& session : sessions) {
                if (rconTargetCouldMean(targeting, session.userId, session.names, isUniqueId))
                    return true;
            }
        }
    }
    return false;
}

// Every kick, ban or slay of the day that meant one of the sessions' players,
// judged with the day replayed up to the command as the viewer replays it.
void addActionsOn(const EventList& window, std::int32_t day, const std::vector<PlayerSession>& sessions,
                  std::vector<TimelineEntry>& entries)
{
    if (!anyActionCouldMean(window, sessions))
        return;
    // The replay state is large (the roster, the rings): on the heap.
    auto replay = std::make_unique<WindowReplay>();
    if (!replay->start(window, day))
        return;
    while (!replay->atEnd()) {
        const LogEvent& event = replay->current();
        const std::size_t at = replay->cursor();
        if (event.kind == RconCommand && event.text) {
            for (const RconTargeting& targeting : rconTargetingsOf(event.text)) {
                const PlayerEntry* meant = nullptr;
                if (!resolveRconTarget(replay->live(), targeting, meant))
                    continue;
                for (const PlayerSession& session : sessions) {
                    const bool his = meant->userId == session.userId && event.time >= session.start &&
                                     event.time <= session.end && usesName(session, textOf(meant->name));
                    if (!his)
                        continue;
                    TimelineEntry entry;
                    entry.day = day;
                    entry.time = event.time;
                    entry.kind = TimelineKind::RconActedOn;
                    entry.event = at;
                    entry.name = textOf(meant->name);
                    entry.uniqueId = session.uniqueId;
                    entry.userId = meant->userId;
                    entry.addressKey = event.player.addressKey;
                    entry.text = textOf(event.text);
                    entry.action = std::string(rconActionName(targeting.action));
                    entries.push_back(std::move(entry));
                    break;
                }
            }
        }
        replay->applyNext();
    }
}

} // namespace

std::vector<PlayerSession> daySessionsOf(const EventList& window, std::int32_t day,
                                         const std::function<bool(const PlayerSession&)>& wanted)
{
    std::vector<PlayerSession> sessions;
    SessionTracker tracker(
        [&](PlayerSession&& session) {
            if (session.day == day && wanted(session))
                sessions.push_back(std::move(session));
        },
        true);
    // The day before is tracked for who was still on at midnight; its own
    // sessions are dropped, so their lines are not recorded.
    tracker.recordFromNow(false);
    bool recording = false;
    for (std::size_t e = 0; e < window.size(); ++e) {
        if (window[e].kind >= EventKindCount)
            continue;
        // The tracker enters the day at its first event from the midnight on.
        if (!recording && window[e].time >= day) {
            recording = true;
            tracker.recordFromNow(true);
        }
        tracker.add(window[e], e);
    }
    tracker.finish();
    return sessions;
}

bool collectTimeline(FolderDays& folder, const PlayerQuery& query, const DayRange& range,
                     const std::atomic<bool>* stop, const std::function<void(TimelineDay&&)>& onDay)
{
    FolderDays walked = daysOfRange(folder, range, true);
    std::vector<TimelineDay> days(walked.days.size());
    std::mutex lock;
    const auto work = [&](const DayWindow& view) {
        if (!view.window || !range.holds(view.day))
            return;
        SessionTest test(query);
        const std::vector<PlayerSession> sessions =
            daySessionsOf(*view.window, view.day, [&](const PlayerSession& session) { return test.matches(session); });
        if (sessions.empty())
            return;
        TimelineDay result;
        result.index = view.index;
        result.day = view.day;
        for (const PlayerSession& session : sessions)
            addSessionEntries(*view.window, session, result.entries);
        addActionsOn(*view.window, view.day, sessions, result.entries);
        std::stable_sort(result.entries.begin(), result.entries.end(),
                         [](const TimelineEntry& a, const TimelineEntry& b) {
                             if (a.time != b.time)
                                 return a.time < b.time;
                             if (rankOf(a.kind) != rankOf(b.kind))
                                 return rankOf(a.kind) < rankOf(b.kind);
                             return a.event < b.event;
                         });
        // A kill between two of the player's sessions (two accounts a name
        // query matched) was recorded for both: one line is enough.
        result.entries.erase(std::unique(result.entries.begin(), result.entries.end(),
                                         [](const TimelineEntry& a, const TimelineEntry& b) {
                                             return rankOf(a.kind) == 1 && a.event == b.event && a.kind == b.kind &&
                                                    a.time == b.time;
                                         }),
                             result.entries.end());
        std::lock_guard guard(lock);
        days[view.index] = std::move(result);
    };
    const bool complete = walkDayWindows(
        walked, stop, work,
        [&](std::size_t index, const EventList*) {
            TimelineDay day;
            {
                std::lock_guard guard(lock);
                day = std::move(days[index]);
            }
            if (!day.entries.empty())
                onDay(std::move(day));
        },
        0, query.dayLook());
    folder.filesCutShort = walked.filesCutShort;
    return complete;
}

const char* timelineKindName(TimelineKind kind)
{
    switch (kind) {
    case TimelineKind::SessionStart:
        return "sessionStart";
    case TimelineKind::Connected:
        return "connected";
    case TimelineKind::Entered:
        return "entered";
    case TimelineKind::JoinedTeam:
        return "joinedTeam";
    case TimelineKind::NameChanged:
        return "nameChanged";
    case TimelineKind::Said:
        return "say";
    case TimelineKind::SaidTeam:
        return "sayTeam";
    case TimelineKind::Killed:
        return "killed";
    case TimelineKind::KilledBy:
        return "killedBy";
    case TimelineKind::Suicide:
        return "suicide";
    case TimelineKind::Disconnected:
        return "disconnected";
    case TimelineKind::RconFromAddress:
        return "rconFromAddress";
    case TimelineKind::BadRconFromAddress:
        return "badRconFromAddress";
    case TimelineKind::RconActedOn:
        return "actedOn";
    case TimelineKind::SessionEnd:
        return "sessionEnd";
    }
    return "";
}

} // namespace zelkam
