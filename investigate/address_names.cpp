#include "investigate/address_names.h"

#include <cstdlib>

#include "parse/log_event.h"

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
