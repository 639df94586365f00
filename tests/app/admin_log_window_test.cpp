#include "app/admin_log_window.h"

#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QListWidget>
#include <QTest>
#include <QTreeWidget>
#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "app/window_menu.h"
#include "tests/app/viewer_harness.h"
#include "tests/support/log_lines.h"
#include "tests/support/temp_folder.h"
#include "tests/support/time_zone.h"

namespace zelkam {
namespace {

using namespace zelkam::test;

void writeAdminDay(const TempFolder& logs)
{
    logs.write("L0705000.log", LogText("07/05/2001")
                                   .at("20:00:00", "\"Target<7><STEAM_0:1:7><>\" connected, address \"10.0.9.1:27005\"")
                                   .at("20:00:05", rconCommand("status", "10.0.1.5:27005"))
                                   .at("20:00:06", rconCommand("users", "10.0.1.5:27005"))
                                   .at("20:01:00", badRconCommand("status", "10.0.3.3:1"))
                                   .at("20:01:20", badRconCommand("status", "10.0.3.3:1"))
                                   .at("20:01:40", badRconCommand("status", "10.0.3.3:1"))
                                   .at("20:02:00", rconCommand("kick \"Target\"", "10.0.3.3:1"))
                                   .text());
}

QStringList textsOf(const AdminLogWindow& window)
{
    QStringList texts;
    for (QTreeWidgetItemIterator it(window.addressTree()); *it; ++it)
        texts << (*it)->text(0);
    for (int i = 0; i < window.warningList()->count(); ++i)
        texts << window.warningList()->item(i)->text();
    return texts;
}

// A password guessed a million times must not make a million rows: the
// audit makes rows for its first ones (addresses and their commands, in
// tree order), the same rows as unbounded, and says how many it left out.
TEST(AdminLogWindow, MakesTheFirstRowsShownAndCountsTheRest)
{
    ScopedTimeZone zone("UTC0");
    TempFolder logs;
    writeAdminDay(logs);
    FolderDays days;
    ASSERT_TRUE(days.scan(logs.string()));
    const auto audit = [&](const char* most) {
        const ScopedEnvironmentVariable bound("ZELKAM_MOST_ROWS", most);
        AdminLogWindow window(AddressNames(), nullptr);
        window.start(days);
        EXPECT_TRUE(QTest::qWaitFor([&] { return !window.isCollecting(); }, 10000));
        QStringList rows;
        for (QTreeWidgetItemIterator it(window.addressTree()); *it; ++it)
            rows << (*it)->text(0);
        return std::pair(rows, window.statusLabel()->text());
    };
    const auto [all, allStatus] = audit("100000");
    const auto [three, threeStatus] = audit("3");
    ASSERT_GT(all.size(), 3);
    EXPECT_EQ(three, all.mid(0, 3));
    EXPECT_EQ(threeStatus, allStatus + QStringLiteral("; the first 3 are shown (zelkam-cli audit lists every one)"));
}

// The admin works from one address; another guesses passwords three times
// in a minute, then gets in and kicks a player. Each address is an item
// with its commands in time order; the guessing and the new address are
// warned of. With Hide Addresses on (kept in the settings) no address
// shows; turned off, the open window shows them again.
TEST(AdminLogWindow, GroupsCommandsByAddressAndWarns)
{
    ViewerHarness viewer(writeAdminDay);
    const ScopedEnvironmentVariable config("XDG_CONFIG_HOME", viewer.logs.string() + "-settings");
    viewer.start();
    // The store a first start makes, which the choice is kept in.
    std::string folder;
    viewer.settingsStore.readLogFolder(folder);
    ASSERT_TRUE(viewer.window->setAddressesHidden(true));
    bool stored = false;
    EXPECT_TRUE(viewer.settingsStore.readSwitch("Hide Addresses", stored) && stored);
    auto* menu = new WindowMenu(*viewer.window, viewer.state, viewer.settingsStore);
    menu->openAdminLog();
    ASSERT_NE(menu->adminLog(), nullptr);
    AdminLogWindow& window = *menu->adminLog();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !window.isCollecting(); }, 10000));

    const QTreeWidget* tree = window.addressTree();
    ASSERT_EQ(tree->topLevelItemCount(), 2);
    struct Row {
        int address;
        const char* head;
        std::vector<const char*> commands;
    };
    const std::vector<Row> rows = {
        {0, ": 2 commands, 0 failed attempts", {"20:00:05", "20:00:06"}},
        {1, ": 1 commands, 3 failed attempts", {"20:01:00 FAILED", "20:01:20 FAILED", "20:01:40 FAILED", "20:02:00"}},
    };
    for (const Row& row : rows) {
        const QTreeWidgetItem* item = tree->topLevelItem(row.address);
        SCOPED_TRACE(item->text(0).toStdString());
        EXPECT_TRUE(item->text(0).startsWith(QStringLiteral("address addr-")));
        EXPECT_TRUE(item->text(0).endsWith(QString::fromUtf8(row.head)));
        ASSERT_EQ(item->childCount(), static_cast<int>(row.commands.size()));
        for (int i = 0; i < item->childCount(); ++i)
            EXPECT_TRUE(item->child(i)->text(0).startsWith(QStringLiteral("05/07/2001 ") + QString::fromUtf8(row.commands[i])))
                << item->child(i)->text(0).toStdString();
    }
    // The kick names the player it meant.
    EXPECT_TRUE(tree->topLevelItem(1)->child(3)->text(0).contains(QStringLiteral("[kick ")));

    QStringList warnings;
    for (int i = 0; i < window.warningList()->count(); ++i)
        warnings << window.warningList()->item(i)->text();
    ASSERT_EQ(warnings.size(), 2) << warnings.join('\n').toStdString();
    EXPECT_TRUE(warnings[0].contains(QStringLiteral("3 failed attempts from addr-"))) << warnings[0].toStdString();
    EXPECT_TRUE(warnings[1].contains(QStringLiteral("never seen before"))) << warnings[1].toStdString();

    for (const QString& text : textsOf(window))
        EXPECT_FALSE(text.contains(QStringLiteral("10.0."))) << text.toStdString();

    // Ctrl+C copies a line as the clipboard takes text, as Find All copies:
    // without the direction marks drawn around names and commands.
    QTreeWidget* addresses = window.addressTree();
    QListWidget* warningList = window.warningList();
    struct Copy {
        QAbstractItemView* view;
        std::function<void()> select;
        const char* copied;
    };
    const std::vector<Copy> copies = {
        {addresses, [&] { addresses->setCurrentItem(addresses->topLevelItem(1)->child(3)); },
         "05/07/2001 20:02:00 "},
        {addresses, [&] { addresses->setCurrentItem(addresses->topLevelItem(0)); }, "address addr-"},
        {warningList, [&] { warningList->setCurrentRow(0); }, "warning: 3 failed attempts from addr-"},
    };
    for (const Copy& copy : copies) {
        SCOPED_TRACE(copy.copied);
        QApplication::clipboard()->clear();
        copy.select();
        QTest::keyClick(copy.view, Qt::Key_C, Qt::ControlModifier);
        const QString copied = QApplication::clipboard()->text();
        EXPECT_TRUE(copied.startsWith(QString::fromUtf8(copy.copied))) << copied.toStdString();
        for (const char16_t mark : {u'\u2066', u'\u2067', u'\u2068', u'\u2069'})
            EXPECT_FALSE(copied.contains(QChar(mark))) << copied.toStdString();
        EXPECT_FALSE(copied.contains(QStringLiteral("10.0."))) << copied.toStdString();
    }

    ASSERT_TRUE(viewer.window->setAddressesHidden(false));
    EXPECT_TRUE(viewer.settingsStore.readSwitch("Hide Addresses", stored) && !stored);
    const QStringList shown = textsOf(window);
    EXPECT_TRUE(shown.contains(QStringLiteral("address 10.0.1.*: 2 commands, 0 failed attempts")))
        << shown.join('\n').toStdString();
    EXPECT_FALSE(shown.join('\n').contains(QStringLiteral("addr-")));
    std::error_code ignored;
    std::filesystem::remove_all(viewer.logs.string() + "-settings", ignored);
}

} // namespace
} // namespace zelkam
