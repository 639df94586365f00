#include "tests/receive/udp_sender.h"

#include <asio/io_context.hpp>
#include <asio/ip/udp.hpp>

namespace zelkam::test {

struct UdpSender::Impl {
    asio::io_context io;
    asio::ip::udp::socket socket{io, asio::ip::udp::endpoint(asio::ip::address_v4::loopback(), 0)};
};

UdpSender::UdpSender() : impl_(std::make_unique<Impl>()) {}

UdpSender::~UdpSender() = default;

bool UdpSender::send(std::uint16_t port, std::string_view datagram)
{
    asio::error_code error;
    const asio::ip::udp::endpoint to(asio::ip::address_v4::loopback(), port);
    const std::size_t sent = impl_->socket.send_to(asio::buffer(datagram.data(), datagram.size()), to, 0, error);
    return !error && sent == datagram.size();
}

std::uint16_t UdpSender::port() const { return impl_->socket.local_endpoint().port(); }

} // namespace zelkam::test
