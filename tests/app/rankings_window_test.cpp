#include "app/rankings_window.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QLineEdit>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QTreeWidget>
#include <QTest>
#include <gtest/gtest.h>

#include "app/clock_text.h"
#include "app/date_selector_control.h"
#include "app/find_all_window.h"
#include "app/find_dialog.h"
#include "app/player_record_window.h"
#include "app/window_menu.h"
#include "tests/app/viewer_harness.h"
#include "tests/support/log_lines.h"
#include "tests/support/temp_folder.h"
#include "tests/support/time_zone.h"
#include "views/display_text.h"

namespace zelkam {
namespace {

using namespace zelkam::test;

constexpr char Formula[] = "=sum(1,2)";

void kills(LogText& log, const char* time, const char* killer, int killerId, const char* killerTeam,
           const char* victim, int victimId, const char* victimTeam, int times)
{
    for (int i = 0; i < times; ++i)
        log.at(time, killed(killer, killerId, killerTeam, victim, victimId, victimTeam));
}

// Two July days and one in August. In July Ann frags 13 and dies 3 times,
// the formula-named player frags 2 and dies once, Bob frags 1 and dies 12
// times: deaths in text order (3, 12, 1) differ from their number order.
void writeLogs(const TempFolder& folder)
{
    LogText first("07/05/2001");
    first.at("20:00:00", mapStarted("de_dust"))
        .at("20:00:01", connected("Ann", 2, "10.0.0.2:1"))
        .at("20:00:02", joinedTeam("Ann", 2, "CT"))
        .at("20:00:03", connected("Bob", 3, "10.0.0.3:1"))
        .at("20:00:04", joinedTeam("Bob", 3, "TERRORIST"))
        .at("20:00:05", connected(Formula, 4, "10.0.0.4:1"))
        .at("20:00:06", joinedTeam(Formula, 4, "TERRORIST"))
        .at("20:00:07", roundStarted());
    kills(first, "20:01:00", "Ann", 2, "CT", "Bob", 3, "TERRORIST", 3);
    kills(first, "20:02:00", "Ann", 2, "CT", Formula, 4, "TERRORIST", 1);
    kills(first, "20:03:00", "Bob", 3, "TERRORIST", "Ann", 2, "CT", 1);
    kills(first, "20:04:00", Formula, 4, "TERRORIST", "Ann", 2, "CT", 2);
    folder.write("L0705000.log", first.text());

    LogText second("07/06/2001");
    second.at("10:00:00", mapStarted("de_aztec"))
        .at("10:00:01", connected("Ann", 2, "10.0.0.2:1"))
        .at("10:00:02", joinedTeam("Ann", 2, "CT"))
        .at("10:00:03", connected("Bob", 3, "10.0.0.3:1"))
        .at("10:00:04", joinedTeam("Bob", 3, "TERRORIST"))
        .at("10:00:05", roundStarted());
    kills(second, "10:01:00", "Ann", 2, "CT", "Bob", 3, "TERRORIST", 9);
    folder.write("L0706000.log", second.text());

    LogText august("08/01/2001");
    august.at("10:00:00", mapStarted("cs_office"))
        .at("10:00:01", connected("Ann", 2, "10.0.0.2:1"))
        .at("10:00:02", joinedTeam("Ann", 2, "CT"))
        .at("10:00:03", connected("Bob", 3, "10.0.0.3:1"))
        .at("10:00:04", joinedTeam("Bob", 3, "TERRORIST"))
        .at("10:00:05", roundStarted());
    kills(august, "10:01:00", "Bob", 3, "TERRORIST", "Ann", 2, "CT", 5);
    folder.write("L0801000.log", august.text());
}

QString shown(const char* logText)
{
    const std::string text = isolatedDisplayText(logText);
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// Column 0 of every row, as shown.
QStringList firstColumn(const QTableWidget& table)
{
    QStringList texts;
    for (int row = 0; row < table.rowCount(); ++row)
        texts << table.item(row, 0)->text();
    return texts;
}

int columnTitled(const QTableWidget& table, const QString& title)
{
    for (int c = 0; c < table.columnCount(); ++c) {
        if (table.horizontalHeaderItem(c)->text() == title)
            return c;
    }
    return -1;
}

void clickHeader(QTableWidget& table, int column)
{
    QHeaderView* header = table.horizontalHeader();
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                      QPoint(header->sectionViewportPosition(column) + header->sectionSize(column) / 2, header->height() / 2));
}

bool waitForEnd(const RankingsWindow& window)
{
    return QTest::qWaitFor([&] { return !window.isRunning(); }, 20000);
}

struct RankingsWindowOnTwoMonths : ::testing::Test {
    void SetUp() override
    {
        writeLogs(logs);
        ASSERT_TRUE(folder.scan(logs.string()));
        window.setFolder(folder, localStamp(2001, 7, 6) + 3600);
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
        window.start();
        ASSERT_TRUE(waitForEnd(window));
    }

    ScopedTimeZone zone{"UTC0"};
    TempFolder logs;
    FolderDays folder;
    RankingsWindow window{nullptr};
};

TEST_F(RankingsWindowOnTwoMonths, ShowsTheShownDaysMonthSortedByFrags)
{
    EXPECT_EQ(window.fromField()->shownDate(), QDate(2001, 7, 1));
    EXPECT_EQ(window.toField()->shownDate(), QDate(2001, 7, 31));
    EXPECT_FALSE(window.wasStopped());
    EXPECT_FALSE(window.stopButton()->isEnabled());
    EXPECT_EQ(window.statusLabel()->text(), QStringLiteral("3 players, 1 weapons, 2 maps"));
    EXPECT_EQ(window.offeredName(), QStringLiteral("zelkam-rankings-01-07-2001-31-07-2001.csv"));

    QTableWidget& players = *window.table(RankingsWindow::Players);
    // The August day is outside the range: its five kills count nowhere.
    ASSERT_EQ(firstColumn(players), (QStringList{shown("Ann"), shown(Formula), shown("Bob")}));
    const int frags = columnTitled(players, QStringLiteral("Frags"));
    const int deaths = columnTitled(players, QStringLiteral("Deaths"));
    const int ratio = columnTitled(players, QStringLiteral("K/D"));
    const struct {
        const char* frags;
        const char* deaths;
        const char* ratio;
    } expected[] = {{"13", "3", "4.33"}, {"2", "1", "2.00"}, {"1", "12", "0.08"}};
    for (int row = 0; row < 3; ++row) {
        EXPECT_EQ(players.item(row, frags)->text(), QString::fromLatin1(expected[row].frags)) << row;
        EXPECT_EQ(players.item(row, deaths)->text(), QString::fromLatin1(expected[row].deaths)) << row;
        EXPECT_EQ(players.item(row, ratio)->text(), QString::fromLatin1(expected[row].ratio)) << row;
    }

    QTableWidget& weapons = *window.table(RankingsWindow::Weapons);
    ASSERT_EQ(weapons.rowCount(), 1);
    EXPECT_EQ(weapons.item(0, 0)->text(), shown("ak47"));
    EXPECT_EQ(weapons.item(0, 1)->text(), QStringLiteral("16"));
    QTableWidget& maps = *window.table(RankingsWindow::Maps);
    EXPECT_EQ(maps.rowCount(), 2);

    // A wider range takes the August day in.
    window.toField()->setDate(QDate(2001, 8, 31));
    window.start();
    ASSERT_TRUE(waitForEnd(window));
    EXPECT_EQ(firstColumn(players), (QStringList{shown("Ann"), shown("Bob"), shown(Formula)}));
    EXPECT_EQ(players.item(1, frags)->text(), QStringLiteral("6"));
    EXPECT_EQ(maps.rowCount(), 3);
}

// A day of a million players must not make a million rows of cells: each
// table makes rows for its first ones by the column it is sorted by, the
// same rows as unbounded, and a row's record is still its own player's.
TEST_F(RankingsWindowOnTwoMonths, TablesMakeTheFirstRowsShownByTheirSortColumn)
{
    QTableWidget& players = *window.table(RankingsWindow::Players);
    const QStringList all = firstColumn(players);
    ASSERT_EQ(all.size(), 3);
    const ScopedEnvironmentVariable bound("ZELKAM_MOST_ROWS", "2");
    window.start();
    ASSERT_TRUE(waitForEnd(window));
    EXPECT_EQ(firstColumn(players), all.mid(0, 2));
    EXPECT_EQ(window.table(RankingsWindow::Weapons)->rowCount(), 1);
    EXPECT_EQ(window.table(RankingsWindow::Maps)->rowCount(), 2);
    EXPECT_EQ(window.statusLabel()->text(),
              QStringLiteral("3 players, 1 weapons, 2 maps; each table holds its first 2 rows by Frags, Kills, Time "
                             "(zelkam-cli stats lists every one)"));
    std::string activated;
    QObject::connect(&window, &RankingsWindow::playerActivated,
                     [&](const RecordSubject& player, const std::string&) { activated = player.name; });
    players.setCurrentCell(1, 0);
    QTest::keyClick(&players, Qt::Key_Return);
    EXPECT_EQ(shown(activated.c_str()), all[1]);
}

TEST_F(RankingsWindowOnTwoMonths, SortsNumberColumnsByNumberHighestFirst)
{
    QTableWidget& players = *window.table(RankingsWindow::Players);
    const int deaths = columnTitled(players, QStringLiteral("Deaths"));
    clickHeader(players, deaths);
    // As text, "3" would come before "12".
    EXPECT_EQ(firstColumn(players), (QStringList{shown("Bob"), shown("Ann"), shown(Formula)}));
    clickHeader(players, deaths);
    EXPECT_EQ(firstColumn(players), (QStringList{shown(Formula), shown("Ann"), shown("Bob")}));
    // Names sort from A on the first click.
    clickHeader(players, 0);
    EXPECT_EQ(firstColumn(players), (QStringList{shown(Formula), shown("Ann"), shown("Bob")}));
    clickHeader(players, 0);
    EXPECT_EQ(firstColumn(players), (QStringList{shown("Bob"), shown("Ann"), shown(Formula)}));

    // Copy and Save follow the order shown.
    const std::string csv = window.rowsAsCsv(false);
    EXPECT_LT(csv.find("\r\nBob,"), csv.find("\r\nAnn,"));
}

TEST_F(RankingsWindowOnTwoMonths, CopiesGuardedCsvOfTheSelectionOrOfEveryRow)
{
    QTableWidget& players = *window.table(RankingsWindow::Players);
    const std::string header = "player,uniqueId,frags,deaths,kd,kills,teamKills,suicides,time,sessions,days,"
                               "bombsPlanted,bombsDefused,hostagesRescued,roundsWon,chat,names,weapons\r\n";

    // No selection: every row.
    players.clearSelection();
    players.setFocus();
    QTest::keyClick(&players, Qt::Key_C, Qt::ControlModifier);
    const QString all = QApplication::clipboard()->text();
    EXPECT_TRUE(all.startsWith(QString::fromStdString(header))) << all.toStdString();
    EXPECT_EQ(all.count(QStringLiteral("\r\n")), 4);

    // The formula-named player alone: the name cannot run as a formula, and
    // its comma stays inside the field.
    players.selectRow(1);
    window.copyButton()->click();
    const QString one = QApplication::clipboard()->text();
    EXPECT_EQ(one.count(QStringLiteral("\r\n")), 2) << one.toStdString();
    EXPECT_TRUE(one.contains(QStringLiteral("\r\n\"'=sum(1,2)\",100004,2,1,2.0,2,0,0,"))) << one.toStdString();
    EXPECT_TRUE(one.endsWith(QStringLiteral(",\"'=sum(1,2)\",ak47=2\r\n"))) << one.toStdString();

    // Save writes every row, selection or not; the weapons tab has its own.
    TempFolder out;
    const std::string path = (out.path() / "players.csv").string();
    ASSERT_TRUE(window.saveCsv(QString::fromStdString(path)));
    std::ifstream file(path, std::ios::binary);
    std::stringstream saved;
    saved << file.rdbuf();
    EXPECT_EQ(saved.str(), all.toStdString());
    window.tabs()->setCurrentIndex(RankingsWindow::Weapons);
    EXPECT_EQ(window.rowsAsCsv(true), "weapon,kills,teamKills,players\r\nak47,16,0,3\r\n");
    EXPECT_FALSE(window.saveCsv(QString::fromStdString((out.path() / "none" / "x.csv").string())));
}

// A player's record finds the player's sessions again whatever the id the
// row shows: a LAN player keyed by name, an account logged under the newer
// Steam universe, a plain id.
TEST(RankingsWindow, ThePlayerRecordFindsTheRowsSessions)
{
    ScopedTimeZone zone("UTC0");
    TempFolder logs;
    const auto token = [](const char* name, int userId, const char* id) {
        return "\"" + std::string(name) + "<" + std::to_string(userId) + "><" + id + "><>\"";
    };
    logs.write("L0705000.log", LogText("07/05/2001")
                                   .at("20:00:00", mapStarted("de_dust"))
                                   .at("20:00:01", token("Lan", 2, "STEAM_ID_LAN") + " connected, address \"1.0.0.2:1\"")
                                   .at("20:00:02", token("Neo", 3, "STEAM_1:0:5") + " connected, address \"1.0.0.3:1\"")
                                   .at("20:00:03", connected("Ann", 4, "1.0.0.4:1"))
                                   .at("20:10:00", token("Lan", 2, "STEAM_ID_LAN") + " disconnected")
                                   .at("20:10:01", token("Neo", 3, "STEAM_1:0:5") + " disconnected")
                                   .text());
    FolderDays folder;
    ASSERT_TRUE(folder.scan(logs.string()));
    RankingsWindow window(nullptr);
    window.setFolder(folder, localStamp(2001, 7, 5));
    std::vector<RecordSubject> asked;
    QObject::connect(&window, &RankingsWindow::playerActivated,
                     [&](const RecordSubject& subject) { asked.push_back(subject); });
    window.start();
    ASSERT_TRUE(waitForEnd(window));
    QTableWidget& players = *window.table(RankingsWindow::Players);
    ASSERT_EQ(players.rowCount(), 3);
    for (int row = 0; row < 3; ++row)
        emit players.itemActivated(players.item(row, 1));
    ASSERT_EQ(asked.size(), 3u);
    for (const RecordSubject& subject : asked) {
        PlayerHistory history;
        ASSERT_TRUE(collectPlayerHistory(folder, subject, nullptr, history, {}));
        EXPECT_EQ(history.sessions.size(), 1u) << subject.name << " " << subject.uniqueId;
    }
}

// Many days, so that a stop right after the start lands while they are read.
void writeManyDays(const TempFolder& folder)
{
    for (int day = 1; day <= 60; ++day) {
        char name[32];
        char date[32];
        std::snprintf(name, sizeof name, "L%02d%02d000.log", day <= 31 ? 5 : 6, day <= 31 ? day : day - 31);
        std::snprintf(date, sizeof date, "%02d/%02d/2001", day <= 31 ? 5 : 6, day <= 31 ? day : day - 31);
        LogText log(date);
        log.at("10:00:00", mapStarted("de_dust")).at("10:00:01", connected("Ann", 2, "10.0.0.2:1"));
        for (int i = 0; i < 200; ++i)
            log.at("10:01:00", killed("Ann", 2, "CT", "Bob", 3, "TERRORIST"));
        folder.write(name, log.text());
    }
}

TEST(RankingsWindow, StopEndsWithWhatWasReadAndANewStartSupersedes)
{
    ScopedTimeZone zone("UTC0");
    TempFolder logs;
    writeManyDays(logs);
    FolderDays folder;
    ASSERT_TRUE(folder.scan(logs.string()));
    RankingsWindow window(nullptr);
    window.setFolder(folder, localStamp(2001, 5, 1));
    window.toField()->setDate(QDate(2001, 6, 30));
    window.show();

    window.start();
    EXPECT_TRUE(window.isRunning());
    EXPECT_TRUE(window.stopButton()->isEnabled());
    window.stopButton()->click();
    ASSERT_TRUE(waitForEnd(window));
    EXPECT_TRUE(window.wasStopped());
    EXPECT_FALSE(window.stopButton()->isEnabled());
    EXPECT_TRUE(window.statusLabel()->text().contains(QStringLiteral("(stopped"))) << window.statusLabel()->text().toStdString();

    // Stopped after some days were read, the bar keeps the point reached.
    window.start();
    ASSERT_TRUE(QTest::qWaitFor([&] { return window.progressBar()->value() >= 2 || !window.isRunning(); }, 20000));
    window.stopButton()->click();
    ASSERT_TRUE(waitForEnd(window));
    if (window.wasStopped()) {
        EXPECT_GE(window.progressBar()->value(), 2);
        EXPECT_LT(window.progressBar()->value(), window.progressBar()->maximum());
    }

    // Started twice: only the second reading's tables are shown, whole.
    window.start();
    window.start();
    ASSERT_TRUE(waitForEnd(window));
    EXPECT_FALSE(window.wasStopped());
    QTableWidget& players = *window.table(RankingsWindow::Players);
    ASSERT_GE(players.rowCount(), 1);
    EXPECT_EQ(players.item(0, 2)->text(), QStringLiteral("12000"));

    // Closed while reading: the reader is stopped and waited for.
    auto* closing = new RankingsWindow(nullptr);
    closing->setFolder(folder, localStamp(2001, 5, 1));
    closing->start();
    closing->close();
}

TEST(RankingsWindow, OpensFromTheMainWindowAndOpensTheRecord)
{
    ViewerHarness v(writeLogs);
    v.start();
    auto* menu = new WindowMenu(*v.window, v.state, v.settingsStore);
    v.activate();
    QTest::keyClick(v.window.get(), Qt::Key_K, Qt::ControlModifier);
    RankingsWindow* rankings = menu->rankings();
    ASSERT_NE(rankings, nullptr);
    menu->openRankings();
    EXPECT_EQ(menu->rankings(), rankings) << "one at a time";
    // The viewer shows the folder's first day, in July.
    EXPECT_EQ(rankings->fromField()->shownDate(), QDate(2001, 7, 1));
    ASSERT_TRUE(waitForEnd(*rankings));
    QTableWidget& players = *rankings->table(RankingsWindow::Players);
    ASSERT_EQ(players.rowCount(), 3);

    // A double click on a row, as the user gives it.
    ASSERT_TRUE(QTest::qWaitForWindowExposed(rankings));
    const QPoint cell = players.visualItemRect(players.item(0, 3)).center();
    QTest::mouseClick(players.viewport(), Qt::LeftButton, {}, cell);
    QTest::mouseDClick(players.viewport(), Qt::LeftButton, {}, cell);
    auto* record = v.window->findChild<PlayerRecordWindow*>();
    ASSERT_NE(record, nullptr);
    EXPECT_TRUE(record->windowTitle().contains(QStringLiteral("Ann")));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !record->isCollecting(); }, 20000));
}

// Another server's July: Zed alone.
void writeOtherLogs(const TempFolder& folder)
{
    LogText day("07/09/2001");
    day.at("20:00:00", mapStarted("de_nuke"))
        .at("20:00:01", connected("Zed", 2, "10.0.0.9:1"))
        .at("20:00:02", joinedTeam("Zed", 2, "CT"))
        .at("20:00:03", said("Zed", 2, "CT", "hello"));
    folder.write("L0709000.log", day.text());
}

TEST_F(RankingsWindowOnTwoMonths, TypedDatesAreTakenAsTheMainDateBoxTakesThem)
{
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    QTableWidget& players = *window.table(RankingsWindow::Players);
    const auto type = [&](DateSelectorControl* field, const QString& keys) {
        field->comboBox()->setFocus();
        QTest::keyClick(field->editField(), Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(field->editField(), keys);
        QTest::keyClick(field->editField(), Qt::Key_Return);
        QCoreApplication::processEvents();
    };
    const struct {
        const char* name;
        bool from;
        const char* typed;
        QDate from_;
        QDate to;
        const char* note;
    } cases[] = {
        // A date of the calendar is taken as typed, listed or not.
        {"unlisted To", false, "09/02/2023", QDate(2001, 7, 1), QDate(2023, 2, 9), ""},
        {"listed From", true, "05/07/2001", QDate(2001, 7, 5), QDate(2023, 2, 9), ""},
        // What is no date goes back, and says so.
        {"month 13", false, "32/13/2001", QDate(2001, 7, 5), QDate(2023, 2, 9), "not a date"},
        {"no such day", true, "31/02/2001", QDate(2001, 7, 5), QDate(2023, 2, 9), "not a date"},
        {"letters refused", false, "ab", QDate(2001, 7, 5), QDate(2023, 2, 9), ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        DateSelectorControl* field = c.from ? window.fromField() : window.toField();
        type(field, QString::fromLatin1(c.typed));
        EXPECT_EQ(window.fromField()->shownDate(), c.from_) << window.fromField()->editField()->text().toStdString();
        EXPECT_EQ(window.toField()->shownDate(), c.to) << window.toField()->editField()->text().toStdString();
        EXPECT_TRUE(field->comboBox()->toolTip().contains(QString::fromLatin1(c.note)));
        ASSERT_TRUE(waitForEnd(window));
    }
    EXPECT_EQ(players.rowCount(), 3) << "05/07 to 09/02/2023 holds every player";

    // From after To is refused with a word why, and counts nothing.
    type(window.fromField(), QStringLiteral("01/03/2023"));
    EXPECT_FALSE(window.isRunning());
    EXPECT_TRUE(window.statusLabel()->text().contains(QStringLiteral("From is after To")));
    EXPECT_EQ(players.rowCount(), 3) << "the tables stay as they were";
}

TEST(RankingsWindow, OpenWindowsFollowTheMainWindowsFolder)
{
    ViewerHarness v(writeLogs);
    TempFolder other;
    writeOtherLogs(other);
    v.start();
    auto* menu = new WindowMenu(*v.window, v.state, v.settingsStore);
    menu->openRankings();
    RankingsWindow* rankings = menu->rankings();
    ASSERT_TRUE(waitForEnd(*rankings));
    EXPECT_TRUE(rankings->serverBox()->isHidden()) << "a single server offers no choice";
    ASSERT_EQ(rankings->table(RankingsWindow::Players)->rowCount(), 3);
    v.window->dispatchCommand(MainWindow::OpenFind);
    ASSERT_NE(v.window->findDialog(), nullptr);
    FindRequest request;
    request.kind = SearchKind::Player;
    emit v.window->findDialog()->findAllRequested(request);
    auto* found = v.window->findChild<FindAllWindow*>();
    ASSERT_NE(found, nullptr);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !found->isRunning(); }, 20000));
    ASSERT_GT(found->table()->rowCount(), 0);
    v.window->openPlayerRecord(RecordSubject{"Ann", "", 2});
    auto* record = v.window->findChild<PlayerRecordWindow*>();
    ASSERT_NE(record, nullptr);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !record->isCollecting(); }, 20000));

    v.window->openFolder(other.string());
    v.waitForLoads();
    QCoreApplication::processEvents();
    // The rankings count the new folder's month; the rows and lines of the
    // folder before are gone, so none can lead into the new one.
    ASSERT_TRUE(waitForEnd(*rankings));
    QTableWidget& players = *rankings->table(RankingsWindow::Players);
    ASSERT_EQ(players.rowCount(), 1);
    EXPECT_EQ(players.item(0, 0)->text(), shown("Zed"));
    EXPECT_EQ(found->table()->rowCount(), 0);
    EXPECT_FALSE(found->statusLabel()->text().isEmpty());
    EXPECT_EQ(record->dayLines()->count(), 0);
    EXPECT_EQ(record->allDaysList()->topLevelItemCount(), 0);
}

// A community: "pub" holds the two-month logs, "war" Zed's July.
void writeCommunity(const TempFolder& folder)
{
    for (const auto& [server, write] : {std::pair{"pub", &writeLogs}, std::pair{"war", &writeOtherLogs}}) {
        TempFolder own;
        write(own);
        std::filesystem::create_directories(folder.path() / server);
        for (const auto& entry : std::filesystem::directory_iterator(own.path()))
            std::filesystem::copy_file(entry.path(), folder.path() / server / entry.path().filename());
    }
}

// The CSV records of a tab (header dropped), sorted: rows of several
// servers interleave by the sort the table shows.
std::vector<std::string> csvRecords(const RankingsWindow& window)
{
    std::istringstream lines(window.rowsAsCsv(false));
    std::vector<std::string> records;
    std::string line;
    std::getline(lines, line);
    while (std::getline(lines, line))
        records.push_back(line);
    std::sort(records.begin(), records.end());
    return records;
}

// Each server of the community ranked alone, in a window of its own, over
// the same month: its CSV records with the server appended.
std::vector<std::string> ownRecords(const TempFolder& community, const char* server, const RankingsWindow& all,
                                    RankingsWindow::Tab tab, bool labelled)
{
    FolderDays folder;
    EXPECT_TRUE(folder.scan((community.path() / server).string()));
    RankingsWindow own(nullptr);
    const QDate from = all.fromField()->shownDate();
    own.setFolder(folder, localStamp(from.year(), from.month(), from.day()));
    own.start();
    EXPECT_TRUE(waitForEnd(own));
    own.tabs()->setCurrentIndex(tab);
    std::vector<std::string> records = csvRecords(own);
    for (std::string& record : records) {
        record.pop_back(); // the CR of the CRLF
        record += labelled ? "," + std::string(server) + "\r" : "\r";
    }
    return records;
}

// On a community the window offers all servers or one: all servers rank
// each server on its own, every table ending with the server, and equal
// each server ranked alone, labelled; the choice is remembered; a double
// click on another server's player shows that server and its record.
TEST(RankingsWindow, ACommunityRanksAllServersOrTheOneChosen)
{
    ViewerHarness v(writeCommunity);
    std::string stored;
    SettingsStore().readLogFolder(stored); // a first run makes the store
    v.start();
    ASSERT_TRUE(v.window->servers().community);
    auto* menu = new WindowMenu(*v.window, v.state, v.settingsStore);
    menu->openRankings();
    RankingsWindow* rankings = menu->rankings();
    ASSERT_TRUE(waitForEnd(*rankings));
    QComboBox& box = *rankings->serverBox();
    ASSERT_FALSE(box.isHidden());
    ASSERT_EQ(box.count(), 3);
    EXPECT_EQ(box.itemText(0), QStringLiteral("All servers"));
    EXPECT_EQ(box.itemText(2), shown("war"));
    EXPECT_EQ(box.currentIndex(), 0) << "all servers unless one was chosen";
    EXPECT_TRUE(rankings->showsServers());

    struct Case {
        RankingsWindow::Tab tab;
        const char* header;
    };
    const std::vector<Case> tabs = {
        {RankingsWindow::Players, "player,uniqueId,names,"},
        {RankingsWindow::Weapons, "weapon,"},
        {RankingsWindow::Maps, "map,"},
    };
    for (const Case& c : tabs) {
        SCOPED_TRACE(c.header);
        rankings->tabs()->setCurrentIndex(c.tab);
        QTableWidget& table = *rankings->table(c.tab);
        const int serverColumn = RankingsWindow::serverColumnOf(c.tab);
        EXPECT_FALSE(table.isColumnHidden(serverColumn));
        EXPECT_EQ(table.horizontalHeaderItem(serverColumn)->text(), QStringLiteral("Server"));
        const std::string csv = rankings->rowsAsCsv(false);
        EXPECT_NE(csv.find(",server\r\n"), std::string::npos) << csv.substr(0, csv.find('\n'));
        std::vector<std::string> expected = ownRecords(v.logs, "pub", *rankings, c.tab, true);
        const std::vector<std::string> war = ownRecords(v.logs, "war", *rankings, c.tab, true);
        expected.insert(expected.end(), war.begin(), war.end());
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(csvRecords(*rankings), expected);
    }

    // One server chosen: its rows as ranked alone, no server column.
    box.setCurrentIndex(2);
    emit box.activated(2);
    ASSERT_TRUE(waitForEnd(*rankings));
    EXPECT_FALSE(rankings->showsServers());
    rankings->tabs()->setCurrentIndex(RankingsWindow::Players);
    EXPECT_TRUE(rankings->table(RankingsWindow::Players)->isColumnHidden(
        RankingsWindow::serverColumnOf(RankingsWindow::Players)));
    EXPECT_EQ(csvRecords(*rankings), ownRecords(v.logs, "war", *rankings, RankingsWindow::Players, false));
    EXPECT_EQ(v.settingsStore.readServer("Rankings Server"), "war");
    // The date fields list the chosen server's days, whichever the viewer
    // shows.
    FolderDays war;
    ASSERT_TRUE(war.scan((v.logs.path() / "war").string()));
    for (DateSelectorControl* field : {rankings->fromField(), rankings->toField()}) {
        QStringList listed;
        for (int i = 0; i < field->comboBox()->count(); ++i)
            listed << field->comboBox()->itemText(i);
        QStringList expected;
        for (const std::int32_t day : war.days)
            expected << QString::fromStdString(localDateText(day));
        EXPECT_EQ(listed, expected);
    }
    rankings->close();
    QCoreApplication::processEvents();
    menu->openRankings();
    rankings = menu->rankings();
    ASSERT_TRUE(waitForEnd(*rankings));
    EXPECT_EQ(rankings->serverBox()->currentIndex(), 2) << "the choice is remembered";

    // Back to all servers. A player of the server the viewer does not show
    // (Zed plays on war only, Ann on pub only): the double click shows that
    // server, then the player's record.
    rankings->serverBox()->setCurrentIndex(0);
    emit rankings->serverBox()->activated(0);
    ASSERT_TRUE(waitForEnd(*rankings));
    EXPECT_EQ(v.settingsStore.readServer("Rankings Server"), "");
    const auto shownServer = [&] {
        return v.window->servers().servers[static_cast<std::size_t>(v.window->shownServer())].name;
    };
    const std::string other = shownServer() == "war" ? "pub" : "war";
    const char* player = other == "war" ? "Zed" : "Ann";
    QTableWidget& players = *rankings->table(RankingsWindow::Players);
    int row = -1;
    for (int r = 0; r < players.rowCount(); ++r) {
        if (players.item(r, 0)->text() == shown(player))
            row = r;
    }
    ASSERT_GE(row, 0);
    EXPECT_EQ(players.item(row, RankingsWindow::serverColumnOf(RankingsWindow::Players))->text(),
              shown(other.c_str()));
    emit players.itemActivated(players.item(row, 1));
    ASSERT_TRUE(QTest::qWaitFor([&] { return v.window->findChild<PlayerRecordWindow*>() != nullptr; }, 20000));
    EXPECT_EQ(shownServer(), other);
    auto* record = v.window->findChild<PlayerRecordWindow*>();
    EXPECT_TRUE(record->windowTitle().contains(QString::fromLatin1(player)));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !record->isCollecting(); }, 20000));
    EXPECT_GT(record->allDaysList()->topLevelItemCount(), 0);
    // Moving between the community's servers counts nothing again.
    EXPECT_FALSE(rankings->isRunning());
    EXPECT_EQ(rankings->serverBox()->currentIndex(), 0);
}

} // namespace
} // namespace zelkam
