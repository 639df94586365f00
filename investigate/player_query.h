#pragma once

#include <string>
#include <string_view>

#include "history/day_windows.h"
#include "history/player_sessions.h"
#include "replay/search.h"

namespace zelkam {

// Who an investigation is about, as `zelkam-cli player` asks: a unique id
// (either spelling of the account: see isSameAccount), or a pattern that
// one of a session's names holds (matched as Find matches names: letter
// case ignored unless matchCase). A plain value: each thread makes its own
// SessionTest from it.
struct PlayerQuery {
    bool byId = true;
    // The unique id, or the name pattern.
    std::string text;
    bool matchCase = false;

    // A quick look at a day's files that tells when none of their lines can
    // name the player (see HitPrefilter); empty when every day may.
    DayFilesLook dayLook() const;
};

// Tells whether a session is the queried player's. Not for sharing between
// threads: the name comparison keeps a buffer.
class SessionTest {
public:
    explicit SessionTest(const PlayerQuery& query);
    SessionTest(const SessionTest&) = delete;
    SessionTest& operator=(const SessionTest&) = delete;

    bool matches(const PlayerSession& session);
    // Whether one name (logged bytes) is matched by a name query; false for
    // an id query.
    bool matchesName(std::string_view name);

private:
    const PlayerQuery& query_;
    BoundedRing<PlayerEntry> noPlayers_{1};
    EventSearch nameSearch_;
};

} // namespace zelkam
