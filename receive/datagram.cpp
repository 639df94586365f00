#include "receive/datagram.h"

#include <asio/ip/address.hpp>

#include <algorithm>
#include <charconv>
#include <utility>

#include "parse/decimal.h"

namespace zelkam::receive {
namespace {

constexpr std::string_view Framing = "\xFF\xFF\xFF\xFF";
constexpr std::string_view OldEngineMark = "log ";

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// The number written by count digits at text[at]; false when one is not a
// digit.
bool readNumber(std::string_view text, std::size_t at, std::size_t count, int& value)
{
    return zelkam::readNumber(text.substr(at, count), value);
}

int daysInMonth(int year, int month)
{
    static constexpr int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return month == 2 && leap ? 29 : days[month - 1];
}

bool isAllowed(const ReceivePolicy& policy, const SourceAddress& source)
{
    if (policy.allowed.empty())
        return true;
    for (const AllowedNetwork& network : policy.allowed) {
        if (networkContains(network, source))
            return true;
    }
    return false;
}

} // namespace

SourceAddress SourceAddress::v4(std::array<std::uint8_t, 4> address, std::uint16_t port)
{
    SourceAddress source;
    std::copy(address.begin(), address.end(), source.bytes.begin());
    source.port = port;
    return source;
}

SourceAddress SourceAddress::v6(const std::array<std::uint8_t, 16>& address, std::uint16_t port)
{
    const asio::ip::address_v6 v6(address);
    if (v6.is_v4_mapped())
        return v4(asio::ip::make_address_v4(asio::ip::v4_mapped, v6).to_bytes(), port);
    SourceAddress source;
    source.isV6 = true;
    source.bytes = address;
    source.port = port;
    return source;
}

std::string addressText(const SourceAddress& source)
{
    // Made from the bytes alone: no scope or zone name the network could
    // have a say in reaches a folder name.
    if (source.isV6)
        return asio::ip::address_v6(source.bytes).to_string();
    return asio::ip::address_v4({source.bytes[0], source.bytes[1], source.bytes[2], source.bytes[3]}).to_string();
}

std::string sourceText(const SourceAddress& source)
{
    const std::string address = addressText(source);
    return (source.isV6 ? "[" + address + "]" : address) + ":" + std::to_string(source.port);
}

bool parseAllowedNetwork(std::string_view text, AllowedNetwork& network)
{
    const std::size_t slash = text.find('/');
    const std::string address(text.substr(0, slash));
    asio::error_code error;
    const asio::ip::address parsed = asio::ip::make_address(address, error);
    if (error)
        return false;
    AllowedNetwork made;
    if (parsed.is_v6()) {
        const asio::ip::address_v6 v6 = parsed.to_v6();
        if (v6.scope_id() != 0)
            return false;
        const SourceAddress source = SourceAddress::v6(v6.to_bytes(), 0);
        made.isV6 = source.isV6;
        made.bytes = source.bytes;
    } else {
        const auto bytes = parsed.to_v4().to_bytes();
        std::copy(bytes.begin(), bytes.end(), made.bytes.begin());
    }
    const int maxBits = parsed.is_v6() ? 128 : 32;
    made.prefixBits = made.isV6 ? 128 : 32;
    if (slash != std::string_view::npos) {
        const std::string_view bits = text.substr(slash + 1);
        if (!zelkam::readNumber(bits, made.prefixBits, {false, 0, maxBits}))
            return false;
        // An IPv4 network written the mapped way (::ffff:10.0.0.0/104)
        // counts its bits over the IPv4 part.
        if (!made.isV6 && parsed.is_v6()) {
            if (made.prefixBits < 96)
                return false;
            made.prefixBits -= 96;
        }
    }
    network = made;
    return true;
}

bool networkContains(const AllowedNetwork& network, const SourceAddress& source)
{
    if (network.isV6 != source.isV6)
        return false;
    int bits = network.prefixBits;
    for (std::size_t i = 0; bits > 0; ++i, bits -= 8) {
        const std::uint8_t mask = bits >= 8 ? 0xFF : static_cast<std::uint8_t>(0xFF << (8 - bits));
        if ((network.bytes[i] & mask) != (source.bytes[i] & mask))
            return false;
    }
    return true;
}

namespace {

using AddressBytes = std::array<std::uint8_t, 16>;

// Adds one to the first `size` bytes; false when that wraps past the last
// address of the family.
bool increment(AddressBytes& bytes, std::size_t size)
{
    for (std::size_t i = size; i-- > 0;) {
        if (++bytes[i] != 0)
            return true;
    }
    return false;
}

bool coversFamily(const std::vector<AllowedNetwork>& networks, bool isV6)
{
    const std::size_t size = isV6 ? 16 : 4;
    std::vector<std::pair<AddressBytes, AddressBytes>> ranges; // first and last address
    for (const AllowedNetwork& network : networks) {
        if (network.isV6 != isV6)
            continue;
        AddressBytes first{};
        AddressBytes last{};
        int bits = network.prefixBits;
        for (std::size_t i = 0; i < size; ++i, bits -= 8) {
            const std::uint8_t mask = bits >= 8 ? 0xFF : bits <= 0 ? 0 : static_cast<std::uint8_t>(0xFF << (8 - bits));
            first[i] = network.bytes[i] & mask;
            last[i] = static_cast<std::uint8_t>(first[i] | ~mask);
        }
        ranges.emplace_back(first, last);
    }
    std::sort(ranges.begin(), ranges.end());
    AddressBytes uncovered{}; // the lowest address no range so far holds
    for (const auto& [first, last] : ranges) {
        if (first > uncovered)
            return false;
        if (last >= uncovered) {
            uncovered = last;
            if (!increment(uncovered, size))
                return true;
        }
    }
    return false;
}

} // namespace

bool coversEveryAddress(const std::vector<AllowedNetwork>& networks)
{
    return coversFamily(networks, false) || coversFamily(networks, true);
}

std::string shownDatagram(const ReceivePolicy& policy, std::string_view datagram, std::size_t maxBytes)
{
    std::string_view rest = datagram;
    if (rest.starts_with(Framing)) {
        rest.remove_prefix(Framing.size());
        if (rest.starts_with(OldEngineMark)) {
            rest.remove_prefix(OldEngineMark.size());
        } else if (rest.starts_with('R')) {
            rest.remove_prefix(1);
        } else if (rest.starts_with('S')) {
            // Where a secret ends shows only by the time stamp after it;
            // without one, all of it may be secret.
            int month = 0;
            int day = 0;
            std::size_t at = rest.find("L ");
            while (at != std::string_view::npos && !readLineDate(rest.substr(at), month, day))
                at = rest.find("L ", at + 1);
            rest = at == std::string_view::npos ? std::string_view() : rest.substr(at);
        }
    }
    std::string shown(rest);
    if (policy.secret && !policy.secret->empty()) {
        constexpr std::string_view stand = "[secret]";
        for (std::size_t at = shown.find(*policy.secret); at != std::string::npos;
             at = shown.find(*policy.secret, at + stand.size()))
            shown.replace(at, policy.secret->size(), stand);
    }
    if (shown.size() > maxBytes)
        shown.resize(maxBytes);
    return shown;
}

const char* dropReasonText(DropReason reason)
{
    switch (reason) {
    case DropReason::NotLogDatagram:
        return "not a log datagram";
    case DropReason::WrongSecret:
        return "wrong secret";
    case DropReason::HeldBack:
        return "held back, its source kept sending wrong secrets";
    case DropReason::SourceNotAllowed:
        return "source not allowed";
    case DropReason::NoTimeStamp:
        return "line without a valid time stamp";
    case DropReason::OverLong:
        return "over-long";
    case DropReason::Lost:
        return "lost (not written)";
    }
    return "unknown";
}

bool secretsEqual(std::string_view expected, std::string_view given)
{
    // Every byte of expected is compared, against a stand-in where given is
    // short, and the differences are gathered without an early exit.
    unsigned difference = expected.size() == given.size() ? 0 : 1;
    for (std::size_t i = 0; i < expected.size(); ++i) {
        const unsigned char theirs = i < given.size() ? static_cast<unsigned char>(given[i]) : 0;
        difference |= static_cast<unsigned char>(expected[i]) ^ theirs;
    }
    return difference == 0;
}

bool readLineDate(std::string_view line, int& month, int& day)
{
    // "L MM/DD/YYYY - HH:MM:SS: "
    constexpr std::string_view layout = "L 00/00/0000 - 00:00:00: ";
    if (line.size() < layout.size())
        return false;
    for (std::size_t i = 0; i < layout.size(); ++i) {
        if (layout[i] == '0' ? !isDigit(line[i]) : line[i] != layout[i])
            return false;
    }
    int year = 0;
    int hour = 0;
    int minute = 0;
    int second = 0;
    readNumber(line, 2, 2, month);
    readNumber(line, 5, 2, day);
    readNumber(line, 8, 4, year);
    readNumber(line, 15, 2, hour);
    readNumber(line, 18, 2, minute);
    readNumber(line, 21, 2, second);
    // A leap second (:60) is a real time of day.
    return month >= 1 && month <= 12 && day >= 1 && day <= daysInMonth(year, month) && hour < 24 && minute < 60
           && second <= 60;
}

std::optional<DropReason> acceptDatagram(const ReceivePolicy& policy, const SourceAddress& source,
                                         std::string_view datagram, std::string_view& line)
{
    if (!policy.allowAny && !isAllowed(policy, source))
        return DropReason::SourceNotAllowed;
    if (datagram.size() > MaxDatagramBytes)
        return DropReason::OverLong;
    if (!datagram.starts_with(Framing))
        return DropReason::NotLogDatagram;
    std::string_view rest = datagram.substr(Framing.size());
    if (rest.starts_with(OldEngineMark) || rest.starts_with('R')) {
        if (policy.secret)
            return DropReason::WrongSecret;
        rest.remove_prefix(rest.starts_with('R') ? 1 : OldEngineMark.size());
    } else if (rest.starts_with('S')) {
        if (!policy.secret)
            return DropReason::WrongSecret;
        rest.remove_prefix(1);
        const std::string_view secret = *policy.secret;
        if (!secretsEqual(secret, rest.substr(0, secret.size())))
            return DropReason::WrongSecret;
        rest.remove_prefix(secret.size());
        // A longer secret that starts with ours is still not ours.
        if (!rest.starts_with('L'))
            return DropReason::WrongSecret;
    } else {
        return DropReason::NotLogDatagram;
    }
    while (!rest.empty() && (rest.back() == '\0' || rest.back() == '\n'))
        rest.remove_suffix(1);
    // A line break inside would put a second, unchecked line into the file.
    if (rest.find('\n') != std::string_view::npos)
        return DropReason::NotLogDatagram;
    int month = 0;
    int day = 0;
    if (!readLineDate(rest, month, day))
        return DropReason::NoTimeStamp;
    line = rest;
    return std::nullopt;
}

} // namespace zelkam::receive
