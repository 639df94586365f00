#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "history/community_walk.h"
#include "history/day_windows.h"
#include "investigate/day_range.h"
#include "investigate/player_query.h"

namespace zelkam {

// What one line of a player's timeline tells.
enum class TimelineKind {
    SessionStart,
    Connected,
    Entered,
    JoinedTeam,
    NameChanged,
    Said,
    SaidTeam,
    Killed,   // the player killed other
    KilledBy, // other killed the player
    Suicide,
    Disconnected,
    // A remote-console command (or failed attempt) sent from the address the
    // player connected from while he was on the server.
    RconFromAddress,
    BadRconFromAddress,
    // A kick, ban or slay that meant the player (see resolveRconTarget).
    RconActedOn,
    SessionEnd,
};

// One line of the timeline. Texts are the logged bytes, not yet made safe
// for any output.
struct TimelineEntry {
    std::int32_t day = 0;
    std::int32_t time = 0;
    TimelineKind kind = TimelineKind::Connected;
    // The player as the line names him (for a command, the session's name).
    std::string name;
    std::string uniqueId;
    std::int32_t userId = 0;
    // The address key of a connection or of a command's sender; 0 for none.
    std::int32_t addressKey = 0;
    // The chat message, new name, team joined or command; for a session's
    // end, "disconnected" or "day's end"; for an action on him, its name.
    std::string text;
    // The other player of a kill (killer or victim), and the weapon.
    std::string otherName;
    std::string otherUniqueId;
    std::string weapon;
    // For an action on him: "kick", "ban" or "slay".
    std::string action;
    // Where the line stands in the day's window, for the viewer to stand on
    // it; sessions' boundaries take their first or last line's place.
    std::size_t event = 0;
    // The server of a community the line is of; empty for a single
    // server's folder.
    std::string server;
};

struct TimelineDay {
    std::size_t index = 0;
    std::int32_t day = 0;
    // In time order (the log's order within a second), each session's start
    // first and its end last.
    std::vector<TimelineEntry> entries;
};

// The player's timeline over the days of range: every session of the one
// session tracker that query matches (as the player record finds sessions)
// with the lines it recorded for it, and every kick, ban or slay that meant
// the player at that moment, resolved against the players on the server as
// the replay has them. Days are read on every core, every kind parsed, days
// whose files cannot name the player passed over; the tracker reads each
// day once, in day order on the calling thread, starting afresh where a
// day's window would (after a day passed over, unreadable or missing).
// onDay gets each day that has entries, in day order, on the calling
// thread (a day of many entries in pieces of at most 16,384, one after the
// other, each with the day's index and day); an entry's event is its place
// in the day's window (the day before's own events, then the day's). False
// when stopped.
bool collectTimeline(FolderDays& folder, const PlayerQuery& query, const DayRange& range,
                     const std::atomic<bool>* stop, const std::function<void(TimelineDay&&)>& onDay);

// The same over every opened server of a community, as one walk
// (walkServers): each server's timeline is its own, as collectTimeline
// finds it in that server's folder alone, each entry labelled with its
// server (TimelineEntry::server, empty for a single server's folder). With
// one server, onDay gets its days as they are found; with more, once every
// server was walked, onDay gets each day any server has entries for, in
// day order, with the entries of every server merged in time order (within
// a second, server after server, each server's in its own order); index is
// then the day's place among the days handed out. False when stopped (the
// days found until then are still handed out).
bool collectTimeline(std::vector<ServerDays>& servers, const PlayerQuery& query, const DayRange& range,
                     const std::atomic<bool>* stop, const std::function<void(TimelineDay&&)>& onDay,
                     unsigned threads = 0);

// The kind's name in JSON output ("connected", "killedBy", ...).
const char* timelineKindName(TimelineKind kind);

} // namespace zelkam
