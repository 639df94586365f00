#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "history/community_walk.h"
#include "history/day_windows.h"
#include "replay/viewer_state.h"

namespace zelkam {

// One event of some day that a search matched.
struct HistoryHit {
    // The day's midnight (an entry of the folder's days) and the event's time.
    std::int32_t day = 0;
    std::int32_t time = 0;
    // Where the event stands among the events the viewer loads for the day,
    // and its kind: enough to stand on it again (standAfterEvent).
    std::size_t event = 0;
    std::int32_t kind = 0;
    // What the viewer shows for it: the chat line it composes, or the
    // player's name for an event that composes none (a connection, an
    // entry). The logged bytes, not yet made safe for any output.
    std::string text;
    // The server of a community the hit was found on (its folder's name),
    // set by a search over several servers; empty for one server's.
    std::string server;
};

// The hits of one day, handed over in day order.
struct DayHits {
    std::size_t index = 0;
    std::size_t dayCount = 0;
    std::int32_t day = 0;
    // False when none of the files of the day's window could be read.
    bool readable = true;
    std::vector<HistoryHit> hits;
};

// Searches every day of the folder as Find searches one: each event of a
// day, from the first the day load stands on up to the day's end, is tested
// with everything before it applied, so a remote-console user is named from
// the players connected by then. Unlike Find Next, which steps over the
// event it starts from, every hit is reported. Days are searched in
// parallel; onDay gets each day's hits on the calling thread, in day order,
// as soon as they are known. stop (may be null) ends the search between
// days. False when the search was stopped.
bool searchAllDays(FolderDays& folder, SearchKind kind, std::string_view pattern, bool matchCase,
                   const std::atomic<bool>* stop, const std::function<void(const DayHits&)>& onDay,
                   unsigned threads = 0);

// searchAllDays over every opened server of a community as one walk
// (walkServers): each hit carries its server's name (HistoryHit::server,
// empty for a single server's folder), and onDay gets each server's days in
// day order, the servers in their order, with the server searched. False
// when stopped.
bool searchAllServers(std::vector<ServerDays>& servers, SearchKind kind, std::string_view pattern, bool matchCase,
                      const std::atomic<bool>* stop,
                      const std::function<void(const ServerDays&, const DayHits&)>& onDay, unsigned threads = 0);

} // namespace zelkam
