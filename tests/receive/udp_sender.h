#pragma once

#include <cstdint>
#include <memory>
#include <string_view>

namespace zelkam::test {

// A UDP socket on 127.0.0.1 with a port of its own, sending datagrams to a
// receiver on the same host, as a game server sends its log lines.
class UdpSender {
public:
    UdpSender();
    ~UdpSender();
    UdpSender(const UdpSender&) = delete;
    UdpSender& operator=(const UdpSender&) = delete;

    // False when the socket could not take the datagram.
    bool send(std::uint16_t port, std::string_view datagram);
    std::uint16_t port() const;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

} // namespace zelkam::test
