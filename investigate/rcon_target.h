#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "parse/log_event.h"
#include "state/live_state.h"

namespace zelkam {

// What a remote-console command does to a player: kick, ban or slay (a
// slap counts as a slay), and how the command names him.
enum class RconAction { Kick, Ban, Slay };

struct RconTargeting {
    RconAction action = RconAction::Kick;
    // The word that names the player, as typed: "#12" (a user id), a unique
    // id, an address (addip), or a name or part of one.
    std::string target;
};

// Every player-acting command in one remote-console command line (commands
// separated by ";" outside quotes, words as the server splits them): kick,
// banid, addip, and the admin plugin's amx_kick, amx_ban, amx_banip,
// amx_slay and amx_slap. Other commands give nothing.
std::vector<RconTargeting> rconTargetingsOf(std::string_view command);

// The player on the server now that the command meant, as the server and
// its admin plugin resolve the word: "#N" the user id N, a unique id or an
// address the first player with it, otherwise the name (its first 31
// characters, as the roster compares names), else the only player whose name
// holds the word with ASCII letter case ignored. False when none or, for a
// part of a name, more than one fits. found points into state's roster and
// lives until it changes.
bool resolveRconTarget(const LiveState& state, const RconTargeting& targeting, const PlayerEntry*& found);

// Whether resolveRconTarget could, on some roster of the day, find a player
// with userId and one of names: false only when no roster could make the
// word mean him. isUniqueId tells whether a word is a unique id some player
// of the day had. Lets a day whose commands cannot mean the player asked
// about go without replaying it.
bool rconTargetCouldMean(const RconTargeting& targeting, std::int32_t userId, const std::vector<std::string>& names,
                         const std::function<bool(std::string_view)>& isUniqueId);

// "kick", "ban" or "slay".
std::string_view rconActionName(RconAction action);

} // namespace zelkam
