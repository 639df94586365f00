#include "investigate/address_names.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "parse/log_event.h"
#include "parse/recognizer.h"
#include "state/chat_lines.h"

namespace zelkam {

bool AddressNames::usePseudonyms(const std::string& folder, std::string& error)
{
    std::array<std::uint8_t, 32> key{};
    if (!loadOrMakeAddressKey(folder, key, error))
        return false;
    usePseudonymKey(key);
    return true;
}

void AddressNames::usePseudonymKey(const std::array<std::uint8_t, 32>& key)
{
    key_ = key;
    hidden_ = true;
}

std::string AddressNames::textOf(std::int32_t addressKey) const
{
    if (addressKey == NoAddressKey)
        return "";
    return networkText(addressKey);
}

std::string AddressNames::networkText(std::int32_t addressKey) const
{
    const auto key = static_cast<std::uint32_t>(addressKey);
    const std::string network = std::to_string((key >> 16) & 0xff) + '.' + std::to_string((key >> 8) & 0xff) + '.' +
                                std::to_string(key & 0xff);
    if (!hidden_)
        return network + ".*";
    std::array<std::uint8_t, 32> digest{};
    hmacSha256(key_, network, digest);
    constexpr char hex[] = "0123456789abcdef";
    std::string pseudonym = "addr-";
    for (int i = 0; i < 6; ++i) {
        pseudonym += hex[digest[i] >> 4];
        pseudonym += hex[digest[i] & 15];
    }
    return pseudonym;
}

namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// The length of an IPv4 address (and its port) at the start of text, 0 when
// none stands there: a dotted number of more than four groups is no address.
std::size_t addressLength(std::string_view text)
{
    std::size_t at = 0;
    for (int group = 0; group < 4; ++group) {
        if (group > 0) {
            if (at == text.size() || text[at] != '.')
                return 0;
            ++at;
        }
        unsigned value = 0;
        std::size_t digits = 0;
        for (; at < text.size() && isDigit(text[at]); ++at, ++digits)
            value = value * 10 + static_cast<unsigned>(text[at] - '0');
        if (digits == 0 || digits > 3 || value > 255)
            return 0;
    }
    if (at + 1 < text.size() && text[at] == '.' && isDigit(text[at + 1]))
        return 0;
    if (at + 1 < text.size() && text[at] == ':' && isDigit(text[at + 1])) {
        for (++at; at < text.size() && isDigit(text[at]);)
            ++at;
    }
    return at;
}

} // namespace

std::string AddressNames::textWithin(std::string_view text) const
{
    if (!hidden_)
        return std::string(text);
    std::string shown;
    shown.reserve(text.size());
    for (std::size_t at = 0; at < text.size();) {
        // An address begins at a digit that does not carry on a number or a
        // dotted one.
        const bool mayBegin = isDigit(text[at]) && (at == 0 || (!isDigit(text[at - 1]) && text[at - 1] != '.'));
        const std::size_t length = mayBegin ? addressLength(text.substr(at)) : 0;
        if (length == 0) {
            shown += text[at++];
            continue;
        }
        shown += networkText(parseAddress(text.substr(at, length)));
        at += length;
    }
    return shown;
}

ChatLine chatLineShownAs(const ChatLine& line, const AddressNames& names)
{
    if (!names.hidesAddresses())
        return line;
    const std::string_view text(line.text, strnlen(line.text, sizeof line.text));
    constexpr std::size_t room = sizeof line.text - 1;
    ChatLine shown;
    shown.time = line.time;
    shown.style = line.style;
    std::string built;
    std::size_t at = 0;
    std::size_t pieces = 0;
    for (const TextSpan& piece : line.logPieces) {
        // Pieces are in order; one out of place is dropped, as the view
        // would draw it.
        if (piece.length == 0 || piece.start < at || piece.start + piece.length > text.size())
            continue;
        built += text.substr(at, piece.start - at);
        const std::string written = names.textWithin(text.substr(piece.start, piece.length));
        const std::size_t start = std::min(built.size(), room);
        built += written;
        shown.logPieces[pieces].start = static_cast<std::uint8_t>(start);
        shown.logPieces[pieces].length = static_cast<std::uint8_t>(std::min(built.size(), room) - start);
        ++pieces;
        at = piece.start + piece.length;
    }
    built += text.substr(at);
    const std::size_t kept = std::min(built.size(), room);
    std::memcpy(shown.text, built.data(), kept);
    shown.text[kept] = '\0';
    return shown;
}

std::string addressKeyFolder()
{
#if defined(_WIN32)
    if (const char* appData = std::getenv("APPDATA"); appData && *appData)
        return std::string(appData) + "\\Zelkam";
    return "";
#else
    if (const char* config = std::getenv("XDG_CONFIG_HOME"); config && *config == '/')
        return std::string(config) + "/zelkam";
    if (const char* home = std::getenv("HOME"); home && *home)
        return std::string(home) + "/.config/zelkam";
    return "";
#endif
}

} // namespace zelkam
