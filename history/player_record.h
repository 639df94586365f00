#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "history/day_windows.h"
#include "history/player_sessions.h"
#include "parse/log_event.h"

namespace zelkam {

// Who a player record is about: a player as the player list shows them.
struct RecordSubject {
    std::string name;
    std::string uniqueId;
    std::int32_t userId = 0;
};

// The player's sessions of one loaded day, with the events of each
// (connection, chat, remote-console commands from the player's address,
// kills, ...) as indices into events. first and end bound the day's events.
std::vector<PlayerSession> daySessionsOf(const RecordSubject& subject, const EventList& events, std::size_t first,
                                         std::size_t end);

// The subject with the unique id the server validated for it today: a
// player listed under an id many share (the pending id of a connection not
// yet validated, or none) takes the last unshared id of its day's sessions.
RecordSubject subjectAsValidated(const RecordSubject& subject, const std::vector<PlayerSession>& sessions);

// The player over every day of the folder. A unique id that many players
// share (isSharedUniqueId) links nothing: such a record counts only the
// sessions with that id in which the player's own name was used.
struct PlayerHistory {
    bool linkedById = false;
    std::size_t sessions = 0;
    std::vector<std::int32_t> days;
    std::int32_t firstSeen = 0;
    std::int32_t lastSeen = 0;
    // Every name used, in the order first used.
    std::vector<std::string> names;
};

// Whether a session belongs to the subject's history.
bool belongsToHistory(const RecordSubject& subject, const PlayerSession& session);

// Walks every day of the folder for the subject. progress (may be empty)
// gets each day's index and the day count on the calling thread. False
// when stopped.
bool collectPlayerHistory(const FolderDays& folder, const RecordSubject& subject, const std::atomic<bool>* stop,
                          PlayerHistory& history, const std::function<void(std::size_t, std::size_t)>& progress);

} // namespace zelkam
