#include "tests/watch/hook_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>

namespace zelkam::test {
namespace {

// The request's body, read as far as its Content-Length says; empty when
// the client went away first.
std::string readBody(int connection)
{
    std::string request;
    char buffer[4096];
    for (;;) {
        const std::size_t end = request.find("\r\n\r\n");
        if (end != std::string::npos) {
            const std::size_t length_at = request.find("Content-Length: ");
            const std::size_t length =
                length_at == std::string::npos ? 0 : std::strtoul(request.c_str() + length_at + 16, nullptr, 10);
            if (request.size() >= end + 4 + length)
                return request.substr(end + 4, length);
        }
        pollfd ready{connection, POLLIN, 0};
        if (::poll(&ready, 1, 3000) <= 0)
            return {};
        const ssize_t got = ::recv(connection, buffer, sizeof buffer, 0);
        if (got <= 0)
            return {};
        request.append(buffer, static_cast<std::size_t>(got));
    }
}

void answer(int connection, int status)
{
    const std::string text = "HTTP/1.1 " + std::to_string(status) + " X\r\nContent-Length: 0\r\nConnection: close\r\n\r\n";
    ::send(connection, text.data(), text.size(), MSG_NOSIGNAL);
}

} // namespace

HookServer::HookServer(std::vector<Reply> script) : script_(std::move(script))
{
    listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address);
    ::listen(listener_, 8);
    socklen_t size = sizeof address;
    ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &size);
    port_ = ntohs(address.sin_port);
    thread_ = std::thread([this] { serve(); });
}

HookServer::~HookServer()
{
    stop_ = true;
    thread_.join();
    ::close(listener_);
}

std::vector<std::string> HookServer::accepted() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return accepted_;
}

void HookServer::serve()
{
    std::size_t next = 0;
    while (!stop_) {
        pollfd ready{listener_, POLLIN, 0};
        if (::poll(&ready, 1, 50) <= 0)
            continue;
        const int connection = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
        if (connection < 0)
            continue;
        ++requests_;
        const Reply reply = next < script_.size() ? script_[next++] : Reply::Ok;
        if (reply != Reply::Drop) {
            const std::string body = readBody(connection);
            if (reply == Reply::Fail) {
                answer(connection, 500);
            } else if (reply == Reply::Hang) {
                std::this_thread::sleep_for(std::chrono::milliseconds(800));
            } else if (!body.empty()) {
                if (reply == Reply::Slow)
                    std::this_thread::sleep_for(std::chrono::milliseconds(300));
                {
                    std::lock_guard<std::mutex> lock(mutex_);
                    accepted_.push_back(body);
                }
                answer(connection, 200);
            }
        }
        ::close(connection);
    }
}

} // namespace zelkam::test
