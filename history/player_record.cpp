#include "history/player_record.h"

#include <algorithm>

#include "history/name_index.h"

namespace zelkam {

namespace {

bool usesName(const PlayerSession& session, const std::string& name)
{
    return std::find(session.names.begin(), session.names.end(), name) != session.names.end();
}

// Feeds the tracker the events, each at its position, fetching the memory
// of the events a little ahead meanwhile.
void addAll(SessionTracker& tracker, const EventList& events)
{
    constexpr std::size_t Ahead = 16;
    const std::size_t count = events.size();
    std::size_t connections = 0;
    for (const LogEvent& event : events)
        connections += event.kind == PlayerConnected ? 1 : 0;
    tracker.expectConnections(connections);
    for (std::size_t e = 0; e < std::min(Ahead, count); ++e)
        tracker.prefetch(events[e]);
    for (std::size_t e = 0; e < count; ++e) {
        if (e + Ahead < count)
            tracker.prefetch(events[e + Ahead]);
        tracker.add(events[e], e);
    }
}

} // namespace

bool walkPlayerSessions(FolderDays& folder, const std::atomic<bool>* stop,
                        const std::function<bool(const PlayerSession&)>& wanted,
                        const std::function<void(PlayerSession&&)>& onSession,
                        const std::function<void(std::size_t, std::size_t)>& progress)
{
    SessionTracker tracker([&](PlayerSession&& session) {
        if (wanted(session) && onSession)
            onSession(std::move(session));
    });
    const bool complete = walkDayWindows(folder, stop, {}, [&](std::size_t index, const EventList* own) {
        if (own)
            addAll(tracker, *own);
        if (progress)
            progress(index, folder.days.size());
    });
    tracker.finish();
    return complete;
}

DayRecord dayRecordOf(const RecordSubject& subject, const EventList& events, std::int32_t day)
{
    std::vector<PlayerSession> daySessions;
    SessionTracker tracker(
        [&](PlayerSession&& session) {
            if (session.day == day)
                daySessions.push_back(std::move(session));
        },
        true);
    addAll(tracker, events);
    tracker.finish();

    DayRecord record;
    record.subject = subjectAsValidated(subject, daySessions);
    for (PlayerSession& session : daySessions) {
        if (belongsToHistory(record.subject, session))
            record.sessions.push_back(std::move(session));
    }
    return record;
}

RecordSubject subjectAsValidated(const RecordSubject& subject, const std::vector<PlayerSession>& sessions)
{
    RecordSubject validated = subject;
    if (!isSharedUniqueId(subject.uniqueId))
        return validated;
    for (const PlayerSession& session : sessions) {
        const bool own = usesName(session, subject.name)
                         && (session.userId == subject.userId || session.uniqueId == subject.uniqueId);
        if (own && !isSharedUniqueId(session.uniqueId))
            validated.uniqueId = session.uniqueId;
    }
    return validated;
}

bool belongsToHistory(const RecordSubject& subject, const PlayerSession& session)
{
    if (session.uniqueId != subject.uniqueId)
        return false;
    if (!isSharedUniqueId(subject.uniqueId))
        return true;
    return usesName(session, subject.name);
}

bool collectPlayerHistory(FolderDays& folder, const RecordSubject& subject, const std::atomic<bool>* stop,
                          PlayerHistory& history, const std::function<void(std::size_t, std::size_t)>& progress)
{
    history = PlayerHistory();
    history.linkedById = !isSharedUniqueId(subject.uniqueId);
    NameIndex names;
    const bool complete = walkPlayerSessions(
        folder, stop, [&](const PlayerSession& session) { return belongsToHistory(subject, session); },
        [&](PlayerSession&& session) {
            if (history.sessions.empty() || session.start < history.firstSeen)
                history.firstSeen = session.start;
            history.lastSeen = std::max(history.lastSeen, session.end);
            if (history.days.empty() || history.days.back() != session.day)
                history.days.push_back(session.day);
            if (history.names.empty()) {
                // A session's names are distinct: the first session's are
                // the history's as they are.
                names.fillEmpty(history.names, session.names);
            } else {
                if (history.names.capacity() < history.names.size() + session.names.size())
                    history.names.reserve(
                        std::max(history.names.size() + session.names.size(), 2 * history.names.capacity()));
                names.reserve(history.names.size() + session.names.size());
                for (const std::string& name : session.names)
                    names.addTo(history.names, name);
            }
            history.sessions.push_back(std::move(session));
        },
        progress);
    return complete;
}

} // namespace zelkam
