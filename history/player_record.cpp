#include "history/player_record.h"

#include <algorithm>

namespace zelkam {

std::vector<PlayerSession> daySessionsOf(const RecordSubject& subject, const EventList& events, std::size_t first,
                                         std::size_t end)
{
    std::vector<PlayerSession> found;
    SessionTracker tracker(
        [&](PlayerSession&& session) {
            const bool named =
                std::find(session.names.begin(), session.names.end(), subject.name) != session.names.end();
            if (named && (session.userId == subject.userId || session.uniqueId == subject.uniqueId))
                found.push_back(std::move(session));
        },
        true);
    for (std::size_t e = first; e < end && e < events.size(); ++e)
        tracker.add(events[e], e);
    tracker.finish();
    return found;
}

RecordSubject subjectAsValidated(const RecordSubject& subject, const std::vector<PlayerSession>& sessions)
{
    RecordSubject validated = subject;
    if (!isSharedUniqueId(subject.uniqueId))
        return validated;
    for (const PlayerSession& session : sessions) {
        if (!isSharedUniqueId(session.uniqueId))
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
    return std::find(session.names.begin(), session.names.end(), subject.name) != session.names.end();
}

bool collectPlayerHistory(const FolderDays& folder, const RecordSubject& subject, const std::atomic<bool>* stop,
                          PlayerHistory& history, const std::function<void(std::size_t, std::size_t)>& progress)
{
    history = PlayerHistory();
    history.linkedById = !isSharedUniqueId(subject.uniqueId);
    SessionTracker tracker([&](PlayerSession&& session) {
        if (!belongsToHistory(subject, session))
            return;
        if (history.sessions == 0 || session.start < history.firstSeen)
            history.firstSeen = session.start;
        history.lastSeen = std::max(history.lastSeen, session.end);
        ++history.sessions;
        if (history.days.empty() || history.days.back() != session.day)
            history.days.push_back(session.day);
        for (std::string& name : session.names) {
            if (std::find(history.names.begin(), history.names.end(), name) == history.names.end())
                history.names.push_back(std::move(name));
        }
    });
    const bool complete = walkDayWindows(folder, stop, {}, [&](std::size_t index, const EventList* own) {
        if (own) {
            for (const LogEvent& event : *own)
                tracker.add(event);
        }
        if (progress)
            progress(index, folder.days.size());
    });
    tracker.finish();
    return complete;
}

} // namespace zelkam
