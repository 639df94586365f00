#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "parse/account_id.h"
#include "parse/large_vector.h"
#include "parse/log_event.h"

namespace zelkam {

// What ended a session.
enum class SessionEndCause : std::uint8_t {
    // Nothing before the day's (or the folder's) last line: the player was
    // still on the server.
    DayEnd,
    // His disconnection (a shutdown's included).
    Disconnected,
    // The same client connecting again: his user id, or his name or account
    // from his address.
    Reconnected,
    // Another player under his user id: the server restarted and numbers
    // afresh.
    Renumbered,
};

// One stay of one player on the server within one day: from the player's
// connection (or first event of the day) to their disconnection (the
// <-1> disconnections a shutdown logs included), the same client's next
// connection, or the end of the day (see SessionEndCause). A stay across
// midnight is two sessions: the second begins at the next day's first
// event, once the player shows up in it again.
struct PlayerSession {
    // The local midnight of the session's day; start and end are calendar
    // seconds.
    std::int32_t day = 0;
    std::int32_t start = 0;
    std::int32_t end = 0;
    // Every name used in the session, in the order first used. Logged bytes.
    std::vector<std::string> names;
    // The unique id as logged; a pending id is replaced once the real one
    // shows.
    std::string uniqueId;
    // Team codes (0 Terrorist, 1 Counter-Terrorist) in the order joined, by
    // sideOfJoin; joining the spectators adds none.
    std::vector<std::int32_t> teams;
    // A kill scored by fragsOfKill (the player list's rule), a suicide -1
    // and a death.
    std::int32_t frags = 0;
    std::int32_t deaths = 0;
    std::int32_t chat = 0;
    // The server's user id of the connection and the address key it came
    // from (0 when the connection was not seen).
    std::int32_t userId = 0;
    std::int32_t addressKey = 0;
    // What ended the session.
    SessionEndCause ended = SessionEndCause::DayEnd;
    // With line recording on: the events that belong to the session (its
    // connection, chat, name changes, team joins, kills, deaths, its
    // remote-console commands by address, its disconnection), as the
    // positions given to add.
    std::vector<std::size_t> lines;
    // The server of a community the session was on (its folder's name),
    // set by a walk over several servers; empty for one server's.
    std::string server;
};

class OpenSessions;
struct HashedName;

// Builds sessions from a folder's events fed in reading order (the files
// one after another). Sessions are handed out day by day, each day's in
// order of their start: when the events move past a midnight and at finish.
// This is the one place the session rules live: `zelkam-cli player` and the
// player record take their sessions from it (through walkPlayerSessions and
// dayRecordOf), and so should anything else that counts sessions.
//
// Each event costs about the same however many players are on the server
// (the open sessions are found by user id, name and address through hash
// tables), so a day of a million connections takes time in proportion to
// its events; a session allocates nothing of its own until it is handed out.
class SessionTracker {
public:
    explicit SessionTracker(std::function<void(PlayerSession&&)> onSession, bool recordLines = false);
    // Names handed out as views: each session reaches onSession with its
    // names left empty, and onSession reads them through handedOutNames.
    // For a receiver that keeps none of a session's names it already has
    // (the rankings): a stranger's session of 80,000 names then costs no
    // copy of each.
    enum class Names { Copied, Viewed };
    SessionTracker(std::function<void(PlayerSession&&)> onSession, Names names);
    ~SessionTracker();
    SessionTracker(const SessionTracker&) = delete;
    SessionTracker& operator=(const SessionTracker&) = delete;

    // position is what a recorded line refers to (an index into the
    // caller's events); ignored without line recording.
    void add(const LogEvent& event, std::size_t position = 0);
    // Adds a day's events in order, each at its index as position, fetching
    // the memory of the events a little ahead meanwhile. Kinds only the
    // rankings read (a parser asked for every kind) begin or end nothing.
    void addAll(const EventList& events) { addAll(events, 0, [] {}); }
    // The same, event e at position firstPosition + e, calling afterEach()
    // once each event is added (a caller that hands a day's sessions on as
    // they come out). The names of the events ahead are hashed as their
    // memory is fetched, and the hashes kept for their turn: a day of
    // renames hashes each name once.
    template <typename AfterEach>
    void addAll(const EventList& events, std::size_t firstPosition, AfterEach afterEach)
    {
        addAll(events.data(), events.size(), firstPosition, afterEach);
    }
    // The same for events [first, last) of a day's list: a run of the
    // events read so far while more are read, the day's next run added by
    // the next call; event first at position firstPosition (where the day's
    // list holds it once read, its stray lines set aside). The room the
    // list has for more events (made for what its files' sizes could hold)
    // is taken for how many more may come.
    void addRun(const EventList& events, std::size_t first, std::size_t last, std::size_t firstPosition)
    {
        addAll(events.data() + first, last - first, firstPosition, [] {},
               events.capacity() - std::min(events.capacity(), last));
    }
    // The same for count events from events on, the last of the day's
    // events or followed by at most about eventsAfter more.
    template <typename AfterEach>
    void addAll(const LogEvent* events, std::size_t count, std::size_t firstPosition, AfterEach afterEach,
                std::size_t eventsAfter = 0)
    {
        constexpr std::size_t Ahead = 16;
        expectConnections(connectionsOf(events, count));
        // The hashes of the events ahead and of the one at hand.
        EventHashes ahead[2 * Ahead];
        RecentHashes recent;
        for (std::size_t e = 0; e < std::min(Ahead, count); ++e)
            ahead[e % (2 * Ahead)] = prefetchHashed(events[e], recent);
        for (std::size_t e = 0; e < count; ++e) {
            if (e + Ahead < count)
                ahead[(e + Ahead) % (2 * Ahead)] = prefetchHashed(events[e + Ahead], recent);
            eventsLeft_ = count - e + eventsAfter;
            if (events[e].kind < EventKindCount) {
                addHashed(events[e], firstPosition + e, ahead[e % (2 * Ahead)]);
                afterEach();
            }
        }
        eventsLeft_ = 0;
    }
    // Tells the tracker that events with this many connections are about
    // to be added, so that it makes room for them at once. Changes no
    // session; without it room is made as they come.
    void expectConnections(std::size_t connections);
    // With line recording, records lines only for the sessions of the
    // account of uniqueId (either spelling), or those that may still be
    // given it (their id is none or a pending one so far, the only ids a
    // later line replaces): one player's timeline
    // reads no other player's lines, and recording them is most of the
    // cost of handing a crowd's sessions out.
    void recordLinesOnlyFor(std::string uniqueId)
    {
        onlyId_ = std::move(uniqueId);
        onlyOne_ = true;
    }
    // Ends every open session at the last event seen and hands out the rest.
    void finish();
    // Only within onSession of a tracker made with Names::Viewed: fills
    // names with the names of the session being handed out, in the order
    // first used, as views of the tracker's own copies (valid until
    // onSession returns).
    void handedOutNames(LargeVector<std::string_view>& names) const;

private:
    // The hashes of an event's player name and of its text, where add
    // reads them as names (a new name, a killer's name); 0 where it does
    // not.
    struct EventHashes {
        std::uint64_t name = 0;
        std::uint64_t text = 0;
    };
    // The hashes of the texts hashed lately, by the texts' addresses. The
    // parser shares one copy of a player's name among the events of his
    // recent lines, and a text of a day's events stays as it is while they
    // live: within one addAll, a name met again at the same address (a
    // killer's thousandth kill) is not hashed again. Never kept from one
    // list of events to the next, whose texts may come at the same
    // addresses.
    class RecentHashes {
    public:
        std::uint64_t of(const char* text);

    private:
        struct Slot {
            const char* text = nullptr;
            std::uint64_t hash = 0;
        };
        std::array<Slot, 64> slots_{};
        // The text hashed last, by any slot.
        Slot lastHashed_;
    };
    // Hashes what add(event) will look up and starts fetching the memory it
    // will wait for most, changing nothing. Called for an event some events
    // before it is added, it lets a crowd's look-ups of names wait for
    // memory side by side, not in turn.
    EventHashes prefetchHashed(const LogEvent& event) const;
    EventHashes prefetchHashed(const LogEvent& event, RecentHashes& recent) const;
    void addHashed(const LogEvent& event, std::size_t position, const EventHashes& hashes);
    static std::size_t connectionsOf(const LogEvent* events, std::size_t count);
    std::uint32_t openSession(const LogEvent& event, const HashedName& name);
    std::uint32_t fromCarried(std::uint32_t carried);
    std::uint32_t resolve(const LogEvent& event, const HashedName& name);
    void close(std::uint32_t open, std::int32_t end, SessionEndCause cause);
    void endDay();
    void handOut(std::uint32_t open);

    std::function<void(PlayerSession&&)> onSession_;
    bool recordLines_;
    bool copyNames_ = true;
    // The record being handed out.
    std::uint32_t handingOut_ = 0;
    // What recordLinesOnlyFor was told.
    bool onlyOne_ = false;
    std::string onlyId_;
    std::unique_ptr<OpenSessions> open_;
    // Players still connected when the day ended: they begin a session at
    // the new day's first event once they show up.
    std::unique_ptr<OpenSessions> carried_;
    // The day's sessions closed so far, in order of closing.
    std::vector<std::uint32_t> finished_;
    // Filled anew for each session handed out.
    PlayerSession handedOut_;
    // What expectConnections was last told.
    std::size_t expected_ = 0;
    // Within addAll, the events left to add, the one at hand included: no
    // session can take more names than that.
    std::size_t eventsLeft_ = 0;
    bool inDay_ = false;
    std::int32_t day_ = 0;
    std::int64_t nextDay_ = 0;
    std::int32_t dayFirstTime_ = 0;
    std::int32_t lastTime_ = 0;
};

} // namespace zelkam
