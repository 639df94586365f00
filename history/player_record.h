#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "history/community_walk.h"
#include "history/day_windows.h"
#include "history/player_sessions.h"
#include "parse/large_vector.h"
#include "parse/log_event.h"

namespace zelkam {

// Who a player record is about: a player as the player list shows them.
struct RecordSubject {
    std::string name;
    std::string uniqueId;
    std::int32_t userId = 0;
};

// Every session of the folder that wanted accepts, day by day in order of
// the days, each day's in order of their start: the one way sessions are
// found over the folder (`zelkam-cli player`, the player record). onSession
// and progress (either may be empty; progress gets each day's index and the
// day count) run on the calling thread. False when stopped.
bool walkPlayerSessions(FolderDays& folder, const std::atomic<bool>* stop,
                        const std::function<bool(const PlayerSession&)>& wanted,
                        const std::function<void(PlayerSession&&)>& onSession,
                        const std::function<void(std::size_t, std::size_t)>& progress);

// walkPlayerSessions over every opened server of a community as one walk
// (walkServers): each server's sessions come from a tracker of its own,
// carry its name (PlayerSession::server, empty for a single server's
// folder) and are handed to onSession server after server, each server's
// as walkPlayerSessions hands them out. progress (may be empty) gets the
// days walked of all servers and their count. False when stopped.
bool walkServersPlayerSessions(std::vector<ServerDays>& servers, const std::atomic<bool>* stop,
                               const std::function<bool(const PlayerSession&)>& wanted,
                               const std::function<void(PlayerSession&&)>& onSession,
                               const std::function<void(std::size_t, std::size_t)>& progress,
                               unsigned threads = 0);

// A player's sessions of one loaded day, with their lines.
struct DayRecord {
    // The subject with the unique id the server validated for it that day
    // (see subjectAsValidated).
    RecordSubject subject;
    // Every session of the day that belongsToHistory of subject, as
    // walkPlayerSessions finds it, with the events of each (connection,
    // chat, remote-console commands from the player's address, kills, ...)
    // as indices into events.
    std::vector<PlayerSession> sessions;
};

// The record of subject (as the player list shows them) for day, a local
// midnight, from a loaded window: events holds the day before and the day
// (and maybe the next day's first events), as a day load reads them, so a
// player on the server at midnight starts the day as the all-days walk
// starts it, and the day ends where that walk ends it.
DayRecord dayRecordOf(const RecordSubject& subject, const EventList& events, std::int32_t day);

// The subject with the unique id the server validated for it today: a
// player listed under an id many share (the pending id of a connection not
// yet validated, or none) takes the last unshared id of the day's sessions
// that are the subject's own (one of them used the name under the listed
// user id or unique id).
RecordSubject subjectAsValidated(const RecordSubject& subject, const std::vector<PlayerSession>& sessions);

// The player over every day of the folder. A unique id that many players
// share (isSharedUniqueId) links nothing: such a record counts only the
// sessions with that id in which the player's own name was used.
struct PlayerHistory {
    bool linkedById = false;
    // Every session of the player, as walkPlayerSessions hands them out
    // (without lines); over a community, server after server, each
    // carrying its server.
    std::vector<PlayerSession> sessions;
    // The days seen, ascending, each once (a day on two servers too).
    std::vector<std::int32_t> days;
    std::int32_t firstSeen = 0;
    std::int32_t lastSeen = 0;
    // Every name used, in the order first used (as many as a stranger
    // renames himself: see LargeVector).
    LargeVector<std::string> names;
};

// Whether a session belongs to the subject's history.
bool belongsToHistory(const RecordSubject& subject, const PlayerSession& session);

// Walks every day of the folder for the subject. progress (may be empty)
// gets each day's index and the day count on the calling thread. False
// when stopped.
bool collectPlayerHistory(FolderDays& folder, const RecordSubject& subject, const std::atomic<bool>* stop,
                          PlayerHistory& history, const std::function<void(std::size_t, std::size_t)>& progress);

// The same over every opened server of a community, as one walk
// (walkServersPlayerSessions). progress gets the days walked of all
// servers and their count.
bool collectPlayerHistory(std::vector<ServerDays>& servers, const RecordSubject& subject,
                          const std::atomic<bool>* stop, PlayerHistory& history,
                          const std::function<void(std::size_t, std::size_t)>& progress);

} // namespace zelkam
