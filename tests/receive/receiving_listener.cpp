#include "tests/receive/receiving_listener.h"

#include <gtest/gtest.h>

#include <chrono>

namespace zelkam::test {

ReceivingListener::ReceivingListener(const std::filesystem::path& archive, receive::ReceivePolicy policy)
    : writer_(archive), listener_(std::move(policy), writer_)
{
    writer_.setReporter([this](const std::string& problem) {
        const std::lock_guard lock(problemsLock_);
        problems_ += problem + '\n';
    });
    std::string error;
    EXPECT_TRUE(writer_.prepare(error)) << error;
    EXPECT_TRUE(listener_.open("127.0.0.1", 0, false, error)) << error;
    thread_ = std::thread([this] { listener_.run(); });
}

ReceivingListener::~ReceivingListener() { stop(); }

bool ReceivingListener::waitForOutcomes(std::uint64_t datagrams) const
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (std::chrono::steady_clock::now() < deadline) {
        const receive::ReceiveCounts now = counts();
        if (now.written + now.droppedTotal() >= datagrams)
            return true;
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    return false;
}

void ReceivingListener::stop()
{
    if (!thread_.joinable())
        return;
    listener_.stop();
    thread_.join();
}

std::string ReceivingListener::problems() const
{
    const std::lock_guard lock(problemsLock_);
    return problems_;
}

} // namespace zelkam::test
