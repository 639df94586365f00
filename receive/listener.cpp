#include "receive/listener.h"

#include <asio/io_context.hpp>
#include <asio/ip/udp.hpp>
#include <asio/signal_set.hpp>

#include <sys/socket.h>
#include <netinet/in.h>
#ifdef __linux__
#include <linux/sock_diag.h>
#endif

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cerrno>
#include <cstring>
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
        const int descriptor = socket.native_handle();
        for (int i = 0; i < DrainBatch; ++i) {
            sockaddr_storage from{};
            iovec data{buffer.data(), buffer.size()};
            alignas(cmsghdr) char control[CMSG_SPACE(sizeof(std::uint32_t))];
            msghdr message{};
            message.msg_name = &from;
            message.msg_namelen = sizeof from;
            message.msg_iov = &data;
            message.msg_iovlen = 1;
            message.msg_control = control;
            message.msg_controllen = sizeof control;
            const ssize_t size = ::recvmsg(descriptor, &message, MSG_DONTWAIT);
            if (size < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
                return;
            // Other errors belong to one datagram (an ICMP report about an
            // earlier one, say): skip it and go on.
            if (size < 0)
                continue;
            noteKernelDrops(message);
            take(from, std::string_view(buffer.data(), static_cast<std::size_t>(size)));
        }
    }

    // The system tells, with each datagram, how many it has thrown away so
    // far because the socket's buffer was full.
    void noteKernelDrops(msghdr& message)
    {
#ifdef SO_RXQ_OVFL
        for (cmsghdr* part = CMSG_FIRSTHDR(&message); part; part = CMSG_NXTHDR(&message, part)) {
            if (part->cmsg_level == SOL_SOCKET && part->cmsg_type == SO_RXQ_OVFL) {
                std::uint32_t total = 0;
                std::memcpy(&total, CMSG_DATA(part), sizeof total);
                kernelDropped.store(total, std::memory_order_relaxed);
            }
        }
#else
        (void)message;
#endif
    }

    static SourceAddress sourceOf(const sockaddr_storage& from)
    {
        if (from.ss_family == AF_INET6) {
            sockaddr_in6 v6{};
            std::memcpy(&v6, &from, sizeof v6);
            std::array<std::uint8_t, 16> bytes{};
            std::memcpy(bytes.data(), &v6.sin6_addr, bytes.size());
            return SourceAddress::v6(bytes, ntohs(v6.sin6_port));
        }
        sockaddr_in v4{};
        std::memcpy(&v4, &from, sizeof v4);
        std::array<std::uint8_t, 4> bytes{};
        std::memcpy(bytes.data(), &v4.sin_addr, bytes.size());
        return SourceAddress::v4(bytes, ntohs(v4.sin_port));
    }

    void take(const sockaddr_storage& from, std::string_view datagram)
    {
        received.fetch_add(1, std::memory_order_relaxed);
        const SourceAddress source = sourceOf(from);
        std::string_view line;
        // The clock is read only once some source has sent a wrong secret.
        std::optional<DropReason> reason;
        if (!guesses.empty() && guesses.holdsBack(source, std::chrono::steady_clock::now()))
            reason = DropReason::HeldBack;
        else
            reason = acceptDatagram(policy, source, datagram, line);
        if (reason == DropReason::WrongSecret)
            noteWrongSecret(source);
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

    void noteWrongSecret(const SourceAddress& source)
    {
        std::uint64_t wrongSoFar = 0;
        if (!guesses.noteWrongSecret(source, std::chrono::steady_clock::now(), wrongSoFar) || !reporter)
            return;
        const std::string pace = std::to_string(GuessLimit::RefillTime.count()) + " s";
        reporter(sourceText(source) + " sent " + std::to_string(wrongSoFar)
                 + " datagrams with a wrong secret, faster than one each " + pace
                 + " (guessing it?): its datagrams are dropped unread while that goes on, all but one each " + pace
                 + "; other sources are not affected");
    }

    ReceivePolicy policy;
    ArchiveWriter& writer;
    GuessLimit guesses;
    std::function<void(const std::string&)> reporter;
    asio::io_context io{1};
    asio::ip::udp::socket socket{io};
    std::optional<asio::signal_set> signals;
    // One byte more than any whole datagram, so a cut one shows as over-long.
    std::vector<char> buffer = std::vector<char>(MaxDatagramBytes + 1);
    std::function<void(const DropNotice&)> observer;
    std::atomic<std::uint64_t> received{0};
    std::atomic<std::uint64_t> written{0};
    std::atomic<std::uint64_t> kernelDropped{0};
    int receiveBufferBytes = 0;
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
    // Asking for more than the system grants is not an error: the forcing
    // call works only for the administrator, the plain one up to the
    // system's limit.
    const int descriptor = socket.native_handle();
    const int asked = Impl::ReceiveBufferBytes;
#ifdef SO_RCVBUFFORCE
    if (::setsockopt(descriptor, SOL_SOCKET, SO_RCVBUFFORCE, &asked, sizeof asked) != 0)
#endif
        ::setsockopt(descriptor, SOL_SOCKET, SO_RCVBUF, &asked, sizeof asked);
    int granted = 0;
    socklen_t grantedSize = sizeof granted;
    if (::getsockopt(descriptor, SOL_SOCKET, SO_RCVBUF, &granted, &grantedSize) == 0) {
#ifdef __linux__
        // Linux reports twice the room it gives the data, the rest being
        // its own bookkeeping.
        granted /= 2;
#endif
        impl_->receiveBufferBytes = granted;
    }
#ifdef SO_RXQ_OVFL
    const int on = 1;
    ::setsockopt(descriptor, SOL_SOCKET, SO_RXQ_OVFL, &on, sizeof on);
#endif
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

int Listener::receiveBufferBytes() const { return impl_->receiveBufferBytes; }

int Listener::askedReceiveBufferBytes() { return Impl::ReceiveBufferBytes; }

void Listener::setDropObserver(std::function<void(const DropNotice&)> observer)
{
    impl_->observer = std::move(observer);
}

void Listener::setReporter(std::function<void(const std::string&)> reporter)
{
    impl_->reporter = std::move(reporter);
}

std::vector<GuessLimit::Guesser> Listener::guessers() const { return impl_->guesses.guessers(); }

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
    counts.kernelDropped = impl_->kernelDropped.load(std::memory_order_relaxed);
#if defined(SO_MEMINFO) && defined(__linux__)
    // The count a datagram carries is the one when it was queued: drops
    // after the last one queued show only here.
    std::uint32_t memory[SK_MEMINFO_VARS] = {};
    socklen_t size = sizeof memory;
    if (impl_->socket.is_open()
        && ::getsockopt(impl_->socket.native_handle(), SOL_SOCKET, SO_MEMINFO, memory, &size) == 0
        && size > SK_MEMINFO_DROPS * sizeof memory[0])
        counts.kernelDropped = std::max<std::uint64_t>(counts.kernelDropped, memory[SK_MEMINFO_DROPS]);
#endif
    for (std::size_t i = 0; i < counts.dropped.size(); ++i)
        counts.dropped[i] = impl_->dropped[i].load(std::memory_order_relaxed);
    return counts;
}

} // namespace zelkam::receive
