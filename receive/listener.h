#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "receive/archive_writer.h"
#include "receive/datagram.h"
#include "receive/guess_limit.h"

namespace zelkam::receive {

// What the receiver has done so far. Every datagram received is either
// written or dropped under exactly one reason, so received equals written
// plus the drops. kernelDropped are datagrams that reached the machine but
// never the receiver: the system threw them away because the socket's
// buffer was full (counted on Linux; 0 elsewhere).
struct ReceiveCounts {
    std::uint64_t received = 0;
    std::uint64_t written = 0;
    std::array<std::uint64_t, DropReasonCount> dropped{};
    std::uint64_t kernelDropped = 0;

    std::uint64_t droppedTotal() const;
};

// A datagram that was not written. The bytes are valid during the call only
// and come from a stranger: they are for a sanitised report, never raw.
struct DropNotice {
    DropReason reason;
    SourceAddress source;
    std::string_view datagram;
};

// The socket loop: reads datagrams on one UDP socket, judges each with
// acceptDatagram (unless its source is held back for guessing the secret,
// see GuessLimit) and hands the lines taken to the ArchiveWriter. Everything
// runs on the thread that calls run(); stop() and counts() may be called
// from any thread.
class Listener {
public:
    Listener(ReceivePolicy policy, ArchiveWriter& writer);
    ~Listener();
    Listener(const Listener&) = delete;
    Listener& operator=(const Listener&) = delete;

    // Opens and binds the socket: bindAddress empty for every IPv4 address,
    // else an IPv4 or IPv6 address; port 0 for a free one. With
    // handleSignals, SIGINT and SIGTERM end run() from then on. False, with
    // the reason in error, when the address is not one or the socket cannot
    // be bound.
    bool open(std::string_view bindAddress, std::uint16_t port, bool handleSignals, std::string& error);

    // The address and port the socket is bound to, as "ADDRESS port PORT".
    std::string boundText() const;
    std::uint16_t port() const;
    // The socket's receive buffer for data as the system granted it, and
    // as asked for.
    int receiveBufferBytes() const;
    static int askedReceiveBufferBytes();

    // Called on the run() thread for every datagram dropped.
    void setDropObserver(std::function<void(const DropNotice&)> observer);
    // Called on the run() thread with one line of text for what the admin
    // must hear of even without --verbose: a source that keeps sending
    // wrong secrets, once per source. The text holds addresses and counts
    // only.
    void setReporter(std::function<void(const std::string&)> reporter);

    // Receives until stop() or a handled signal, then closes the archive's
    // files.
    void run();
    void stop();

    ReceiveCounts counts() const;
    // The sources held back for wrong secrets, the most first. Only once
    // run() has returned.
    std::vector<GuessLimit::Guesser> guessers() const;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

} // namespace zelkam::receive
