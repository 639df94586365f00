#include "platform/log_folder_setting.h"

#include <filesystem>
#include <string>

#include <QSettings>
#include <gtest/gtest.h>

#include "tests/support/temp_folder.h"

namespace zelkam {
namespace {

#ifdef Q_OS_WIN
// The store is the registry key HKEY_CURRENT_USER\Software\Zelkam, read here
// by its own path. Each test starts without it; what the user had there is
// put back afterwards.
class TempSettings {
public:
    TempSettings()
    {
        QSettings key = registryKey();
        for (const QString& name : key.allKeys())
            saved_.insert(name, key.value(name));
        key.clear();
    }
    ~TempSettings()
    {
        QSettings key = registryKey();
        key.clear();
        for (auto it = saved_.cbegin(); it != saved_.cend(); ++it)
            key.setValue(it.key(), it.value());
    }
    bool exists() const { return !registryKey().allKeys().isEmpty(); }
    void store(const QString& key, const QVariant& value) const { registryKey().setValue(key, value); }
    QVariant stored() const { return registryKey().value(QStringLiteral("Log Directory")); }

private:
    static QSettings registryKey()
    {
        return QSettings(QStringLiteral("HKEY_CURRENT_USER\\Software\\Zelkam"), QSettings::NativeFormat);
    }

    QVariantMap saved_;
};
#else
// Points the per-user native store at a fresh folder for one test, so the
// real user's settings are never touched.
class TempSettings {
public:
    TempSettings()
    {
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, QString::fromStdString(folder.string()));
    }
    std::filesystem::path file() const { return folder.path() / "Zelkam.conf"; }
    bool exists() const { return std::filesystem::exists(file()); }
    void store(const QString& key, const QVariant& value) const
    {
        QSettings settings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Zelkam"));
        settings.setValue(key, value);
    }
    QVariant stored() const
    {
        QSettings settings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Zelkam"));
        return settings.value(QStringLiteral("Log Directory"));
    }

    test::TempFolder folder;
};
#endif

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
