#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "investigate/address_names.h"
#include "investigate/player_query.h"
#include "replay/viewer_state.h"

namespace zelkam {

// What a report is about: a range of the day a ViewerState has loaded, and
// where it came from.
struct ReportRequest {
    // The folder as the user named it and the server (the folder's own
    // name), shown as where the report came from.
    std::string folder;
    std::string server;
    // Calendar seconds of the loaded day; from <= to.
    std::int32_t from = 0;
    std::int32_t to = 0;
    // With a player, the events and chat are his only; the scoreboards and
    // the plot stay whole.
    std::optional<PlayerQuery> player;
};

// The server a report about folder names: the folder's own name, taken
// from its absolute path, so that "." or "logs/" name the folder they are.
std::string reportServerName(const std::string& folder);

// One self-contained HTML page about the range: the scoreboard at from and
// at to (the replay rebuilt at each, as the viewer shows it), every event of
// the range as the chat view composes it (or as the page tells it, for
// events that compose no line), the chat, each player involved with his
// names, ids and addresses (as addresses shows them), the range's activity
// as an inline SVG plot, and the folder, server, day and range. The page
// holds no script and fetches nothing: its content security policy forbids
// both, and every stranger's text in it went through appendHtmlText. The
// state is left standing at to. The page is handed to write a piece at a
// time, as it is made: however many lines the range holds, only a piece is
// held. False when the state has no day loaded or write returned false.
using ReportWriter = std::function<bool(std::string_view piece)>;
bool writeReportPage(ViewerState& state, const ReportRequest& request, const AddressNames& addresses,
                     const ReportWriter& write);

} // namespace zelkam
