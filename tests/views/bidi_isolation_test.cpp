// A name or message holding bidirectional controls must not reorder the
// rest of what a window draws: a spectator could make a chat line read like
// a remote-console line, or put words in another player's name.

#include <gtest/gtest.h>

#include <string>

#include "tests/support/recording_canvas.h"
#include "state/chat_lines.h"
#include "views/chat_view_painter.h"
#include "state/live_state.h"
#include "views/player_list_painter.h"

namespace zelkam {
namespace {

using zelkam::test::RecordingCanvas;

const std::string Fsi = "\xe2\x81\xa8";
const std::string Pdi = "\xe2\x81\xa9";
const std::string Rlo = "\xe2\x80\xae";
const std::string Rli = "\xe2\x81\xa7";

PlayerEntry player(const char* name, std::int32_t team)
{
    PlayerEntry entry;
    entry.name = name;
    entry.team = team;
    entry.lifeState = LifeState::Alive;
    return entry;
}

TEST(BidiIsolation, ChatViewDrawsEveryNameAndMessageAsItsOwnIsolate)
{
    struct Case {
        const char* what;
        std::string name;
        std::int32_t kind;
        std::string text;
        std::string drawn;
    };
    const Case cases[] = {
        {"plain chat", "Bob", SayLine, "hi", Fsi + "Bob" + Pdi + " : " + Fsi + "hi" + Pdi},
        {"override in the message stays in it", "Bob", SayLine, Rlo + ">nimda<",
         Fsi + "Bob" + Pdi + " : " + Fsi + Rlo + ">nimda<" + Pdi},
        {"override in the name cannot reach the message", Rlo + "Eve", SayLine, "hi",
         Fsi + Rlo + "Eve" + Pdi + " : " + Fsi + "hi" + Pdi},
        {"unpaired closer cannot end the name early", Pdi + Pdi + Rlo + "Eve", SayLine, "hi",
         Fsi + Rlo + "Eve" + Pdi + " : " + Fsi + "hi" + Pdi},
        {"open isolate in a command is closed", "Ann", RconLine, Rli + "status",
         "<" + Fsi + "Ann" + Pdi + "> " + Fsi + Rli + "status" + Pdi + Pdi},
        {"new name is a piece of its own", "Old", NameChangeLine, Rlo + "weN",
         "* " + Fsi + "Old" + Pdi + " changed name to " + Fsi + Rlo + "weN" + Pdi},
        {"right-to-left name reads as it is", "\xd7\x90\xd7\x91", SayLine, "hi",
         Fsi + "\xd7\x90\xd7\x91" + Pdi + " : " + Fsi + "hi" + Pdi},
        {"name of controls only is visible", Rlo + Rlo, LeftGameLine, "",
         "* " + Fsi + "\\u{202E}\\u{202E}" + Pdi + " has left the game"},
    };
    for (const Case& c : cases) {
        LiveState state;
        emitChatLine(state, player(c.name.c_str(), Team::Terrorist), 0, c.kind, c.text.c_str());
        ChatViewPainter painter;
        painter.addLine(state.chatLines[0]);
        RecordingCanvas canvas;
        painter.paint(canvas);
        ASSERT_EQ(canvas.texts.size(), 1u) << c.what;
        EXPECT_EQ(canvas.texts[0].drawn, c.drawn) << c.what;
    }
}

TEST(BidiIsolation, PlayerListDrawsEveryNameIsolatedAndVisible)
{
    const std::string hostile = Rlo + "Eve" + Pdi;
    const std::string invisible = Rlo + Pdi;
    PlayerEntry entries[] = {player(hostile.c_str(), Team::Terrorist), player(invisible.c_str(), Team::CounterTerrorist),
                             player("\x1b[2J", Team::None)};
    PlayerListPainter painter;
    for (const PlayerEntry& entry : entries)
        painter.add(&entry);
    RecordingCanvas canvas;
    painter.paint(canvas, 468, 300);
    std::vector<std::string> names;
    for (const RecordingCanvas::Text& text : canvas.texts) {
        if (text.drawn.rfind(Fsi, 0) == 0)
            names.push_back(text.drawn);
    }
    const std::vector<std::string> expected = {
        Fsi + "\xef\xbf\xbd[2J" + Pdi,
        Fsi + Rlo + "Eve" + Pdi,
        Fsi + "\\u{202E}\\u{2069}" + Pdi,
    };
    EXPECT_EQ(names, expected);
}

} // namespace
} // namespace zelkam
