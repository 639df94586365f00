#pragma once

#include <atomic>
#include <cstddef>
#include <functional>
#include <vector>

#include "history/day_windows.h"
#include "ingest/server_folders.h"

namespace zelkam {

// The one way every server of a community is walked: the all-servers
// search (Find All, `zelkam-cli grep`), the sessions of every server
// (`zelkam-cli player`, the player record) and anything else that asks one
// question of each server's days. The servers are opened (their files
// dated) on every core, then all their days are walked as one walk
// (walkFolders), so no core waits for one server's scan or last days while
// another server has days to read. Each server's results come back in
// server order, from the calling thread, labelled with the server.

// One server as a walk over the community sees it.
struct ServerDays {
    // Where it stands among the servers walked.
    std::size_t index = 0;
    // Its name and folder; the name is empty for a single server's folder,
    // whose results carry no server.
    ServerFolder server;
    // Its files and days, once opened.
    FolderDays days;
    // False when its logs could not be dated (or its folder not listed):
    // it has no days, and adds nothing to a walk.
    bool opened = false;
};

// Opens each server of servers into opened (in the same order): its folder
// scanned as FolderDays::scan scans it, the servers shared out over the
// cores (threads, 0 for one per core). stop (may be null) is checked
// between servers; false when it ended the opening, the servers not
// reached left unopened.
bool openServers(const std::vector<ServerFolder>& servers, const std::atomic<bool>* stop,
                 std::vector<ServerDays>& opened, unsigned threads = 0);

// What a walk does with one server, asked of the caller for each server in
// order before the walk begins (on the calling thread): it fills walk's
// callbacks (FolderWalk without its folder; any may stay empty) and may
// change the server's days first (parse every kind of line, narrow them to
// a range of days). Each server's work runs on the worker threads,
// concurrently with other days of it and of other servers; its done and
// finished run on the calling thread, server after server. The callbacks
// may keep references to server: it lives until walkServers returns.
using ServerPlan = std::function<void(ServerDays& server, FolderWalk& walk)>;

// Walks every day of every opened server as planned (plan is asked about
// the servers not opened too: they have no days). progress (may be
// empty) gets, on the calling thread after each day handed over, how many
// days of all servers were handed over and how many there are. stop (may
// be null) is checked between days; false when the walk was stopped. Every
// planned finished is called, once, in server order, even after a stop.
// keepDays is walkFolders': a server's own events handed to done live on
// for that many days handed over after them.
bool walkServers(std::vector<ServerDays>& servers, const std::atomic<bool>* stop, const ServerPlan& plan,
                 const std::function<void(std::size_t walked, std::size_t total)>& progress = {},
                 unsigned threads = 0, std::size_t keepDays = 0);

// openServers, then walkServers: plan is asked about every server, opened
// or not, once all are opened. False when stopped; a stop while the servers
// are opened asks plan nothing.
bool walkCommunity(const std::vector<ServerFolder>& servers, const std::atomic<bool>* stop, const ServerPlan& plan,
                   const std::function<void(std::size_t walked, std::size_t total)>& progress = {},
                   unsigned threads = 0);

} // namespace zelkam
