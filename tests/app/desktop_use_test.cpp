// The main window as a desktop user drives it: from the keyboard, with the
// wheel, resized, started on a folder of the command line or one with a long
// path, and with dialogs that block only their own window.

#include "app/main_window.h"

#include <filesystem>
#include <fstream>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include <QApplication>
#include <QAbstractButton>
#include <QComboBox>
#include <QGroupBox>
#include <QTabWidget>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSlider>
#include <QTest>
#include <QTimer>
#include <QWheelEvent>
#include <gtest/gtest.h>

#include "app/about_dialog.h"
#include "app/chat_view_control.h"
#include "app/day_overview_window.h"
#include "app/find_all_window.h"
#include "app/rankings_window.h"
#include "app/date_selector_control.h"
#include "app/find_dialog.h"
#include "app/player_list_control.h"
#include "app/player_record_window.h"
#include "app/time_label_control.h"
#include "app/viewer_main.h"
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

// Two days: chat on the first, a quiet second day.
void writeLogs(const TempFolder& dir)
{
    const char* day1 = "07/06/2001";
    std::string first = lineAt(day1, "10:00:00", "Started map \"de_dust\"");
    first += lineAt(day1, "10:00:05", "\"Gordon<2><111><>\" connected, address \"10.0.0.1:27005\"");
    first += lineAt(day1, "10:00:07", "\"Gordon<2><111><>\" joined team \"TERRORIST\"");
    first += lineAt(day1, "10:01:00", "\"Gordon<2><111><TERRORIST>\" say \"hello there\"");
    first += lineAt(day1, "10:02:00", "Rcon: \"rcon 1234 secret kick Barney\" from \"10.0.0.1:27005\"");
    first += lineAt(day1, "10:03:00", "\"Gordon<2><111><TERRORIST>\" say \"hello again\"");
    first += lineAt(day1, "11:00:00", "\"Gordon<2><111><TERRORIST>\" say \"bye\"");
    dir.write("L0706000.log", first);
    const char* day2 = "07/07/2001";
    dir.write("L0707000.log", lineAt(day2, "09:00:00", "Started map \"cs_office\"")
                                  + lineAt(day2, "09:00:05", "\"Eli<4><333><>\" connected, address \"10.0.0.3:27005\""));
    const char* day3 = "07/08/2001";
    dir.write("L0708000.log", lineAt(day3, "08:00:00", "Started map \"de_aztec\""));
}

using Scope = test::SettingsScope;

// The viewer with the window in front, as a desktop user has it.
struct Viewer : test::ViewerHarness {
    Viewer() : ViewerHarness(writeLogs) {}
    void start()
    {
        ViewerHarness::start();
        activate();
    }
};

QWidget* visibleTopLevel(const QString& title)
{
    for (QWidget* top : QApplication::topLevelWidgets())
        if (top->windowTitle() == title && top->isVisible())
            return top;
    return nullptr;
}

// Up, Left and Page Up move the time bar earlier; Down, Right and Page Down
// later, as on the platform trackbar.
TEST(DesktopUse, TrackbarKeysMoveEarlierUpAndLaterDown)
{
    Viewer v;
    v.start();
    QSlider* bar = v.window->trackbar();
    bar->setFocus();
    const struct {
        int key;
        const char* time;
    } steps[] = {
        {Qt::Key_Down, "10:01:00"},      {Qt::Key_Right, "10:02:00"}, {Qt::Key_Up, "10:01:00"},
        {Qt::Key_Left, "10:00:00"},      {Qt::Key_PageDown, "10:15:00"}, {Qt::Key_PageUp, "10:00:00"},
    };
    for (const auto& step : steps) {
        QTest::keyClick(bar, static_cast<Qt::Key>(step.key));
        EXPECT_EQ(v.time(), QString::fromLatin1(step.time)) << step.key;
    }
    // End goes to the day's end, Home to its start.
    QTest::keyClick(bar, Qt::Key_End);
    EXPECT_GT(v.time(), QStringLiteral("10:00:00"));
    QTest::keyClick(bar, Qt::Key_Home);
    EXPECT_EQ(v.time(), QStringLiteral("10:00:00"));
}

TEST(DesktopUse, ShortcutsDoWhatTheButtonsDo)
{
    Viewer v;
    v.start();
    // Ctrl+R scans for the next remote-console command.
    v.key(Qt::Key_R, Qt::ControlModifier);
    EXPECT_EQ(v.time(), QStringLiteral("10:03:00"));

    v.key(Qt::Key_3, Qt::ControlModifier);
    v.ticks(2);
    EXPECT_EQ(v.time(), QStringLiteral("10:03:02"));
    v.key(Qt::Key_Space); // playing: pauses
    v.ticks(2);
    EXPECT_EQ(v.time(), QStringLiteral("10:03:02"));
    v.key(Qt::Key_Space); // paused: plays
    v.ticks(1);
    EXPECT_EQ(v.time(), QStringLiteral("10:03:03"));
    v.key(Qt::Key_5, Qt::ControlModifier);
    v.ticks(1);
    EXPECT_EQ(v.time(), QStringLiteral("10:04:03"));
    v.key(Qt::Key_4, Qt::ControlModifier);
    v.ticks(1);
    EXPECT_EQ(v.time(), QStringLiteral("10:04:08"));
    v.key(Qt::Key_2, Qt::ControlModifier);
    v.ticks(1);
    EXPECT_EQ(v.time(), QStringLiteral("10:04:08"));
    v.key(Qt::Key_1, Qt::ControlModifier);
    v.ticks(1);
    EXPECT_LT(v.time(), QStringLiteral("10:04:08"));

    // Ctrl+Right and Ctrl+Left walk the date list, stopping at its ends.
    v.key(Qt::Key_Right, Qt::ControlModifier);
    EXPECT_EQ(v.dateText(), QStringLiteral("07/07/2001"));
    EXPECT_EQ(v.time(), QStringLiteral("09:00:00"));
    v.key(Qt::Key_Right, Qt::ControlModifier);
    v.key(Qt::Key_Right, Qt::ControlModifier);
    EXPECT_EQ(v.dateText(), QStringLiteral("08/07/2001"));
    v.key(Qt::Key_Left, Qt::ControlModifier);
    v.key(Qt::Key_Left, Qt::ControlModifier);
    v.key(Qt::Key_Left, Qt::ControlModifier);
    EXPECT_EQ(v.dateText(), QStringLiteral("06/07/2001"));
    EXPECT_EQ(v.window->dateSelector()->comboBox()->currentIndex(), 0);

    // Ctrl+O is the folder button.
    v.browser.answers = {""};
    v.key(Qt::Key_O, Qt::ControlModifier);
    EXPECT_EQ(v.browser.calls, 1);

    // Tooltips name the action and its shortcut.
    EXPECT_TRUE(v.window->button(MainWindow::Rewind)->toolTip().contains(QStringLiteral("Ctrl+1")));
    EXPECT_TRUE(v.window->button(MainWindow::Pause)->toolTip().contains(QStringLiteral("Space")));
    EXPECT_TRUE(v.window->button(MainWindow::Fastest)->toolTip().contains(QStringLiteral("Ctrl+5")));
    EXPECT_TRUE(v.window->button(MainWindow::ChangeFolder)->toolTip().contains(QStringLiteral("Ctrl+O")));
}

TEST(DesktopUse, SpaceOnAFocusedButtonPressesThatButton)
{
    Viewer v;
    v.start();
    v.window->button(MainWindow::Fast)->setFocus();
    v.key(Qt::Key_Space);
    v.ticks(1);
    EXPECT_EQ(v.time(), QStringLiteral("10:00:05"));
    v.key(Qt::Key_Space); // still ">>", not a pause
    v.ticks(1);
    EXPECT_EQ(v.time(), QStringLiteral("10:00:10"));
}

TEST(DesktopUse, FindShortcutsOpenTheDialogAndRepeatTheLastSearch)
{
    Viewer v;
    v.start();
    // F3 before any search opens Find, as Ctrl+F does.
    v.key(Qt::Key_F3);
    FindDialog* find = v.window->findDialog();
    ASSERT_NE(find, nullptr);
    find->findChild<QRadioButton*>(QStringLiteral("chatKindButton"))->click();
    find->findChild<QLineEdit*>(QStringLiteral("patternEdit"))->setText(QStringLiteral("HELLO"));
    find->findChild<QPushButton*>(QStringLiteral("findNextButton"))->click();
    EXPECT_EQ(v.time(), QStringLiteral("10:02:00"));
    find->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    ASSERT_EQ(v.window->findDialog(), nullptr);

    // F3 finds the next chat hit with the same pattern, without the dialog.
    v.window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(v.window.get()));
    v.key(Qt::Key_F3);
    EXPECT_EQ(v.time(), QStringLiteral("11:00:00"));
    EXPECT_EQ(v.window->findDialog(), nullptr);
    // A miss is told, over the main window since Find is closed.
    v.key(Qt::Key_F3);
    ASSERT_EQ(v.messages.shown.size(), 1u);
    EXPECT_EQ(v.messages.shown[0].text, QStringLiteral("    Can't find it        "));
    EXPECT_EQ(v.messages.shown[0].owner, v.window.get());

    v.key(Qt::Key_F, Qt::ControlModifier);
    EXPECT_NE(v.window->findDialog(), nullptr);
}

// Scrolling across the window must not change the day or the time unless
// the control under the mouse has the keyboard focus.
TEST(DesktopUse, TheWheelActsOnlyOnTheFocusedControl)
{
    Viewer v;
    v.start();
    const auto wheel = [](QWidget* widget) {
        const QPointF at(widget->width() / 2.0, widget->height() / 2.0);
        QWheelEvent event(at, widget->mapToGlobal(at), QPoint(), QPoint(0, 120), Qt::NoButton, Qt::NoModifier,
                          Qt::NoScrollPhase, false);
        QApplication::sendEvent(widget, &event);
    };
    QComboBox* dates = v.window->dateSelector()->comboBox();
    QSlider* bar = v.window->trackbar();
    v.window->button(MainWindow::OpenAbout)->setFocus();
    wheel(dates);
    wheel(bar);
    EXPECT_EQ(dates->currentIndex(), 0);
    EXPECT_EQ(v.dateText(), QStringLiteral("06/07/2001"));
    EXPECT_EQ(v.time(), QStringLiteral("10:00:00"));
    EXPECT_EQ(bar->value(), 600);

    bar->setFocus();
    wheel(bar);
    EXPECT_NE(bar->value(), 600);
    EXPECT_NE(v.time(), QStringLiteral("10:00:00"));
}

TEST(DesktopUse, TabWalksTheControlsTopToBottom)
{
    Viewer v;
    v.start();
    // The keys start on the time bar.
    EXPECT_EQ(QApplication::focusWidget(), v.window->trackbar());
    v.window->dateSelector()->comboBox()->setFocus();
    std::vector<QWidget*> visited;
    for (int i = 0; i < 11; ++i) {
        v.key(Qt::Key_Tab);
        visited.push_back(QApplication::focusWidget());
    }
    const std::vector<QWidget*> expected = {
        v.window->button(MainWindow::ChangeFolder), v.window->playerList()->window(),
        v.window->button(MainWindow::Rewind),
        v.window->button(MainWindow::Pause),        v.window->button(MainWindow::Play),
        v.window->button(MainWindow::Fast),         v.window->button(MainWindow::Fastest),
        v.window->button(MainWindow::OpenFind),     v.window->button(MainWindow::RconScan),
        v.window->button(MainWindow::OpenAbout),    v.window->trackbar(),
    };
    EXPECT_EQ(visited, expected);
}

void writeTwoPlayers(const TempFolder& dir)
{
    const char* day = "07/06/2001";
    std::string log = lineAt(day, "10:00:00", "Started map \"de_dust\"");
    log += lineAt(day, "10:00:01", "\"Gordon<2><STEAM_0:1:2><>\" connected, address \"10.0.0.1:27005\"");
    log += lineAt(day, "10:00:02", "\"Gordon<2><STEAM_0:1:2><>\" joined team \"TERRORIST\"");
    log += lineAt(day, "10:00:03", "\"Barney<3><STEAM_0:1:3><>\" connected, address \"10.0.0.2:27005\"");
    log += lineAt(day, "10:00:04", "\"Barney<3><STEAM_0:1:3><>\" joined team \"TERRORIST\"");
    log += lineAt(day, "10:00:30", "\"Gordon<2><STEAM_0:1:2><TERRORIST>\" say \"hi\"");
    dir.write("L0706000.log", log);
}

// The player list from the keyboard: Tab reaches it, a frame that only the
// focused list shows stands on a player and follows him through refills,
// the arrows move it, and Return opens his record, which keeps the size it
// is left at for the next run.
TEST(DesktopUse, ReturnInThePlayerListOpensTheFramedPlayersRecord)
{
    test::ViewerHarness v(writeTwoPlayers);
    std::string folder;
    v.settingsStore.readLogFolder(folder); // makes the store, as a first run does
    v.start();
    v.activate();
    v.click(MainWindow::Play);
    v.ticks(10);
    PlayerListControl& list = *v.window->playerList();
    ASSERT_EQ(list.painter().visibleRowCount(list.window()->height()), 2u);
    EXPECT_EQ(list.painter().focusRow(), PlayerListPainter::NoRow);

    v.window->button(MainWindow::ChangeFolder)->setFocus();
    v.key(Qt::Key_Tab);
    ASSERT_EQ(QApplication::focusWidget(), list.window());
    EXPECT_EQ(list.painter().focusRow(), 0u);
    v.key(Qt::Key_Down);
    v.key(Qt::Key_Down); // stays on the last row
    EXPECT_EQ(list.painter().focusRow(), 1u);
    const std::string framed = list.chosenPlayer()->name;
    v.key(Qt::Key_Tab);
    EXPECT_EQ(list.painter().focusRow(), PlayerListPainter::NoRow);
    v.key(Qt::Key_Backtab);
    EXPECT_EQ(list.painter().focusRow(), 1u);
    v.ticks(1);
    EXPECT_EQ(list.chosenPlayer()->name, framed);

    v.key(Qt::Key_Return);
    auto* record = v.window->findChild<PlayerRecordWindow*>();
    ASSERT_NE(record, nullptr);
    EXPECT_EQ(record->windowTitle(), QStringLiteral("Player - ") + QString::fromStdString(framed));
    record->resize(610, 470);
    record->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(Scope::stored("Player Record Window Size").toSize(), QSize(610, 470));
}

// Return and Space on a focused "Cancel" close the dialog; Return elsewhere
// presses "Find Next".
TEST(DesktopUse, ReturnOnAFocusedCancelCancels)
{
    for (int key : {Qt::Key_Return, Qt::Key_Space}) {
        std::string pattern = "bomb";
        auto* dialog = new FindDialog(pattern, nullptr);
        std::vector<unsigned> flags;
        QObject::connect(dialog, &FindDialog::findRequested, [&](FindRequest r) { flags.push_back(r.flags); });
        dialog->show();
        dialog->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(dialog));
        auto* cancel = dialog->findChild<QPushButton*>(QStringLiteral("cancelButton"));
        cancel->setFocus();
        QTest::keyClick(cancel, static_cast<Qt::Key>(key));
        ASSERT_EQ(flags.size(), 1u) << key;
        EXPECT_TRUE(flags[0] & FindRequest::DialogTerm) << key;
        EXPECT_FALSE(flags[0] & FindRequest::FindNext) << key;
        delete dialog;
    }

    std::string pattern = "bomb";
    FindDialog dialog(pattern, nullptr);
    std::vector<unsigned> flags;
    QObject::connect(&dialog, &FindDialog::findRequested, [&](FindRequest r) { flags.push_back(r.flags); });
    dialog.show();
    dialog.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
    auto* text = dialog.findChild<QLineEdit*>(QStringLiteral("patternEdit"));
    text->setFocus();
    QTest::keyClick(text, Qt::Key_Return);
    ASSERT_EQ(flags.size(), 1u);
    EXPECT_TRUE(flags[0] & FindRequest::FindNext);
}

TEST(DesktopUse, AboutAndCantFindItBlockOnlyTheirOwnWindow)
{
    Viewer v;
    v.start();
    v.window->button(MainWindow::OpenAbout)->click();
    // The click came back with the box still open: no nested loop.
    QWidget* about = visibleTopLevel(QStringLiteral("About"));
    ASSERT_NE(about, nullptr);
    EXPECT_EQ(about->windowModality(), Qt::WindowModal);
    EXPECT_EQ(about->parentWidget(), v.window.get());
    about->findChild<QPushButton*>(QStringLiteral("okButton"))->click();
    EXPECT_TRUE(QTest::qWaitFor([] { return visibleTopLevel(QStringLiteral("About")) == nullptr; }, 5000));

    // The desktop's "Can't find it" returns at once, modal to the Find dialog.
    std::string pattern;
    FindDialog find(pattern, v.window.get());
    find.show();
    DesktopMessageBoxes boxes;
    boxes.open(&find, QStringLiteral("Find"), QStringLiteral("    Can't find it        "), MessageIcon::Error);
    auto* box = find.findChild<QMessageBox*>();
    ASSERT_NE(box, nullptr);
    EXPECT_TRUE(box->isVisible());
    EXPECT_EQ(box->windowModality(), Qt::WindowModal);
    EXPECT_EQ(box->text(), QStringLiteral("    Can't find it        "));
    box->button(QMessageBox::Ok)->click();
    EXPECT_TRUE(QTest::qWaitFor([&] { return find.findChild<QMessageBox*>() == nullptr; }, 5000));
}

// A full server: 16 Terrorists and 16 Counter-Terrorists.
void writeFullServer(const TempFolder& dir)
{
    const char* day = "08/07/2001";
    std::string text = lineAt(day, "20:00:00", "Started map \"de_dust2\"");
    for (int i = 0; i < 32; ++i) {
        const std::string player = "\"P" + std::to_string(i) + "<" + std::to_string(i + 1) + "><" +
                                   std::to_string(100 + i) + "><>\"";
        text += lineAt(day, "20:00:01", player + " connected, address \"10.0.1." + std::to_string(i) + ":27005\"");
        text += lineAt(day, "20:00:02", player + " joined team \"" + (i % 2 ? "CT" : "TERRORIST") + "\"");
    }
    text += lineAt(day, "20:10:00", "World triggered \"Round_Start\"");
    dir.write("L0708000.log", text);
}

TEST(DesktopUse, TheWindowGrowsTheListAndRemembersItsSize)
{
    Viewer v;
    TempFolder full;
    writeFullServer(full);
    std::string folder;
    v.settingsStore.readLogFolder(folder); // the store exists, with no size in it
    v.start();
    MainWindow& w = *v.window;
    EXPECT_EQ(w.size(), QSize(500, 580));
    EXPECT_EQ(w.minimumSize(), QSize(500, 580));
    w.resize(400, 300);
    EXPECT_EQ(w.size(), QSize(500, 580));

    v.browser.answers = {full.string()};
    w.button(MainWindow::ChangeFolder)->click();
    v.waitForLoads();
    w.trackbar()->triggerAction(QAbstractSlider::SliderPageStepAdd);
    ASSERT_EQ(w.playerList()->painter().terroristCount(), 16u);
    ASSERT_EQ(w.playerList()->painter().counterTerroristCount(), 16u);
    const auto layout = [&] {
        return w.playerList()->painter().layout(w.playerList()->window()->height());
    };
    EXPECT_GT(layout().terroristsCut + layout().counterTerroristsCut, 0);

    // Where every child stands at the design size, to compare with.
    struct Placed {
        const char* what;
        QWidget* widget;
        QRect design;
    };
    std::vector<Placed> children = {
        {"list", w.playerList()->window(), {}},   {"chat", w.chatView()->window(), {}},
        {"clock", w.timeLabel()->window(), {}},   {"time bar", w.trackbar(), {}},
        {"map", w.mapLabel(), {}},                {"date", w.dateSelector()->window(), {}},
    };
    for (MainWindow::Command id : {MainWindow::Rewind, MainWindow::Pause, MainWindow::Play, MainWindow::Fast, MainWindow::Fastest,
                   MainWindow::OpenFind, MainWindow::RconScan, MainWindow::OpenAbout, MainWindow::ChangeFolder})
        children.push_back({"button", w.button(id), {}});
    for (auto& child : children)
        child.design = child.widget->geometry();
    const auto rightMargin = [](const QRect& r, int width) { return width - r.x() - r.width(); };
    const auto bottomMargin = [](const QRect& r, int height) { return height - r.y() - r.height(); };

    for (const QSize size : {QSize(500, 700), QSize(900, 900), QSize(1200, 640)}) {
        w.resize(size);
        const int extraWidth = size.width() - 500;
        const int extraHeight = size.height() - 580;
        for (std::size_t i = 0; i < children.size(); ++i) {
            const QRect now = children[i].widget->geometry();
            EXPECT_TRUE(w.rect().contains(now)) << children[i].what;
            for (std::size_t j = i + 1; j < children.size(); ++j)
                EXPECT_FALSE(now.intersects(children[j].widget->geometry()))
                    << children[i].what << " over " << children[j].what;
        }
        const QRect list = w.playerList()->window()->geometry();
        const QRect chat = w.chatView()->window()->geometry();
        // The width goes to the list, the chat and the time bar, which end
        // where they ended; the height is shared by the list and the chat.
        EXPECT_EQ(list.width(), children[0].design.width() + extraWidth);
        EXPECT_EQ(chat.width(), children[1].design.width() + extraWidth);
        EXPECT_EQ(rightMargin(w.trackbar()->geometry(), size.width()), rightMargin(children[3].design, 500));
        EXPECT_EQ(list.height() + chat.height(),
                  children[0].design.height() + children[1].design.height() + extraHeight);
        if (extraHeight > 0) {
            EXPECT_GT(list.height(), children[0].design.height()) << size.height();
            EXPECT_GT(chat.height(), children[1].design.height()) << size.height();
        }
        // Below the chat, everything keeps its distance to the bottom; the
        // buttons right of the playback buttons and the map keep theirs to
        // the right edge; the playback buttons, the clock and the date stay
        // at the left.
        for (const auto& child : children) {
            const QRect now = child.widget->geometry();
            if (child.design.y() > chat.y()) {
                EXPECT_EQ(bottomMargin(now, size.height()), bottomMargin(child.design, 580)) << child.what;
            }
            if (child.widget != w.trackbar() && child.widget != w.chatView()->window() &&
                child.widget != w.playerList()->window()) {
                if (child.design.x() >= 250)
                    EXPECT_EQ(rightMargin(now, size.width()), rightMargin(child.design, 500)) << child.what;
                else
                    EXPECT_EQ(now.x(), child.design.x()) << child.what;
            }
        }
    }
    w.resize(900, 900);
    EXPECT_EQ(layout().terroristsCut, 0);
    EXPECT_EQ(layout().counterTerroristsCut, 0);

    w.resize(500, 700);
    w.close();
    EXPECT_EQ(Scope::stored("Window Size").toSize(), QSize(500, 700));
    // The folder setting keeps its own value.
    EXPECT_EQ(Scope::stored("Log Directory").toString(), QStringLiteral("."));

    ViewerState state;
    MainWindow again(state, v.services);
    again.timer().stop();
    EXPECT_EQ(again.size(), QSize(500, 700));
}

TEST(DesktopUse, TheArrowsReachThePlayersABandHides)
{
    test::ViewerHarness v(writeFullServer);
    v.start();
    v.window->trackbar()->triggerAction(QAbstractSlider::SliderPageStepAdd);
    PlayerListControl& list = *v.window->playerList();
    const int height = list.window()->height();
    const auto layout = list.painter().layout(height);
    ASSERT_GT(layout.terroristsCut + layout.counterTerroristsCut, 0);
    std::set<std::string> shown;
    for (std::size_t row = 0; row < list.painter().visibleRowCount(height); ++row)
        shown.insert(list.painter().visibleRow(row, height)->name);
    // Walking down the whole list with the keyboard frames every player.
    v.activate();
    list.window()->setFocus();
    std::set<std::string> framed;
    for (int i = 0; i < 80; ++i) {
        framed.insert(list.chosenPlayer()->name);
        v.key(Qt::Key_Down);
    }
    EXPECT_EQ(framed.size(), 32u) << shown.size() << " shown at once";
}

TEST(DesktopUse, TheWindowOpensWhereItWasLeftOnAScreenThatExists)
{
    Viewer v;
    std::string folder;
    v.settingsStore.readLogFolder(folder);
    v.start();
    const QRect screen = v.window->screen()->availableGeometry();
    const struct {
        const char* name;
        QPoint leftAt;
        bool kept;
    } cases[] = {
        {"on the screen", screen.topLeft() + QPoint(40, 30), true},
        {"on a screen that is gone", screen.topLeft() + QPoint(screen.width() + 3000, 2500), false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        {
            ViewerState state;
            MainWindow left(state, v.services);
            left.timer().stop();
            left.move(c.leftAt);
            left.close();
        }
        ViewerState state;
        MainWindow again(state, v.services);
        again.timer().stop();
        if (c.kept) {
            EXPECT_EQ(again.pos(), c.leftAt);
        }
        EXPECT_TRUE(screen.intersects(again.frameGeometry())) << again.pos().x() << "," << again.pos().y();
        EXPECT_EQ(again.size(), QSize(500, 580));
    }
}

TEST(DesktopUse, AnUnusableStoredSizeOpensAtTheDesignSize)
{
    for (const QVariant& stored : {QVariant(QStringLiteral("huge")), QVariant(QSize(-5, 90000)), QVariant(QSize(10, 10))}) {
        Scope scope;
        std::string folder;
        SettingsStore settingsStore;
        settingsStore.readLogFolder(folder);
        Scope::store("Window Size", stored);
        test::ScriptedFolderBrowser browser;
        test::RecordingMessageBoxes messages;
        test::RecordingLinkOpener links;
        ViewerState state;
        MainWindow window(state, Services{settingsStore, browser, messages, links});
        window.timer().stop();
        EXPECT_EQ(window.size(), QSize(500, 580)) << stored.toString().toStdString();
    }
}

// Runs the viewer until it has shown its first view, then closes it; days
// tells how many days the folder loaded had.
int runAndClose(ViewerState& state, const Services& services, const char* guardName,
                const std::optional<std::string>& folder, std::size_t& days)
{
    SingleInstanceGuard guard(QString::fromLatin1(guardName) + QString::number(QCoreApplication::applicationPid()));
    test::closeViewerWhenLoaded([&](MainWindow&) { days = state.days().size(); });
    return runViewer(*qApp, state, services, guard, folder);
}

TEST(DesktopUse, AFolderArgumentOpensThatFolderWithoutStoringIt)
{
    Viewer v;
    std::string folder;
    v.settingsStore.readLogFolder(folder);
    v.store("Log Directory", QStringLiteral("/nonexistent/zelkam/logs"));
    std::size_t days = 0;
    EXPECT_EQ(runAndClose(v.state, v.services, "zelkam-test-argument-", v.logs.string(), days), 0);
    EXPECT_TRUE(v.messages.shown.empty());
    EXPECT_EQ(v.browser.calls, 0);
    EXPECT_EQ(days, 3u);
    EXPECT_EQ(Scope::stored("Log Directory").toString(), QStringLiteral("/nonexistent/zelkam/logs"));
}

// A folder path far longer than the 259 bytes of the platform's old path
// buffer, stored or browsed.
TEST(DesktopUse, ALongFolderPathIsReadLoadedAndBrowsed)
{
    TempFolder root;
    std::filesystem::path deep = root.path();
    while (deep.string().size() < 400)
        deep /= std::string(60, 'd');
    std::filesystem::create_directories(deep);
    {
        std::string day = lineAt("07/06/2001", "10:00:00", "Started map \"de_dust\"");
        std::ofstream(deep / "L0706000.log", std::ios::binary) << day;
    }

    {
        Scope scope;
        std::string folder;
        SettingsStore settingsStore;
        settingsStore.readLogFolder(folder);
        Scope::store("Log Directory", QString::fromStdString(deep.string()));
        test::ScriptedFolderBrowser browser;
        test::RecordingMessageBoxes messages;
        test::RecordingLinkOpener links;
        ViewerState state;
        std::size_t days = 0;
        EXPECT_EQ(
            runAndClose(state, Services{settingsStore, browser, messages, links}, "zelkam-test-long-", std::nullopt, days),
            0);
        EXPECT_TRUE(messages.shown.empty());
        EXPECT_EQ(days, 1u);
    }

    // The desktop's folder browser hands the long path back whole.
    QTimer::singleShot(200, [&] {
        for (QWidget* top : QApplication::topLevelWidgets()) {
            if (auto* dialog = qobject_cast<QFileDialog*>(top); dialog && dialog->isVisible()) {
                dialog->setDirectory(QString::fromStdString(deep.string()));
                QMetaObject::invokeMethod(dialog, "accept");
            }
        }
    });
    DesktopFolderBrowser browser;
    std::string chosen;
    EXPECT_TRUE(browser.browse(nullptr, chosen));
    EXPECT_EQ(chosen, deep.string());
}

// The access keys a window's texts mark with "&" ("&&" is a plain "&"),
// lower-cased, each with the text that marks it.
std::vector<std::pair<QChar, QString>> accessKeysOf(const QWidget& window)
{
    std::vector<std::pair<QChar, QString>> keys;
    const auto add = [&](const QString& text) {
        for (qsizetype i = 0; i + 1 < text.size(); ++i) {
            if (text[i] != QLatin1Char('&'))
                continue;
            if (text[i + 1] != QLatin1Char('&'))
                keys.emplace_back(text[i + 1].toLower(), text);
            ++i;
        }
    };
    for (const QAbstractButton* button : window.findChildren<QAbstractButton*>())
        add(button->text());
    for (const QLabel* label : window.findChildren<QLabel*>()) {
        if (label->buddy() != nullptr)
            add(label->text());
    }
    for (const QGroupBox* box : window.findChildren<QGroupBox*>())
        add(box->title());
    for (const QTabWidget* tabs : window.findChildren<QTabWidget*>()) {
        for (int t = 0; t < tabs->count(); ++t)
            add(tabs->tabText(t));
    }
    return keys;
}

TEST(DesktopUse, EveryWindowsAccessKeysAreUnique)
{
    test::ScopedTimeZone zone("UTC0");
    TempFolder logs;
    ViewerState state;
    test::RecordingLinkOpener links;
    std::string pattern;
    FindDialog find(pattern, nullptr, SearchKind::Player, false);
    AboutDialog about(links, nullptr);
    RankingsWindow rankings(nullptr);
    FindAllWindow findAll(nullptr);
    DayOverviewWindow overview(state, [](int, int) {}, nullptr);
    PlayerRecordWindow record(state, RecordSubject{"Ann", "", 2}, logs.string(), nullptr);
    const std::pair<const char*, const QWidget*> windows[] = {
        {"Find", &find},         {"About", &about},         {"Rankings", &rankings},
        {"Find All", &findAll},  {"Day Overview", &overview}, {"Player", &record},
    };
    for (const auto& [name, window] : windows) {
        SCOPED_TRACE(name);
        const auto keys = accessKeysOf(*window);
        for (std::size_t i = 0; i < keys.size(); ++i) {
            for (std::size_t j = i + 1; j < keys.size(); ++j) {
                EXPECT_NE(keys[i].first, keys[j].first)
                    << keys[i].second.toStdString() << " and " << keys[j].second.toStdString();
            }
        }
    }
    EXPECT_GE(accessKeysOf(find).size(), 6u) << "the walk finds the Find dialog's keys";
}

} // namespace
} // namespace zelkam
