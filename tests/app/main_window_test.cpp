#include "app/main_window.h"

#include <filesystem>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QStyle>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include "app/chat_view_control.h"
#include "app/control_base.h"
#include "app/date_selector_control.h"
#include "app/find_dialog.h"
#include "app/player_list_control.h"
#include "app/time_label_control.h"
#include "app/viewer_main.h"
#include "app/day_overview_window.h"
#include "app/window_menu.h"
#include "platform/settings_store.h"
#include "platform/single_instance.h"
#include "replay/viewer_state.h"
#include "tests/app/fakes.h"
#include "tests/app/viewer_harness.h"
#include "tests/support/temp_folder.h"
#include "tests/support/time_zone.h"

namespace zelkam {
namespace {

using test::lineAt;
using test::TempFolder;

// Two days of a small server: a map, two players, chat and two
// remote-console commands on the first; another map on the second.
void writeLogs(const TempFolder& dir)
{
    const char* day1 = "07/06/2001";
    std::string first = lineAt(day1, "10:00:00", "Started map \"de_dust\"");
    first += lineAt(day1, "10:00:05", "\"Gordon<2><111><>\" connected, address \"10.0.0.1:27005\"");
    first += lineAt(day1, "10:00:06", "\"Gordon<2><111><>\" entered the game");
    first += lineAt(day1, "10:00:07", "\"Gordon<2><111><>\" joined team \"TERRORIST\"");
    first += lineAt(day1, "10:00:10", "\"Barney<3><222><>\" connected, address \"10.0.0.2:27005\"");
    first += lineAt(day1, "10:00:11", "\"Barney<3><222><>\" entered the game");
    first += lineAt(day1, "10:00:12", "\"Barney<3><222><>\" joined team \"CT\"");
    first += lineAt(day1, "10:01:00", "\"Gordon<2><111><TERRORIST>\" say \"hello there\"");
    first += lineAt(day1, "10:02:00", "Rcon: \"rcon 1234 secret kick Barney\" from \"10.0.0.1:27005\"");
    first += lineAt(day1, "10:03:00", "\"Barney<3><222><CT>\" say \"Bomb planted\"");
    first += lineAt(day1, "11:00:00", "Rcon: \"rcon 1234 secret changelevel de_aztec\" from \"10.0.0.1:27005\"");
    first += lineAt(day1, "11:00:30", "\"Barney<3><222><CT>\" say \"bye\"");
    dir.write("L0706000.log", first);
    const char* day2 = "07/07/2001";
    std::string second = lineAt(day2, "09:00:00", "Started map \"cs_office\"");
    second += lineAt(day2, "09:00:05", "\"Eli<4><333><>\" connected, address \"10.0.0.3:27005\"");
    dir.write("L0707000.log", second);
}

using Scope = test::SettingsScope;

struct Viewer : test::ViewerHarness {
    Viewer() : ViewerHarness(writeLogs) {}
};

TEST(MainWindow, HasTheFixedLayout)
{
    Viewer v;
    v.start();
    MainWindow& w = *v.window;
    EXPECT_EQ(w.objectName(), QStringLiteral("ZELKAMWINDOW"));
    EXPECT_TRUE(w.windowTitle().startsWith(QStringLiteral("Zelkam v1.8 \u2014 "))) << "the program first";
    EXPECT_EQ(w.size(), QSize(500, 580));
    EXPECT_EQ(w.minimumSize(), QSize(500, 580));
    EXPECT_FALSE(w.windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_EQ(w.timer().interval(), 1000);

    EXPECT_EQ(std::tuple(w.trackbar()->maximum(), w.trackbar()->tickInterval(), w.trackbar()->pageStep(),
                         w.trackbar()->singleStep()), std::tuple(1440, 30, 15, 1));
    auto* caption = w.findChild<QLabel*>(QStringLiteral("dateCaption"));
    EXPECT_EQ(caption->text(), QStringLiteral("Date"));
    std::vector<std::pair<QString, QWidget*>> children = {
        {"list", w.playerList()->window()}, {"chat", w.chatView()->window()}, {"clock", w.timeLabel()->window()},
        {"time bar", w.trackbar()},          {"date", w.dateSelector()->window()}, {"map", w.mapLabel()},
        {"caption", caption},
    };
    const char* texts[] = {"<<", "||", ">", ">>", ">>>", "Find...", "RScan", "About", ""};
    int text = 0;
    for (MainWindow::Command id : {MainWindow::Rewind, MainWindow::Pause, MainWindow::Play, MainWindow::Fast,
                                   MainWindow::Fastest, MainWindow::OpenFind, MainWindow::RconScan,
                                   MainWindow::OpenAbout, MainWindow::ChangeFolder}) {
        QPushButton* button = w.button(id);
        ASSERT_NE(button, nullptr) << id;
        EXPECT_EQ(button->text(), QString::fromLatin1(texts[text++])) << id;
        children.emplace_back(QStringLiteral("button %1").arg(id), button);
        // Every label is whole inside its frame, in the shared font's height.
        const int frame = button->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, button);
        EXPECT_LE(QFontMetrics(button->font()).horizontalAdvance(button->text()), button->width() - 2 * frame) << id;
        EXPECT_EQ(button->font().pixelSize(), sharedFont().pixelSize()) << id;
    }
    // Nothing overlaps or leaves the client area; the list, the chat, the
    // time bar and the right-hand buttons end one margin from the right edge.
    for (std::size_t i = 0; i < children.size(); ++i) {
        const QRect r = children[i].second->geometry();
        EXPECT_TRUE(w.rect().contains(r)) << children[i].first.toStdString();
        for (std::size_t j = i + 1; j < children.size(); ++j)
            EXPECT_FALSE(r.intersects(children[j].second->geometry()))
                << children[i].first.toStdString() << " over " << children[j].first.toStdString();
    }
    for (QWidget* right : {w.playerList()->window(), w.chatView()->window(), static_cast<QWidget*>(w.trackbar()),
                           static_cast<QWidget*>(w.button(MainWindow::OpenAbout)),
                           static_cast<QWidget*>(w.button(MainWindow::ChangeFolder))})
        EXPECT_EQ(w.width() - right->geometry().right() - 1, 16) << right->objectName().toStdString();
    EXPECT_FALSE(w.button(MainWindow::ChangeFolder)->icon().isNull());
}

TEST(MainWindow, StartsOnTheEarliestDayPausedAtItsFirstEvent)
{
    Viewer v;
    v.start();
    QComboBox* dates = v.window->dateSelector()->comboBox();
    ASSERT_EQ(dates->count(), 2);
    EXPECT_EQ(dates->itemText(0), QStringLiteral("06/07/2001"));
    EXPECT_EQ(dates->itemText(1), QStringLiteral("07/07/2001"));
    // Paused before the first event: its map start is not applied yet.
    EXPECT_EQ(v.map(), QString());
    EXPECT_EQ(v.time(), QStringLiteral("10:00:00"));
    EXPECT_EQ(v.dateText(), QStringLiteral("06/07/2001"));
    EXPECT_EQ(v.window->trackbar()->value(), 600);
    v.ticks(3);
    EXPECT_EQ(v.time(), QStringLiteral("10:00:00"));
    EXPECT_TRUE(v.messages.shown.empty());
    v.click(MainWindow::Play);
    v.ticks(1);
    EXPECT_EQ(v.map(), QStringLiteral("de_dust"));
}

// A player types an address into chat, an admin bans one by address: with
// Hide Addresses on the chat pane shows their pseudonyms, as every window
// does, and the addresses again once it is off.
TEST(MainWindow, ChatPaneHidesTypedAddresses)
{
    test::ViewerHarness v([](const TempFolder& dir) {
        const char* day = "07/06/2001";
        std::string log = lineAt(day, "10:00:00", "Started map \"de_dust\"");
        log += lineAt(day, "10:00:01", "\"Gordon<2><111><TERRORIST>\" say \"join me at 192.0.2.7:27015\"");
        log += lineAt(day, "10:00:02", "Rcon: \"rcon 1234 secret addip 60 198.51.100.9\" from \"10.0.0.1:27005\"");
        dir.write("L0706000.log", log);
    });
    const test::ScopedEnvironmentVariable config("XDG_CONFIG_HOME", v.logs.string() + "-settings");
    v.start();
    v.click(MainWindow::Play);
    v.ticks(3);
    const ChatViewPainter& chat = v.window->chatView()->painter();
    ASSERT_EQ(chat.lineCount(), 2u);
    const auto shown = [&] { return chat.lineText(0) + "\n" + chat.lineText(1); };
    for (const char* address : {"192.0.2.7", "198.51.100.9"})
        EXPECT_NE(shown().find(address), std::string::npos) << shown();

    ASSERT_TRUE(v.window->setAddressesHidden(true));
    ASSERT_EQ(chat.lineCount(), 2u);
    for (const char* address : {"192.0.2", "198.51.100"})
        EXPECT_EQ(shown().find(address), std::string::npos) << shown();
    EXPECT_NE(chat.lineText(0).find("join me at addr-"), std::string::npos) << shown();
    EXPECT_NE(chat.lineText(1).find("addip 60 addr-"), std::string::npos) << shown();

    ASSERT_TRUE(v.window->setAddressesHidden(false));
    EXPECT_NE(shown().find("192.0.2.7:27015"), std::string::npos) << shown();
    std::error_code ignored;
    std::filesystem::remove_all(v.logs.string() + "-settings", ignored);
}

TEST(MainWindow, PlaybackButtonsDriveTheClock)
{
    Viewer v;
    v.start();
    v.click(MainWindow::Play);
    v.ticks(13);
    EXPECT_EQ(v.time(), QStringLiteral("10:00:13"));
    EXPECT_EQ(v.window->playerList()->painter().terroristCount(), 1u);
    EXPECT_EQ(v.window->playerList()->painter().counterTerroristCount(), 1u);

    v.click(MainWindow::Fastest);
    v.ticks(1);
    EXPECT_EQ(v.time(), QStringLiteral("10:01:13"));
    EXPECT_EQ(v.window->chatView()->painter().lineCount(), 1u);
    EXPECT_EQ(v.window->trackbar()->value(), 601);
    // Five seconds a tick; the line has gone 15 seconds after its time.
    v.click(MainWindow::Fast);
    v.ticks(2);
    EXPECT_EQ(v.time(), QStringLiteral("10:01:23"));
    EXPECT_EQ(v.window->chatView()->painter().lineCount(), 0u);

    v.click(MainWindow::Pause);
    v.ticks(5);
    EXPECT_EQ(v.time(), QStringLiteral("10:01:23"));

    v.click(MainWindow::Rewind);
    v.ticks(1);
    EXPECT_LT(v.time(), QStringLiteral("10:01:23"));
    // Commands alone refresh nothing; the next tick shows them.
    const QString before = v.time();
    v.click(MainWindow::Play);
    EXPECT_EQ(v.time(), before);
}

TEST(MainWindow, TrackbarStepsSeekAndADragPausesWithTheClockOnTheThumb)
{
    Viewer v;
    v.start();
    QSlider* bar = v.window->trackbar();

    bar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    EXPECT_EQ(v.time(), QStringLiteral("10:01:00"));
    bar->triggerAction(QAbstractSlider::SliderPageStepAdd);
    EXPECT_EQ(v.time(), QStringLiteral("10:16:00"));
    bar->triggerAction(QAbstractSlider::SliderPageStepSub);
    bar->triggerAction(QAbstractSlider::SliderSingleStepSub);
    EXPECT_EQ(v.time(), QStringLiteral("10:00:00"));
    EXPECT_EQ(bar->value(), 600);

    // A drag pauses at the first movement, and the clock reads where the
    // thumb stands as it goes.
    v.click(MainWindow::Play);
    v.ticks(2);
    bar->setSliderDown(true);
    bar->setSliderPosition(650);
    bar->triggerAction(QAbstractSlider::SliderMove);
    EXPECT_EQ(v.time(), QStringLiteral("10:50:00"));
    bar->setSliderPosition(655);
    bar->triggerAction(QAbstractSlider::SliderMove);
    EXPECT_EQ(v.time(), QStringLiteral("10:55:00"));
    v.ticks(3);
    EXPECT_EQ(v.time(), QStringLiteral("10:55:00")) << "paused";
    EXPECT_EQ(bar->sliderPosition(), 655);
    bar->setSliderDown(false);
    EXPECT_EQ(v.time(), QStringLiteral("10:55:00"));
    EXPECT_EQ(bar->value(), 655);

    // Home and End move the clock with the thumb: the thumb stays there.
    v.activate();
    bar->setFocus();
    // The day's logs end at 11:00:30 and start at 10:00.
    QTest::keyClick(bar, Qt::Key_End);
    v.window->refreshViews();
    EXPECT_GE(v.time(), QStringLiteral("11:00:00"));
    EXPECT_EQ(bar->value(), 660);
    QTest::keyClick(bar, Qt::Key_Home);
    v.window->refreshViews();
    EXPECT_EQ(v.time(), QStringLiteral("10:00:00"));
    EXPECT_EQ(bar->value(), 600);
}

// A first day whose file runs past midnight, and two more days.
void writeMidnightLogs(const TempFolder& dir)
{
    std::string first = lineAt("07/06/2001", "23:58:00", "Started map \"de_dust\"");
    first += lineAt("07/06/2001", "23:59:30", "\"Gordon<2><111><>\" connected, address \"10.0.0.1:27005\"");
    first += lineAt("07/07/2001", "00:01:00", "\"Gordon<2><111><>\" entered the game");
    dir.write("L0706000.log", first);
    dir.write("L0707000.log", lineAt("07/07/2001", "09:00:00", "Started map \"cs_office\""));
    dir.write("L0708000.log", lineAt("07/08/2001", "09:00:00", "Started map \"de_nuke\""));
}

TEST(MainWindow, PlayPastMidnightKeepsNamingTheLoadedDayAndCountsTheNextFromIt)
{
    test::ViewerHarness v(writeMidnightLogs);
    v.start();
    ASSERT_EQ(v.dateText(), QStringLiteral("06/07/2001"));
    // The thumb dropped at the bar's very end stands on the day's last
    // minute, as End does, not on the next midnight.
    QSlider* bar = v.window->trackbar();
    for (const bool dragged : {true, false}) {
        bar->setSliderDown(true);
        bar->setSliderPosition(bar->maximum());
        if (dragged)
            bar->triggerAction(QAbstractSlider::SliderMove);
        bar->setSliderDown(false);
        EXPECT_EQ(v.time(), QStringLiteral("23:59:00")) << dragged;
        EXPECT_EQ(v.dateText(), QStringLiteral("06/07/2001")) << dragged;
    }

    v.click(MainWindow::Fastest);
    v.ticks(5);
    // Play runs on to one second past the last loaded line.
    EXPECT_EQ(v.time(), QStringLiteral("00:01:01 +1")) << "the clock says it is past the day's midnight";
    EXPECT_EQ(v.dateText(), QStringLiteral("06/07/2001")) << "the date box names the loaded day";
    v.activate();
    v.key(Qt::Key_Right, Qt::ControlModifier);
    EXPECT_EQ(v.dateText(), QStringLiteral("07/07/2001")) << "the next day of the loaded one, not of the clock";
    EXPECT_EQ(v.time(), QStringLiteral("00:01:00")) << "the day begins with its first event, from the day before's file";
}

TEST(MainWindow, TheWindowsKeysWorkWhileTheDateHasTheFocus)
{
    Viewer v;
    v.start();
    v.activate();
    QLineEdit* field = v.window->dateSelector()->editField();
    v.window->dateSelector()->comboBox()->setFocus();
    ASSERT_TRUE(QTest::qWaitFor([&] { return QApplication::focusWidget() != nullptr; }, 2000));
    QWidget* focus = QApplication::focusWidget();
    ASSERT_TRUE(focus == field || focus == v.window->dateSelector()->comboBox());

    QTest::keyClick(focus, Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(field->selectedText(), QStringLiteral("06/07/2001"));

    QTest::keyClick(focus, Qt::Key_Right, Qt::ControlModifier);
    v.waitForLoads();
    EXPECT_EQ(v.dateText(), QStringLiteral("07/07/2001"));
    EXPECT_EQ(v.time(), QStringLiteral("09:00:00"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Left, Qt::ControlModifier);
    v.waitForLoads();
    EXPECT_EQ(v.dateText(), QStringLiteral("06/07/2001"));

    // Space plays and pauses there too.
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
    EXPECT_NE(v.state.speed(), 0);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
    EXPECT_EQ(v.state.speed(), 0);
}

TEST(MainWindow, ChoosingOrTypingADateLoadsThatDay)
{
    Viewer v;
    v.start();
    DateSelectorControl* dates = v.window->dateSelector();
    dates->comboBox()->setCurrentIndex(1);
    emit dates->comboBox()->activated(1);
    v.waitForLoads();
    EXPECT_EQ(v.dateText(), QStringLiteral("07/07/2001"));
    EXPECT_EQ(v.time(), QStringLiteral("09:00:00"));
    EXPECT_EQ(dates->comboBox()->count(), 2);

    v.window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(v.window.get()));
    dates->editField()->setFocus();
    dates->editField()->clear();
    QTest::keyClicks(dates->editField(), QStringLiteral("06/07/2001"));
    QTest::keyClick(dates->editField(), Qt::Key_Return);
    QCoreApplication::processEvents();
    v.waitForLoads();
    EXPECT_EQ(v.time(), QStringLiteral("10:00:00"));
    EXPECT_EQ(v.dateText(), QStringLiteral("06/07/2001"));

    // A date not in the list loads nothing, and says so.
    dates->editField()->setFocus();
    dates->editField()->clear();
    QTest::keyClicks(dates->editField(), QStringLiteral("31/02/2001"));
    QTest::keyClick(dates->editField(), Qt::Key_Return);
    QCoreApplication::processEvents();
    EXPECT_EQ(v.time(), QStringLiteral("10:00:00"));
    EXPECT_EQ(v.dateText(), QStringLiteral("06/07/2001"));
    EXPECT_EQ(dates->comboBox()->itemText(dates->comboBox()->currentIndex()), QStringLiteral("06/07/2001"));
    EXPECT_TRUE(dates->comboBox()->toolTip().contains(QStringLiteral("31/02/2001")))
        << dates->comboBox()->toolTip().toStdString();
    // A day of the list clears the note.
    dates->editField()->setFocus();
    dates->editField()->clear();
    QTest::keyClicks(dates->editField(), QStringLiteral("07/07/2001"));
    QTest::keyClick(dates->editField(), Qt::Key_Return);
    QCoreApplication::processEvents();
    v.waitForLoads();
    EXPECT_EQ(v.dateText(), QStringLiteral("07/07/2001"));
    EXPECT_TRUE(dates->comboBox()->toolTip().isEmpty());
}

TEST(MainWindow, FindShowsHitsReportsMissesAndReopensAsLeft)
{
    Viewer v;
    v.start();
    v.click(MainWindow::OpenFind);
    FindDialog* find = v.window->findDialog();
    ASSERT_NE(find, nullptr);
    auto* text = find->findChild<QLineEdit*>(QStringLiteral("patternEdit"));
    auto* next = find->findChild<QPushButton*>(QStringLiteral("findNextButton"));
    QTest::mouseClick(find->findChild<QRadioButton*>(QStringLiteral("chatKindButton")), Qt::LeftButton);
    text->setText(QStringLiteral("BOMB"));
    QTest::mouseClick(next, Qt::LeftButton);
    // Paused just after the hit: at the next event's time.
    EXPECT_EQ(v.time(), QStringLiteral("11:00:00"));
    EXPECT_TRUE(v.messages.shown.empty());

    // Case matters once "Match case" is on: no further hit, and a message
    // over the dialog.
    find->findChild<QCheckBox*>(QStringLiteral("matchCaseBox"))->setChecked(true);
    QTest::mouseClick(next, Qt::LeftButton);
    ASSERT_EQ(v.messages.shown.size(), 1u);
    EXPECT_EQ(v.messages.shown[0].caption, QStringLiteral("Find"));
    EXPECT_EQ(v.messages.shown[0].text, QStringLiteral("    Can't find it        "));
    EXPECT_EQ(v.messages.shown[0].icon, MessageIcon::Error);
    EXPECT_EQ(v.messages.shown[0].owner, find);
    EXPECT_EQ(v.time(), QStringLiteral("11:00:00"));

    // "Find..." again brings the open dialog forward instead of a second one.
    v.click(MainWindow::OpenFind);
    EXPECT_EQ(v.window->findDialog(), find);

    find->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(v.window->findDialog(), nullptr);
    v.click(MainWindow::OpenFind);
    FindDialog* again = v.window->findDialog();
    ASSERT_NE(again, nullptr);
    // It keeps the last search's text, kind and case, so a Find Next there
    // searches the chat again.
    EXPECT_EQ(again->findChild<QLineEdit*>(QStringLiteral("patternEdit"))->text(), QStringLiteral("BOMB"));
    EXPECT_TRUE(again->findChild<QRadioButton*>(QStringLiteral("chatKindButton"))->isChecked());
    EXPECT_TRUE(again->findChild<QCheckBox*>(QStringLiteral("matchCaseBox"))->isChecked());
    v.window->trackbarNotified(MainWindow::ThumbPosition, 600);
    again->findChild<QLineEdit*>(QStringLiteral("patternEdit"))->setText(QStringLiteral("Bomb"));
    QTest::mouseClick(again->findChild<QPushButton*>(QStringLiteral("findNextButton")), Qt::LeftButton);
    EXPECT_EQ(v.messages.shown.size(), 1u) << "the chat line \"Bomb planted\" is found";
    EXPECT_EQ(v.time(), QStringLiteral("11:00:00"));
}

TEST(MainWindow, RScanJumpsToEachRconCommandAndStaysOnAMiss)
{
    Viewer v;
    v.start();
    // Each hit leaves the clock at the event after it.
    v.click(MainWindow::RconScan);
    EXPECT_EQ(v.time(), QStringLiteral("10:03:00"));
    v.click(MainWindow::RconScan);
    EXPECT_EQ(v.time(), QStringLiteral("11:00:30"));
    v.click(MainWindow::RconScan);
    EXPECT_EQ(v.time(), QStringLiteral("11:00:30"));
    EXPECT_TRUE(v.messages.shown.empty());
}

TEST(MainWindow, PlaybackGoesOnUnderTheModalAboutBox)
{
    Viewer v;
    v.start();
    v.click(MainWindow::Play);
    v.window->timer().setInterval(20);
    v.window->timer().start();
    QTimer::singleShot(400, [] {
        for (QWidget* top : QApplication::topLevelWidgets())
            if (top->windowTitle() == QStringLiteral("About") && top->isVisible())
                top->findChild<QPushButton*>(QStringLiteral("okButton"))->click();
    });
    v.click(MainWindow::OpenAbout);
    // The box is modal to the main window only and runs no loop of its own:
    // the click returns at once and the program runs on until OK.
    EXPECT_TRUE(QTest::qWaitFor(
        [] {
            for (QWidget* top : QApplication::topLevelWidgets())
                if (top->windowTitle() == QStringLiteral("About") && top->isVisible())
                    return false;
            return true;
        },
        5000));
    v.window->timer().stop();
    EXPECT_GT(v.time(), QStringLiteral("10:00:05"));
}

TEST(MainWindow, FolderButtonLoadsAnotherFolderWithoutStoringIt)
{
    Viewer v;
    std::string stored;
    SettingsStore().readLogFolder(stored); // first run: "."
    v.start();
    TempFolder other;
    other.write("L0812000.log", lineAt("08/12/2001", "20:00:00", "Started map \"de_nuke\""));

    v.browser.answers = {""};
    v.click(MainWindow::ChangeFolder);
    EXPECT_EQ(v.window->dateSelector()->comboBox()->count(), 2);

    v.browser.answers = {other.string()};
    v.click(MainWindow::ChangeFolder);
    // Each browse starts in the folder shown, not where the program started.
    EXPECT_EQ(v.browser.startedIn, (std::vector<std::string>{v.logs.string(), v.logs.string()}));
    EXPECT_EQ(v.time(), QStringLiteral("20:00:00"));
    ASSERT_EQ(v.window->dateSelector()->comboBox()->count(), 1);
    EXPECT_EQ(v.window->dateSelector()->comboBox()->itemText(0), QStringLiteral("12/08/2001"));
    EXPECT_EQ(v.stored().toString(), QStringLiteral("."));
}

TEST(MainWindow, AFolderWithoutLogsCancelledLeavesASafeEmptyView)
{
    Viewer v;
    v.start();
    const QString logsName = QString::fromStdString(v.logs.path().filename().string());
    EXPECT_EQ(v.window->windowTitle(), QStringLiteral("Zelkam v1.8 \u2014 ") + logsName + QStringLiteral(" \u2014 06/07/2001"));
    auto* menu = new WindowMenu(*v.window, v.state, v.settingsStore);
    menu->openDayOverview();
    EXPECT_EQ(menu->dayOverview()->windowTitle(), QStringLiteral("Day Overview - 06/07/2001"));
    EXPECT_EQ(menu->dayOverview()->offeredName(), QStringLiteral("zelkam-overview-06-07-2001.png"));
    v.click(MainWindow::Play);
    v.ticks(20);
    TempFolder empty;
    v.browser.answers = {empty.string(), ""};
    v.click(MainWindow::ChangeFolder);
    ASSERT_EQ(v.messages.shown.size(), 1u);
    EXPECT_EQ(v.messages.shown[0].caption, QStringLiteral("Couldn't find any logs"));
    EXPECT_EQ(v.messages.shown[0].text, QStringLiteral("Click OK to browse for logs\n"));
    EXPECT_EQ(v.messages.shown[0].icon, MessageIcon::Information);
    EXPECT_EQ(v.window->dateSelector()->comboBox()->count(), 0);
    EXPECT_EQ(v.map(), QString());
    EXPECT_EQ(v.window->playerList()->painter().terroristCount(), 0u);
    EXPECT_EQ(v.window->chatView()->painter().lineCount(), 0u);
    // No day is named anywhere: not in the date box, the title or the overview's.
    EXPECT_EQ(v.dateText(), QString());
    EXPECT_FALSE(v.window->windowTitle().contains(QStringLiteral("2001")));
    EXPECT_TRUE(v.window->windowTitle().startsWith(QStringLiteral("Zelkam v1.8")));
    EXPECT_EQ(menu->dayOverview()->windowTitle(), QStringLiteral("Day Overview"));
    EXPECT_EQ(menu->dayOverview()->offeredName(), QStringLiteral("zelkam-overview.png"));

    // Nothing left to play, seek or find, and nothing breaks trying.
    const QString time = v.time();
    v.ticks(5);
    v.click(MainWindow::Play);
    v.ticks(5);
    v.click(MainWindow::RconScan);
    v.window->trackbar()->triggerAction(QAbstractSlider::SliderPageStepAdd);
    v.window->dateSelectionEnded();
    EXPECT_EQ(v.window->dateSelector()->comboBox()->count(), 0);
    EXPECT_TRUE(v.window->playerList()->painter().terroristCount() == 0);
    (void)time;
}

TEST(MainWindow, StartRetriesAndStoresEachChosenFolder)
{
    Viewer v;
    TempFolder empty;
    v.browser.answers = {empty.string(), v.logs.string()};
    std::string folder;
    SettingsStore().readLogFolder(folder);
    v.window = std::make_unique<MainWindow>(v.state, v.services);
    v.window->timer().stop();
    ASSERT_TRUE(v.window->createChildren());
    EXPECT_TRUE(v.window->loadLogsWithRetry(empty.string()));
    EXPECT_EQ(v.messages.shown.size(), 2u);
    EXPECT_EQ(v.browser.calls, 2);
    EXPECT_EQ(v.stored().toString(), QString::fromStdString(v.logs.string()));
}

TEST(MainWindow, ClosingReleasesTheControlsAndStopsTheTimer)
{
    Viewer v;
    v.start();
    v.window->timer().start();
    v.window->close();
    EXPECT_FALSE(v.window->timer().isActive());
    EXPECT_EQ(v.window->playerList(), nullptr);
    EXPECT_EQ(v.window->dateSelector(), nullptr);
    v.window->timerExpired();
    v.window->dispatchCommand(MainWindow::RconScan);
}

TEST(ViewerMain, CancellingTheFirstBrowseEndsWithExitCodeOne)
{
    Scope scope;
    TempFolder empty;
    std::filesystem::current_path(empty.path());
    SettingsStore settingsStore;
    test::ScriptedFolderBrowser browser;
    test::RecordingMessageBoxes messages;
    test::RecordingLinkOpener links;
    ViewerState state;
    SingleInstanceGuard guard(QStringLiteral("zelkam-test-cancel-%1").arg(QCoreApplication::applicationPid()));
    const int code = runViewer(*qApp, state, Services{settingsStore, browser, messages, links}, guard);
    EXPECT_EQ(code, 1);
    EXPECT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(browser.calls, 1);
    // The first run stored the start directory and nothing else.
    EXPECT_EQ(scope.stored().toString(), QStringLiteral("."));
}

// Whatever the settings store holds, the start must end up in the folder
// loop: the box, then the browser, and a chosen folder with logs loads.
TEST(ViewerMain, GarbageInTheSettingsStoreStartsIntoTheFolderLoop)
{
    TempFolder logs;
    writeLogs(logs);
    TempFolder empty;
    const auto aFile = empty.write("notes.txt", "not a folder");
    const struct {
        const char* name;
        QVariant stored;
    } cases[] = {
        {"a number", 42},
        {"a list", QStringList{QStringLiteral("a"), QStringLiteral("b")}},
        {"overlong", QString(300, QLatin1Char('x'))},
        {"a file instead of a folder", QString::fromStdString(aFile.string())},
        {"a folder that is gone", QString::fromStdString((empty.path() / "gone").string())},
        {"control characters", QStringLiteral("\x01\n\t/\x7f")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Scope scope;
        std::filesystem::current_path(empty.path());
        Scope::store("Log Directory", c.stored);
        SettingsStore settingsStore;
        test::ScriptedFolderBrowser browser;
        browser.answers = {logs.string()};
        test::RecordingMessageBoxes messages;
        test::RecordingLinkOpener links;
        ViewerState state;
        SingleInstanceGuard guard(QStringLiteral("zelkam-test-garbage-%1").arg(QCoreApplication::applicationPid()));
        test::closeViewerWhenLoaded();
        EXPECT_EQ(runViewer(*qApp, state, Services{settingsStore, browser, messages, links}, guard), 0);
        ASSERT_EQ(messages.shown.size(), 1u);
        EXPECT_EQ(messages.shown[0].caption, QStringLiteral("Couldn't find any logs"));
        EXPECT_EQ(browser.calls, 1);
        EXPECT_EQ(scope.stored().toString(), QString::fromStdString(logs.string()));
    }
}

TEST(ViewerMain, ASecondInstanceEndsWithExitCodeOneWithoutReadingSettings)
{
    Scope scope;
    const QString name = QStringLiteral("zelkam-test-second-%1").arg(QCoreApplication::applicationPid());
    SingleInstanceGuard first(name);
    ASSERT_TRUE(first.listen());
    int activations = 0;
    QObject::connect(&first, &SingleInstanceGuard::activationRequested, [&] { ++activations; });

    SettingsStore settingsStore;
    test::ScriptedFolderBrowser browser;
    test::RecordingMessageBoxes messages;
    test::RecordingLinkOpener links;
    ViewerState state;
    SingleInstanceGuard second(name);
    EXPECT_EQ(runViewer(*qApp, state, Services{settingsStore, browser, messages, links}, second), 1);
    EXPECT_FALSE(scope.settingsExist());
    EXPECT_EQ(browser.calls, 0);
    EXPECT_TRUE(QTest::qWaitFor([&] { return activations > 0; }, 5000));
    EXPECT_EQ(activations, 1);
}

TEST(ViewerMain, ANormalCloseEndsWithExitCodeZero)
{
    Scope scope;
    TempFolder logs;
    writeLogs(logs);
    std::filesystem::current_path(logs.path());
    SettingsStore settingsStore;
    test::ScriptedFolderBrowser browser;
    test::RecordingMessageBoxes messages;
    test::RecordingLinkOpener links;
    ViewerState state;
    SingleInstanceGuard guard(QStringLiteral("zelkam-test-close-%1").arg(QCoreApplication::applicationPid()));
    std::size_t days = 0;
    test::closeViewerWhenLoaded([&](MainWindow&) { days = state.days().size(); });
    EXPECT_EQ(runViewer(*qApp, state, Services{settingsStore, browser, messages, links}, guard), 0);
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_GT(days, 0u);
}

TEST(ViewerMain, ASecondStartWithAFolderHandsItToTheRunningViewerAndEndsWithZero)
{
    Scope scope;
    TempFolder logs;
    writeLogs(logs);
    std::filesystem::create_directory(logs.path() / "later");
    logs.write("later/L0710000.log", lineAt("07/10/2001", "20:00:00", "Started map \"de_train\""));
    std::filesystem::current_path(logs.path());
    SettingsStore settingsStore;
    test::ScriptedFolderBrowser browser;
    test::RecordingMessageBoxes messages;
    test::RecordingLinkOpener links;
    const Services services{settingsStore, browser, messages, links};
    ViewerState state;
    const QString name = QStringLiteral("zelkam-test-hand-%1").arg(QCoreApplication::applicationPid());
    SingleInstanceGuard guard(name);

    int secondCode = -1;
    QString shownDate;
    auto* poll = new QTimer;
    int phase = 0;
    QObject::connect(poll, &QTimer::timeout, poll, [&] {
        for (QWidget* top : QApplication::topLevelWidgets()) {
            auto* window = qobject_cast<MainWindow*>(top);
            if (window == nullptr || window->isLoading() || !window->isVisible())
                continue;
            if (phase == 0) {
                // Started again from the same folder with a relative path.
                // The second start lets events flow while it waits for the
                // first to take the folder, this timer's too.
                phase = 1;
                ViewerState secondState;
                SingleInstanceGuard second(name);
                secondCode = runViewer(*qApp, secondState, services, second, std::string("later"));
            } else if (state.days().size() == 1 || ++phase > 500) {
                shownDate = window->dateSelector()->editField()->text();
                poll->stop();
                poll->deleteLater();
                window->close();
            }
        }
    });
    poll->start(20);
    EXPECT_EQ(runViewer(*qApp, state, services, guard), 0);
    EXPECT_EQ(secondCode, 0);
    EXPECT_EQ(shownDate, QStringLiteral("10/07/2001"));
    EXPECT_TRUE(messages.shown.empty());
    // Opened as the folder button opens one: not stored.
    EXPECT_FALSE(Scope::stored().toString().endsWith(QStringLiteral("later")));
}

} // namespace
} // namespace zelkam
