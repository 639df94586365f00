#include "parse/account_id.h"

namespace zelkam {
namespace {

constexpr std::string_view SteamPrefix = "STEAM_";
static_assert(SteamPrefix.size() == UniverseDigitAt);

} // namespace

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

} // namespace zelkam
