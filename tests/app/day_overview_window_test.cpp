#include "app/day_overview_window.h"

#include <filesystem>
#include <string>

#include <QApplication>
#include <QPushButton>
#include <QSlider>
#include <QTest>
#include <gtest/gtest.h>

#include "app/main_window.h"
#include "app/window_menu.h"
#include "tests/app/viewer_harness.h"
#include "tests/support/log_lines.h"
#include "tests/support/temp_folder.h"
#include "tests/support/time_zone.h"

namespace zelkam {
namespace {

using namespace zelkam::test;

// A de_dust morning with one remote-console command, then a cs_office day.
void writeLogs(const TempFolder& dir)
{
    dir.write("L0706000.log", LogText("07/06/2001")
                                  .at("10:00:00", mapStarted("de_dust"))
                                  .at("10:00:05", connected("Gordon", 2, "10.0.0.1:27005"))
                                  .at("10:00:07", joinedTeam("Gordon", 2, "TERRORIST"))
                                  .at("10:02:00", rconCommand("kick Barney", "10.0.0.1:27005"))
                                  .at("11:00:30", said("Gordon", 2, "TERRORIST", "bye"))
                                  .text());
    dir.write("L0707000.log", LogText("07/07/2001")
                                  .at("09:00:00", mapStarted("cs_office"))
                                  .at("09:00:05", connected("Eli", 4, "10.0.0.3:27005"))
                                  .text());
}

struct Viewer : ViewerHarness {
    Viewer() : ViewerHarness(writeLogs)
    {
        start();
        menu = new WindowMenu(*window, state, settingsStore);
    }

    OverviewPlot& plot() { return *menu->dayOverview()->plot(); }
    // Clicks the column where minute is drawn and returns the minute that
    // column stands for: where a pixel holds several minutes, its first.
    int clickMinute(int minute)
    {
        const int x = plot().painter().xOfMinute(minute, plot().width());
        QTest::mouseClick(&plot(), Qt::LeftButton, {}, QPoint(x, plot().height() / 2));
        return plot().painter().minuteAt(x, plot().width());
    }

    WindowMenu* menu = nullptr;
};

TEST(DayOverviewWindow, SeeksTheMainWindowAndFollowsItsDay)
{
    Viewer v;
    v.activate();
    QTest::keyClick(v.window.get(), Qt::Key_D, Qt::ControlModifier);
    DayOverviewWindow* overview = v.menu->dayOverview();
    ASSERT_NE(overview, nullptr);
    EXPECT_FALSE(overview->isModal());
    v.menu->openDayOverview();
    EXPECT_EQ(v.menu->dayOverview(), overview) << "one per program";

    EXPECT_EQ(overview->series().dayStart, localStamp(2001, 7, 6));
    ASSERT_EQ(overview->series().minutes.size(), 1440u);
    EXPECT_EQ(overview->series().minutes[600].maps, std::vector<std::string>{"de_dust"});
    EXPECT_EQ(overview->series().minutes[602].rcon, 1);

    // A click seeks paused, as the time bar does; the keys step from there.
    v.window->dispatchCommand(MainWindow::Play);
    const int clicked = v.clickMinute(630);
    EXPECT_NEAR(clicked, 630, 2);
    EXPECT_EQ(v.state.viewMinute(), clicked);
    EXPECT_EQ(v.state.speed(), 0);
    EXPECT_EQ(v.window->trackbar()->value(), clicked);
    EXPECT_EQ(v.plot().painter().cursorMinute(), clicked);
    // Every key steps the way it steps on the time bar.
    for (const Qt::Key key : {Qt::Key_Right, Qt::Key_Left, Qt::Key_Up, Qt::Key_Down, Qt::Key_PageUp, Qt::Key_PageDown}) {
        v.window->trackbarNotified(MainWindow::ThumbPosition, clicked);
        QTest::keyClick(v.window->trackbar(), key);
        const int onTheBar = v.state.viewMinute();
        v.window->trackbarNotified(MainWindow::ThumbPosition, clicked);
        QTest::keyClick(&v.plot(), key);
        EXPECT_EQ(v.state.viewMinute(), onTheBar) << QKeySequence(key).toString().toStdString();
        EXPECT_NE(onTheBar, clicked);
    }
    // A drag seeks as it goes.
    const int y = v.plot().height() / 2;
    const int to = v.plot().painter().xOfMinute(650, v.plot().width());
    QTest::mousePress(&v.plot(), Qt::LeftButton, {}, QPoint(v.plot().painter().xOfMinute(640, v.plot().width()), y));
    QMouseEvent move(QEvent::MouseMove, QPointF(to, y), v.plot().mapToGlobal(QPointF(to, y)), Qt::NoButton,
                     Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&v.plot(), &move);
    EXPECT_EQ(v.state.viewMinute(), v.plot().painter().minuteAt(to, v.plot().width()));
    EXPECT_NEAR(v.state.viewMinute(), 650, 2);

    // Another day in the main window: another plot.
    v.window->selectDay(1);
    v.waitForLoads();
    EXPECT_EQ(overview->series().dayStart, localStamp(2001, 7, 7));
    EXPECT_EQ(overview->series().minutes[540].maps, std::vector<std::string>{"cs_office"});
    EXPECT_TRUE(overview->windowTitle().endsWith(QStringLiteral("07/07/2001")));
}

TEST(DayOverviewWindow, SavesTheImageAtOnceAndTwiceItsSizeAndKeepsItsPlace)
{
    Viewer v;
    std::string folder;
    v.settingsStore.readLogFolder(folder); // makes the store, as a first run does
    v.menu->openDayOverview();
    DayOverviewWindow* overview = v.menu->dayOverview();
    overview->resize(700, 300);
    const QSize plotSize = overview->plot()->size();
    TempFolder out;
    const QString one = QString::fromStdString((out.path() / "one.png").string());
    const QString two = QString::fromStdString((out.path() / "two.png").string());
    ASSERT_TRUE(overview->saveImage(one, 1));
    ASSERT_TRUE(overview->saveImage(two, 2));
    EXPECT_EQ(QImage(one).size(), plotSize);
    EXPECT_EQ(QImage(two).size(), plotSize * 2);
    EXPECT_FALSE(overview->saveImage(QString::fromStdString((out.path() / "missing" / "x.png").string()), 1));

    // A name typed without a suffix is saved as a PNG file by that name.
    overview->askSavePath = [&](QWidget*) { return QString::fromStdString((out.path() / "typed").string()); };
    for (QPushButton* button : overview->findChildren<QPushButton*>()) {
        if (button->text() == QStringLiteral("Save Image..."))
            button->click();
    }
    EXPECT_EQ(QImage(QString::fromStdString((out.path() / "typed.png").string())).size(), plotSize);
    EXPECT_FALSE(std::filesystem::exists(out.path() / "typed"));

    overview->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(v.menu->dayOverview(), nullptr);
    v.menu->openDayOverview();
    EXPECT_EQ(v.menu->dayOverview()->size(), QSize(700, 300));
}

} // namespace
} // namespace zelkam
