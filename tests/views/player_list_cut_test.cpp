// Where the player list draws its rows: a row stands whole inside its own
// team's band or is counted in the band's "+N"; a row never paints over the
// glyphs of another; a taller list opens squeezed rows up before it shows
// more of them, and a wider one gives its room to the names.

#include "views/player_list_painter.h"

#include <algorithm>
#include <deque>
#include <optional>
#include <string>

#include <gtest/gtest.h>

#include "tests/support/recording_canvas.h"

namespace zelkam {
namespace {

using test::RecordingCanvas;

constexpr Rgb Black{0, 0, 0};

struct Server {
    Server(int terrorists, int counterTerrorists, int spectators = 0)
    {
        for (int i = 0; i < spectators; ++i)
            add("s" + std::to_string(i), Team::None);
        for (int i = 0; i < terrorists; ++i)
            add("t" + std::to_string(i), Team::Terrorist, i % 2 == 0 ? LifeState::Dead : LifeState::Alive);
        for (int i = 0; i < counterTerrorists; ++i)
            add("c" + std::to_string(i), Team::CounterTerrorist, i % 3 == 0 ? LifeState::Unknown : LifeState::Alive);
        painter.sortTeams();
    }

    void add(const std::string& name, std::int32_t team, std::int32_t life = LifeState::Alive)
    {
        names.push_back(name);
        PlayerEntry entry;
        entry.name = names.back().c_str();
        entry.team = team;
        entry.lifeState = life;
        entry.frags = 11;
        entry.deaths = 18;
        entries.push_back(entry);
        painter.add(&entries.back());
    }

    RecordingCanvas paint(int width, int height)
    {
        RecordingCanvas canvas;
        painter.paint(canvas, width, height);
        return canvas;
    }

    std::deque<std::string> names;
    std::deque<PlayerEntry> entries;
    PlayerListPainter painter;
};

// The top of the first band drawn in color, if any.
std::optional<int> bandTop(const RecordingCanvas& canvas, Rgb color)
{
    for (const auto& rect : canvas.rects)
        if (rect.color == color && rect.left == 0)
            return rect.top;
    return std::nullopt;
}

bool isRowOf(const RecordingCanvas::Text& text, char team)
{
    return text.text.size() > 1 && text.text[0] == team && std::isdigit(static_cast<unsigned char>(text.text[1]));
}

// The rows drawn for team ('t' or 'c') and the number its "+N" counts.
struct TeamSeen {
    std::vector<const RecordingCanvas::Text*> rows;
    int hidden = 0;
};

TeamSeen seen(const RecordingCanvas& canvas, char team, int headerTop)
{
    TeamSeen result;
    for (const auto& text : canvas.texts) {
        if (isRowOf(text, team))
            result.rows.push_back(&text);
        if (!text.text.empty() && text.text[0] == '+' && text.y < headerTop + PlayerListPainter::HeaderHeight &&
            text.y >= headerTop)
            result.hidden = std::stoi(text.text.substr(1));
    }
    return result;
}

// Whether something painted after text covers part of its cell: a
// rectangle, or the box of a text drawn opaque.
bool coveredLater(RecordingCanvas& canvas, const RecordingCanvas::Text& text)
{
    const int right = text.x + canvas.textWidth(text.font, text.drawn);
    const int bottom = text.y + text.font.cellHeight;
    const auto overlaps = [&](int l, int t, int r, int b) { return l < right && text.x < r && t < bottom && text.y < b; };
    for (const auto& rect : canvas.rects)
        if (rect.order > text.order && overlaps(rect.left, rect.top, rect.right, rect.bottom))
            return true;
    for (const auto& other : canvas.texts)
        if (other.order > text.order && other.mode == BackgroundMode::Opaque &&
            overlaps(other.x, other.y, other.x + canvas.textWidth(other.font, other.drawn),
                     other.y + other.font.cellHeight))
            return true;
    return false;
}

TEST(PlayerListRows, StandWholeInTheirOwnTeamsBandOrAreCounted)
{
    const struct {
        const char* what;
        int terrorists, counterTerrorists, spectators, width, height;
    } cases[] = {
        {"a busy evening", 7, 7, 0, 468, 332},
        {"a full server at the default size", 16, 16, 0, 468, 332},
        {"a full server in a taller list", 16, 16, 0, 468, 452},
        {"a full server in a 900 x 900 window", 16, 16, 0, 868, 572},
        {"one crowded team", 16, 4, 0, 468, 332},
        {"spectators push the Terrorists down", 12, 2, 3, 468, 332},
        {"crowded just past the threshold", 9, 9, 0, 468, 332},
        {"twelve against three", 12, 3, 0, 468, 340},
        {"a list too short for any row", 5, 5, 0, 468, 40},
        {"a crowd of spectators", 3, 3, 32, 468, 332},
    };
    for (const auto& c : cases) {
        Server server(c.terrorists, c.counterTerrorists, c.spectators);
        RecordingCanvas canvas = server.paint(c.width, c.height);
        const auto terroristTop = bandTop(canvas, TerroristBandColor);
        const auto counterTerroristTop = bandTop(canvas, CounterTerroristBandColor);
        ASSERT_TRUE(terroristTop && counterTerroristTop) << c.what;
        const struct {
            char team;
            int count, top, limit;
        } bands[] = {
            {'t', c.terrorists, *terroristTop, *counterTerroristTop},
            {'c', c.counterTerrorists, *counterTerroristTop, c.height},
        };
        for (const auto& band : bands) {
            const TeamSeen team = seen(canvas, band.team, band.top);
            EXPECT_EQ(static_cast<int>(team.rows.size()) + team.hidden, band.count) << c.what << " " << band.team;
            for (const auto* row : team.rows) {
                EXPECT_GE(row->y, band.top + PlayerListPainter::HeaderHeight) << c.what << " " << row->text;
                EXPECT_LE(row->y + row->font.cellHeight, band.limit) << c.what << " " << row->text;
            }
        }
        // Spectators too: whole rows above the bottom, the rest counted.
        const TeamSeen watchers = c.spectators > 0 ? seen(canvas, 's', 0) : TeamSeen{};
        EXPECT_EQ(static_cast<int>(watchers.rows.size()) + watchers.hidden, c.spectators) << c.what;
        for (const auto* row : watchers.rows)
            EXPECT_LE(row->y + row->font.cellHeight, c.height) << c.what << " " << row->text;
        for (const auto& text : canvas.texts) {
            if (isRowOf(text, 't') || isRowOf(text, 'c') || isRowOf(text, 's') || text.text == "DEAD" ||
                text.text == "Unknown" || text.text == "11" || text.text == "18") {
                EXPECT_FALSE(coveredLater(canvas, text)) << c.what << ": " << text.text << " at " << text.y;
            }
        }
    }
}

TEST(PlayerListRows, ATallerListOpensSqueezedRowsBeforeShowingMore)
{
    Server server(16, 16);
    int lastShown = 0;
    int lastPitch = 0;
    for (int height = PlayerListPainter::DesignHeight; height <= 700; height += 4) {
        const RecordingCanvas canvas = server.paint(468, height);
        const auto* first = canvas.find("t0");
        const auto* second = canvas.find("t1");
        ASSERT_TRUE(first && second) << height;
        const int pitch = second->y - first->y;
        int shown = 0;
        for (const auto& text : canvas.texts)
            shown += isRowOf(text, 't') || isRowOf(text, 'c');
        EXPECT_GE(shown, lastShown) << height;
        EXPECT_GE(pitch, lastPitch) << height;
        EXPECT_LE(pitch, first->font.cellHeight) << height;
        if (height == PlayerListPainter::DesignHeight) {
            EXPECT_LT(pitch, first->font.cellHeight) << "the design squeezes a full server";
        }
        // Every row shown: none may stay squeezed when the room is there.
        if (height >= 572) {
            EXPECT_EQ(shown, 32) << height;
            EXPECT_EQ(pitch, first->font.cellHeight) << height;
        }
        // Rows open up to the font's height before more are shown.
        if (shown > lastShown && lastShown != 0) {
            EXPECT_EQ(pitch, first->font.cellHeight) << height;
        }
        lastShown = shown;
        lastPitch = pitch;
    }
}

TEST(PlayerListRows, AWiderListGivesItsRoomToTheNames)
{
    Server server(3, 3);
    server.add("[TRK]Dragon_pro_of_the_long_nights", Team::Terrorist, LifeState::Dead);
    server.painter.sortTeams();
    server.painter.setScores(4, 2);
    RecordingCanvas narrow = server.paint(PlayerListPainter::DesignWidth, 332);
    RecordingCanvas wide = server.paint(PlayerListPainter::DesignWidth + 300, 332);

    // Everything right of the names keeps its distance to the right edge.
    for (const char* text : {"(4 wins)", "(2 wins)", "11", "18", "DEAD", "Unknown"}) {
        const auto* before = narrow.find(text);
        const auto* after = wide.find(text);
        ASSERT_TRUE(before && after) << text;
        EXPECT_EQ(after->x - before->x, 300) << text;
        EXPECT_EQ(after->y, before->y) << text;
    }
    // The long name is cut short of the numbers at the design width, with
    // an ellipsis, and shown whole in the wider list.
    const auto named = [](const RecordingCanvas& canvas) -> const RecordingCanvas::Text* {
        for (const auto& text : canvas.texts)
            if (text.text.rfind("[TRK]", 0) == 0)
                return &text;
        return nullptr;
    };
    const auto* cut = named(narrow);
    const auto* whole = named(wide);
    ASSERT_TRUE(cut && whole);
    EXPECT_EQ(whole->text, "[TRK]Dragon_pro_of_the_long_nights");
    EXPECT_NE(cut->text, whole->text);
    EXPECT_EQ(cut->text.substr(cut->text.size() - 3), "\xE2\x80\xA6");
    EXPECT_LE(cut->x + narrow.textWidth(cut->font, cut->drawn), narrow.find("11")->x);
    EXPECT_EQ(narrow.standsOn(*cut, Black), Black);
}

} // namespace
} // namespace zelkam
