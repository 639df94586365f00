#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zelkam::receive {

// Where a datagram came from, as the socket reported it. An IPv4 address is
// kept as such (an IPv4 sender seen through an IPv6 socket included), so a
// server has one identity whichever socket heard it.
struct SourceAddress {
    bool isV6 = false;
    // The first 4 bytes for IPv4, all 16 for IPv6, in network order.
    std::array<std::uint8_t, 16> bytes{};
    std::uint16_t port = 0;

    static SourceAddress v4(std::array<std::uint8_t, 4> address, std::uint16_t port);
    // An IPv4-mapped IPv6 address (::ffff:a.b.c.d) becomes the IPv4 one.
    static SourceAddress v6(const std::array<std::uint8_t, 16>& address, std::uint16_t port);
};

// The address alone, as "a.b.c.d" or in the short IPv6 form ("fe80::1").
std::string addressText(const SourceAddress& source);
// The address and port, as "a.b.c.d:port" or "[fe80::1]:port".
std::string sourceText(const SourceAddress& source);

// An --allow argument: an address, or a network as ADDRESS/BITS.
struct AllowedNetwork {
    bool isV6 = false;
    std::array<std::uint8_t, 16> bytes{};
    int prefixBits = 0;
};

// Parses "ADDRESS" (a single host) or "ADDRESS/BITS". False for anything
// else, a prefix longer than the address included.
bool parseAllowedNetwork(std::string_view text, AllowedNetwork& network);

bool networkContains(const AllowedNetwork& network, const SourceAddress& source);

// True when the networks together hold every IPv4 or every IPv6 address
// (0.0.0.0/0, ::/0, two halves, ...): such a list keeps nobody out.
bool coversEveryAddress(const std::vector<AllowedNetwork>& networks);

// Why a datagram was not written. Lost is the one reason that is not the
// sender's: the line was good, but the disk or the folder refused it.
enum class DropReason : int {
    NotLogDatagram, // no log framing, or a line break inside the line
    WrongSecret,    // not the secret asked for, or a secret where none was asked for
    HeldBack,       // not judged: its source kept sending wrong secrets (see guess_limit.h)
    SourceNotAllowed,
    NoTimeStamp,    // the line does not start with "L MM/DD/YYYY - HH:MM:SS: "
    OverLong,       // larger than any datagram can be, so it may have been cut
    Lost,
};
inline constexpr int DropReasonCount = 7;

// "not a log datagram", "wrong secret", ... for the counts and the drop lines.
const char* dropReasonText(DropReason reason);

// The largest UDP payload there is (IPv6; IPv4's is 65,507). A datagram
// longer than that cannot be whole.
inline constexpr std::size_t MaxDatagramBytes = 65'527;

// What the receiver takes. With a secret only "S<secret>" datagrams pass
// (compared in constant time); without one "S" datagrams are refused, since
// where an unknown secret ends cannot be told. With allowed networks only
// their sources pass. Both given, a datagram must pass both.
struct ReceivePolicy {
    std::optional<std::string> secret;
    std::vector<AllowedNetwork> allowed;
    bool allowAny = false;

    // True when the policy admits anything at all that it was told to:
    // a secret, a network or the explicit allowAny.
    bool isConfigured() const { return secret || !allowed.empty() || allowAny; }
};

// The log line a datagram carries: four 0xFF bytes, then "log " (older
// engines), "R" (newer ones) or "S" + secret, then the line; trailing NUL
// and line-feed bytes are not part of it. The line points into datagram.
// Returns nothing when the datagram is to be written, else why not; the
// checks run in the order source, size, framing, secret, time stamp, so a
// stranger's bytes are not even looked at.
std::optional<DropReason> acceptDatagram(const ReceivePolicy& policy, const SourceAddress& source,
                                         std::string_view datagram, std::string_view& line);

// What a report may show of a dropped datagram: the bytes after its
// framing, with anything that may be a secret cut away (the secret of an
// "S" datagram up to its time stamp, and the policy's secret wherever it
// appears), at most maxBytes of them. A stranger's bytes still: they go
// to a terminal only escaped.
std::string shownDatagram(const ReceivePolicy& policy, std::string_view datagram, std::size_t maxBytes);

// True when both texts are equal, taking a time that depends only on the
// length of expected, so a sender cannot find the secret byte by byte.
bool secretsEqual(std::string_view expected, std::string_view given);

// True when line starts with the server's stamp "L MM/DD/YYYY - HH:MM:SS: "
// holding a real calendar date and time of day; month and day then hold
// the date's month (1..12) and day of month.
bool readLineDate(std::string_view line, int& month, int& day);

} // namespace zelkam::receive
