#include "platform/settings_store.h"

#include <filesystem>
#include <string>

#include <QScreen>
#include <QSettings>
#include <QWidget>
#include <gtest/gtest.h>

#include "platform/window_place.h"
#include "tests/support/temp_folder.h"
#include "tests/support/temp_settings.h"

namespace zelkam {
namespace {

using test::TempSettings;

TEST(SettingsStore, FirstRunCreatesTheStoreWithTheStartDirectory)
{
    TempSettings settings;
    std::string folder;
    SettingsStore().readLogFolder(folder);
    EXPECT_EQ(folder, ".");
    EXPECT_TRUE(settings.exists());
    EXPECT_EQ(settings.stored().toString(), QStringLiteral("."));
}

TEST(SettingsStore, ReadsTheStoredFolderOrLeavesTheTextWhenUnusable)
{
    // Far beyond the 259 bytes of the platform's old path buffer.
    const std::string longest(4000, 'a');
    const struct {
        const char* name;
        QVariant stored;
        std::string expected;
    } cases[] = {
        {"a path", QStringLiteral("/srv/hlds/cstrike/logs"), "/srv/hlds/cstrike/logs"},
        {"a path of any length is kept", QString::fromStdString(longest), longest},
        {"a list is not a text", QStringList{QStringLiteral("a"), QStringLiteral("b")}, "kept"},
        {"an empty path is a path", QString(), ""},
    };
    for (const auto& c : cases) {
        TempSettings settings;
        settings.store(QStringLiteral("Log Directory"), c.stored);
        std::string folder = "kept";
        SettingsStore().readLogFolder(folder);
        EXPECT_EQ(folder, c.expected) << c.name;
    }
}

TEST(SettingsStore, MissingValueInAnExistingStoreLeavesTheTextAndWritesNothing)
{
    TempSettings settings;
    settings.store(QStringLiteral("Other"), 1);
    std::string folder;
    SettingsStore().readLogFolder(folder);
    EXPECT_EQ(folder, "");
    EXPECT_FALSE(settings.stored().isValid());
}

TEST(SettingsStore, WritesOnlyIntoAnExistingStore)
{
    TempSettings settings;
    SettingsStore().writeLogFolder("/tmp/elsewhere");
    EXPECT_FALSE(settings.exists());

    std::string folder;
    SettingsStore().readLogFolder(folder);
    SettingsStore().writeLogFolder("/tmp/elsewhere, with a comma");
    folder.clear();
    SettingsStore().readLogFolder(folder);
    EXPECT_EQ(folder, "/tmp/elsewhere, with a comma");
}

// Each window keeps its size and place under its own name; what a store
// holds for one is no other's, and nothing is kept without a store.
TEST(WindowPlace, EachWindowComesBackAsItWasLeftUnderItsName)
{
    const QRect screen = QWidget().screen()->availableGeometry();
    const struct {
        const char* name;
        bool firstRun; // the store was made, as the first start makes it
        QSize leftAt;
        QSize expected;
    } cases[] = {
        {"kept in a store", true, QSize(610, 470), QSize(610, 470)},
        {"cut to the screen", true, screen.size() + QSize(500, 500), screen.size()},
        {"no store, nothing kept", false, QSize(610, 470), QSize(300, 200)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TempSettings settings;
        SettingsStore store;
        if (c.firstRun) {
            std::string folder;
            store.readLogFolder(folder);
        }
        const QPoint place = screen.topLeft() + QPoint(30, 40);
        {
            QWidget window;
            WindowPlace kept(window, "Some Window");
            kept.keepIn(store);
            window.show();
            window.resize(c.leftAt);
            window.move(place);
            window.close();
        }
        QWidget again;
        again.resize(300, 200);
        WindowPlace kept(again, "Some Window");
        kept.keepIn(store);
        again.show();
        EXPECT_EQ(again.size(), c.expected);
        if (c.firstRun) {
            EXPECT_EQ(again.pos(), place);
        }
        QWidget other;
        other.resize(300, 200);
        WindowPlace otherKept(other, "Other Window");
        otherKept.keepIn(store);
        EXPECT_EQ(other.size(), QSize(300, 200));
    }
}

} // namespace
} // namespace zelkam
