#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace zelkam {

struct ChatLine;

// How every output shows a player's address. An event keeps of an address
// only its key (the first three groups, see parseAddress), so an address
// shows as that network, "10.1.2.*". With pseudonyms on, each key shows as
// "addr-" and twelve hexadecimal digits of a keyed hash (HMAC-SHA256) of it:
// the same address gives the same pseudonym on this machine, so accounts
// linked by an address still show as linked, while nobody without the key
// can tell the address back. The key is a file of the user's own settings
// folder, never of the log folder.
class AddressNames {
public:
    // Addresses as logged.
    AddressNames() = default;

    // Turns pseudonyms on with the key kept in folder (made 0700 with its
    // parents when missing), written there on first use: 32 random bytes
    // in a file made for the user alone (0600). False, with error saying
    // why, when the key cannot be read or made, or its file may be read by
    // others; the names are then left as they were.
    bool usePseudonyms(const std::string& folder, std::string& error);
    // Pseudonyms with the given key, for tests.
    void usePseudonymKey(const std::array<std::uint8_t, 32>& key);

    bool hidesAddresses() const { return hidden_; }
    // The address as shown: "" for NoAddressKey (no address at all).
    std::string textOf(std::int32_t addressKey) const;
    // A stranger's free text (a remote-console command, a chat message;
    // logged bytes) as shown: with pseudonyms on, every IPv4 address in it
    // (four groups of at most 255, a port or not, not part of a longer
    // dotted number) becomes the pseudonym of its key, as textOf shows it,
    // so "addip 60 1.2.3.4" publishes nothing and still names the same
    // pseudonym as that player's connection; otherwise the text as logged.
    std::string textWithin(std::string_view text) const;

private:
    // textOf without its "no address" case: a typed 0.0.0.1 has a network too.
    std::string networkText(std::int32_t addressKey) const;

    bool hidden_ = false;
    std::array<std::uint8_t, 32> key_{};
};

// A line of the chat view as shown under names: each piece a player wrote
// (a name, a message, a command) through textWithin, the pieces' places
// moved with them; the line cut at its buffer when the pseudonyms make it
// longer. The line as it stands when names hide no address.
ChatLine chatLineShownAs(const ChatLine& line, const AddressNames& names);

// The settings folder the pseudonym key lives in: $XDG_CONFIG_HOME/zelkam,
// else $HOME/.config/zelkam (on Windows %APPDATA%\Zelkam). "" when none of
// those is set.
std::string addressKeyFolder();

// HMAC-SHA256 of message under key. Platform code: a well-kept library's
// (address_hmac_nettle.cpp) or the system's (address_hmac_win32.cpp).
void hmacSha256(const std::array<std::uint8_t, 32>& key, std::string_view message,
                std::array<std::uint8_t, 32>& digest);

// The key file of folder: read when it is there (false, with error, when it
// is not a regular file of 32 bytes that only its owner may read), else
// made. Platform code: address_key_file_posix.cpp and _win32.cpp.
bool loadOrMakeAddressKey(const std::string& folder, std::array<std::uint8_t, 32>& key, std::string& error);

} // namespace zelkam
