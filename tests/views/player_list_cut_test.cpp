// A full server in the window's default height does not fit: the list must
// show how many rows of each team it cannot show, and a taller list must show
// them all.

#include "views/player_list_painter.h"

#include <deque>
#include <string>

#include <gtest/gtest.h>

#include "tests/support/recording_canvas.h"

namespace zelkam {
namespace {

using test::RecordingCanvas;

struct Server {
    Server(int terrorists, int counterTerrorists, int spectators = 0)
    {
        const auto add = [this](const std::string& name, std::int32_t team) {
            names.push_back(name);
            PlayerEntry entry;
            entry.name = names.back().c_str();
            entry.team = team;
            entries.push_back(entry);
            painter.add(&entries.back());
        };
        for (int i = 0; i < spectators; ++i)
            add("s" + std::to_string(i), Team::None);
        for (int i = 0; i < terrorists; ++i)
            add("t" + std::to_string(i), Team::Terrorist);
        for (int i = 0; i < counterTerrorists; ++i)
            add("c" + std::to_string(i), Team::CounterTerrorist);
    }

    // The "+N" marks drawn, with the top of the text.
    std::vector<std::pair<std::string, int>> marks(int height)
    {
        RecordingCanvas canvas;
        painter.paint(canvas, 468, height);
        std::vector<std::pair<std::string, int>> found;
        for (const auto& text : canvas.texts) {
            if (!text.text.empty() && text.text[0] == '+')
                found.emplace_back(text.text, text.y);
        }
        return found;
    }

    std::deque<std::string> names;
    std::deque<PlayerEntry> entries;
    PlayerListPainter painter;
};

using Marks = std::vector<std::pair<std::string, int>>;

TEST(PlayerListCut, MarksTheRowsThatDoNotFitInTheirTeamsHeader)
{
    const struct {
        const char* what;
        int terrorists;
        int counterTerrorists;
        int spectators;
        int height;
        Marks marks;
    } cases[] = {
        {"a busy evening fits", 7, 7, 0, 332, {}},
        // Ten-pixel rows from 28: thirteen fit above the other header at 166,
        // and thirteen between 194 and the bottom.
        {"a full server at the default size", 16, 16, 0, 332, {{"+3", 3}, {"+3", 169}}},
        {"a full server in a 700-pixel window", 16, 16, 0, 452, {}},
        {"only the crowded team is marked", 16, 4, 0, 332, {{"+3", 3}}},
        {"spectators push the Terrorists down", 12, 2, 3, 332, {{"+2", 67}}},
        {"a list too short for any row", 5, 5, 0, 40, {{"+5", 3}, {"+5", 23}}},
    };
    for (const auto& c : cases) {
        Server server(c.terrorists, c.counterTerrorists, c.spectators);
        EXPECT_EQ(server.marks(c.height), c.marks) << c.what;
    }
}

} // namespace
} // namespace zelkam
