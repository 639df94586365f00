// The main window on a community of servers: the selector, switching at the
// same time of day, the server remembered and servers that appear later.

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QFontMetrics>
#include <QHeaderView>
#include <QTableWidget>
#include <QTest>
#include <QTreeWidget>
#include <gtest/gtest.h>

#include "app/admin_log_window.h"
#include "app/main_window.h"
#include "app/find_all_window.h"
#include "app/player_list_control.h"
#include "app/player_record_window.h"
#include "app/servers_window.h"
#include "app/window_menu.h"
#include "platform/settings_store.h"
#include "tests/app/viewer_harness.h"
#include "tests/support/log_lines.h"
#include "tests/support/temp_folder.h"

namespace zelkam {
namespace {

namespace fs = std::filesystem;
using test::lineAt;
using test::TempFolder;

void writeServer(const TempFolder& dir, const char* server, const char* file, const std::string& text)
{
    fs::create_directories(dir.path() / server);
    dir.write(std::string(server) + "/" + file, text);
}

// Two servers: "public" plays two days, "war" only the first and a day
// before it; war's logs are written last. A loose file and a folder
// without logs beside them are no servers.
void writeCommunity(const TempFolder& dir)
{
    std::string pub = lineAt("07/06/2001", "10:00:00", "Started map \"de_dust\"");
    pub += lineAt("07/06/2001", "12:00:00", "\"Gordon<2><111><>\" connected, address \"10.0.0.1:27005\"");
    writeServer(dir, "public", "L0706000.log", pub);
    writeServer(dir, "public", "L0707000.log",
                lineAt("07/07/2001", "09:00:00", "Started map \"cs_office\"")
                    + lineAt("07/07/2001", "11:00:00", "\"Eli<4><333><>\" connected, address \"10.0.0.3:27005\""));
    std::string war = lineAt("07/05/2001", "08:00:00", "Started map \"de_inferno\"");
    writeServer(dir, "war", "L0705000.log", war);
    war = lineAt("07/06/2001", "09:00:00", "Started map \"de_nuke\"");
    war += lineAt("07/06/2001", "13:00:00", "\"Barney<3><222><>\" connected, address \"10.0.0.2:27005\"");
    writeServer(dir, "war", "L0706000.log", war);
    // Public's files were written in their own order, an hour apart, and
    // both before war's.
    for (const auto& [file, hours] : {std::pair{"L0706000.log", 2}, std::pair{"L0707000.log", 1}}) {
        const fs::path written = dir.path() / "public" / file;
        fs::last_write_time(written, fs::last_write_time(written) - std::chrono::hours(hours));
    }
    fs::create_directories(dir.path() / "empty");
    dir.write("notes.txt", "not a log");
}

struct Community : test::ViewerHarness {
    Community() : ViewerHarness(writeCommunity) {}

    QString server() const { return window->serverSelector()->currentText(); }
    void choose(int index)
    {
        window->serverSelector()->setCurrentIndex(index);
        emit window->serverSelector()->activated(index);
        waitForLoads();
    }
};

TEST(MainWindowServers, ACommunityOpensItsNewestServerWithASelectorInARowOfItsOwn)
{
    Community v;
    v.start();
    MainWindow& w = *v.window;
    EXPECT_EQ(w.size(), QSize(500, 580)) << "the window keeps its size";
    QComboBox* servers = w.serverSelector();
    ASSERT_TRUE(servers->isVisible());
    ASSERT_EQ(servers->count(), 2);
    EXPECT_EQ(servers->itemText(0), QStringLiteral("\u2068public\u2069"));
    EXPECT_EQ(v.server(), QStringLiteral("\u2068war\u2069")) << "the one written to last";
    EXPECT_EQ(v.dateText(), QStringLiteral("05/07/2001"));
    EXPECT_TRUE(w.windowTitle().endsWith(QStringLiteral("war \u2014 05/07/2001"))) << w.windowTitle().toStdString();
    // Under the date and above the player list, which gives up the row.
    // As wide as the player list below, leaving room for hostnames.
    EXPECT_EQ(servers->geometry(), QRect(64, 48, 420, 24));
    EXPECT_EQ(w.playerList()->window()->geometry(), QRect(16, 84, 468, 304));
    EXPECT_TRUE(w.findChild<QLabel*>(QStringLiteral("serverCaption"))->isVisible());
}

// The hostname a server's newest log states follows its name in the box, a
// stranger's text drawn through the display rule (an override cannot turn
// what follows it around) and cut short to the box, never the name.
TEST(MainWindowServers, TheSelectorNamesEachServersLoggedHostname)
{
    struct Case {
        const char* server;
        std::string hostname; // empty: none logged
        QString startsWith;
        bool elided;
    };
    const std::string longName = "Public Dust | 24/7 de_dust2 only | fast download | no ads | www.example.org";
    const std::vector<Case> cases = {
        {"a_short", "Dust", QStringLiteral("\u2068a_short\u2069 \u2014 \u2068Dust\u2069"), false},
        {"b_long", longName, QStringLiteral("\u2068b_long\u2069 \u2014 \u2068Public Dust"), true},
        {"c_override", "War\u202eRAW", QStringLiteral("\u2068c_override\u2069 \u2014 \u2068War\u202eRAW\u2069"), false},
        {"d_none", "", QStringLiteral("\u2068d_none\u2069"), false},
    };
    test::ViewerHarness v([](const TempFolder&) {});
    for (const Case& c : cases) {
        std::string log = lineAt("07/06/2001", "10:00:00", "Started map \"de_dust\"");
        if (!c.hostname.empty())
            log += lineAt("07/06/2001", "10:00:00", "Server cvar \"hostname\" = \"" + c.hostname + "\"");
        writeServer(v.logs, c.server, "L0706000.log", log);
    }
    v.start();
    QComboBox* servers = v.window->serverSelector();
    ASSERT_EQ(servers->count(), static_cast<int>(cases.size()));
    for (std::size_t i = 0; i < cases.size(); ++i) {
        const Case& c = cases[i];
        SCOPED_TRACE(c.server);
        const QString text = servers->itemText(static_cast<int>(i));
        EXPECT_TRUE(text.startsWith(c.startsWith)) << text.toStdString();
        EXPECT_EQ(text.contains(QChar(0x2026)), c.elided) << text.toStdString();
        EXPECT_TRUE(text.endsWith(QChar(0x2069))) << "the isolate is closed";
        EXPECT_LE(servers->fontMetrics().horizontalAdvance(text), servers->width());
    }
    // A wider window gives the hostname the room: the long one shows whole.
    v.window->resize(900, 580);
    EXPECT_EQ(servers->itemText(1), QStringLiteral("\u2068b_long\u2069 \u2014 \u2068") +
                                        QString::fromStdString(longName) + QChar(0x2069));
}

TEST(MainWindowServers, SwitchingServerKeepsTheTimeOfDayAndHowItPlays)
{
    Community v;
    v.start();
    v.choose(0);
    ASSERT_EQ(v.server(), QStringLiteral("\u2068public\u2069"));
    EXPECT_EQ(v.dateText(), QStringLiteral("06/07/2001")) << "public's first day";
    v.window->trackbarNotified(MainWindow::ThumbPosition, 11 * 60 + 30);
    v.click(MainWindow::Fast);
    ASSERT_EQ(v.time(), QStringLiteral("11:30:00"));

    const struct {
        const char* name;
        int step;
        const char* server;
        const char* date;
        const char* time;
    } steps[] = {
        {"the same date on the other server", 1, "war", "06/07/2001", "11:30:00"},
        {"no step past the last server", 1, "war", "06/07/2001", "11:30:00"},
        {"back at the same time", -1, "public", "06/07/2001", "11:30:00"},
    };
    for (const auto& s : steps) {
        v.activate();
        v.key(s.step < 0 ? Qt::Key_Up : Qt::Key_Down, Qt::ControlModifier);
        EXPECT_EQ(v.server(), QStringLiteral("\u2068%1\u2069").arg(QLatin1String(s.server))) << s.name;
        EXPECT_EQ(v.dateText(), QLatin1String(s.date)) << s.name;
        EXPECT_EQ(v.time(), QLatin1String(s.time)) << s.name;
        EXPECT_EQ(v.state.speed(), 5) << s.name << ": plays on at >>";
    }
    EXPECT_EQ(v.window->serverFolder(), (v.logs.path() / "public").string());

    // A date the other server has not: its nearest earlier day.
    v.click(MainWindow::Pause);
    v.key(Qt::Key_Right, Qt::ControlModifier);
    ASSERT_EQ(v.dateText(), QStringLiteral("07/07/2001"));
    v.window->trackbarNotified(MainWindow::ThumbPosition, 10 * 60);
    v.choose(1);
    EXPECT_EQ(v.dateText(), QStringLiteral("06/07/2001"));
    EXPECT_EQ(v.time(), QStringLiteral("10:00:00"));
    EXPECT_EQ(v.map(), QStringLiteral("de_nuke"));
    EXPECT_EQ(v.state.speed(), 0);
}

TEST(MainWindowServers, TheServerShownLastIsOpenedNextTime)
{
    Community v;
    std::string stored;
    SettingsStore().readLogFolder(stored); // a first run makes the store
    v.start();
    v.choose(0);
    EXPECT_EQ(test::SettingsScope::stored("Server").toByteArray(), QByteArray("public"));
    v.window.reset();
    v.start();
    EXPECT_EQ(v.server(), QStringLiteral("\u2068public\u2069"));
    EXPECT_EQ(v.window->serverFolder(), (v.logs.path() / "public").string());
}

TEST(MainWindowServers, AServerThatAppearsWhileShownJoinsTheSelector)
{
    Community v;
    v.start();
    writeServer(v.logs, "deathmatch", "L0706000.log", lineAt("07/06/2001", "10:00:00", "Started map \"fy_iceworld\""));
    v.ticks(10);
    QComboBox* servers = v.window->serverSelector();
    ASSERT_EQ(servers->count(), 3);
    EXPECT_EQ(servers->itemText(0), QStringLiteral("\u2068deathmatch\u2069"));
    EXPECT_EQ(v.server(), QStringLiteral("\u2068war\u2069")) << "the shown server stays shown";
    v.choose(0);
    EXPECT_EQ(v.map(), QString());
    EXPECT_EQ(v.dateText(), QStringLiteral("06/07/2001")) << "its nearest day to war's first";
}

TEST(MainWindowServers, TheServersWindowShowsWhatEachPlaysNowAndOpensOneLive)
{
    Community v;
    v.start();
    auto* menu = new WindowMenu(*v.window, v.state, v.settingsStore);
    menu->openServers();
    ServersWindow* servers = menu->servers();
    ASSERT_NE(servers, nullptr);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !servers->isReading(); }, 10000));
    // Two minutes after public's newest line (11:00:00 of 07/07/2001, UTC).
    servers->setWallClock([] { return std::int64_t{994503720}; });
    servers->refresh();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !servers->isReading(); }, 10000));
    QTableWidget* table = servers->table();
    ASSERT_EQ(table->rowCount(), 2);
    const struct {
        int row;
        const char* server;
        const char* map;
        const char* spectators;
        const char* written;
    } rows[] = {
        {0, "public", "cs_office", "1", "2 min"},
        {1, "war", "de_nuke", "1", "22 h"},
    };
    for (const auto& r : rows) {
        EXPECT_EQ(table->item(r.row, 0)->text(), QStringLiteral("\u2068%1\u2069").arg(QLatin1String(r.server)));
        EXPECT_EQ(table->item(r.row, 1)->text(), QStringLiteral("\u2068%1\u2069").arg(QLatin1String(r.map)));
        EXPECT_EQ(table->item(r.row, 4)->text(), QLatin1String(r.spectators)) << r.server;
        EXPECT_EQ(table->item(r.row, 6)->text(), QLatin1String(r.written)) << r.server;
    }
    EXPECT_TRUE(servers->timer().isActive()) << "refreshed while open";

    emit table->cellDoubleClicked(0, 0);
    v.waitForLoads();
    EXPECT_EQ(v.server(), QStringLiteral("\u2068public\u2069"));
    EXPECT_EQ(v.dateText(), QStringLiteral("07/07/2001")) << "its newest day";
    v.ticks(1);
    EXPECT_EQ(v.map(), QStringLiteral("cs_office")) << "at its newest line";
    EXPECT_EQ(v.state.speed(), 1) << "playing at >, as Ctrl+End leaves it";
}

TEST(MainWindowServers, FindAllSearchesEveryServerAndAHitOpensItsServer)
{
    Community v;
    v.start();
    ASSERT_EQ(v.server(), QStringLiteral("\u2068war\u2069"));
    v.window->dispatchCommand(MainWindow::OpenFind);
    ASSERT_NE(v.window->findDialog(), nullptr);
    FindRequest request;
    request.kind = SearchKind::Player;
    emit v.window->findDialog()->findAllRequested(request);
    auto* results = v.window->findChild<FindAllWindow*>();
    ASSERT_NE(results, nullptr);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !results->isRunning(); }, 20000));
    QTableWidget* table = results->table();
    // Each server's connections, servers in the selector's order.
    ASSERT_EQ(table->rowCount(), 3);
    EXPECT_FALSE(table->isColumnHidden(3));
    const char* const servers[] = {"public", "public", "war"};
    const char* const players[] = {"Gordon", "Eli", "Barney"};
    for (int row = 0; row < 3; ++row) {
        EXPECT_EQ(table->item(row, 3)->text(), QStringLiteral("\u2068%1\u2069").arg(QLatin1String(servers[row])));
        EXPECT_EQ(results->hitAt(row).server, servers[row]);
        EXPECT_EQ(table->item(row, 2)->text(), QLatin1String(players[row]));
    }
    EXPECT_NE(results->rowsAsCsv().find("date,time,line,server\r\n"), std::string::npos);

    emit table->itemActivated(table->item(0, 2));
    v.waitForLoads();
    QCoreApplication::processEvents();
    EXPECT_EQ(v.server(), QStringLiteral("\u2068public\u2069")) << "the hit's server";
    EXPECT_EQ(v.dateText(), QStringLiteral("06/07/2001"));
    EXPECT_EQ(v.time(), QStringLiteral("12:00:01")) << "just after the hit, its day's last line";
    EXPECT_EQ(table->rowCount(), 3) << "the community's rows stay while its servers change";
}

// Gordon plays on both servers, each day of its own; war, written last, is
// shown. His record finds both sessions, each naming its server in the
// last column, and a double click on public's opens public's day where the
// session starts; the record stays while the servers change.
TEST(MainWindowServers, ThePlayerRecordFindsEveryServersSessionsAndOpensTheirServer)
{
    test::ViewerHarness v([](const TempFolder& dir) {
        const std::string gordon = "\"Gordon<2><STEAM_0:1:5><>\" connected, address \"10.0.0.1:27005\"";
        writeServer(dir, "public", "L0706000.log",
                    lineAt("07/06/2001", "10:00:00", "Started map \"de_dust\"") + lineAt("07/06/2001", "12:00:00", gordon) +
                        lineAt("07/06/2001", "12:30:00", "World triggered \"Round_Start\"") +
                        lineAt("07/06/2001", "12:40:00", "\"Smurf<3><STEAM_0:1:77><>\" connected, address \"10.0.0.1:27005\""));
        writeServer(dir, "war", "L0707000.log",
                    lineAt("07/07/2001", "14:00:00", "Started map \"de_nuke\"") + lineAt("07/07/2001", "15:00:00", gordon));
        const fs::path older = dir.path() / "public" / "L0706000.log";
        fs::last_write_time(older, fs::last_write_time(older) - std::chrono::hours(1));
    });
    v.start();
    ASSERT_EQ(v.window->serverSelector()->currentText(), QStringLiteral("\u2068war\u2069"));
    v.window->openPlayerRecord(RecordSubject{"Gordon", "STEAM_0:1:5", 2});
    auto* record = v.window->findChild<PlayerRecordWindow*>();
    ASSERT_NE(record, nullptr);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !record->isCollecting(); }, 20000));
    QTreeWidget* sessions = record->allDaysList();
    ASSERT_EQ(sessions->topLevelItemCount(), 2);
    EXPECT_FALSE(sessions->isColumnHidden(1));
    EXPECT_FALSE(sessions->isHeaderHidden());
    EXPECT_EQ(sessions->headerItem()->text(1), QStringLiteral("Server"));
    const char* const servers[] = {"public", "war"};
    const char* const starts[] = {"06/07/2001 12:00:00", "07/07/2001 15:00:00"};
    for (int row = 0; row < 2; ++row) {
        EXPECT_EQ(sessions->topLevelItem(row)->text(1), QStringLiteral("\u2068%1\u2069").arg(QLatin1String(servers[row])));
        EXPECT_TRUE(sessions->topLevelItem(row)->text(0).startsWith(QLatin1String(starts[row])))
            << sessions->topLevelItem(row)->text(0).toStdString();
        EXPECT_EQ(record->allDaysSession(row).server, servers[row]);
    }
    EXPECT_TRUE(record->historyLabel()->text().startsWith(QStringLiteral("All days: seen on 2 days,")))
        << record->historyLabel()->text().toStdString();
    // His other account, from his address on the server not shown, is
    // linked: accounts are linked across the community.
    ASSERT_TRUE(QTest::qWaitFor([&] { return !record->isInvestigating(); }, 20000));
    QTreeWidget* links = record->linkedAccountsTree();
    ASSERT_EQ(links->topLevelItemCount(), 1);
    EXPECT_TRUE(links->topLevelItem(0)->text(0).contains(QStringLiteral("STEAM_0:1:77")))
        << links->topLevelItem(0)->text(0).toStdString();

    emit sessions->itemActivated(sessions->topLevelItem(0), 0);
    v.waitForLoads();
    QCoreApplication::processEvents();
    EXPECT_EQ(v.window->serverSelector()->currentText(), QStringLiteral("\u2068public\u2069")) << "the session's server";
    EXPECT_EQ(v.dateText(), QStringLiteral("06/07/2001"));
    EXPECT_EQ(v.time(), QStringLiteral("12:00:00")) << "where the session starts";
    EXPECT_EQ(sessions->topLevelItemCount(), 2) << "the record stays while the community's servers change";

    // His timeline tells his lines on both servers in time order, each
    // naming its server; Return on war's connection opens war at it.
    QTreeWidget* timeline = record->timelineList();
    EXPECT_FALSE(timeline->isColumnHidden(1));
    QStringList lineServers;
    int warConnection = -1;
    for (int row = 0; row < timeline->topLevelItemCount(); ++row) {
        const QTreeWidgetItem* item = timeline->topLevelItem(row);
        lineServers << item->text(1);
        if (item->text(0).contains(QStringLiteral("connected from")) && item->text(1).contains(QStringLiteral("war")))
            warConnection = row;
    }
    const QString publicName = QStringLiteral("\u2068public\u2069");
    const QString warName = QStringLiteral("\u2068war\u2069");
    EXPECT_EQ(lineServers, QStringList({publicName, publicName, publicName, warName, warName, warName}));
    // The server is read first, and no line is cut short beside it.
    QCoreApplication::processEvents();
    for (QTreeWidget* list : {sessions, timeline}) {
        const QHeaderView& header = *list->header();
        EXPECT_LT(header.sectionViewportPosition(1), header.sectionViewportPosition(0));
        for (int row = 0; row < list->topLevelItemCount(); ++row) {
            const QString line = list->topLevelItem(row)->text(0);
            EXPECT_GE(list->columnWidth(0), QFontMetrics(list->font()).horizontalAdvance(line)) << line.toStdString();
        }
    }
    ASSERT_GE(warConnection, 0);
    timeline->setCurrentItem(timeline->topLevelItem(warConnection));
    QTest::keyClick(timeline, Qt::Key_Return);
    v.waitForLoads();
    QCoreApplication::processEvents();
    EXPECT_EQ(v.window->serverSelector()->currentText(), warName) << "the line's server";
    EXPECT_EQ(v.dateText(), QStringLiteral("07/07/2001"));
    EXPECT_EQ(v.time(), QStringLiteral("15:00:00"));
}

// An address guesses at the console of both servers, then gets into war's:
// the Admin Log reads every server, each command naming its server in the
// Server column, the guesses at both adding up to one warning, and it
// stays while the servers change.
TEST(MainWindowServers, TheAdminLogReadsEveryServer)
{
    test::ViewerHarness v([](const TempFolder& dir) {
        const std::string guesser = "10.9.9.9:1";
        writeServer(dir, "public", "L0706000.log",
                    lineAt("07/06/2001", "10:00:00", "Started map \"de_dust\"") +
                        lineAt("07/06/2001", "12:00:00", test::badRconCommand("status", guesser)) +
                        lineAt("07/06/2001", "12:02:00", test::badRconCommand("status", guesser)));
        writeServer(dir, "war", "L0706000.log",
                    lineAt("07/06/2001", "10:00:00", "Started map \"de_nuke\"") +
                        lineAt("07/06/2001", "12:01:00", test::badRconCommand("status", guesser)) +
                        lineAt("07/06/2001", "12:03:00", test::rconCommand("status", guesser)));
    });
    v.start();
    auto* menu = new WindowMenu(*v.window, v.state, v.settingsStore);
    menu->openAdminLog();
    AdminLogWindow* log = menu->adminLog();
    ASSERT_NE(log, nullptr);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !log->isCollecting(); }, 20000));
    const QTreeWidget* tree = log->addressTree();
    EXPECT_FALSE(tree->isColumnHidden(1));
    ASSERT_EQ(tree->topLevelItemCount(), 1);
    const QTreeWidgetItem* address = tree->topLevelItem(0);
    EXPECT_TRUE(address->text(0).endsWith(QStringLiteral(": 1 commands, 3 failed attempts"))) << address->text(0).toStdString();
    const char* const servers[] = {"public", "war", "public", "war"};
    const char* const times[] = {"12:00:00 FAILED", "12:01:00 FAILED", "12:02:00 FAILED", "12:03:00 "};
    ASSERT_EQ(address->childCount(), 4);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(address->child(i)->text(1), QStringLiteral("\u2068%1\u2069").arg(QLatin1String(servers[i])));
        EXPECT_TRUE(address->child(i)->text(0).startsWith(QStringLiteral("06/07/2001 ") + QLatin1String(times[i])))
            << address->child(i)->text(0).toStdString();
    }
    ASSERT_EQ(log->warningList()->count(), 1);
    EXPECT_TRUE(log->warningList()->item(0)->text().startsWith(QStringLiteral("warning: 3 failed attempts")))
        << log->warningList()->item(0)->text().toStdString();

    const int other = v.window->serverSelector()->currentIndex() == 0 ? 1 : 0;
    v.window->serverSelector()->setCurrentIndex(other);
    emit v.window->serverSelector()->activated(other);
    v.waitForLoads();
    EXPECT_EQ(log->addressTree()->topLevelItemCount(), 1) << "the community's audit stays while its servers change";
}

TEST(MainWindowServers, ASingleServerShowsNoSelector)
{
    test::ViewerHarness v([](const TempFolder& dir) {
        dir.write("L0706000.log", lineAt("07/06/2001", "10:00:00", "Started map \"de_dust\""));
        // A folder with logs inside a server's folder is no server of it.
        fs::create_directories(dir.path() / "backup");
        dir.write("backup/L0601000.log", lineAt("06/01/2001", "10:00:00", "Started map \"de_dust\""));
    });
    v.start();
    EXPECT_FALSE(v.window->serverSelector()->isVisible());
    EXPECT_EQ(v.window->playerList()->window()->geometry(), QRect(16, 56, 468, 332));
    v.key(Qt::Key_Down, Qt::ControlModifier);
    EXPECT_EQ(v.window->serverFolder(), v.logs.string());
}

} // namespace
} // namespace zelkam
