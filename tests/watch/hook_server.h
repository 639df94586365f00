#pragma once

#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace zelkam::test {

// A web hook on 127.0.0.1 (an ephemeral port) that answers by a script,
// one reply a request, then Ok for every later one: what a chat service's
// web hook does on a bad day. It keeps the bodies it accepted, in order.
class HookServer {
public:
    enum class Reply {
        Ok,
        // Answers 500.
        Fail,
        // Answers 200 after 300 ms.
        Slow,
        // Reads the request, waits 800 ms and closes without an answer.
        Hang,
        // Closes the connection at once.
        Drop,
    };

    explicit HookServer(std::vector<Reply> script);
    ~HookServer();

    int port() const { return port_; }
    std::string url() const { return "http://127.0.0.1:" + std::to_string(port_) + "/hook"; }
    std::vector<std::string> accepted() const;
    int requests() const { return requests_; }

private:
    void serve();

    std::vector<Reply> script_;
    int listener_ = -1;
    int port_ = 0;
    std::atomic<bool> stop_{false};
    std::atomic<int> requests_{0};
    mutable std::mutex mutex_;
    std::vector<std::string> accepted_;
    std::thread thread_;
};

} // namespace zelkam::test
