#include "views/player_list_painter.h"

#include <deque>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/support/recording_canvas.h"

namespace zelkam {
namespace {

using test::RecordingCanvas;

constexpr int Width = 468;
constexpr int Height = 332;
constexpr Rgb White{255, 255, 255};
constexpr Rgb Black{0, 0, 0};

// Owns the entries the painter points at, like the published view does.
struct Players {
    std::deque<std::string> names;
    std::deque<PlayerEntry> entries;

    const PlayerEntry* make(std::string name, std::int32_t team, std::int32_t frags = 0, std::int32_t deaths = 0,
                            std::int32_t lifeState = LifeState::Alive)
    {
        names.push_back(std::move(name));
        PlayerEntry entry;
        entry.name = names.back().c_str();
        entry.team = team;
        entry.frags = frags;
        entry.deaths = deaths;
        entry.lifeState = lifeState;
        entries.push_back(entry);
        return &entries.back();
    }
};

RecordingCanvas paintList(PlayerListPainter& painter)
{
    RecordingCanvas canvas;
    painter.paint(canvas, Width, Height);
    return canvas;
}

void fill(PlayerListPainter& painter, Players& players, int spectators, int terrorists, int counterTerrorists)
{
    for (int i = 0; i < spectators; ++i)
        painter.add(players.make("s" + std::to_string(i), Team::None));
    for (int i = 0; i < terrorists; ++i)
        painter.add(players.make("t" + std::to_string(i), Team::Terrorist));
    for (int i = 0; i < counterTerrorists; ++i)
        painter.add(players.make("c" + std::to_string(i), Team::CounterTerrorist));
}

TEST(PlayerListPainter, FormatsNumbersWithAtMostThreeDigits)
{
    const struct {
        std::int32_t value;
        const char* text;
    } cases[] = {
        {0, "0"},         {7, "7"},       {10, "10"},        {105, "105"},        {-3, "-3"},
        {999, "999"},     {1000, "0"},    {1234, "234"},     {1005, "5"},         {-250, "-250"},
        {2147483647, "647"}, {-2147483647 - 1, "-648"},
    };
    for (const auto& c : cases) {
        std::string text = "(";
        formatNumber(text, c.value);
        EXPECT_EQ(text, std::string("(") + c.text) << c.value;
    }
}

TEST(PlayerListPainter, LaysOutBlocksByHowCrowdedTheTeamsAre)
{
    const struct {
        const char* name;
        int spectators, terrorists, counterTerrorists;
        int rowHeight, terroristTop, counterTerroristTop;
        bool crowded;
    } cases[] = {
        {"five a side", 0, 5, 5, 16, 0, 166, false},
        {"seven is not crowded", 0, 7, 0, 16, 0, 166, false},
        {"eight terrorists crowd", 0, 8, 0, 12, 0, 166, true},
        {"twelve are very crowded", 0, 12, 3, 10, 0, 166, true},
        {"two spectators, four a side", 2, 4, 4, 16, 66, 199, false},
        {"two spectators, five terrorists", 2, 5, 4, 12, 58, 195, true},
        {"six spectators leave no room", 6, 1, 0, 12, 106, 219, true},
        {"seven spectators crowd even empty teams", 7, 0, 0, 12, 118, 225, true},
    };
    for (const auto& c : cases) {
        Players players;
        PlayerListPainter painter;
        fill(painter, players, c.spectators, c.terrorists, c.counterTerrorists);
        // What is drawn at the window's own size: the bands and rows where
        // the design puts them.
        const RecordingCanvas canvas = paintList(painter);
        const auto* header = canvas.find("Terrorists");
        ASSERT_NE(header, nullptr) << c.name;
        EXPECT_EQ(header->y, c.terroristTop + 3) << c.name;
        EXPECT_EQ(canvas.find("Counter-Terrorists")->y, c.counterTerroristTop + 3) << c.name;
        if (c.terrorists > 1) {
            EXPECT_EQ(canvas.find("t0")->y, c.terroristTop + 28) << c.name;
            EXPECT_EQ(canvas.find("t1")->y, c.terroristTop + 28 + c.rowHeight) << c.name;
            EXPECT_EQ(canvas.find("t1")->font.cellHeight, c.crowded ? 12 : 16) << c.name;
        }
        if (c.spectators > 1) {
            EXPECT_EQ(canvas.find("s1")->y, 28 + c.rowHeight) << c.name;
            EXPECT_EQ(canvas.find("s1")->font.cellHeight, c.crowded ? 12 : 16) << c.name;
        }
    }
}

TEST(PlayerListPainter, TeamsShareTheHeightByNeedBeforeARowIsHidden)
{
    const struct {
        const char* name;
        int spectators, terrorists, counterTerrorists;
        int terroristsCut, counterTerroristsCut;
    } cases[] = {
        {"few terrorists leave their room to many counter-terrorists", 0, 3, 14, 0, 0},
        {"and the other way round", 0, 14, 3, 0, 0},
        {"with spectators above", 2, 2, 14, 0, 0},
        {"a full side takes what the other leaves", 0, 1, 32, 0, 6},
        {"both full: halves, both cut", 0, 32, 32, 19, 19},
        {"balanced sides keep the halves", 0, 5, 5, 0, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Players players;
        PlayerListPainter painter;
        fill(painter, players, c.spectators, c.terrorists, c.counterTerrorists);
        const PlayerListLayout layout = painter.layout(Height);
        EXPECT_EQ(layout.terroristsCut, c.terroristsCut);
        EXPECT_EQ(layout.counterTerroristsCut, c.counterTerroristsCut);
        // Every shown row's whole cell lies inside its band and the list.
        EXPECT_LE(layout.terroristTop + PlayerListPainter::FirstRowOffset
                      + (c.terrorists - layout.terroristsCut - 1) * layout.rowHeight + layout.cellHeight,
                  c.terrorists > layout.terroristsCut ? layout.counterTerroristTop : Height);
        EXPECT_LE(layout.counterTerroristTop + PlayerListPainter::FirstRowOffset
                      + (c.counterTerrorists - layout.counterTerroristsCut - 1) * layout.rowHeight + layout.cellHeight,
                  Height);
    }
}

TEST(PlayerListPainter, HiddenRowsAreReachedByScrollingTheirBand)
{
    Players players;
    PlayerListPainter painter;
    fill(painter, players, 0, 1, 32);
    const std::size_t rows = painter.visibleRowCount(Height);
    ASSERT_EQ(rows, 27u) << "one terrorist and 26 of the 32 counter-terrorists";
    const std::size_t last = rows - 1;
    EXPECT_FALSE(painter.scrollAt(last - 1, 1, Height)) << "not at the band's last row";
    EXPECT_FALSE(painter.scrollAt(0, 1, Height)) << "no terrorist hidden";
    std::vector<std::string> reached;
    while (painter.scrollAt(last, 1, Height))
        reached.push_back(painter.visibleRow(last, Height)->name);
    EXPECT_EQ(reached, (std::vector<std::string>{"c26", "c27", "c28", "c29", "c30", "c31"}));
    EXPECT_STREQ(painter.visibleRow(1, Height)->name, "c6");
    // Drawn as scrolled: the first counter-terrorist shown is c6.
    const RecordingCanvas canvas = paintList(painter);
    EXPECT_EQ(canvas.find("c5"), nullptr);
    ASSERT_NE(canvas.find("c31"), nullptr);
    // And back up to the top.
    int up = 0;
    while (painter.scrollAt(1, -1, Height))
        ++up;
    EXPECT_EQ(up, 6);
    EXPECT_STREQ(painter.visibleRow(1, Height)->name, "c0");
}

TEST(PlayerListPainter, DrawsBandsOnlyForTheBlocksShown)
{
    Players players;
    PlayerListPainter painter;
    RecordingCanvas empty = paintList(painter);
    ASSERT_EQ(empty.rects.size(), 2u);
    EXPECT_EQ(empty.find("Spectators"), nullptr);

    fill(painter, players, 2, 1, 1);
    const RecordingCanvas canvas = paintList(painter);
    ASSERT_EQ(canvas.rects.size(), 3u);
    const struct {
        int top;
        Rgb color;
    } bands[] = {{0, {64, 64, 64}}, {66, {255, 64, 0}}, {199, {0, 128, 255}}};
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(canvas.rects[i].left, 0);
        EXPECT_EQ(canvas.rects[i].top, bands[i].top);
        EXPECT_EQ(canvas.rects[i].right, Width);
        EXPECT_EQ(canvas.rects[i].bottom, bands[i].top + 24);
        EXPECT_EQ(canvas.rects[i].color, bands[i].color);
    }
    const auto* label = canvas.find("Spectators");
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->x, 16);
    EXPECT_EQ(label->y, 3);
    EXPECT_EQ(label->mode, BackgroundMode::Transparent);
    EXPECT_EQ(label->color, White);
    EXPECT_EQ(label->font, PlayerListLargeFont);
    // Names stand on the list's black background.
    EXPECT_EQ(canvas.standsOn(*canvas.find("s0"), Black), Black);
    EXPECT_EQ(canvas.standsOn(*canvas.find("t0"), Black), Black);
    EXPECT_EQ(canvas.find("t0")->color, White);
}

TEST(PlayerListPainter, ShowsScoresBesideTheTeamHeadersOnly)
{
    Players players;
    PlayerListPainter painter;
    fill(painter, players, 1, 0, 0);
    painter.setScores(12, 5);
    const RecordingCanvas canvas = paintList(painter);
    const auto* ct = canvas.find("(12 wins)");
    const auto* t = canvas.find("(5 wins)");
    ASSERT_NE(ct, nullptr);
    ASSERT_NE(t, nullptr);
    // At 400 as the design has it, or further left to end inside the band.
    EXPECT_LE(ct->x, 400);
    EXPECT_LE(ct->x + RecordingCanvas().textWidth(ct->font, ct->text), Width - 6);
    EXPECT_EQ(ct->y, canvas.find("Counter-Terrorists")->y);
    EXPECT_EQ(t->y, canvas.find("Terrorists")->y);
    EXPECT_EQ(t->mode, BackgroundMode::Transparent);
    // Only two score texts: the Spectators band has none, even for a score
    // of -1.
    painter.setScores(-1, -1);
    const RecordingCanvas negative = paintList(painter);
    int scoreTexts = 0;
    for (const auto& text : negative.texts)
        scoreTexts += text.text == "(-1 wins)";
    EXPECT_EQ(scoreTexts, 2);
}

TEST(PlayerListPainter, PlacesFragsDeathsAndLifeLabels)
{
    Players players;
    PlayerListPainter painter;
    painter.add(players.make("alive", Team::Terrorist, -3, 12, LifeState::Alive));
    painter.add(players.make("dead", Team::Terrorist, -4, 0, LifeState::Dead));
    painter.add(players.make("unknown", Team::CounterTerrorist, 5, 105, LifeState::Unknown));
    painter.add(players.make("pending", Team::CounterTerrorist, 4, 0, LifeState::Pending));
    painter.add(players.make("watcher", 7, 99, 99, LifeState::Dead));
    const RecordingCanvas canvas = paintList(painter);

    // Uncrowded digits are 8 wide: "-3" starts 4 left of 250, "12" 4 left
    // of 300, "105" 8 left of 300.
    const auto* frags = canvas.find("-3");
    ASSERT_NE(frags, nullptr);
    EXPECT_EQ(frags->x, 246);
    EXPECT_EQ(frags->y, 16 + 34 + 28); // below one spectator row
    EXPECT_EQ(canvas.find("12")->x, 296);
    EXPECT_EQ(canvas.find("105")->x, 292);
    EXPECT_EQ(canvas.find("5")->x, 250);

    int deadLabels = 0;
    int unknownLabels = 0;
    for (const auto& text : canvas.texts) {
        if (text.text == "DEAD") {
            ++deadLabels;
            EXPECT_EQ(text.x, Width - 60);
            EXPECT_EQ(canvas.standsOn(text, Black), (Rgb{160, 32, 0}));
        }
        if (text.text == "Unknown") {
            ++unknownLabels;
            EXPECT_EQ(text.x, Width - 70);
            EXPECT_EQ(canvas.standsOn(text, Black), (Rgb{128, 128, 128}));
        }
    }
    EXPECT_EQ(deadLabels, 1);
    EXPECT_EQ(unknownLabels, 1);
    // The spectator shows its name only.
    EXPECT_EQ(canvas.find("99"), nullptr);
    EXPECT_EQ(canvas.find("watcher")->x, 16);
    // The name after a label stands on black again.
    EXPECT_EQ(canvas.standsOn(*canvas.find("pending"), Black), Black);
}

TEST(PlayerListPainter, CrowdedRowsUseNarrowDigits)
{
    Players players;
    PlayerListPainter painter;
    fill(painter, players, 0, 8, 0);
    painter.add(players.make("scorer", Team::CounterTerrorist, 10, 0));
    const RecordingCanvas canvas = paintList(painter);
    EXPECT_EQ(canvas.find("10")->x, 247);
    EXPECT_EQ(canvas.find("10")->font, PlayerListSmallFont);
}

TEST(PlayerListPainter, SortsTeamsByFragsThenDeaths)
{
    Players players;
    PlayerListPainter painter;
    painter.add(players.make("nine", Team::Terrorist, 9, 0));
    painter.add(players.make("ten-seven", Team::Terrorist, 10, 7));
    painter.add(players.make("ten-five", Team::Terrorist, 10, 5));
    painter.add(players.make("choice-b", Team::None));
    painter.add(players.make("choice-a", Team::None));
    painter.add(players.make("low", Team::CounterTerrorist, -2, 1));
    painter.add(players.make("high", Team::CounterTerrorist, 3, 40));
    painter.sortTeams();
    EXPECT_STREQ(painter.terrorist(0)->name, "ten-five");
    EXPECT_STREQ(painter.terrorist(1)->name, "ten-seven");
    EXPECT_STREQ(painter.terrorist(2)->name, "nine");
    EXPECT_STREQ(painter.counterTerrorist(0)->name, "high");
    EXPECT_STREQ(painter.spectator(0)->name, "choice-b");
    EXPECT_STREQ(painter.spectator(1)->name, "choice-a");
}

TEST(PlayerListPainter, SortSurvivesExtremeCounts)
{
    // Frag counts this large overflow a 32-bit 256 * difference; the order
    // must still be by frags.
    Players players;
    PlayerListPainter painter;
    painter.add(players.make("min", Team::Terrorist, -2147483647 - 1, 2147483647));
    painter.add(players.make("max", Team::Terrorist, 2147483647, -2147483647 - 1));
    painter.add(players.make("zero", Team::Terrorist, 0, 0));
    painter.sortTeams();
    EXPECT_STREQ(painter.terrorist(0)->name, "max");
    EXPECT_STREQ(painter.terrorist(1)->name, "zero");
    EXPECT_STREQ(painter.terrorist(2)->name, "min");
}

TEST(PlayerListPainter, IgnoresThePlayerBeyondThirtyTwoInABlock)
{
    Players players;
    PlayerListPainter painter;
    for (int i = 0; i < 32; ++i)
        EXPECT_TRUE(painter.add(players.make("t" + std::to_string(i), Team::Terrorist)));
    EXPECT_FALSE(painter.add(players.make("t32", Team::Terrorist)));
    EXPECT_TRUE(painter.add(players.make("ct", Team::CounterTerrorist)));
    EXPECT_EQ(painter.terroristCount(), 32u);
    // In a list tall enough for every row.
    RecordingCanvas canvas;
    painter.paint(canvas, Width, 1200);
    EXPECT_EQ(canvas.find("t32"), nullptr);
    EXPECT_NE(canvas.find("t31"), nullptr);

    painter.clear();
    EXPECT_EQ(painter.terroristCount(), 0u);
    EXPECT_EQ(painter.counterTerroristCount(), 0u);
    EXPECT_TRUE(painter.add(players.make("again", Team::Terrorist)));
}

TEST(PlayerListPainter, DrawsANamelessEntryAsEmpty)
{
    PlayerEntry entry;
    entry.team = Team::Terrorist;
    PlayerListPainter painter;
    painter.add(&entry);
    const RecordingCanvas canvas = paintList(painter);
    EXPECT_NE(canvas.find(""), nullptr);
}

} // namespace
} // namespace zelkam
