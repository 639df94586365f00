#include "platform/log_folder_setting.h"

#include <filesystem>
#include <string>

#include <QSettings>
#include <gtest/gtest.h>

#include "tests/support/temp_folder.h"
#include "tests/support/temp_settings.h"

namespace zelkam {
namespace {

using test::TempSettings;

TEST(LogFolderSetting, FirstRunCreatesTheStoreWithTheStartDirectory)
{
    TempSettings settings;
    std::string folder;
    LogFolderSetting().read(folder);
    EXPECT_EQ(folder, ".");
    EXPECT_TRUE(settings.exists());
    EXPECT_EQ(settings.stored().toString(), QStringLiteral("."));
}

TEST(LogFolderSetting, ReadsTheStoredFolderOrLeavesTheTextWhenUnusable)
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
        LogFolderSetting().read(folder);
        EXPECT_EQ(folder, c.expected) << c.name;
    }
}

TEST(LogFolderSetting, MissingValueInAnExistingStoreLeavesTheTextAndWritesNothing)
{
    TempSettings settings;
    settings.store(QStringLiteral("Other"), 1);
    std::string folder;
    LogFolderSetting().read(folder);
    EXPECT_EQ(folder, "");
    EXPECT_FALSE(settings.stored().isValid());
}

TEST(LogFolderSetting, WritesOnlyIntoAnExistingStore)
{
    TempSettings settings;
    LogFolderSetting().write("/tmp/elsewhere");
    EXPECT_FALSE(settings.exists());

    std::string folder;
    LogFolderSetting().read(folder);
    LogFolderSetting().write("/tmp/elsewhere, with a comma");
    folder.clear();
    LogFolderSetting().read(folder);
    EXPECT_EQ(folder, "/tmp/elsewhere, with a comma");
}

} // namespace
} // namespace zelkam
