#include "views/overview_painter.h"

#include <algorithm>
#include <cstdio>
#include <ctime>

#include "parse/time_stamp.h"
#include "views/display_text.h"
#include "views/player_list_painter.h"

namespace zelkam {
namespace {

constexpr int LeftMargin = 40;
constexpr int RightMargin = 12;
constexpr int TextHeight = 12;
constexpr int RconRowHeight = 10;
constexpr int BarRowHeight = 14;
constexpr int RowGap = 2;
constexpr int TickLength = 3;
// How close to a remote-console mark the mouse must be for its line to show.
constexpr int MarkReach = 3;
// More lines than this make a tooltip taller than the screen is useful.
constexpr std::size_t TooltipRconLines = 8;

// A run of equal columns, drawn as one rectangle: at one minute a pixel a
// day is 1,440 columns, but the values change far less often.
class RunFiller {
public:
    RunFiller(Canvas& canvas, Rgb color) : canvas_(canvas), color_(color) {}
    ~RunFiller() { flush(); }
    RunFiller(const RunFiller&) = delete;
    RunFiller& operator=(const RunFiller&) = delete;

    void column(int x, int top, int bottom)
    {
        if (top != top_ || bottom != bottom_ || x != right_) {
            flush();
            left_ = x;
            top_ = top;
            bottom_ = bottom;
        }
        right_ = x + 1;
    }

private:
    void flush()
    {
        if (right_ > left_ && bottom_ > top_)
            canvas_.fillRect(left_, top_, right_, bottom_, color_);
        left_ = right_ = 0;
        top_ = bottom_ = 0;
    }

    Canvas& canvas_;
    Rgb color_;
    int left_ = 0;
    int right_ = 0;
    int top_ = 0;
    int bottom_ = 0;
};

// The height of value on a row of height pixels whose top stands for full.
int scaled(std::int64_t value, int height, std::int64_t full)
{
    if (full <= 0 || value <= 0)
        return 0;
    return static_cast<int>((std::min(value, full) * height + full / 2) / full);
}

std::string number(std::int64_t value) { return std::to_string(value); }

} // namespace

std::string wallClockText(std::int32_t dayStart, std::int32_t minute)
{
    std::tm fields{};
    char text[8];
    if (toLocalTime(std::int64_t{dayStart} + 60 * std::int64_t{minute}, fields))
        std::snprintf(text, sizeof text, "%02d:%02d", fields.tm_hour, fields.tm_min);
    else
        std::snprintf(text, sizeof text, "%02d:%02d", minute / 60 % 100, minute % 60);
    return text;
}

std::int32_t OverviewPainter::minuteCount() const
{
    return series_ ? static_cast<std::int32_t>(series_->minutes.size()) : 0;
}

OverviewLayout OverviewPainter::layout(int width, int height) const
{
    OverviewLayout l;
    l.plotLeft = LeftMargin;
    l.plotRight = std::max(l.plotLeft + 1, width - RightMargin);
    l.mapLabelTop = 4;
    l.rconTop = l.mapLabelTop + TextHeight + RowGap;
    l.rconBottom = l.rconTop + RconRowHeight;
    l.hourLabelTop = height - TextHeight - 4;
    l.chatBottom = l.hourLabelTop - TickLength - 1;
    l.chatTop = l.chatBottom - BarRowHeight;
    l.killsBottom = l.chatTop - RowGap;
    l.killsTop = l.killsBottom - BarRowHeight;
    l.areaTop = l.rconBottom + RowGap;
    l.areaBottom = std::max(l.areaTop + 1, l.killsTop - 2 * RowGap);
    return l;
}

int OverviewPainter::xOfMinute(std::int32_t minute, int width) const
{
    const OverviewLayout l = layout(width, MinimumHeight);
    const std::int64_t count = std::max(1, minuteCount());
    const std::int64_t plot = l.plotRight - l.plotLeft;
    const std::int64_t m = std::clamp<std::int64_t>(minute, 0, count);
    // Rounded up, so that minuteAt(xOfMinute(m)) is m itself.
    return l.plotLeft + static_cast<int>((m * plot + count - 1) / count);
}

std::int32_t OverviewPainter::minuteAt(int x, int width) const
{
    const std::int32_t count = minuteCount();
    if (count == 0)
        return 0;
    const OverviewLayout l = layout(width, MinimumHeight);
    const std::int64_t plot = l.plotRight - l.plotLeft;
    const std::int64_t minute = (std::int64_t{x} - l.plotLeft) * count / plot;
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(minute, 0, count - 1));
}

std::vector<const OverviewRcon*> OverviewPainter::rconsNear(int x, int width) const
{
    std::vector<const OverviewRcon*> near;
    if (!series_)
        return near;
    for (const OverviewRcon& rcon : series_->rcons) {
        const int left = xOfMinute(rcon.minute, width);
        const int right = std::max(left + 1, xOfMinute(rcon.minute + 1, width));
        if (x >= left - MarkReach && x < right + MarkReach)
            near.push_back(&rcon);
    }
    return near;
}

std::string OverviewPainter::tooltip(std::int32_t minute, const std::vector<const OverviewRcon*>& rcons) const
{
    if (!series_ || minute < 0 || minute >= minuteCount())
        return {};
    const OverviewMinute& m = series_->minutes[static_cast<std::size_t>(minute)];
    std::string text = wallClockText(series_->dayStart, minute) + " (minute " + number(minute) + ")\n";
    text += "Terrorists " + number(m.terrorists) + ", Counter-Terrorists " + number(m.cts) + ", Spectators "
        + number(m.spectators) + "\n";
    text += "Kills " + number(m.kills) + ", suicides " + number(m.suicides) + ", chat " + number(m.chat) + "\n";
    text += "Rcon " + number(m.rcon) + ", failed rcon " + number(m.badRcon);
    // Appended piece by piece, without temporary strings.
    for (const std::string& map : m.maps) {
        text += "\nMap started: ";
        text += terminalText(map);
    }
    for (std::size_t i = 0; i < rcons.size() && i < TooltipRconLines; ++i) {
        text += '\n';
        text += wallClockText(series_->dayStart, rcons[i]->minute);
        text += ' ';
        text += terminalText(rcons[i]->line);
    }
    if (rcons.size() > TooltipRconLines) {
        text += "\n... and ";
        text += number(static_cast<std::int64_t>(rcons.size() - TooltipRconLines));
        text += " more";
    }
    return text;
}

void OverviewPainter::paint(Canvas& canvas, int width, int height) const
{
    const OverviewLayout l = layout(width, height);
    canvas.fillRect(0, 0, width, height, OverviewBackground);
    canvas.selectFont(OverviewFont);
    canvas.setTextColor(OverviewTextColor);
    canvas.setBackgroundMode(BackgroundMode::Transparent);
    canvas.drawText(4, l.killsTop + 1, "kills");
    canvas.drawText(4, l.chatTop + 1, "chat");

    const std::int32_t count = minuteCount();
    if (count == 0)
        return;
    const DayOverview& series = *series_;

    // Hour lines behind everything, ticks and labels below the rows. The
    // labels skip hours as the plot narrows, so that they never touch.
    const int hours = count / 60;
    const int labelWidth = canvas.textWidth(OverviewFont, "00:00") + 6;
    const int hourWidth = std::max(1, xOfMinute(60, width) - xOfMinute(0, width));
    int step = 1;
    for (int candidate : {1, 2, 3, 4, 6, 12, 24}) {
        step = candidate;
        if (candidate * hourWidth >= labelWidth)
            break;
    }
    for (int hour = 0; hour <= hours; ++hour) {
        const int x = std::min(xOfMinute(hour * 60, width), l.plotRight - 1);
        canvas.fillRect(x, l.areaTop, x + 1, l.areaBottom, OverviewGridColor);
        canvas.fillRect(x, l.chatBottom, x + 1, l.chatBottom + TickLength, OverviewTickColor);
        if (hour % step != 0)
            continue;
        // The last boundary is the next midnight, which a clock shows as 00:00.
        const std::string label = hour == hours ? std::string("24:00") : wallClockText(series.dayStart, hour * 60);
        const int w = canvas.textWidth(OverviewFont, label);
        canvas.drawText(std::clamp(x - w / 2, 0, std::max(0, width - w)), l.hourLabelTop, label);
    }

    // Per pixel column, the busiest minute it covers: the most players, the
    // most kills, the most chat. Heights never depend on the plot's width.
    const std::int32_t peak = std::max(1, series.peakPlayers());
    std::int32_t maxKills = 0;
    std::int32_t maxChat = 0;
    for (const OverviewMinute& m : series.minutes) {
        maxKills = std::max(maxKills, m.kills);
        maxChat = std::max(maxChat, m.chat);
    }
    {
        RunFiller terrorists(canvas, TerroristBandColor);
        RunFiller cts(canvas, CounterTerroristBandColor);
        RunFiller spectators(canvas, SpectatorBandColor);
        RunFiller kills(canvas, OverviewKillColor);
        RunFiller chat(canvas, OverviewChatColor);
        const int areaHeight = l.areaBottom - l.areaTop;
        const std::int64_t plot = l.plotRight - l.plotLeft;
        // The first minute of column x (of the plot's right edge: count).
        const auto firstMinute = [&](int x) {
            return static_cast<std::int32_t>((std::int64_t{x} - l.plotLeft) * count / plot);
        };
        for (int x = l.plotLeft; x < l.plotRight; ++x) {
            const std::int32_t minute = firstMinute(x);
            const std::int32_t end = std::min(count, std::max(minute + 1, firstMinute(x + 1)));
            const OverviewMinute* busiest = &series.minutes[static_cast<std::size_t>(minute)];
            std::int32_t columnKills = 0;
            std::int32_t columnChat = 0;
            for (std::int32_t m = minute; m < end && m < count; ++m) {
                const OverviewMinute& here = series.minutes[static_cast<std::size_t>(m)];
                if (here.players() > busiest->players())
                    busiest = &here;
                columnKills = std::max(columnKills, here.kills);
                columnChat = std::max(columnChat, here.chat);
            }
            const int tTop = l.areaBottom - scaled(busiest->terrorists, areaHeight, peak);
            const int ctTop = l.areaBottom - scaled(busiest->terrorists + busiest->cts, areaHeight, peak);
            const int allTop = l.areaBottom - scaled(busiest->players(), areaHeight, peak);
            terrorists.column(x, tTop, l.areaBottom);
            cts.column(x, ctTop, tTop);
            spectators.column(x, allTop, ctTop);
            kills.column(x, l.killsBottom - scaled(columnKills, BarRowHeight, maxKills), l.killsBottom);
            chat.column(x, l.chatBottom - scaled(columnChat, BarRowHeight, maxChat), l.chatBottom);
        }
    }
    canvas.drawText(4, l.areaTop, number(peak));
    canvas.drawText(4, l.areaBottom - TextHeight, "0");

    // Map starts: a line each; a name where it fits without touching the
    // one before or running off the plot's right edge.
    int labelsEnd = l.plotLeft - 1;
    for (std::int32_t m = 0; m < count; ++m) {
        const OverviewMinute& here = series.minutes[static_cast<std::size_t>(m)];
        if (here.maps.empty())
            continue;
        const int x = xOfMinute(m, width);
        canvas.fillRect(x, l.rconTop, x + 1, l.chatBottom, OverviewMapLineColor);
        const std::string& name = here.maps.back();
        const int w = canvas.textWidth(OverviewFont, name);
        const int left = std::min(x + 2, l.plotRight - w);
        if (left > labelsEnd && left >= l.plotLeft) {
            canvas.drawText(left, l.mapLabelTop, name);
            labelsEnd = left + w + 4;
        }
    }

    // Remote-console commands above the area: a full-height bar for a
    // command, a small square for a failed attempt.
    for (const OverviewRcon& rcon : series.rcons) {
        const int left = xOfMinute(rcon.minute, width);
        const int centre = (left + std::max(left + 1, xOfMinute(rcon.minute + 1, width))) / 2;
        if (rcon.failed)
            canvas.fillRect(centre - 2, l.rconTop + 3, centre + 2, l.rconBottom - 3, OverviewBadRconColor);
        else
            canvas.fillRect(centre - 1, l.rconTop, centre + 1, l.rconBottom, OverviewRconColor);
    }

    // The replayed minute; playback past midnight keeps it at the right edge.
    const int cursor = std::min(xOfMinute(cursorMinute_, width), l.plotRight - 1);
    canvas.fillRect(cursor, l.rconTop, cursor + 1, l.chatBottom, OverviewCursorColor);
}

} // namespace zelkam
