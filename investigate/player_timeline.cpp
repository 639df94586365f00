#include "investigate/player_timeline.h"

#include <algorithm>
#include <deque>
#include <iterator>
#include <map>
#include <memory>
#include <optional>

#include "history/window_replay.h"
#include "investigate/rcon_target.h"
#include "parse/stamp_order.h"
#include "parse/time_stamp.h"

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

// Whether a kill line's victim is the session's player: the tracker
// records a kill for the victim's session and the killer's.
bool killedInSession(const LogEvent& event, const PlayerSession& session)
{
    return event.player.userId == session.userId && usesName(session, textOf(event.player.name));
}

// The kind of a line recorded for session: what its entry tells, and where
// it sorts among the day's lines.
TimelineKind lineKindOf(const LogEvent& event, const PlayerSession& session)
{
    switch (event.kind) {
    case PlayerConnected: return TimelineKind::Connected;
    case PlayerDisconnected: return TimelineKind::Disconnected;
    case PlayerEntered: return TimelineKind::Entered;
    case TeamJoined: return TimelineKind::JoinedTeam;
    case NameChanged: return TimelineKind::NameChanged;
    case Say: return TimelineKind::Said;
    case SayTeam: return TimelineKind::SaidTeam;
    case Suicide: return TimelineKind::Suicide;
    case Killed: return killedInSession(event, session) ? TimelineKind::KilledBy : TimelineKind::Killed;
    case RconCommand: return TimelineKind::RconFromAddress;
    case BadRconCommand: return TimelineKind::BadRconFromAddress;
    default: return TimelineKind::Connected;
    }
}

TimelineEntry entryOf(const LogEvent& event, const PlayerSession& session, std::size_t at)
{
    TimelineEntry entry;
    entry.day = session.day;
    entry.time = event.time;
    entry.kind = lineKindOf(event, session);
    entry.event = at;
    entry.name = textOf(event.player.name);
    entry.uniqueId = textOf(event.player.uniqueId);
    entry.userId = event.player.userId;
    switch (entry.kind) {
    case TimelineKind::Connected:
        // Connected stands for a kind no entry tells too, with no address.
        if (event.kind == PlayerConnected)
            entry.addressKey = event.player.addressKey;
        break;
    case TimelineKind::JoinedTeam:
    case TimelineKind::NameChanged:
    case TimelineKind::Said:
    case TimelineKind::SaidTeam:
        entry.text = textOf(event.text);
        break;
    case TimelineKind::KilledBy: {
        const KillDetail kill = killDetailOf(event);
        entry.weapon = textOf(kill.weapon);
        entry.otherName = textOf(event.text);
        entry.otherUniqueId = textOf(kill.killerUniqueId);
        break;
    }
    case TimelineKind::Killed: {
        const KillDetail kill = killDetailOf(event);
        entry.weapon = textOf(kill.weapon);
        entry.otherName = entry.name;
        entry.otherUniqueId = entry.uniqueId;
        entry.name = textOf(event.text);
        entry.uniqueId = textOf(kill.killerUniqueId);
        entry.userId = session.userId;
        break;
    }
    case TimelineKind::RconFromAddress:
    case TimelineKind::BadRconFromAddress:
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

// A day's window as the viewer reads it (the day before's own events, then
// the day's), read in place from the two days' own event lists; either may
// be missing (a day with no file of its own, only a file of the day before
// reaching into it).
struct SplitWindow {
    const EventList* before = nullptr;
    const EventList* own = nullptr;

    std::size_t beforeSize() const { return before ? before->size() : 0; }
    std::size_t size() const { return beforeSize() + (own ? own->size() : 0); }
    const LogEvent& operator[](std::size_t at) const
    {
        return at < beforeSize() ? (*before)[at] : (*own)[at - beforeSize()];
    }
};

// What ended a session, in the timeline's words.
const char* endCauseText(SessionEndCause cause)
{
    switch (cause) {
    case SessionEndCause::Disconnected: return "disconnected";
    case SessionEndCause::Reconnected: return "reconnected";
    case SessionEndCause::Renumbered: return "server restarted";
    case SessionEndCause::DayEnd: break;
    }
    return "day's end";
}

// The entry that opens (or, with end, closes) a session: its line's place
// is its first (last) line's.
TimelineEntry sessionBound(const PlayerSession& session, bool end)
{
    TimelineEntry bound;
    bound.day = session.day;
    bound.time = end ? session.end : session.start;
    bound.kind = end ? TimelineKind::SessionEnd : TimelineKind::SessionStart;
    bound.name = session.names.empty() ? std::string() : end ? session.names.back() : session.names.front();
    bound.uniqueId = session.uniqueId;
    bound.userId = session.userId;
    bound.addressKey = session.addressKey;
    bound.event = session.lines.empty() ? 0 : end ? session.lines.back() : session.lines.front();
    if (end)
        bound.text = endCauseText(session.ended);
    return bound;
}

// Where the window's last kick, ban or slay that could mean one of the
// sessions' players stands, false when none could: replaying a window to
// resolve commands is most of a day's cost when it has any, most commands
// name someone else, and nothing after the last that could matters.
bool lastActionThatCouldMean(const SplitWindow& window, const std::vector<PlayerSession>& sessions,
                             std::size_t& last)
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
    for (std::size_t e = window.size(); e-- > 0;) {
        if (window[e].kind != RconCommand || !window[e].text)
            continue;
        for (const RconTargeting& targeting : rconTargetingsOf(window[e].text)) {
            for (const PlayerSession& session : sessions) {
                if (rconTargetCouldMean(targeting, session.userId, session.names, isUniqueId)) {
                    last = e;
                    return true;
                }
            }
        }
    }
    return false;
}

// Every kick, ban or slay of the day that meant one of the sessions' players,
// judged with the day replayed up to the command as the viewer replays it.
void addActionsOn(const SplitWindow& split, std::int32_t day, const std::vector<PlayerSession>& sessions,
                  std::vector<TimelineEntry>& entries)
{
    std::size_t last = 0;
    if (!lastActionThatCouldMean(split, sessions, last))
        return;
    // The replay plays one list: the window joined as the day's walk joins
    // it, a stray line where the two days meet judged again.
    EventList window;
    for (std::size_t e = 0; e < split.size(); ++e)
        window.append(split[e]);
    std::size_t ownFirst = split.beforeSize();
    setAsideStrayStamps(window, 0, &ownFirst);
    // The replay state is large (the roster, the rings): on the heap.
    auto replay = std::make_unique<WindowReplay>();
    if (!replay->start(window, day))
        return;
    // A stray line set aside where the days meet only moves places down:
    // the joined window's place of that command is at most last.
    while (!replay->atEnd() && replay->cursor() <= last) {
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

// The days' own events go through one session tracker in day order, each
// event once, as the session walk feeds it; a day's sessions are complete
// when the tracker passes its end. Each day's window is the day before's
// own events and the day's, so the walk keeps the last two days' events
// while the next one is fed.
class TimelineWalk {
public:
    static constexpr std::size_t KeptDays = 2;

    TimelineWalk(const FolderDays& walked, const PlayerQuery& query, const DayRange& range,
                 std::function<void(TimelineDay&&)> onDay, std::string server = std::string())
        : walked_(walked), range_(range), onDay_(std::move(onDay)), server_(std::move(server)), test_(query),
          tracker_([this](PlayerSession&& session) { take(std::move(session)); }, true)
    {
        if (query.byId)
            tracker_.recordLinesOnlyFor(query.text);
    }

    void feed(std::size_t index, const EventList* own)
    {
        // Where the viewer's read of a day would start afresh (no events of
        // the day before: passed over, unreadable or not the calendar day
        // before), the tracker starts afresh too.
        if (!own || index == 0 || walked_.days[index - 1] != addLocalDays(walked_.days[index], -1))
            restart();
        if (!own)
            return;
        fed_.push_back({index, nextPosition_, own});
        if (fed_.size() > KeptDays + 1)
            fed_.pop_front();
        // A day's sessions are handed out together as the tracker passes
        // its end.
        tracker_.addAll(*own, nextPosition_, [this] {
            if (!pending_.empty())
                finishDay();
        });
        nextPosition_ += own->size();
        if (index + 1 == walked_.days.size())
            restart();
    }

private:
    struct FedDay {
        std::size_t index = 0;
        // The position the tracker was given for its first event.
        std::size_t first = 0;
        const EventList* events = nullptr;
    };

    void restart()
    {
        tracker_.finish();
        if (!pending_.empty())
            finishDay();
        fed_.clear();
    }

    void take(PlayerSession&& session)
    {
        if (range_.holds(session.day) && test_.matches(session))
            pending_.push_back(std::move(session));
    }

    const FedDay* fedDay(std::size_t index) const
    {
        for (const FedDay& day : fed_) {
            if (day.index == index)
                return &day;
        }
        return nullptr;
    }

    // The walked day in whose window sessions of one calendar day are read:
    // that day's own, or, when no file begins on it, the day whose events
    // hold their first line. A file whose stamps jump days ahead (a server
    // whose clock was set forward, logs run together) holds sessions of a
    // day the folder lists no files for: the viewer shows them in the
    // window of the day the file begins on, and so does the timeline.
    std::optional<std::size_t> windowDayOf(const std::vector<PlayerSession>& sessions) const
    {
        const std::int32_t day = sessions.front().day;
        if (const auto at = std::lower_bound(walked_.days.begin(), walked_.days.end(), day);
            at != walked_.days.end() && *at == day)
            return static_cast<std::size_t>(at - walked_.days.begin());
        for (const PlayerSession& session : sessions) {
            if (session.lines.empty())
                continue;
            const std::size_t line = session.lines.front();
            for (const FedDay& fed : fed_) {
                if (line >= fed.first && line < fed.first + fed.events->size())
                    return fed.index;
            }
        }
        return std::nullopt;
    }

    // The sessions pending, all of one calendar day: their timeline, read
    // in the window of their day (see windowDayOf).
    void finishDay()
    {
        std::vector<PlayerSession> sessions = std::move(pending_);
        pending_.clear();
        const std::optional<std::size_t> windowDay = windowDayOf(sessions);
        if (!windowDay)
            return;
        const std::size_t index = *windowDay;
        const std::int32_t day = walked_.days[index];
        const FedDay* own = fedDay(index);
        const FedDay* before = index > 0 && walked_.days[index - 1] == addLocalDays(day, -1) ? fedDay(index - 1) : nullptr;
        if (!own && !before)
            return;
        SplitWindow window;
        window.own = own ? own->events : nullptr;
        window.before = before ? before->events : nullptr;
        // The tracker's positions as places in the window; a line of a file
        // the window does not hold (one reaching over two midnights) is not
        // in the window's timeline either.
        for (PlayerSession& session : sessions) {
            std::size_t kept = 0;
            for (const std::size_t line : session.lines) {
                if (own && line >= own->first && line < own->first + own->events->size())
                    session.lines[kept++] = window.beforeSize() + (line - own->first);
                else if (before && line >= before->first && line < before->first + before->events->size())
                    session.lines[kept++] = line - before->first;
            }
            session.lines.resize(kept);
        }
        // A day's lines are put in order by small keys and made into entries
        // a piece at a time as they are handed out: a day of a million lines
        // of one player (an archive of one line repeated) never holds them
        // all as entries.
        std::vector<TimelineEntry> actions;
        addActionsOn(window, day, sessions, actions);
        std::vector<LineKey> keys;
        for (std::uint32_t s = 0; s < sessions.size(); ++s) {
            const PlayerSession& session = sessions[s];
            keys.push_back({session.start, TimelineKind::SessionStart, s, LineKey::Start,
                            session.lines.empty() ? 0 : session.lines.front(), 0});
            for (std::uint32_t l = 0; l < session.lines.size(); ++l) {
                const LogEvent& event = window[session.lines[l]];
                keys.push_back({event.time, lineKindOf(event, session), s, l, session.lines[l], 0});
            }
            keys.push_back({session.end, TimelineKind::SessionEnd, s, LineKey::End,
                            session.lines.empty() ? 0 : session.lines.back(), 0});
        }
        for (std::uint32_t a = 0; a < actions.size(); ++a)
            keys.push_back({actions[a].time, actions[a].kind, LineKey::Action, a, actions[a].event, 0});
        for (std::size_t k = 0; k < keys.size(); ++k)
            keys[k].order = k;
        std::sort(keys.begin(), keys.end(), [](const LineKey& a, const LineKey& b) {
            if (a.time != b.time)
                return a.time < b.time;
            if (rankOf(a.kind) != rankOf(b.kind))
                return rankOf(a.kind) < rankOf(b.kind);
            if (a.event != b.event)
                return a.event < b.event;
            return a.order < b.order;
        });
        // A kill between two of the player's sessions (two accounts a name
        // query matched) was recorded for both: one line is enough.
        keys.erase(std::unique(keys.begin(), keys.end(),
                               [](const LineKey& a, const LineKey& b) {
                                   return rankOf(a.kind) == 1 && a.event == b.event && a.kind == b.kind &&
                                          a.time == b.time;
                               }),
                   keys.end());
        for (std::size_t from = 0; from < keys.size(); from += PieceEntries) {
            TimelineDay piece;
            piece.index = index;
            piece.day = day;
            const std::size_t to = std::min(keys.size(), from + PieceEntries);
            piece.entries.reserve(to - from);
            for (std::size_t k = from; k < to; ++k) {
                const LineKey& key = keys[k];
                if (key.source == LineKey::Action) {
                    piece.entries.push_back(std::move(actions[key.line]));
                } else {
                    const PlayerSession& session = sessions[key.source];
                    if (key.line == LineKey::Start || key.line == LineKey::End)
                        piece.entries.push_back(sessionBound(session, key.line == LineKey::End));
                    else
                        piece.entries.push_back(entryOf(window[session.lines[key.line]], session, session.lines[key.line]));
                }
                piece.entries.back().server = server_;
            }
            onDay_(std::move(piece));
        }
    }

    // Where an entry of a day comes from, and where it sorts.
    struct LineKey {
        static constexpr std::uint32_t Start = 0xFFFFFFFEu;
        static constexpr std::uint32_t End = 0xFFFFFFFDu;
        static constexpr std::uint32_t Action = 0xFFFFFFFFu;
        std::int32_t time = 0;
        TimelineKind kind = TimelineKind::Connected;
        // The session (or Action) and its line (or Start, End; an action's
        // place among the actions).
        std::uint32_t source = 0;
        std::uint32_t line = 0;
        std::size_t event = 0;
        // The place it was made in: lines alike in time, rank and event
        // keep it.
        std::size_t order = 0;
    };
    // The most entries a day hands out at once.
    static constexpr std::size_t PieceEntries = 16384;

    const FolderDays& walked_;
    const DayRange& range_;
    std::function<void(TimelineDay&&)> onDay_;
    std::string server_;
    SessionTest test_;
    SessionTracker tracker_;
    std::vector<PlayerSession> pending_;
    std::deque<FedDay> fed_;
    std::size_t nextPosition_ = 0;
};

} // namespace

bool collectTimeline(FolderDays& folder, const PlayerQuery& query, const DayRange& range,
                     const std::atomic<bool>* stop, const std::function<void(TimelineDay&&)>& onDay)
{
    FolderDays walked = daysOfRange(folder, range, true);
    TimelineWalk timeline(walked, query, range, onDay);
    const bool complete = walkDayWindows(
        walked, stop, {}, [&](std::size_t index, const EventList* own) { timeline.feed(index, own); }, 0,
        query.dayLook(), TimelineWalk::KeptDays);
    folder.filesCutShort = walked.filesCutShort;
    return complete;
}

bool collectTimeline(std::vector<ServerDays>& servers, const PlayerQuery& query, const DayRange& range,
                     const std::atomic<bool>* stop, const std::function<void(TimelineDay&&)>& onDay,
                     unsigned threads)
{
    // One server needs no merging: its days go out as they are found.
    const bool merged = servers.size() > 1;
    std::vector<std::vector<TimelineDay>> found(servers.size());
    std::vector<std::unique_ptr<TimelineWalk>> walks;
    const ServerPlan plan = [&](ServerDays& server, FolderWalk& walk) {
        if (!server.opened)
            return;
        server.days = daysOfRange(server.days, range, true);
        std::function<void(TimelineDay&&)> take = onDay;
        if (merged)
            take = [&days = found[server.index]](TimelineDay&& day) { days.push_back(std::move(day)); };
        walks.push_back(std::make_unique<TimelineWalk>(server.days, query, range, std::move(take), server.server.name));
        walk.done = [timeline = walks.back().get()](std::size_t index, const EventList* own) {
            timeline->feed(index, own);
        };
        walk.look = query.dayLook();
    };
    const bool complete = walkServers(servers, stop, plan, {}, threads, TimelineWalk::KeptDays);
    if (!merged)
        return complete;
    // Each server's days come in day order, each day's entries in time
    // order: a day's entries of every server, server after server, sorted
    // stably by time are the servers' lines merged.
    std::map<std::int32_t, std::vector<TimelineEntry>> days;
    for (std::vector<TimelineDay>& serverDays : found) {
        for (TimelineDay& day : serverDays) {
            std::vector<TimelineEntry>& entries = days[day.day];
            entries.insert(entries.end(), std::make_move_iterator(day.entries.begin()),
                           std::make_move_iterator(day.entries.end()));
        }
        serverDays.clear();
    }
    std::size_t index = 0;
    for (auto& [day, entries] : days) {
        std::stable_sort(entries.begin(), entries.end(),
                         [](const TimelineEntry& a, const TimelineEntry& b) { return a.time < b.time; });
        TimelineDay merge;
        merge.index = index++;
        merge.day = day;
        merge.entries = std::move(entries);
        onDay(std::move(merge));
    }
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
