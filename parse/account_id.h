#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace zelkam {

// Who a unique id names. Every comparison of a player's unique id goes
// through these, so that the rankings, a player's sessions and timeline,
// his linked accounts, a report and a watch rule take one id as one player.

// Unique ids that many different players share: LAN and pending ids, bots,
// an absent id. Sessions with such an id must never be linked by it.
bool isSharedUniqueId(std::string_view uniqueId);
// The id of a connection the server has not validated yet; a later line of
// the same connection gives the real one.
bool isPendingId(std::string_view uniqueId);
inline bool isBotId(std::string_view uniqueId) { return uniqueId == "BOT"; }

// A Steam id's universe digit changed with the engine, not the account: a
// server logs one player as STEAM_0:X:Y before an update and as STEAM_1:X:Y
// after it.

// The account's one spelling: a STEAM_1: id as STEAM_0:, any other id as it
// is.
std::string accountIdOf(std::string_view uniqueId);

// Whether two ids as logged name one account.
bool isSameAccount(std::string_view a, std::string_view b);

// A hash of the account an id names, the same for either spelling of it,
// for tables that find a player by account without making its spelling.
std::uint64_t accountHash(std::string_view uniqueId);

// Whether the id is a Steam id of universe 0 or 1, logged in either
// spelling; its universe digit then stands at UniverseDigitAt, the one byte
// a look at a file's bytes for the account must take as any.
bool hasUniverseDigit(std::string_view uniqueId);
inline constexpr std::size_t UniverseDigitAt = 6;

} // namespace zelkam
