#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "watch/delivery.h"
#include "watch/notice.h"
#include "watch/rules.h"
#include "watch/server_watch.h"

namespace zelkam::watch {

// A server to watch: its name in rules and notices, and its log folder.
struct WatchedServer {
    std::string name;
    std::string folder;
};

struct WatchOptions {
    std::vector<WatchedServer> servers;
    Rules rules;
    // Where the rules file is: a relative web hook file is looked up beside
    // it when there is no credentials folder.
    std::string rulesFolder;
    // The watcher's own folder for its state file (made 0700 when missing).
    std::string stateFolder;
    // How far back a restart catches up: from at most this many days
    // before today's midnight; older marks are passed over and reported.
    int catchUpDays = 2;
    Outbox::Backoff backoff;
    // The print action's output.
    std::ostream* out = nullptr;
    // The watcher's own messages (a web hook that fails, a catch-up cut).
    std::function<void(const std::string&)> report;
    // The wall clock, calendar seconds (for silence and rate limits).
    std::function<std::int64_t()> clock;
};

// Watches the servers' live days with the rules and tells what they find
// through the rules' actions: rate-limited and batched per rule and server,
// each action's notices in order and retried until told, and where it got
// to kept in a state file, so that a restart neither tells a notice again
// nor misses what happened while it was down.
class Watcher {
public:
    explicit Watcher(WatchOptions options);
    ~Watcher();

    // Reads the state file and the web hooks' secret files and checks the
    // state folder (never in a watched folder). False, with why in error,
    // when the watcher cannot start.
    bool start(std::string& error);
    // One round: every server looked at, what was found gathered, the
    // notices due made, the state saved, the actions moved on. False when
    // the state could not be saved (error says why).
    bool round(std::string& error);
    // Makes every gathered batch a notice now, whatever the rate limit:
    // the end of a run made once.
    void gatherAll();
    // Tries each action's waiting notices until one fails or none is left
    // (for a run made once). True when none is left.
    bool tellWaiting(double timeLimitSeconds);
    // Waits up to the time for the next round, cut short when a web hook's
    // transfer moves.
    void wait(int milliseconds);
    // The servers whose folder is gone or never was one.
    const std::vector<std::string>& lostServers() const { return lost_; }
    // Every action's notices not yet told.
    std::size_t waitingNotices() const;
    bool save(std::string& error);

private:
    struct Gate {
        std::int64_t lastSent = 0;
        bool everSent = false;
        std::vector<NoticeItem> items;
        std::size_t more = 0;
    };

    void gather(std::size_t rule, const std::string& server, NoticeItem item);
    void makeDueNotices(std::int64_t now, bool all);
    bool loadState(std::string& error);
    std::string stateText() const;

    WatchOptions options_;
    void* multi_ = nullptr;
    std::vector<std::unique_ptr<ServerWatch>> watches_;
    std::map<std::string, std::unique_ptr<Outbox>> outboxes_;
    // Keyed by rule name and server name.
    std::map<std::pair<std::string, std::string>, Gate> gates_;
    std::map<std::string, ServerMemory> memories_;
    std::vector<std::string> lost_;
    std::uint64_t nextId_ = 1;
    std::uint64_t salt_ = 0;
    std::string saved_;
};

// The state folder used when none is given: $XDG_STATE_HOME/zelkam/watch,
// else ~/.local/state/zelkam/watch. Empty when neither is known.
std::string defaultStateFolder();

} // namespace zelkam::watch
