#include "platform/settings_store.h"

#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QScreen>
#include <QSize>
#include <QWidget>

#include "platform/folder_path.h"

namespace zelkam {

namespace {

const QString FolderValue = QStringLiteral("Log Directory");

// A window's values are named after it: "Find All Window Size".
QString valueName(const char* windowName, const char* what)
{
    return QString::fromLatin1(windowName) + QLatin1Char(' ') + QString::fromLatin1(what);
}

QSettings openStore()
{
#ifdef Q_OS_WIN
    // The key itself, not Qt's organisation/application layout beneath it.
    return QSettings(QStringLiteral("HKEY_CURRENT_USER\\Software\\Zelkam"), QSettings::NativeFormat);
#else
    return QSettings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Zelkam"));
#endif
}

bool storeExists(const QSettings& store)
{
#ifdef Q_OS_WIN
    // The registry key has no file; a key without values reads as missing,
    // which only means "." is written again.
    return !store.allKeys().isEmpty();
#else
    return QFileInfo::exists(store.fileName());
#endif
}

} // namespace

void SettingsStore::readLogFolder(std::string& folder) const
{
    QSettings store = openStore();
    if (!storeExists(store)) {
        store.setValue(FolderValue, QStringLiteral("."));
        store.sync();
        // Not `= "."`: GCC 12 at -O2 takes that copy for an overlapping one.
        folder.assign(1, '.');
        return;
    }
    const QVariant value = store.value(FolderValue);
    if (value.typeId() != QMetaType::QString)
        return;
    folder = modelPathOf(value.toString());
}

void SettingsStore::writeLogFolder(const std::string& folder) const
{
    QSettings store = openStore();
    if (!storeExists(store))
        return;
    store.setValue(FolderValue, qtPathOf(folder));
    store.sync();
}

void SettingsStore::readWindowPlace(QWidget& window, const char* windowName) const
{
    QSettings store = openStore();
    if (!storeExists(store))
        return;
    const QVariant value = store.value(valueName(windowName, "Size"));
    if (value.typeId() == QMetaType::QSize) {
        QSize size = value.toSize();
        if (size.width() > 0 && size.height() > 0) {
            // A size kept on a larger screen is cut to this one's.
            if (const QScreen* screen = window.screen())
                size = size.boundedTo(screen->availableGeometry().size());
            window.resize(size);
        }
    }
    const QByteArray place = store.value(valueName(windowName, "Place")).toByteArray();
    if (place.isEmpty())
        return;
    const QSize kept = window.size();
    if (window.restoreGeometry(place))
        window.resize(kept);
}

void SettingsStore::writeWindowPlace(const QWidget& window, const char* windowName) const
{
    QSettings store = openStore();
    if (!storeExists(store))
        return;
    store.setValue(valueName(windowName, "Size"), window.size());
    store.setValue(valueName(windowName, "Place"), window.saveGeometry());
    store.sync();
}

bool SettingsStore::readSwitch(const char* valueName, bool& on) const
{
    QSettings store = openStore();
    if (!storeExists(store))
        return false;
    // A number, which the registry and the settings file both keep as such.
    bool isNumber = false;
    const int value = store.value(QString::fromLatin1(valueName)).toInt(&isNumber);
    if (!isNumber)
        return false;
    on = value != 0;
    return true;
}

void SettingsStore::writeSwitch(const char* valueName, bool on) const
{
    QSettings store = openStore();
    if (!storeExists(store))
        return;
    store.setValue(QString::fromLatin1(valueName), on ? 1 : 0);
    store.sync();
}

// A server's name is its folder's, bytes as the file system gave them, so
// it is kept as bytes, not as text that might not survive a round trip.
std::string SettingsStore::readServer(const char* valueName) const
{
    QSettings store = openStore();
    if (!storeExists(store))
        return {};
    const QByteArray bytes = store.value(QString::fromLatin1(valueName)).toByteArray();
    return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

void SettingsStore::writeServer(const std::string& name, const char* valueName) const
{
    QSettings store = openStore();
    if (!storeExists(store))
        return;
    store.setValue(QString::fromLatin1(valueName), QByteArray(name.data(), static_cast<qsizetype>(name.size())));
    store.sync();
}

} // namespace zelkam
