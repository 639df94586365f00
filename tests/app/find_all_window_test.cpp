#include "app/find_all_window.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QListWidget>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QTest>
#include <gtest/gtest.h>

#include "app/find_dialog.h"
#include "app/main_window.h"
#include "app/player_list_control.h"
#include "app/player_record_window.h"
#include "app/time_label_control.h"
#include "platform/settings_store.h"
#include "replay/viewer_state.h"
#include "tests/app/fakes.h"
#include "tests/app/viewer_harness.h"
#include "tests/support/log_lines.h"
#include "tests/support/temp_folder.h"
#include "tests/support/time_zone.h"

namespace zelkam {
namespace {

using namespace zelkam::test;

// Two days; a player whose name holds a quote and a comma.
void writeLogs(const TempFolder& folder)
{
    folder.write("L0705000.log", LogText("07/05/2001")
                                     .at("20:00:00", mapStarted("de_dust"))
                                     .at("20:00:01", connected("Al, \"the\" 2nd", 2, "10.0.0.2:1"))
                                     .at("20:00:02", said("Al, \"the\" 2nd", 2, "CT", "=cmd bomb"))
                                     .at("20:00:03", roundStarted())
                                     .text());
    folder.write("L0706000.log", LogText("07/06/2001")
                                     .at("10:00:00", mapStarted("de_aztec"))
                                     .at("10:00:05", said("Al, \"the\" 2nd", 2, "CT", "no"))
                                     .at("10:00:10", said("Al, \"the\" 2nd", 2, "CT", "bomb here"))
                                     .at("10:00:20", said("Al, \"the\" 2nd", 2, "CT", "bomb there"))
                                     .at("10:00:30", roundStarted())
                                     .text());
}

bool waitForEnd(const FindAllWindow& window)
{
    return QTest::qWaitFor([&] { return !window.isRunning(); }, 10000);
}

TEST(FindAllWindow, ShowsEveryHitAndCopiesAndSavesThem)
{
    ScopedTimeZone zone("UTC0");
    TempFolder logs;
    writeLogs(logs);
    FindAllWindow window(nullptr);
    window.show();
    window.start(logs.string(), SearchKind::Chat, "BOMB", false);
    ASSERT_TRUE(waitForEnd(window));
    QTableWidget* table = window.table();
    ASSERT_EQ(table->rowCount(), 3);
    EXPECT_EQ(table->item(0, 0)->text(), QStringLiteral("05/07/2001"));
    EXPECT_EQ(table->item(0, 1)->text(), QStringLiteral("20:00:02"));
    EXPECT_EQ(table->item(1, 2)->text(), QStringLiteral("*DEAD*Al, \"the\" 2nd : bomb here"));
    EXPECT_EQ(window.progressBar()->value(), window.progressBar()->maximum());
    EXPECT_FALSE(window.stopButton()->isEnabled());
    EXPECT_EQ(window.statusLabel()->text(), QStringLiteral("3 found"));

    // Copy and Save take the selected rows, or all of them.
    table->clearSelection();
    table->selectRow(1);
    EXPECT_EQ(window.rowsAsText(), QStringLiteral("06/07/2001\t10:00:10\t*DEAD*Al, \"the\" 2nd : bomb here\n"));
    table->clearSelection();
    const std::string csv = window.rowsAsCsv();
    EXPECT_EQ(csv.substr(0, csv.find("\r\n06/07")),
              "date,time,line\r\n05/07/2001,20:00:02,\"Al, \"\"the\"\" 2nd : =cmd bomb\"");
    // Under a name no 8-bit code page of Windows holds.
    TempFolder out;
    const QString path = QDir(QString::fromStdU16String(out.path().u16string()))
                             .filePath(QStringLiteral("hits \u65E5\u672C \u0416.csv"));
    ASSERT_TRUE(window.saveCsv(path));
    EXPECT_EQ(QFileInfo(path).size(), static_cast<qint64>(csv.size()));

    // A row activated asks for its hit.
    std::vector<HistoryHit> asked;
    QObject::connect(&window, &FindAllWindow::hitActivated, [&](const HistoryHit& hit) { asked.push_back(hit); });
    emit table->itemActivated(table->item(2, 2));
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0].text, "*DEAD*Al, \"the\" 2nd : bomb there");
}

// What a search finds goes to a spreadsheet whole: Copy takes every row
// until the user selects some, Save... writes every row, and no cell the
// spreadsheet reads can start a formula.
TEST(FindAllWindow, CopyTakesEveryRowUntilTheUserSelectsAndSaveTakesAll)
{
    ScopedTimeZone zone("UTC0");
    TempFolder logs;
    logs.write("L0705000.log", LogText("07/05/2001")
                                   .at("20:00:00", mapStarted("de_dust"))
                                   .at("20:00:01", connected("=SUM(1,2)", 2, "10.0.0.2:1"))
                                   .at("20:00:02", connected("+Plus", 3, "10.0.0.3:1"))
                                   .at("20:00:03", connected("@Sum;-1", 4, "10.0.0.4:1"))
                                   .at("20:00:04", roundStarted())
                                   .text());
    FindAllWindow window(nullptr);
    window.show();
    window.start(logs.string(), SearchKind::Player, "", false);
    ASSERT_TRUE(waitForEnd(window));
    ASSERT_EQ(window.table()->rowCount(), 3);
    const QString all = QStringLiteral("05/07/2001\t20:00:01\t'=SUM(1,2)\n"
                                       "05/07/2001\t20:00:02\t'+Plus\n"
                                       "05/07/2001\t20:00:03\t'@Sum;'-1\n");
    window.copyButton()->click();
    EXPECT_EQ(QApplication::clipboard()->text(), all);

    window.table()->selectRow(1);
    window.copyButton()->click();
    EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("05/07/2001\t20:00:02\t'+Plus\n"));

    TempFolder out;
    window.askSavePath = [&](QWidget*) { return QString::fromStdString((out.path() / "hits").string()); };
    window.saveButton()->click();
    std::ifstream saved(out.path() / "hits.csv", std::ios::binary);
    const std::string csv((std::istreambuf_iterator<char>(saved)), std::istreambuf_iterator<char>());
    EXPECT_EQ(csv, "date,time,line\r\n"
                   "05/07/2001,20:00:01,\"'=SUM(1,2)\"\r\n"
                   "05/07/2001,20:00:02,'+Plus\r\n"
                   "05/07/2001,20:00:03,'@Sum;'-1\r\n");
}

TEST(FindAllWindow, EmptyAndVanishingFolders)
{
    ScopedTimeZone zone("UTC0");
    TempFolder empty;
    FindAllWindow window(nullptr);
    window.start(empty.string(), SearchKind::Chat, "x", false);
    ASSERT_TRUE(waitForEnd(window));
    EXPECT_EQ(window.table()->rowCount(), 0);
    EXPECT_EQ(window.statusLabel()->text(), QStringLiteral("No logs in the folder"));

    auto logs = std::make_unique<TempFolder>();
    for (int day = 1; day <= 28; ++day) {
        const std::string date = "02/" + std::string(day < 10 ? "0" : "") + std::to_string(day) + "/2002";
        logs->write("L02" + date.substr(3, 2) + "000.log",
                    LogText(date).at("10:00:00", said("Bob", 1, "CT", "hello")).at("10:00:01", roundStarted()).text());
    }
    window.start(logs->string(), SearchKind::Chat, "hello", false);
    logs.reset();
    ASSERT_TRUE(waitForEnd(window));
    EXPECT_LE(window.table()->rowCount(), 28);
    EXPECT_FALSE(window.statusLabel()->text().isEmpty());

    // Closing while a search runs stops it.
    auto again = std::make_unique<TempFolder>();
    writeLogs(*again);
    auto* closing = new FindAllWindow(nullptr);
    closing->start(again->string(), SearchKind::Chat, "", false);
    closing->close(); // deletes itself, waiting for its reader
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

// The size a results window is left at is kept in the settings store, so
// the next run's window opens at it, whatever other windows of this run did.
TEST(FindAllWindow, KeepsItsSizeForTheNextRun)
{
    test::TempSettings settings;
    SettingsStore settingsStore;
    std::string folder;
    settingsStore.readLogFolder(folder);
    {
        FindAllWindow first(nullptr);
        first.keepPlaceIn(settingsStore);
        first.resize(700, 450);
    }
    FindAllWindow unkept(nullptr);
    unkept.resize(300, 200);
    FindAllWindow next(nullptr);
    next.keepPlaceIn(settingsStore);
    EXPECT_EQ(next.size(), QSize(700, 450));
}

// The viewer's Find dialog opens the results, and a row lands where Find
// Next lands on the same hit.
TEST(FindAllWindow, ActivatingARowLandsWhereFindNextLands)
{
    ViewerHarness viewer(writeLogs);
    viewer.start();
    MainWindow& window = *viewer.window;
    ViewerState& state = viewer.state;

    window.dispatchCommand(MainWindow::OpenFind);
    FindDialog* find = window.findDialog();
    ASSERT_NE(find, nullptr);
    auto* findAll = find->findChild<QPushButton*>(QStringLiteral("findAllButton"));
    ASSERT_NE(findAll, nullptr);
    EXPECT_EQ(findAll->text(), QStringLiteral("Find &All"));
    find->findChild<QLineEdit*>(QStringLiteral("patternEdit"))->setText(QStringLiteral("there"));
    QTest::mouseClick(find->findChild<QRadioButton*>(QStringLiteral("chatKindButton")), Qt::LeftButton);
    QTest::mouseClick(findAll, Qt::LeftButton);
    auto* results = window.findChild<FindAllWindow*>();
    ASSERT_NE(results, nullptr);
    ASSERT_TRUE(waitForEnd(*results));
    ASSERT_EQ(results->table()->rowCount(), 1);
    emit results->table()->itemActivated(results->table()->item(0, 2));
    // The hit's day loads off the window's thread.
    viewer.waitForLoads();
    const QString landed = window.timeLabel()->text();
    const std::int32_t clock = state.viewClock();

    window.selectDay(1);
    viewer.waitForLoads();
    ASSERT_TRUE(state.find(SearchKind::Chat, "there", false));
    EXPECT_EQ(state.viewClock(), clock);
    window.refreshViews();
    EXPECT_EQ(window.timeLabel()->text(), landed);
    EXPECT_EQ(state.speed(), 0);
    results->close();

    // A double click on the player in the list opens his record.
    window.selectDay(1);
    viewer.waitForLoads();
    QWidget* list = window.playerList()->window();
    QTest::mouseDClick(list, Qt::LeftButton, Qt::NoModifier, QPoint(40, 32));
    auto* record = window.findChild<PlayerRecordWindow*>();
    ASSERT_NE(record, nullptr);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !record->isCollecting(); }, 10000));
    EXPECT_TRUE(record->historyLabel()->text().contains(QStringLiteral("seen on 2 days")))
        << record->historyLabel()->text().toStdString();
    // Its lines jump like Find All rows.
    QListWidget* lines = record->dayLines();
    ASSERT_GT(lines->count(), 1);
    emit lines->itemActivated(lines->item(lines->count() - 1));
    viewer.waitForLoads();
    EXPECT_EQ(window.timeLabel()->text(), QStringLiteral("10:00:30"));
    record->close();
}

TEST(PlayerRecordWindow, FollowsTheValidatedIdAndTellsFragsFromDeaths)
{
    ScopedTimeZone zone("UTC0");
    TempFolder logs;
    logs.write("L0706000.log", LogText("07/06/2001")
                                   .at("10:00:00", mapStarted("de_aztec"))
                                   .at("10:00:01", "\"Al<2><STEAM_ID_PENDING><>\" connected, address \"10.0.0.2:1\"")
                                   .at("10:00:02", connected("Bob", 3, "10.0.0.3:1"))
                                   .at("10:00:03", joinedTeam("Al", 2, "CT"))
                                   .at("10:00:04", joinedTeam("Bob", 3, "TERRORIST"))
                                   .at("10:00:05", killed("Al", 2, "CT", "Bob", 3, "TERRORIST"))
                                   .at("10:00:09", killed("Bob", 3, "TERRORIST", "Al", 2, "CT"))
                                   .at("10:00:20", roundStarted())
                                   .text());
    ViewerState state;
    ASSERT_TRUE(state.loadFolder(logs.string()));
    // Listed as he connected, before the server validated his id.
    PlayerRecordWindow record(state, RecordSubject{"Al", "STEAM_ID_PENDING", 2}, logs.string(), nullptr);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !record.isCollecting(); }, 10000));
    EXPECT_TRUE(record.historyLabel()->text().startsWith(QStringLiteral("All days: seen on 1 day,")))
        << record.historyLabel()->text().toStdString();
    QStringList lines;
    for (int i = 0; i < record.dayLines()->count(); ++i)
        lines << record.dayLines()->item(i)->text().trimmed();
    // The team as the player list names it.
    EXPECT_TRUE(lines.first().endsWith(QStringLiteral("  Counter-Terrorists  frags 1, deaths 1")))
        << lines.join('|').toStdString();
    EXPECT_TRUE(lines.contains(QStringLiteral("10:00:05  killed Bob"))) << lines.join('|').toStdString();
    EXPECT_TRUE(lines.contains(QStringLiteral("10:00:09  killed by Bob"))) << lines.join('|').toStdString();
}

} // namespace
} // namespace zelkam
