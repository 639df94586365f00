#include "receive/listener.h"

#include <asio/io_context.hpp>
#include <asio/ip/udp.hpp>
#include <asio/signal_set.hpp>

#include <atomic>
#include <csignal>
#include <optional>
#include <vector>

namespace zelkam::receive {

std::uint64_t ReceiveCounts::droppedTotal() const
{
    std::uint64_t total = 0;
    for (std::uint64_t count : dropped)
        total += count;
    return total;
}

struct Listener::Impl {
    // Datagrams read in one go before the loop looks at stop requests and
    // signals again.
    static constexpr int DrainBatch = 256;
    // What the socket may hold while the writer is busy: a server sends its
    // lines in bursts (a round end writes dozens at once). The system may
    // grant less.
    static constexpr int ReceiveBufferBytes = 8 << 20;

    Impl(ReceivePolicy policy, ArchiveWriter& writer) : policy(std::move(policy)), writer(writer) {}

    void waitForData()
    {
        socket.async_wait(asio::ip::udp::socket::wait_read, [this](const asio::error_code& error) {
            if (error)
                return;
            drain();
            waitForData();
        });
    }

    void drain()
    {
        for (int i = 0; i < DrainBatch; ++i) {
            asio::ip::udp::endpoint from;
            asio::error_code error;
            const std::size_t size = socket.receive_from(asio::buffer(buffer), from, 0, error);
            if (error == asio::error::would_block || error == asio::error::try_again)
                return;
            // Other errors belong to one datagram (an ICMP report about an
            // earlier one, say): skip it and go on.
            if (!error)
                take(from, std::string_view(buffer.data(), size));
        }
    }

    void take(const asio::ip::udp::endpoint& from, std::string_view datagram)
    {
        received.fetch_add(1, std::memory_order_relaxed);
        const asio::ip::address address = from.address();
        const SourceAddress source = address.is_v4() ? SourceAddress::v4(address.to_v4().to_bytes(), from.port())
                                                     : SourceAddress::v6(address.to_v6().to_bytes(), from.port());
        std::string_view line;
        std::optional<DropReason> reason = acceptDatagram(policy, source, datagram, line);
        if (!reason) {
            if (writer.write(source, line)) {
                written.fetch_add(1, std::memory_order_relaxed);
                return;
            }
            reason = DropReason::Lost;
        }
        dropped[static_cast<std::size_t>(*reason)].fetch_add(1, std::memory_order_relaxed);
        if (observer)
            observer(DropNotice{*reason, source, datagram});
    }

    ReceivePolicy policy;
    ArchiveWriter& writer;
    asio::io_context io{1};
    asio::ip::udp::socket socket{io};
    std::optional<asio::signal_set> signals;
    // One byte more than any whole datagram, so a cut one shows as over-long.
    std::vector<char> buffer = std::vector<char>(MaxDatagramBytes + 1);
    std::function<void(const DropNotice&)> observer;
    std::atomic<std::uint64_t> received{0};
    std::atomic<std::uint64_t> written{0};
    std::array<std::atomic<std::uint64_t>, DropReasonCount> dropped{};
};

Listener::Listener(ReceivePolicy policy, ArchiveWriter& writer)
    : impl_(std::make_unique<Impl>(std::move(policy), writer))
{
}

Listener::~Listener() = default;

bool Listener::open(std::string_view bindAddress, std::uint16_t port, bool handleSignals, std::string& error)
{
    asio::error_code code;
    asio::ip::address address = asio::ip::address_v4::any();
    if (!bindAddress.empty()) {
        address = asio::ip::make_address(std::string(bindAddress), code);
        if (code) {
            error = "not an address to listen on: " + std::string(bindAddress);
            return false;
        }
    }
    const asio::ip::udp::endpoint endpoint(address, port);
    asio::ip::udp::socket& socket = impl_->socket;
    socket.open(endpoint.protocol(), code);
    if (!code)
        socket.bind(endpoint, code);
    if (!code)
        socket.non_blocking(true, code);
    if (code) {
        error = "cannot listen on " + address.to_string() + " port " + std::to_string(port) + ": " + code.message();
        socket.close(code);
        return false;
    }
    // Asking for more than the system grants is not an error.
    socket.set_option(asio::socket_base::receive_buffer_size(Impl::ReceiveBufferBytes), code);
    if (handleSignals) {
        impl_->signals.emplace(impl_->io, SIGINT, SIGTERM);
        impl_->signals->async_wait([this](const asio::error_code& failed, int) {
            if (!failed)
                impl_->io.stop();
        });
    }
    impl_->waitForData();
    return true;
}

std::string Listener::boundText() const
{
    asio::error_code code;
    const asio::ip::udp::endpoint endpoint = impl_->socket.local_endpoint(code);
    return endpoint.address().to_string() + " port " + std::to_string(endpoint.port());
}

std::uint16_t Listener::port() const
{
    asio::error_code code;
    return impl_->socket.local_endpoint(code).port();
}

void Listener::setDropObserver(std::function<void(const DropNotice&)> observer)
{
    impl_->observer = std::move(observer);
}

void Listener::run()
{
    impl_->io.run();
    impl_->writer.closeAll();
}

void Listener::stop() { impl_->io.stop(); }

ReceiveCounts Listener::counts() const
{
    ReceiveCounts counts;
    counts.received = impl_->received.load(std::memory_order_relaxed);
    counts.written = impl_->written.load(std::memory_order_relaxed);
    for (std::size_t i = 0; i < counts.dropped.size(); ++i)
        counts.dropped[i] = impl_->dropped[i].load(std::memory_order_relaxed);
    return counts;
}

} // namespace zelkam::receive
