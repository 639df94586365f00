#pragma once

#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

#include "investigate/address_names.h"
#include "parse/log_event.h"
#include "replay/viewer_state.h"

namespace zelkam::cli {

using Json = nlohmann::ordered_json;

// The one way zelkam-cli writes JSON: compact, on one line (no line feed
// added), with every control, format and separator character inside a
// string escaped (safeJson), so that a terminal showing it acts on none.
// Texts from the log go in decoded (logTextToUtf8).
std::string jsonLine(const Json& json);

// One compact JSON object a line, keys in a fixed order. Names and texts
// are decoded for showing (valid UTF-8 kept, other bytes as Windows-1252);
// a missing name or text is null. With allKinds (an event of a parser asked
// for every kind) a kill adds its killer's id and team and its weapon, a
// team score the team it names. A player's address is its key
// ("addressKey", a number that tells the network); when addresses hides
// them, the pseudonym ("address", absent for none) stands instead, and an
// address typed in a command or a chat message shows as its pseudonym too.
std::string eventJson(const LogEvent& event, const AddressNames& addresses, bool allKinds = false);

// The published view after a step of "zelkam-cli replay", its players'
// addresses, and those typed in its chat lines, as eventJson writes them.
std::string viewJson(std::string_view step, bool result, const ViewerState& state, const AddressNames& addresses);

} // namespace zelkam::cli
