#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "replay/viewer_state.h"

namespace zelkam::cli {

// One STEP of "zelkam-cli replay", checked before anything runs.
struct ReplayStep {
    enum class Kind { Tick, Command, Seek, Minute, Find, Day };

    Kind kind = Kind::Tick;
    // The step as written, echoed in its output line.
    std::string text;
    // Command: the playback command of the step's id.
    PlaybackCommand command = PlaybackCommand::None;
    // Tick: how many ticks (at least 1). Command: the id (0 to 15). Seek:
    // seconds after the day's midnight. Minute: the trackbar minute.
    std::int64_t value = 0;
    // Find: what to look for; the pattern may be empty.
    SearchKind searchKind = SearchKind::Chat;
    bool matchCase = false;
    std::string pattern;
    // Day: the date as written, DD/MM/YYYY.
    std::string date;
};

// The step that text writes, or none when it is unknown or malformed
// ("tick:0", "cmd:16", "find" without a second colon); rule then says what
// the step must look like ("N must be 1 or more").
std::optional<ReplayStep> parseReplayStep(std::string_view text, std::string& rule);
std::optional<ReplayStep> parseReplayStep(std::string_view text);

// player, chat, rconuser or rconcmd; false for anything else.
bool parseSearchKind(std::string_view text, SearchKind& kind);

} // namespace zelkam::cli
