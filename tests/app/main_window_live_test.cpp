// The main window over a folder that a server is writing to.

#include "app/main_window.h"

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include <QComboBox>
#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

#include "app/chat_view_control.h"
#include "app/date_selector_control.h"
#include "app/time_label_control.h"
#include "platform/settings_store.h"
#include "replay/viewer_state.h"
#include "tests/app/fakes.h"
#include "tests/support/log_lines.h"
#include "tests/support/temp_folder.h"
#include "tests/support/temp_settings.h"
#include "tests/support/time_zone.h"

namespace zelkam {
namespace {

using namespace zelkam::test;

void append(const TempFolder& folder, const std::string& name, const std::string& bytes)
{
    std::ofstream out(folder.path() / name, std::ios::binary | std::ios::app);
    out << bytes;
}

TEST(MainWindowLive, CtrlEndGoesLiveAndTheViewFollowsTheServer)
{
    ScopedTimeZone zone("UTC0");
    test::TempSettings settings;
    const std::filesystem::path cwd = std::filesystem::current_path();
    TempFolder logs;
    logs.write("L0706000.log", LogText("07/06/2001").at("10:00:00", mapStarted("de_dust")).text());
    logs.write("L0707000.log", LogText("07/07/2001")
                                   .at("09:00:00", mapStarted("cs_office"))
                                   .at("09:00:05", said("Eli", 4, "CT", "morning"))
                                   .text());

    SettingsStore settingsStore;
    ScriptedFolderBrowser browser;
    RecordingMessageBoxes messages;
    RecordingLinkOpener links;
    Services services{settingsStore, browser, messages, links};
    auto state = std::make_unique<ViewerState>();
    MainWindow window(*state, services);
    window.timer().stop();
    ASSERT_TRUE(window.createChildren());
    ASSERT_TRUE(window.loadLogsWithRetry(logs.string()));
    window.fillDateList();
    window.refreshViews();
    const auto date = [&] { return window.dateSelector()->editField()->text(); };
    ASSERT_EQ(date(), QStringLiteral("06/07/2001"));
    EXPECT_TRUE(window.button(MainWindow::Play)->toolTip().contains(QStringLiteral("Ctrl+End")));

    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    QTest::keyClick(&window, Qt::Key_End, Qt::ControlModifier);
    EXPECT_EQ(date(), QStringLiteral("07/07/2001"));
    EXPECT_EQ(window.timeLabel()->text(), QStringLiteral("09:00:05"));
    EXPECT_EQ(window.mapLabel()->toolTip(), QString()) << "not growing before the server writes";
    EXPECT_EQ(window.playStateLabel()->text(), QStringLiteral("Playing x1"));

    // Each step a second of the wall clock later, from when the line is written.
    std::int32_t wall = localStamp(2001, 7, 7, 9, 0, 6);
    window.setWallClock([&] { return wall++; });
    append(logs, "L0707000.log", lineAt("07/07/2001", "09:00:06", said("Eli", 4, "CT", "live now")));
    window.timerExpired();
    EXPECT_FALSE(window.mapLabel()->toolTip().isEmpty());
    EXPECT_EQ(window.timeLabel()->text(), QStringLiteral("09:00:06"));
    window.timerExpired();
    EXPECT_EQ(window.timeLabel()->text(), QStringLiteral("09:00:07"));
    EXPECT_EQ(window.playStateLabel()->text(), QStringLiteral("Live"));
    EXPECT_EQ(window.chatView()->painter().lineCount(), 2u);
    // Paused, it says so at once, and how far behind the server it falls.
    window.dispatchCommand(MainWindow::Pause);
    EXPECT_EQ(window.playStateLabel()->text(), QStringLiteral("Paused"));
    append(logs, "L0707000.log", lineAt("07/07/2001", "09:00:40", said("Eli", 4, "CT", "still here")));
    window.timerExpired();
    EXPECT_EQ(window.playStateLabel()->text(), QStringLiteral("Paused, 0:33 behind"));
    window.dispatchCommand(MainWindow::Play);
    EXPECT_EQ(window.playStateLabel()->text(), QStringLiteral("Playing x1, 0:33 behind"));
    window.timerExpired();
    EXPECT_EQ(window.timeLabel()->text(), QStringLiteral("09:00:08"));
    // Ctrl+End goes back to the live edge.
    wall = localStamp(2001, 7, 7, 9, 0, 41);
    window.goLive();
    window.timerExpired();
    EXPECT_EQ(window.playStateLabel()->text(), QStringLiteral("Live"));

    // The evening goes on past midnight, and the server's next file starts
    // later that day: the date list gains the day, and play at the live
    // edge moves on to it.
    append(logs, "L0707000.log", lineAt("07/08/2001", "00:01:00", said("Eli", 4, "CT", "after midnight")));
    window.timerExpired();
    window.timerExpired();
    EXPECT_TRUE(window.timeLabel()->text().startsWith(QStringLiteral("00:01"))) << window.timeLabel()->text().toStdString();
    // Paused there, the day stays the one loaded.
    window.dispatchCommand(MainWindow::Pause);
    logs.write("L0708000.log", LogText("07/08/2001").at("21:05:00", mapStarted("de_nuke")).text());
    window.timerExpired();
    QComboBox* list = window.dateSelector()->comboBox();
    EXPECT_EQ(list->count(), 3);
    EXPECT_EQ(date(), QStringLiteral("08/07/2001"));
    EXPECT_EQ(list->itemText(list->currentIndex()), QStringLiteral("08/07/2001")) << "the list shows the day shown";

    // A day chosen from the list stays in the field and the list while the
    // server adds another day.
    list->setFocus();
    list->setCurrentIndex(1);
    emit list->activated(1);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !window.isLoading(); }, 10000));
    QCoreApplication::processEvents();
    EXPECT_EQ(date(), QStringLiteral("07/07/2001"));
    logs.write("L0709000.log", LogText("07/09/2001").at("00:01:00", mapStarted("de_aztec")).text());
    window.timerExpired();
    EXPECT_EQ(list->count(), 4);
    EXPECT_EQ(window.timeLabel()->text(), QStringLiteral("09:00:00"));
    EXPECT_EQ(date(), QStringLiteral("07/07/2001"));
    EXPECT_EQ(list->itemText(list->currentIndex()), QStringLiteral("07/07/2001"));

    std::error_code error;
    std::filesystem::current_path(cwd, error);
}

} // namespace
} // namespace zelkam
