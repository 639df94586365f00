#include "history/player_record.h"

#include <algorithm>
#include <memory>
#include <utility>

#include "history/name_index.h"
#include "parse/account_id.h"

namespace zelkam {

namespace {

bool usesName(const PlayerSession& session, const std::string& name)
{
    return std::find(session.names.begin(), session.names.end(), name) != session.names.end();
}

// One folder's sessions: its days' own events fed in order to a tracker of
// its own on the calling thread, the sessions it closes handed on labelled
// with the folder's server.
class FolderSessions {
public:
    FolderSessions(std::string server, const std::function<bool(const PlayerSession&)>& wanted,
                   const std::function<void(PlayerSession&&)>& onSession)
        : tracker_([server = std::move(server), &wanted, &onSession](PlayerSession&& session) {
              if (!wanted(session) || !onSession)
                  return;
              session.server = server;
              onSession(std::move(session));
          })
    {
    }

    void plan(FolderWalk& walk)
    {
        // A day read on the calling thread is followed as it is read, the
        // tracker taking up each part while the next is parsed; done adds
        // what is left of it.
        walk.follow = [this](std::size_t, const EventList& events, std::size_t first, std::size_t last) {
            tracker_.addRun(events, first, last, followed_);
            followed_ += last - first;
        };
        walk.done = [this](std::size_t, const EventList* own) {
            const std::size_t followed = std::exchange(followed_, 0);
            if (own && followed < own->size())
                tracker_.addAll(own->data() + followed, own->size() - followed, followed, [] {});
        };
        // A stopped walk still ends the sessions of the days walked.
        walk.finished = [this](bool) { tracker_.finish(); };
    }

private:
    SessionTracker tracker_;
    // The events of the day at hand follow has added.
    std::size_t followed_ = 0;
};

} // namespace

bool walkPlayerSessions(FolderDays& folder, const std::atomic<bool>* stop,
                        const std::function<bool(const PlayerSession&)>& wanted,
                        const std::function<void(PlayerSession&&)>& onSession,
                        const std::function<void(std::size_t, std::size_t)>& progress)
{
    FolderSessions sessions(std::string(), wanted, onSession);
    std::vector<FolderWalk> walk(1);
    walk[0].folder = &folder;
    sessions.plan(walk[0]);
    if (progress) {
        walk[0].done = [&folder, &progress, done = std::move(walk[0].done)](std::size_t index, const EventList* own) {
            done(index, own);
            progress(index, folder.days.size());
        };
    }
    return walkFolders(walk, stop);
}

bool walkServersPlayerSessions(std::vector<ServerDays>& servers, const std::atomic<bool>* stop,
                               const std::function<bool(const PlayerSession&)>& wanted,
                               const std::function<void(PlayerSession&&)>& onSession,
                               const std::function<void(std::size_t, std::size_t)>& progress, unsigned threads)
{
    std::vector<std::unique_ptr<FolderSessions>> trackers;
    const auto plan = [&](ServerDays& server, FolderWalk& walk) {
        trackers.push_back(std::make_unique<FolderSessions>(server.server.name, wanted, onSession));
        trackers.back()->plan(walk);
    };
    return walkServers(servers, stop, plan, progress, threads);
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
    tracker.addAll(events);
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
                         && (session.userId == subject.userId || isSameAccount(session.uniqueId, subject.uniqueId));
        if (own && !isSharedUniqueId(session.uniqueId))
            validated.uniqueId = session.uniqueId;
    }
    return validated;
}

bool belongsToHistory(const RecordSubject& subject, const PlayerSession& session)
{
    if (!isSameAccount(session.uniqueId, subject.uniqueId))
        return false;
    if (!isSharedUniqueId(subject.uniqueId))
        return true;
    return usesName(session, subject.name);
}

namespace {

// Adds a session of the subject to history, as collectPlayerHistory
// keeps it.
class HistoryCollector {
public:
    HistoryCollector(const RecordSubject& subject, PlayerHistory& history) : history_(history)
    {
        history_ = PlayerHistory();
        history_.linkedById = !isSharedUniqueId(subject.uniqueId);
    }

    void add(PlayerSession&& session)
    {
        PlayerHistory& history = history_;
        if (history.sessions.empty() || session.start < history.firstSeen)
            history.firstSeen = session.start;
        history.lastSeen = std::max(history.lastSeen, session.end);
        // Days come in order on each server; a community's next server
        // starts over from its own first day.
        if (history.days.empty() || history.days.back() < session.day) {
            history.days.push_back(session.day);
        } else {
            const auto at = std::lower_bound(history.days.begin(), history.days.end(), session.day);
            if (*at != session.day)
                history.days.insert(at, session.day);
        }
        if (history.names.empty()) {
            // A session's names are distinct: the first session's are the
            // history's as they are.
            names_.fillEmpty(history.names, session.names);
        } else {
            if (history.names.capacity() < history.names.size() + session.names.size())
                history.names.reserve(
                    std::max(history.names.size() + session.names.size(), 2 * history.names.capacity()));
            names_.reserve(history.names.size() + session.names.size());
            for (const std::string& name : session.names)
                names_.addTo(history.names, name);
        }
        history.sessions.push_back(std::move(session));
    }

private:
    PlayerHistory& history_;
    NameIndex names_;
};

} // namespace

bool collectPlayerHistory(FolderDays& folder, const RecordSubject& subject, const std::atomic<bool>* stop,
                          PlayerHistory& history, const std::function<void(std::size_t, std::size_t)>& progress)
{
    HistoryCollector collector(subject, history);
    return walkPlayerSessions(
        folder, stop, [&](const PlayerSession& session) { return belongsToHistory(subject, session); },
        [&](PlayerSession&& session) { collector.add(std::move(session)); }, progress);
}

bool collectPlayerHistory(std::vector<ServerDays>& servers, const RecordSubject& subject,
                          const std::atomic<bool>* stop, PlayerHistory& history,
                          const std::function<void(std::size_t, std::size_t)>& progress)
{
    HistoryCollector collector(subject, history);
    return walkServersPlayerSessions(
        servers, stop, [&](const PlayerSession& session) { return belongsToHistory(subject, session); },
        [&](PlayerSession&& session) { collector.add(std::move(session)); }, progress);
}

} // namespace zelkam
