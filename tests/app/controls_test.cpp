// The time label and the two painted controls on real widgets.

#include <QFontMetrics>
#include <QImage>
#include <QLineEdit>
#include <QWidget>
#include <gtest/gtest.h>

#include "app/chat_view_control.h"
#include "app/control_base.h"
#include "app/player_list_control.h"
#include "app/time_label_control.h"
#include "tests/support/time_zone.h"

namespace zelkam {
namespace {

TEST(TimeLabelControl, ShowsEightCharacterLocalTime)
{
    test::ScopedTimeZone zone("UTC0");
    QWidget window;
    TimeLabelControl label(16, 532, 64, 24, &window);
    const std::int32_t day = test::localStamp(2001, 7, 6);
    const struct {
        std::int32_t stamp;
        const char* text;
    } cases[] = {
        {day, "00:00:00"},
        {test::localStamp(2001, 7, 6, 13, 5, 9), "13:05:09"},
        {test::localStamp(2001, 7, 6, 23, 59, 59), "23:59:59"},
        // Played past the loaded day's midnight: the clock says so.
        {test::localStamp(2001, 7, 7, 0, 1, 0), "00:01:00 +1"},
        {test::localStamp(2001, 7, 8, 0, 0, 0), "00:00:00 +2"},
    };
    for (const auto& c : cases) {
        label.showTime(c.stamp, day);
        EXPECT_EQ(label.text(), QString::fromLatin1(c.text));
        auto* shown = window.findChild<QLineEdit*>();
        EXPECT_LE(QFontMetrics(shown->font()).horizontalAdvance(shown->text()), shown->width() - 4) << c.text;
    }
    auto* edit = window.findChild<QLineEdit*>();
    ASSERT_NE(edit, nullptr);
    EXPECT_TRUE(edit->isReadOnly());
    EXPECT_EQ(edit->alignment() & Qt::AlignHCenter, Qt::AlignHCenter);
    EXPECT_EQ(ControlBase::fromWindow(edit), &label);
}

bool near(QColor pixel, QColor expected)
{
    return std::abs(pixel.red() - expected.red()) < 24 && std::abs(pixel.green() - expected.green()) < 24 &&
           std::abs(pixel.blue() - expected.blue()) < 24;
}

// Whether some pixel of the rows [top, bottom) has (nearly) the colour.
bool rowsShow(const QImage& image, int top, int bottom, QColor color)
{
    for (int y = top; y < bottom; ++y)
        for (int x = 0; x < image.width(); ++x)
            if (near(image.pixelColor(x, y), color))
                return true;
    return false;
}

TEST(PlayerListControl, PaintsBandsAtTheirPlacesOnARealImage)
{
    QWidget window;
    window.resize(500, 580);
    PlayerListControl list(16, 56, 468, 332, &window);
    PlayerEntry terrorist;
    terrorist.name = "Gordon";
    terrorist.team = 0;
    terrorist.lifeState = 0;
    PlayerEntry counterTerrorist;
    counterTerrorist.name = "Barney";
    counterTerrorist.team = 1;
    list.add(&terrorist);
    list.add(&counterTerrorist);
    list.setScores(3, 4);
    list.sortAndRedraw();

    const QImage image = list.window()->grab().toImage();
    ASSERT_EQ(image.width(), 468);
    // Client coordinates start inside the 2-pixel border.
    const auto at = [&](int x, int y) { return image.pixelColor(2 + x, 2 + y); };
    EXPECT_EQ(at(5, 1), QColor(255, 64, 0));
    EXPECT_EQ(at(5, 22), QColor(255, 64, 0));
    EXPECT_EQ(at(5, 24), QColor(Qt::black));
    EXPECT_EQ(at(5, 167), QColor(0, 128, 255));
    EXPECT_EQ(at(5, 165), QColor(Qt::black));
    EXPECT_EQ(at(200, 250), QColor(Qt::black));
    // The "DEAD" box, dark red, at width - 60 on the first row.
    EXPECT_EQ(at(468 - 60, 30), QColor(160, 32, 0));
    // Names in white on the rows.
    EXPECT_TRUE(rowsShow(image, 2 + 28, 2 + 44, Qt::white));

    PlayerEntry spectator;
    spectator.name = "G-Man";
    spectator.team = 2;
    list.add(&spectator);
    list.sortAndRedraw();
    const QImage withSpectator = list.window()->grab().toImage();
    EXPECT_EQ(withSpectator.pixelColor(2 + 5, 2 + 5), QColor(64, 64, 64));
    EXPECT_EQ(withSpectator.pixelColor(2 + 5, 2 + 16 + 34 + 5), QColor(255, 64, 0));
}

TEST(PlayerListControl, ATwoDigitScoreEndsInsideItsBand)
{
    ASSERT_TRUE(createSharedFont());
    // The list at the window's design size, at 500 x 800 and at 900 x 900.
    for (const QSize list : {QSize(468, 332), QSize(468, 332 + 165), QSize(868, 332 + 240)}) {
        SCOPED_TRACE(list.width());
        QWidget window;
        window.resize(list.width() + 32, list.height() + 248);
        PlayerListControl control(16, 56, list.width(), list.height(), &window);
        control.setScores(88, 88);
        control.sortAndRedraw();
        const QImage image = control.window()->grab().toImage();
        // The Terrorists' band: the 24 rows at the top, inside the border.
        const int inner = image.width() - 2;
        bool drawn = false;
        for (int y = 2; y < 2 + 24; ++y) {
            for (int x = inner - 4; x < inner; ++x)
                EXPECT_NE(image.pixelColor(x, y), QColor(Qt::white)) << x << "," << y << ": the score runs to the edge";
            for (int x = inner - 120; x < inner - 4; ++x)
                drawn = drawn || image.pixelColor(x, y) == QColor(Qt::white);
        }
        EXPECT_TRUE(drawn) << "the score is drawn at the band's right";
    }
}

TEST(ChatViewControl, PaintsLinesInTheirColoursOnARealImage)
{
    QWidget window;
    window.resize(500, 580);
    ChatViewControl chat(16, 396, 468, 80, &window);
    chat.addLine(0, "Gordon : WWWWWWWW");
    chat.addLine(1, "Barney : WWWWWWWW");
    chat.addLine(2, "Gordon changed name to Freeman");
    chat.invalidate();
    const QImage image = chat.window()->grab().toImage();
    const int top = 2 + 6;
    EXPECT_TRUE(rowsShow(image, top, top + 12, QColor(255, 0, 0)));
    EXPECT_FALSE(rowsShow(image, top, top + 12, QColor(0, 128, 255)));
    EXPECT_TRUE(rowsShow(image, top + 12, top + 24, QColor(0, 128, 255)));
    EXPECT_TRUE(rowsShow(image, top + 24, top + 36, QColor(255, 128, 0)));
    EXPECT_FALSE(rowsShow(image, top + 36, 78, QColor(255, 128, 0)));

    chat.clear();
    chat.invalidate();
    const QImage empty = chat.window()->grab().toImage();
    EXPECT_FALSE(rowsShow(empty, 2, 78, QColor(255, 0, 0)));
}

} // namespace
} // namespace zelkam
