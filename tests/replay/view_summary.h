#pragma once

#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "replay/viewer_state.h"
#include "tests/support/temp_folder.h"

namespace zelkam::test {

// A model with the folder loaded (its earliest day paused at its first
// event). On the heap: the state is large.
inline std::unique_ptr<ViewerState> loaded(const TempFolder& folder)
{
    auto state = std::make_unique<ViewerState>();
    EXPECT_TRUE(state->loadFolder(folder.string()));
    return state;
}

// The published view as one comparable text: clock, minute, map, scores,
// then every player and every chat line in order.
inline std::string viewSummary(const ViewerState& state)
{
    std::string text = std::to_string(state.viewClock()) + " m" + std::to_string(state.viewMinute()) + " map="
        + state.viewMapName() + " " + std::to_string(state.view().ctScore) + ":" + std::to_string(state.view().tScore);
    for (const PlayerEntry& p : state.viewPlayers()) {
        text += " [" + std::string(p.name ? p.name : "(null)") + " " + std::to_string(p.userId) + " t"
            + std::to_string(p.team) + " l" + std::to_string(p.lifeState) + " " + std::to_string(p.frags) + "/"
            + std::to_string(p.deaths) + "]";
    }
    for (const ChatLine& line : state.viewChatLines())
        text += " {" + std::to_string(line.time) + " " + std::to_string(line.style) + " " + line.text + "}";
    return text;
}

inline std::vector<std::string> chatTexts(const ViewerState& state)
{
    std::vector<std::string> texts;
    for (const ChatLine& line : state.viewChatLines())
        texts.emplace_back(line.text);
    return texts;
}

inline std::vector<std::string> playerNames(const ViewerState& state)
{
    std::vector<std::string> names;
    for (const PlayerEntry& p : state.viewPlayers())
        names.emplace_back(p.name ? p.name : "(null)");
    return names;
}

} // namespace zelkam::test
