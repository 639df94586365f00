#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "history/player_sessions.h"

namespace zelkam::test {

// The session rules written the plain way, each lookup a scan of the open
// sessions: quadratic on a crowded day, but easy to read. The tracker must
// hand out exactly the sessions this does.
class ReferenceSessionTracker {
public:
    explicit ReferenceSessionTracker(std::function<void(PlayerSession&&)> onSession, bool recordLines = false)
        : onSession_(std::move(onSession)), recordLines_(recordLines)
    {
    }

    // position is what a recorded line refers to (an index into the
    // caller's events); ignored without line recording.
    void add(const LogEvent& event, std::size_t position = 0);
    // Ends every open session at the last event seen and hands out the rest.
    void finish();

private:
    struct Open {
        PlayerSession session;
        std::string currentName;
        std::int32_t team = -1;
        // Which session it is, from 1, in order of opening.
        std::uint64_t serial = 0;
        // The same client connected again since its last line.
        bool replaced = false;
    };

    Open* findOpen(std::int32_t userId, std::string_view name);
    Open* findOpenByName(std::string_view name);
    Open& openSession(const LogEvent& event, std::int32_t start);
    void close(std::size_t openIndex, std::int32_t end, SessionEndCause cause);
    void endDay();

    std::function<void(PlayerSession&&)> onSession_;
    bool recordLines_;
    std::vector<Open> open_;
    // Players still connected when the day ended: they begin a session at
    // the new day's first event once they show up.
    std::vector<Open> carried_;
    std::vector<PlayerSession> finished_;
    // The serial of the session each account's last connection of the day
    // opened, by the account's one spelling.
    std::map<std::string, std::uint64_t> lastConnection_;
    std::uint64_t serials_ = 0;
    bool inDay_ = false;
    std::int32_t day_ = 0;
    std::int64_t nextDay_ = 0;
    std::int32_t dayFirstTime_ = 0;
    std::int32_t lastTime_ = 0;
};

// Every field of a session in one line, its recorded lines too unless
// withLines is false: what the differential checks compare.
std::string described(const PlayerSession& session, bool withLines = true);

} // namespace zelkam::test
