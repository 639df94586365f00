#include "parse/account_id.h"

namespace zelkam {
namespace {

constexpr std::string_view SteamPrefix = "STEAM_";

// Whether the id is a Steam id of universe 0 or 1, whose digit is all the
// spellings of one account differ in.
bool hasUniverseDigit(std::string_view id)
{
    return id.size() > SteamPrefix.size() + 1 && id.starts_with(SteamPrefix)
           && (id[SteamPrefix.size()] == '0' || id[SteamPrefix.size()] == '1') && id[SteamPrefix.size() + 1] == ':';
}

} // namespace

std::string accountIdOf(std::string_view uniqueId)
{
    std::string id(uniqueId);
    if (hasUniverseDigit(id))
        id[SteamPrefix.size()] = '0';
    return id;
}

bool isSameAccount(std::string_view a, std::string_view b)
{
    if (a == b)
        return true;
    return hasUniverseDigit(a) && hasUniverseDigit(b) && a.substr(SteamPrefix.size() + 1) == b.substr(SteamPrefix.size() + 1);
}

std::string_view accountBytesOf(std::string_view uniqueId)
{
    return hasUniverseDigit(uniqueId) ? uniqueId.substr(SteamPrefix.size() + 1) : uniqueId;
}

} // namespace zelkam
