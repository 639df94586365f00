#include "platform/log_folder_setting.h"

#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QSize>

#include "platform/folder_path.h"

namespace zelkam {

namespace {

const QString ValueName = QStringLiteral("Log Directory");
constexpr char SizeName[] = "Window Size";
constexpr char ServerName[] = "Server";

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

void LogFolderSetting::read(std::string& folder) const
{
    QSettings store = openStore();
    if (!storeExists(store)) {
        store.setValue(ValueName, QStringLiteral("."));
        store.sync();
        // Not `= "."`: GCC 12 at -O2 takes that copy for an overlapping one.
        folder.assign(1, '.');
        return;
    }
    const QVariant value = store.value(ValueName);
    if (value.typeId() != QMetaType::QString)
        return;
    folder = modelPathOf(value.toString());
}

void LogFolderSetting::write(const std::string& folder) const
{
    QSettings store = openStore();
    if (!storeExists(store))
        return;
    store.setValue(ValueName, qtPathOf(folder));
    store.sync();
}

bool LogFolderSetting::readWindowSize(int& width, int& height) const
{
    return readSize(SizeName, width, height);
}

void LogFolderSetting::writeWindowSize(int width, int height) const { writeSize(SizeName, width, height); }

bool LogFolderSetting::readSize(const char* valueName, int& width, int& height) const
{
    QSettings store = openStore();
    if (!storeExists(store))
        return false;
    const QVariant value = store.value(QString::fromLatin1(valueName));
    if (value.typeId() != QMetaType::QSize)
        return false;
    const QSize size = value.toSize();
    if (size.width() <= 0 || size.height() <= 0)
        return false;
    width = size.width();
    height = size.height();
    return true;
}

void LogFolderSetting::writeSize(const char* valueName, int width, int height) const
{
    QSettings store = openStore();
    if (!storeExists(store))
        return;
    store.setValue(QString::fromLatin1(valueName), QSize(width, height));
    store.sync();
}

std::string LogFolderSetting::readGeometry(const char* valueName) const
{
    QSettings store = openStore();
    if (!storeExists(store))
        return {};
    const QByteArray bytes = store.value(QString::fromLatin1(valueName)).toByteArray();
    return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

void LogFolderSetting::writeGeometry(const char* valueName, const std::string& bytes) const
{
    QSettings store = openStore();
    if (!storeExists(store))
        return;
    store.setValue(QString::fromLatin1(valueName), QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size())));
    store.sync();
}

// A server's name is its folder's, bytes as the file system gave them, so
// it is kept as bytes, not as text that might not survive a round trip.
std::string LogFolderSetting::readServer() const { return readGeometry(ServerName); }

void LogFolderSetting::writeServer(const std::string& name) const { writeGeometry(ServerName, name); }

} // namespace zelkam
