#pragma once

#include <deque>
#include <functional>
#include <memory>
#include <ostream>
#include <string>

#include "watch/notice.h"
#include "watch/rules.h"

typedef void CURLM;

namespace zelkam::watch {

struct CurlLibrary;

// One try at telling one notice, made without blocking: start it, then ask
// until it has ended.
class Sender {
public:
    enum class Status { Busy, Sent, Failed };
    virtual ~Sender() = default;
    // Starts telling json (one noticeJson). False when it could not even
    // start (the try failed at once); why is then set.
    virtual bool start(const std::string& json, std::string& why) = 0;
    // How the try started last stands; why is set when it failed.
    virtual Status poll(std::string& why) = 0;
};

// Prints the notice's line to out: never fails.
std::unique_ptr<Sender> makePrintSender(std::ostream& out);
// Runs argv (no shell, no search of PATH) with the notice as JSON and a
// line feed on its standard input, its standard output joined to our
// standard error; sent when it exits with 0 within the timeout, else it is
// killed and the try failed. Nothing of the notice is on its command line.
std::unique_ptr<Sender> makeCommandSender(std::vector<std::string> argv, double timeoutSeconds);
// Posts the notice as application/json to url over HTTP or HTTPS (no
// other scheme, no redirect followed), driven by multi; sent on a 2xx
// answer within the timeout. The address is never told: a failure says
// only the status or curl's error kind. multi is one of curl's (see
// curlLibrary), which outlives the sender.
std::unique_ptr<Sender> makeWebHookSender(const CurlLibrary& curl, CURLM* multi, std::string url,
                                          double timeoutSeconds);

// The notices one action has yet to tell, in the order they were made,
// told one at a time: the head is retried, with a wait that doubles from
// the first retry up to the longest, until it is told; nothing behind it
// goes first.
class Outbox {
public:
    struct Backoff {
        double firstSeconds = 1;
        double longestSeconds = 300;
    };
    using Report = std::function<void(const std::string&)>;

    Outbox(std::string name, std::unique_ptr<Sender> sender, Backoff backoff, Report report);

    void push(Notice notice) { queue_.push_back(std::move(notice)); }
    // Moves on at monotonic time now (seconds): ends a try that ended,
    // starts the next one when its wait is over. True when a notice was
    // told (the queue got shorter).
    bool pump(double now);
    // Nothing to tell and no try under way.
    bool idle() const { return queue_.empty(); }
    // The last try failed, and the next waits.
    bool failing() const { return failures_ > 0; }
    const std::deque<Notice>& queue() const { return queue_; }
    const std::string& name() const { return name_; }

private:
    void fail(double now, const std::string& why);

    std::string name_;
    std::unique_ptr<Sender> sender_;
    Backoff backoff_;
    Report report_;
    std::deque<Notice> queue_;
    bool trying_ = false;
    int failures_ = 0;
    double nextTry_ = 0;
};

} // namespace zelkam::watch
