#pragma once

#include <cstdint>
#include <filesystem>
#include <mutex>
#include <string>
#include <thread>

#include "receive/archive_writer.h"
#include "receive/listener.h"

namespace zelkam::test {

// A receiver on 127.0.0.1 (a free port) writing under archive, running on
// a thread of its own from construction to destruction.
class ReceivingListener {
public:
    ReceivingListener(const std::filesystem::path& archive, receive::ReceivePolicy policy);
    ~ReceivingListener();

    std::uint16_t port() const { return listener_.port(); }
    receive::ReceiveCounts counts() const { return listener_.counts(); }

    // Waits, at most ten seconds, until `datagrams` datagrams have been
    // written or dropped. False when they have not by then.
    bool waitForOutcomes(std::uint64_t datagrams) const;

    // Stops the thread; the archive's files are closed.
    void stop();

    // Problems the writer reported, one a line.
    std::string problems() const;

private:
    receive::ArchiveWriter writer_;
    receive::Listener listener_;
    std::thread thread_;
    mutable std::mutex problemsLock_;
    std::string problems_;
};

} // namespace zelkam::test
