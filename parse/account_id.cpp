#include "parse/account_id.h"

#include "parse/text_hash.h"

namespace zelkam {
namespace {

constexpr std::string_view SteamPrefix = "STEAM_";
static_assert(SteamPrefix.size() == UniverseDigitAt);

} // namespace

bool isPendingId(std::string_view uniqueId)
{
    return uniqueId == "STEAM_ID_PENDING" || uniqueId == "VALVE_ID_PENDING";
}

bool isSharedUniqueId(std::string_view uniqueId)
{
    // Numeric ids of old servers are per player, except 0 (no id given).
    return uniqueId.empty() || uniqueId == "0" || uniqueId == "STEAM_ID_LAN" || isPendingId(uniqueId) ||
           uniqueId == "VALVE_ID_LAN" || isBotId(uniqueId) || uniqueId == "HLTV" || uniqueId == "UNKNOWN" ||
           uniqueId == "STEAM_ID_UNKNOWN";
}

bool hasUniverseDigit(std::string_view id)
{
    return id.size() > UniverseDigitAt + 1 && id.starts_with(SteamPrefix)
           && (id[UniverseDigitAt] == '0' || id[UniverseDigitAt] == '1') && id[UniverseDigitAt + 1] == ':';
}

std::string accountIdOf(std::string_view uniqueId)
{
    std::string id(uniqueId);
    if (hasUniverseDigit(id))
        id[UniverseDigitAt] = '0';
    return id;
}

bool isSameAccount(std::string_view a, std::string_view b)
{
    if (a == b)
        return true;
    return hasUniverseDigit(a) && hasUniverseDigit(b) && a.substr(UniverseDigitAt + 1) == b.substr(UniverseDigitAt + 1);
}

std::uint64_t accountHash(std::string_view uniqueId)
{
    if (!hasUniverseDigit(uniqueId))
        return hashText(uniqueId);
    // What follows the universe digit, which is all that tells such
    // accounts apart.
    return hashText(uniqueId.substr(UniverseDigitAt + 1)) * 0x9e3779b97f4a7c15ull;
}

} // namespace zelkam
