#include "app/player_record_window.h"

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QListWidget>
#include <QTableWidget>
#include <QTabWidget>
#include <QTest>
#include <QTreeWidget>
#include <gtest/gtest.h>

#include "app/admin_log_window.h"
#include "app/find_all_window.h"
#include "parse/text_pool.h"
#include "replay/viewer_state.h"
#include "tests/support/compression.h"
#include "tests/app/viewer_harness.h"
#include "tests/support/log_lines.h"
#include "tests/support/temp_folder.h"
#include "tests/support/time_zone.h"

namespace zelkam {
namespace {

using namespace zelkam::test;

std::string token(std::string_view name, int userId, std::string_view id)
{
    return "\"" + std::string(name) + "<" + std::to_string(userId) + "><" + std::string(id) + "><>\"";
}

QStringList textsOf(const QListWidget* list)
{
    QStringList texts;
    for (int i = 0; i < list->count(); ++i)
        texts << list->item(i)->text();
    return texts;
}

QStringList textsOf(const QTreeWidget* tree)
{
    QStringList texts;
    for (QTreeWidgetItemIterator it(const_cast<QTreeWidget*>(tree)); *it; ++it)
        texts << (*it)->text(0);
    return texts;
}

// Al stays past midnight, then comes twice more on the second day, each
// time logged under the pending id before the server validates it; the
// player list shows him under the pending id of his third connection.
TEST(PlayerRecordWindow, ShowsEverySessionOfTheDayAndOfAllDays)
{
    ScopedTimeZone zone("UTC0");
    const std::string al = "STEAM_0:1:42";
    TempFolder logs;
    logs.write("L0705000.log", LogText("07/05/2001")
                                   .at("22:00:00", token("Al", 2, "STEAM_ID_PENDING") + " connected, address \"10.0.0.2:1\"")
                                   .at("22:00:01", token("Al", 2, al) + " entered the game")
                                   .at("22:00:02", token("Bo", 3, "STEAM_0:1:7") + " connected, address \"10.0.0.3:1\"")
                                   .text());
    logs.write("L0706000.log", LogText("07/06/2001")
                                   .at("00:10:00", token("Al", 2, al) + " say \"late\"")
                                   .at("01:00:00", token("Al", 2, al) + " disconnected")
                                   .at("12:00:00", token("Al", 7, "STEAM_ID_PENDING") + " connected, address \"10.0.0.2:1\"")
                                   .at("12:00:01", token("Al", 7, al) + " entered the game")
                                   .at("12:00:02", token("Al", 7, al) + " joined team \"TERRORIST\"")
                                   .at("12:00:03", token("Al", 7, al) + " joined team \"CT\"")
                                   .at("12:30:00", token("Al", 7, al) + " disconnected")
                                   .at("20:00:00", token("Al", 9, "STEAM_ID_PENDING") + " connected, address \"10.0.0.2:1\"")
                                   .at("20:00:01", token("Al", 9, al) + " entered the game")
                                   .at("20:30:00", roundStarted())
                                   .text());
    ViewerState state;
    ASSERT_TRUE(state.loadFolder(logs.string()));
    ASSERT_TRUE(state.loadDayAt(1));
    state.seek(localStamp(2001, 7, 6, 20, 15, 0));

    PlayerRecordWindow record(state, RecordSubject{"Al", "STEAM_ID_PENDING", 9}, logs.string(), nullptr);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !record.isCollecting(); }, 10000));

    // The day: all three sessions, each header followed by its lines.
    QStringList headers;
    for (const QString& text : textsOf(record.dayLines())) {
        if (!text.startsWith(QStringLiteral(" ")))
            headers << text.left(19);
    }
    EXPECT_EQ(headers.join('|').toStdString(), "00:10:00 - 01:00:00|12:00:00 - 12:30:00|20:00:00 - 20:30:00");
    EXPECT_TRUE(textsOf(record.dayLines()).contains(QStringLiteral("    00:10:00  says: late")));
    // Joins are named as the player list's bands name the teams.
    EXPECT_TRUE(textsOf(record.dayLines()).contains(QStringLiteral("    12:00:02  joined the Terrorists")));
    EXPECT_TRUE(textsOf(record.dayLines()).contains(QStringLiteral("    12:00:03  joined the Counter-Terrorists")));

    // All days: the four sessions `zelkam-cli player --id` lists.
    // One server has no server to name: its column stays hidden.
    EXPECT_TRUE(record.allDaysList()->isColumnHidden(1));
    const QStringList all = textsOf(record.allDaysList());
    ASSERT_EQ(all.size(), 4) << all.join('|').toStdString();
    EXPECT_TRUE(all[0].startsWith(QStringLiteral("05/07/2001 22:00:00 - 22:00:02"))) << all[0].toStdString();
    EXPECT_TRUE(all[1].startsWith(QStringLiteral("06/07/2001 00:10:00 - 01:00:00"))) << all[1].toStdString();
    EXPECT_TRUE(all[1].endsWith(QStringLiteral("chat 1  Al"))) << all[1].toStdString();
    EXPECT_TRUE(all[3].startsWith(QStringLiteral("06/07/2001 20:00:00 - 20:30:00"))) << all[3].toStdString();
    EXPECT_TRUE(record.historyLabel()->text().startsWith(QStringLiteral("All days: seen on 2 days,")))
        << record.historyLabel()->text().toStdString();
}

void writeAlAndSmurf(const TempFolder& logs)
{
    const std::string al = "STEAM_0:1:42";
    logs.write("L0705000.log", LogText("07/05/2001")
                                   .at("20:00:00", token("Al", 2, al) + " connected, address \"10.0.0.2:1\"")
                                   .at("20:00:01", token("Al", 2, al) + " entered the game")
                                   .at("20:05:00", token("Al", 2, al) + " say \"hello\"")
                                   .at("20:10:00", token("Al", 2, al) + " disconnected")
                                   .text());
    logs.write("L0706000.log", LogText("07/06/2001")
                                   .at("10:00:00", token("Smurf", 3, "STEAM_0:1:99") + " connected, address \"10.0.0.2:5\"")
                                   .at("10:00:01", token("Smurf", 3, "STEAM_0:1:99") + " entered the game")
                                   .at("10:00:02", token("Cy", 4, "STEAM_0:1:5") + " connected, address \"10.9.9.9:5\"")
                                   .at("10:30:00", token("Smurf", 3, "STEAM_0:1:99") + " disconnected")
                                   .at("11:00:00", token("Al", 5, al) + " connected, address \"10.0.0.2:1\"")
                                   .at("11:00:01", token("Al", 5, al) + " disconnected")
                                   .text());
}

// A flooded day must not make a row for each of a stranger's million lines:
// past the most rows shown, the record's lines of the day, its sessions of
// all days, its timeline, its linked accounts and Find All count the rest
// and say so. Each list
// bounded to one row holds the first row of the same list unbounded.
TEST(PlayerRecordWindow, ListsMakeTheMostRowsShownAndCountTheRest)
{
    ScopedTimeZone zone("UTC0");
    TempFolder logs;
    writeAlAndSmurf(logs);
    ViewerState state;
    ASSERT_TRUE(state.loadFolder(logs.string()));
    ASSERT_TRUE(state.loadDayAt(0));

    struct Shown {
        QStringList dayLines;
        QStringList timeline;
        QString timelineLabel;
        QStringList found;
        QString foundLabel;
        QStringList allDays;
        QString historyLabel;
        QStringList linked;
        QString linkedLabel;
    };
    const auto open = [&](const char* most) {
        const ScopedEnvironmentVariable bound("ZELKAM_MOST_ROWS", most);
        Shown shown;
        PlayerRecordWindow record(state, RecordSubject{"Al", "STEAM_0:1:42", 2}, logs.string(), nullptr);
        EXPECT_TRUE(QTest::qWaitFor([&] { return !record.isCollecting() && !record.isInvestigating(); }, 10000));
        shown.dayLines = textsOf(record.dayLines());
        shown.allDays = textsOf(record.allDaysList());
        shown.historyLabel = record.historyLabel()->text();
        shown.linked = textsOf(record.linkedAccountsTree());
        shown.linkedLabel = record.linkedAccountsLabel()->text();
        shown.timeline = textsOf(record.timelineList());
        for (QLabel* label : record.findChildren<QLabel*>()) {
            if (label->text().startsWith(QStringLiteral("Every day: ")) && label->text().contains(QStringLiteral("lines")))
                shown.timelineLabel = label->text();
        }
        FindAllWindow find(nullptr);
        find.start(logs.string(), SearchKind::Player, "Al", false);
        EXPECT_TRUE(QTest::qWaitFor([&] { return !find.isRunning(); }, 10000));
        for (int row = 0; row < find.table()->rowCount(); ++row)
            shown.found << find.table()->item(row, 2)->text();
        shown.foundLabel = find.statusLabel()->text();
        return shown;
    };
    const Shown all = open("100000");
    const Shown one = open("1");
    ASSERT_GT(all.dayLines.size(), 1);
    ASSERT_GT(all.timeline.size(), 1);
    ASSERT_GT(all.found.size(), 1);
    ASSERT_EQ(all.allDays.size(), 2);

    ASSERT_EQ(one.dayLines.size(), 2);
    EXPECT_EQ(one.dayLines[0], all.dayLines[0]);
    EXPECT_EQ(one.dayLines[1], QStringLiteral("%1 more lines of the day; the first 1 are shown (zelkam-cli timeline "
                                              "lists every one)")
                                   .arg(all.dayLines.size() - 1));

    EXPECT_EQ(one.timeline, all.timeline.mid(0, 1));
    EXPECT_EQ(all.timelineLabel,
              QStringLiteral("Every day: %1 lines; a double click or Return opens the replay there").arg(all.timeline.size()));
    EXPECT_EQ(one.timelineLabel, QStringLiteral("Every day: %1 lines; the first 1 are shown (zelkam-cli timeline lists "
                                                "every one); a double click or Return opens the replay there")
                                     .arg(all.timeline.size()));

    EXPECT_EQ(one.found, all.found.mid(0, 1));
    EXPECT_EQ(all.foundLabel, QStringLiteral("%1 found").arg(all.found.size()));
    EXPECT_EQ(one.foundLabel,
              QStringLiteral("%1 found; the first 1 are shown (zelkam-cli grep lists every one)").arg(all.found.size()));

    EXPECT_EQ(one.allDays, all.allDays.mid(0, 1));
    EXPECT_TRUE(one.historyLabel.contains(QStringLiteral("\n2 sessions; the first 1 are shown (zelkam-cli player lists "
                                                         "every one)")))
        << one.historyLabel.toStdString();

    ASSERT_GT(all.linked.size(), 1);
    EXPECT_EQ(one.linked, all.linked.mid(0, 1));
    EXPECT_EQ(one.linkedLabel, all.linkedLabel + QStringLiteral("\nThe first 1 rows are shown (zelkam-cli alts lists "
                                                                 "every one)."));
}

// While the viewer holds a flooded day, the text every read may hold at
// once is taken: a walk over the folder (Find All, the player record, the
// Admin Log) then cannot read that day's archive, and must say so rather
// than report nothing found.
TEST(PlayerRecordWindow, ListsSayWhenFilesCouldNotBeReadToTheirEnd)
{
    ScopedTimeZone zone("UTC0");
    TempFolder logs;
    std::string flood = LogText("07/05/2001").at("20:00:00", token("Al", 2, "STEAM_0:1:42") + " connected, address \"10.0.0.2:1\"").text();
    while (flood.size() < 200000)
        flood += LogText("07/05/2001").at("20:00:05", token("Al", 2, "STEAM_0:1:42") + " say \"flood\"").text();
    logs.write("L0705000.log.xz", xzCompressed(flood));
    ViewerState state;
    ASSERT_TRUE(state.loadFolder(logs.string()));
    const std::uint64_t processBound = TextPool::process().bound();
    TextPool::process().setBound(TextPool::process().held() + 50000);
    {
        PlayerRecordWindow record(state, RecordSubject{"Al", "STEAM_0:1:42", 2}, logs.string(), nullptr);
        EXPECT_TRUE(QTest::qWaitFor([&] { return !record.isCollecting() && !record.isInvestigating(); }, 10000));
        FindAllWindow find(nullptr);
        find.start(logs.string(), SearchKind::Chat, "flood", false);
        EXPECT_TRUE(QTest::qWaitFor([&] { return !find.isRunning(); }, 10000));
        const QString cut = QStringLiteral("1 files could not be read to their end (the archive text held at once "
                                           "reached its bound: show a smaller day, or raise it with "
                                           "ZELKAM_TEXT_BOUND_MIB)");
        EXPECT_TRUE(find.statusLabel()->text().endsWith(QStringLiteral("; ") + cut)) << find.statusLabel()->text().toStdString();
        EXPECT_TRUE(record.historyLabel()->text().endsWith(cut)) << record.historyLabel()->text().toStdString();
        EXPECT_TRUE(record.linkedAccountsLabel()->text().endsWith(cut))
            << record.linkedAccountsLabel()->text().toStdString();
        AdminLogWindow audit(AddressNames(), nullptr);
        FolderDays days;
        ASSERT_TRUE(days.scan(logs.string()));
        audit.start(days);
        EXPECT_TRUE(QTest::qWaitFor([&] { return !audit.isCollecting(); }, 10000));
        EXPECT_TRUE(audit.statusLabel()->text().endsWith(QStringLiteral("; ") + cut)) << audit.statusLabel()->text().toStdString();
    }
    TextPool::process().setBound(processBound);
}

// Al plays on the first day; Smurf, another account, comes from Al's
// address on the second while Al is away, and Cy from elsewhere. With
// Hide Addresses on, the record the viewer opens has a Timeline tab that
// tells Al's lines over both days, where Return on a line of the second day
// shows the replay of that day at the line's second, and a Linked accounts
// tab that links Smurf by the address, shown as its pseudonym; no address
// shows anywhere.
TEST(PlayerRecordWindow, TimelineAndLinkedAccountsTabsShowNoAddress)
{
    ViewerHarness viewer(writeAlAndSmurf);
    const ScopedEnvironmentVariable config("XDG_CONFIG_HOME", viewer.logs.string() + "-settings");
    viewer.start();
    ASSERT_TRUE(viewer.window->setAddressesHidden(true));
    viewer.window->openPlayerRecord(RecordSubject{"Al", "STEAM_0:1:42", 2});
    auto* opened = viewer.window->findChild<PlayerRecordWindow*>();
    ASSERT_NE(opened, nullptr);
    PlayerRecordWindow& record = *opened;
    ASSERT_TRUE(QTest::qWaitFor([&] { return !record.isCollecting() && !record.isInvestigating(); }, 10000));
    ASSERT_EQ(record.tabs()->count(), 3);
    EXPECT_EQ(record.tabs()->tabText(1).toStdString(), "Timeline");
    EXPECT_EQ(record.tabs()->tabText(2).toStdString(), "Linked accounts");

    const QStringList timeline = textsOf(record.timelineList());
    const auto lineWith = [&](const char* what) {
        for (int i = 0; i < timeline.size(); ++i) {
            if (timeline[i].contains(QString::fromUtf8(what)))
                return i;
        }
        return -1;
    };
    struct Row {
        const char* what;
        bool shown;
    };
    for (const Row& row : {Row{"05/07/2001 20:00:00", true}, Row{"say: ", true}, Row{"connected from addr-", true},
                           Row{"06/07/2001 11:00:00", true}, Row{"Smurf", false}, Row{"Cy", false}}) {
        EXPECT_EQ(lineWith(row.what) >= 0, row.shown) << row.what << " in\n" << timeline.join('\n').toStdString();
    }
    EXPECT_LT(lineWith("say: "), lineWith("06/07/2001 11:00:00"));

    // Return on the second day's connection: the replay of that day at its
    // second, read off the window's thread as a Find All row's day is.
    ASSERT_EQ(viewer.state.dayStart(), localStamp(2001, 7, 5));
    record.timelineList()->setCurrentItem(record.timelineList()->topLevelItem(lineWith("06/07/2001 11:00:00")));
    QTest::keyClick(record.timelineList(), Qt::Key_Return);
    viewer.waitForLoads();
    EXPECT_EQ(viewer.state.dayStart(), localStamp(2001, 7, 6));
    EXPECT_EQ(viewer.state.clock(), localStamp(2001, 7, 6, 11, 0, 0));
    EXPECT_EQ(viewer.state.speed(), 0);

    // Smurf alone, linked by the address, never on with Al.
    const QTreeWidget* links = record.linkedAccountsTree();
    ASSERT_EQ(links->topLevelItemCount(), 1) << textsOf(links).join('\n').toStdString();
    EXPECT_TRUE(links->topLevelItem(0)->text(0).contains(QStringLiteral("STEAM_0:1:99")));
    EXPECT_TRUE(links->topLevelItem(0)->text(0).contains(QStringLiteral("never on the server at the same time")));
    ASSERT_EQ(links->topLevelItem(0)->childCount(), 1);
    EXPECT_TRUE(links->topLevelItem(0)->child(0)->text(0).startsWith(QStringLiteral("address addr-")));

    QStringList everything = timeline + textsOf(links);
    everything << record.linkedAccountsLabel()->text();
    for (const QString& text : everything)
        EXPECT_FALSE(text.contains(QStringLiteral("10.0.0")) || text.contains(QStringLiteral("10.9.9"))) << text.toStdString();

    // Ctrl+C copies a line as the clipboard takes text, as Find All copies:
    // without the direction marks drawn around names, and no address.
    QTreeWidget* tree = record.linkedAccountsTree();
    struct Copy {
        QAbstractItemView* view;
        std::function<void()> select;
        const char* copied;
    };
    const std::vector<Copy> copies = {
        {record.timelineList(),
         [&] { record.timelineList()->setCurrentItem(record.timelineList()->topLevelItem(lineWith("say: "))); },
         "05/07/2001 20:05:00 Al <STEAM_0:1:42> say: hello\n"},
        {tree, [&] { tree->setCurrentItem(tree->topLevelItem(0)); }, "STEAM_0:1:99 (Smurf): "},
        {tree, [&] { tree->setCurrentItem(tree->topLevelItem(0)->child(0)); }, "address addr-"},
    };
    for (const Copy& copy : copies) {
        SCOPED_TRACE(copy.copied);
        QApplication::clipboard()->clear();
        copy.select();
        QTest::keyClick(copy.view, Qt::Key_C, Qt::ControlModifier);
        const QString copied = QApplication::clipboard()->text();
        EXPECT_TRUE(copied.startsWith(QString::fromUtf8(copy.copied))) << copied.toStdString();
        EXPECT_TRUE(copied.endsWith(QLatin1Char('\n'))) << copied.toStdString();
        for (const char16_t mark : {u'\u2066', u'\u2067', u'\u2068', u'\u2069'})
            EXPECT_FALSE(copied.contains(QChar(mark))) << copied.toStdString();
        EXPECT_FALSE(copied.contains(QStringLiteral("10.0.0"))) << copied.toStdString();
    }
    record.close();
    std::error_code ignored;
    std::filesystem::remove_all(viewer.logs.string() + "-settings", ignored);
}

} // namespace
} // namespace zelkam
