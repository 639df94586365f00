#include "tests/support/temp_settings.h"

#include <filesystem>

#include <QSettings>
#include <QSystemSemaphore>

namespace zelkam::test {

namespace {

QSettings openStore()
{
#ifdef Q_OS_WIN
    return QSettings(QStringLiteral("HKEY_CURRENT_USER\\Software\\Zelkam"), QSettings::NativeFormat);
#else
    return QSettings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Zelkam"));
#endif
}

} // namespace

struct TempSettings::Saved {
#ifdef Q_OS_WIN
    QSystemSemaphore turn{QStringLiteral("ZelkamTestSettingsTurn"), 1, QSystemSemaphore::Open};
    QVariantMap values;
#endif
};

TempSettings::TempSettings() : saved_(std::make_unique<Saved>())
{
#ifdef Q_OS_WIN
    saved_->turn.acquire();
    QSettings key = openStore();
    for (const QString& name : key.allKeys())
        saved_->values.insert(name, key.value(name));
    key.clear();
#else
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, QString::fromStdString(folder_.string()));
#endif
}

TempSettings::~TempSettings()
{
#ifdef Q_OS_WIN
    {
        QSettings key = openStore();
        key.clear();
        for (auto it = saved_->values.cbegin(); it != saved_->values.cend(); ++it)
            key.setValue(it.key(), it.value());
    }
    saved_->turn.release();
#endif
}

bool TempSettings::exists() const
{
#ifdef Q_OS_WIN
    return !openStore().allKeys().isEmpty();
#else
    return std::filesystem::exists(folder_.path() / "Zelkam.conf");
#endif
}

QVariant TempSettings::stored(const QString& name)
{
    return openStore().value(name);
}

void TempSettings::store(const QString& name, const QVariant& value)
{
    QSettings key = openStore();
    key.setValue(name, value);
}

} // namespace zelkam::test
