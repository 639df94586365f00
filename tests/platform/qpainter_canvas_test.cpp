#include "platform/qpainter_canvas.h"

#include "platform/log_text.h"

#include <QFontMetrics>
#include <QImage>
#include <gtest/gtest.h>

namespace zelkam {
namespace {

constexpr Rgb White{255, 255, 255};
constexpr Rgb Red{255, 0, 0};

// The rows [top, bottom) that hold at least one mostly lit pixel (glyph
// edges are anti-aliased).
std::pair<int, int> litRows(const QImage& image)
{
    int top = -1;
    int bottom = -1;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qGray(image.pixel(x, y)) > 160) {
                if (top < 0)
                    top = y;
                bottom = y + 1;
                break;
            }
    return {top, bottom};
}

TEST(QPainterCanvas, SizesFontsByCellHeight)
{
    for (int cell : {12, 15, 16}) {
        const QFontMetrics metrics(QPainterCanvas::fontFor(FontChoice{"Arial", cell, false}));
        EXPECT_LE(metrics.ascent() + metrics.descent(), cell) << cell;
        EXPECT_GE(metrics.ascent() + metrics.descent(), cell - 2) << cell;
    }
    EXPECT_TRUE(QPainterCanvas::fontFor(FontChoice{"Arial", 12, true}).underline());
}

TEST(QPainterCanvas, PlacesTextByTheTopLeftOfItsCell)
{
    QImage image(100, 60, QImage::Format_RGB32);
    image.fill(Qt::black);
    {
        QPainter painter(&image);
        QPainterCanvas canvas(painter);
        canvas.selectFont(FontChoice{"Arial", 16, false});
        canvas.setTextColor(White);
        canvas.setBackgroundMode(BackgroundMode::Transparent);
        canvas.drawText(10, 20, "HH");
    }
    const auto [top, bottom] = litRows(image);
    // Capitals start a little below the cell top (internal leading) and end
    // above its bottom (descent).
    EXPECT_GE(top, 20);
    EXPECT_LE(top, 24);
    EXPECT_LE(bottom, 36);
}

TEST(QPainterCanvas, OpaqueTextStandsOnABoxOfTheBackgroundColour)
{
    QImage image(100, 40, QImage::Format_RGB32);
    image.fill(Qt::black);
    {
        QPainter painter(&image);
        QPainterCanvas canvas(painter);
        canvas.selectFont(FontChoice{"Arial", 12, false});
        canvas.setTextColor(White);
        canvas.setBackgroundColor(Rgb{160, 32, 0});
        canvas.setBackgroundMode(BackgroundMode::Opaque);
        canvas.drawText(5, 10, "DEAD");
    }
    EXPECT_EQ(image.pixelColor(5, 10), QColor(160, 32, 0));
    EXPECT_EQ(image.pixelColor(5, 21), QColor(160, 32, 0));
    EXPECT_EQ(image.pixelColor(5, 22), QColor(Qt::black));
    EXPECT_EQ(image.pixelColor(4, 10), QColor(Qt::black));
}

TEST(QPainterCanvas, FillsRectanglesWithoutTheirRightAndBottomEdges)
{
    QImage image(20, 20, QImage::Format_RGB32);
    image.fill(Qt::black);
    {
        QPainter painter(&image);
        QPainterCanvas canvas(painter);
        canvas.fillRect(2, 3, 12, 7, Red);
        canvas.fillRect(5, 5, 5, 9, White); // empty: draws nothing
    }
    EXPECT_EQ(image.pixelColor(2, 3), QColor(Qt::red));
    EXPECT_EQ(image.pixelColor(11, 6), QColor(Qt::red));
    EXPECT_EQ(image.pixelColor(12, 6), QColor(Qt::black));
    EXPECT_EQ(image.pixelColor(11, 7), QColor(Qt::black));
    EXPECT_EQ(image.pixelColor(5, 8), QColor(Qt::black));
}

TEST(LogText, ShowsUtf8AsItIsAndOtherBytesAsWindows1252)
{
    EXPECT_EQ(logText("Fran\xe7ois"), QStringLiteral("Fran\u00e7ois"));
    EXPECT_EQ(logText("\xd0\x94\xd0\xbc"), QStringLiteral("\u0414\u043c"));
    EXPECT_EQ(logText("\x80 \x81"), QStringLiteral("\u20ac \ufffd"));
    EXPECT_EQ(logText(""), QString());
}

} // namespace
} // namespace zelkam
