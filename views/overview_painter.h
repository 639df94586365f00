#pragma once

// The activity plot of a day: who was on the server (a stacked area in the
// player list's colours), kills and chat per minute (two thin bar rows
// below it), remote-console commands (marks above it), map starts
// (vertical lines with the map's name), an hour axis and the replay's
// cursor. Drawn on a canvas; the window only forwards its size, the mouse
// and the keys.

#include <cstdint>
#include <string>
#include <vector>

#include "views/canvas.h"
#include "state/overview_series.h"

namespace zelkam {

inline constexpr Rgb OverviewBackground{0, 0, 0};
inline constexpr Rgb OverviewTextColor{255, 255, 255};
inline constexpr Rgb OverviewGridColor{48, 48, 48};
inline constexpr Rgb OverviewTickColor{120, 120, 120};
inline constexpr Rgb OverviewKillColor{220, 40, 40};
inline constexpr Rgb OverviewChatColor{200, 200, 200};
inline constexpr Rgb OverviewRconColor{255, 208, 0};
inline constexpr Rgb OverviewBadRconColor{255, 0, 255};
inline constexpr Rgb OverviewMapLineColor{110, 110, 110};
inline constexpr Rgb OverviewCursorColor{255, 255, 255};
inline constexpr FontChoice OverviewFont{"Arial", 12, false};

// Where the plot puts things for a given size. Rows run from top to bottom:
// map names, remote-console marks, the players' area, kills, chat, hours.
// Every x of the plot lies in [plotLeft, plotRight).
struct OverviewLayout {
    int plotLeft = 0;
    int plotRight = 0;
    int mapLabelTop = 0;
    int rconTop = 0;
    int rconBottom = 0;
    int areaTop = 0;
    int areaBottom = 0;
    int killsTop = 0;
    int killsBottom = 0;
    int chatTop = 0;
    int chatBottom = 0;
    int hourLabelTop = 0;
};

class OverviewPainter {
public:
    static constexpr int MinimumWidth = 240;
    static constexpr int MinimumHeight = 160;

    // The series is kept by pointer and must outlive the next paint; null
    // draws an empty plot.
    void setSeries(const DayOverview* series) { series_ = series; }
    const DayOverview* series() const { return series_; }
    // The replayed minute (the published view's minute); clamped into the
    // day when drawn, since playback may run on past midnight.
    void setCursorMinute(std::int32_t minute) { cursorMinute_ = minute; }
    std::int32_t cursorMinute() const { return cursorMinute_; }

    OverviewLayout layout(int width, int height) const;
    void paint(Canvas& canvas, int width, int height) const;

    // The left edge of a minute's column (minute count gives plotRight).
    // Where a pixel holds several minutes, the first pixel from the
    // minute's start on, whose column may begin with a later minute.
    int xOfMinute(std::int32_t minute, int width) const;
    // The minute whose column holds x, clamped into the day: a click left
    // of the plot means its first minute, right of it the last. 0 without a
    // series.
    std::int32_t minuteAt(int x, int width) const;
    // The remote-console commands whose marks lie within a few pixels of x,
    // in log order.
    std::vector<const OverviewRcon*> rconsNear(int x, int width) const;

    // What hovering over minute shows: its local time, the players by team,
    // the counts and the maps started in it, then the lines of the nearby
    // remote-console commands. Log text is made safe for showing (see
    // display_text.h); the result is UTF-8, one item a line.
    std::string tooltip(std::int32_t minute, const std::vector<const OverviewRcon*>& rcons) const;

private:
    std::int32_t minuteCount() const;

    const DayOverview* series_ = nullptr;
    std::int32_t cursorMinute_ = 0;
};

// "HH:MM" of the local time at minute m of the day starting at dayStart; on
// a day when the clocks change, the hours a wall clock showed.
std::string wallClockText(std::int32_t dayStart, std::int32_t minute);

} // namespace zelkam
