#include "views/overview_painter.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/support/recording_canvas.h"
#include "tests/support/time_zone.h"
#include "views/player_list_painter.h"

namespace zelkam {
namespace {

using test::RecordingCanvas;
using test::ScopedTimeZone;
using test::localStamp;

// One pixel per minute: the plot starts at x 40 and ends 12 pixels before
// the right edge.
constexpr int Width = 40 + 1440 + 12;
constexpr int Height = 200;

DayOverview busyHour()
{
    DayOverview series;
    series.dayStart = localStamp(2001, 7, 6);
    series.minutes.resize(1440);
    OverviewMinute& a = series.minutes[600];
    a.terrorists = 2;
    a.cts = 1;
    a.spectators = 1;
    a.kills = 3;
    series.minutes[601].terrorists = 4;
    series.minutes[601].chat = 5;
    series.minutes[0].maps = {"de_dust"};
    series.minutes[1438].maps = {"de_a_map_with_a_long_name"};
    series.rcons.push_back(OverviewRcon{700, 0, false, "<Gordon> status"});
    series.rcons.push_back(OverviewRcon{706, 0, true, "<unknown (bad rcon pass)> stats"});
    return series;
}

// The rectangles of one colour that cover column x.
std::vector<RecordingCanvas::Rect> rectsAt(const RecordingCanvas& canvas, int x, Rgb color)
{
    std::vector<RecordingCanvas::Rect> found;
    for (const auto& r : canvas.rects)
        if (r.color == color && r.left <= x && x < r.right)
            found.push_back(r);
    return found;
}

TEST(OverviewPainter, DrawsTheDayWhereItsMinutesAre)
{
    ScopedTimeZone zone("UTC0");
    const DayOverview series = busyHour();
    OverviewPainter painter;
    painter.setSeries(&series);
    painter.setCursorMinute(905);
    RecordingCanvas canvas;
    painter.paint(canvas, Width, Height);
    const OverviewLayout l = painter.layout(Width, Height);
    const int area = l.areaBottom - l.areaTop;

    // The stacked area: at the peak minute (4 players) it fills the area's
    // height; at minute 600 two terrorists take half, then one CT and one
    // spectator a quarter each, in the player list's colours.
    struct Band {
        const char* what;
        int x;
        Rgb color;
        int top;
        int bottom;
    };
    const Band bands[] = {
        {"terrorists at 600", 600 + 40, TerroristBandColor, l.areaBottom - area / 2, l.areaBottom},
        {"cts at 600", 600 + 40, CounterTerroristBandColor, l.areaBottom - (3 * area + 2) / 4, l.areaBottom - area / 2},
        {"spectators at 600", 600 + 40, SpectatorBandColor, l.areaTop, l.areaBottom - (3 * area + 2) / 4},
        {"terrorists at the peak", 601 + 40, TerroristBandColor, l.areaTop, l.areaBottom},
        {"kills at their most", 600 + 40, OverviewKillColor, l.killsTop, l.killsBottom},
        {"chat at its most", 601 + 40, OverviewChatColor, l.chatTop, l.chatBottom},
        {"the cursor", 905 + 40, OverviewCursorColor, l.rconTop, l.chatBottom},
        {"a command's mark", 700 + 40, OverviewRconColor, l.rconTop, l.rconBottom},
        {"a failed attempt's mark", 706 + 40, OverviewBadRconColor, l.rconTop + 3, l.rconBottom - 3},
        {"a map start", 0 + 40, OverviewMapLineColor, l.rconTop, l.chatBottom},
    };
    for (const Band& band : bands) {
        SCOPED_TRACE(band.what);
        const auto found = rectsAt(canvas, band.x, band.color);
        ASSERT_EQ(found.size(), 1u);
        EXPECT_EQ(found[0].top, band.top);
        EXPECT_EQ(found[0].bottom, band.bottom);
    }
    // Nothing of a quiet minute's players or kills is drawn.
    EXPECT_TRUE(rectsAt(canvas, 650 + 40, TerroristBandColor).empty());
    EXPECT_TRUE(rectsAt(canvas, 650 + 40, OverviewKillColor).empty());
    // The cursor is one pixel wide.
    EXPECT_EQ(rectsAt(canvas, 905 + 40, OverviewCursorColor)[0].right, 905 + 41);

    // Map names stand inside the plot, the last one pulled left of its line.
    for (const char* name : {"de_dust", "de_a_map_with_a_long_name"}) {
        const RecordingCanvas::Text* label = canvas.find(name);
        ASSERT_NE(label, nullptr) << name;
        EXPECT_GE(label->x, l.plotLeft) << name;
        EXPECT_LE(label->x + canvas.textWidth(OverviewFont, name), l.plotRight) << name;
    }
    EXPECT_LT(canvas.find("de_a_map_with_a_long_name")->x, 1438 + 40);
}

TEST(OverviewPainter, MapsPointsToMinutesAndBack)
{
    const DayOverview series = busyHour();
    OverviewPainter painter;
    painter.setSeries(&series);
    struct Case {
        const char* what;
        int width;
        int x;
        std::int32_t minute;
    };
    const Case cases[] = {
        {"a pixel a minute", Width, 40 + 600, 600},
        {"the plot's first pixel", Width, 40, 0},
        {"left of the plot", Width, 3, 0},
        {"the plot's last pixel", Width, Width - 13, 1439},
        {"right of the plot", Width, Width + 50, 1439},
        {"two minutes a pixel", 40 + 720 + 12, 40 + 300, 600},
        {"three pixels a minute", 40 + 4320 + 12, 40 + 3 * 600 + 2, 600},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(painter.minuteAt(c.x, c.width), c.minute) << c.what;
        EXPECT_EQ(painter.minuteAt(painter.xOfMinute(c.minute, c.width), c.width), c.minute) << c.what;
    }
    // A mark is found from a pixel or two beside it, not from far away.
    EXPECT_EQ(painter.rconsNear(40 + 699, Width).size(), 1u);
    EXPECT_EQ(painter.rconsNear(40 + 703, Width).size(), 2u);
    EXPECT_TRUE(painter.rconsNear(40 + 720, Width).empty());
}

TEST(OverviewPainter, LabelsTheHoursAClockShowed)
{
    // Where the clocks change, the axis shows the hours of the wall clock.
    ScopedTimeZone zone("CET-1CEST,M3.5.0,M10.5.0/3");
    struct Case {
        const char* what;
        int day;
        int month;
        std::int32_t minutes;
        std::vector<std::string> firstLabels;
    };
    const Case cases[] = {
        {"an ordinary day", 6, 7, 1440, {"00:00", "01:00", "02:00", "03:00"}},
        {"clocks go forward", 25, 3, 1380, {"00:00", "01:00", "03:00", "04:00"}},
        {"clocks go back", 28, 10, 1500, {"00:00", "01:00", "02:00", "02:00", "03:00"}},
    };
#ifdef _WIN32
    GTEST_SKIP() << "the days of a clock change: the Windows C runtime applies its own daylight-saving rules, "
                    "not the zone's";
#endif
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        DayOverview series;
        series.dayStart = localStamp(2001, c.month, c.day);
        series.minutes.resize(static_cast<std::size_t>(c.minutes));
        OverviewPainter painter;
        painter.setSeries(&series);
        RecordingCanvas canvas;
        painter.paint(canvas, 40 + 1500 + 12, Height);
        std::vector<std::string> labels;
        for (const auto& text : canvas.texts)
            if (text.y == painter.layout(40 + 1500 + 12, Height).hourLabelTop)
                labels.push_back(text.text);
        ASSERT_EQ(labels.size(), static_cast<std::size_t>(c.minutes / 60 + 1));
        EXPECT_EQ(std::vector<std::string>(labels.begin(), labels.begin() + c.firstLabels.size()), c.firstLabels);
        EXPECT_EQ(labels.back(), "24:00");
    }
}

TEST(OverviewPainter, TooltipShowsTheMinuteWithLogTextMadeSafe)
{
    ScopedTimeZone zone("UTC0");
    DayOverview series = busyHour();
    series.minutes[600].maps = {"de_\x1b[2Jdust"};
    series.rcons[0].line = "<Gordon\xE2\x80\xAE> status";
    OverviewPainter painter;
    painter.setSeries(&series);
    const std::string text = painter.tooltip(600, {&series.rcons[0]});
    EXPECT_EQ(text, "10:00 (minute 600)\n"
                    "Terrorists 2, Counter-Terrorists 1, Spectators 1\n"
                    "Kills 3, suicides 0, chat 0\n"
                    "Rcon 0, failed rcon 0\n"
                    "Map started: de_\\x1b[2Jdust\n"
                    "11:40 <Gordon\\u{202E}> status");
    EXPECT_EQ(painter.tooltip(1440, {}), "");
}

} // namespace
} // namespace zelkam
