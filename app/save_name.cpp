#include "app/save_name.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QSaveFile>

namespace zelkam {

QString withDefaultSuffix(const QString& path, const QString& suffix)
{
    const QString name = QFileInfo(path).fileName();
    if (name.isEmpty())
        return path;
    // A dot that starts the name (".hits") marks a hidden file, not a suffix.
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    if (dot > 0 && dot + 1 < name.size())
        return path;
    if (dot > 0)
        return path + suffix;
    return path + QLatin1Char('.') + suffix;
}

namespace {

// For the run: the log folder shown, and the folder a file was saved to last.
QString& shownLogFolder()
{
    static QString folder;
    return folder;
}

QString& lastSaveFolder()
{
    static QString folder;
    return folder;
}

} // namespace

void setShownLogFolder(const QString& folder) { shownLogFolder() = folder; }

QString saveStartFolder()
{
    if (!lastSaveFolder().isEmpty())
        return lastSaveFolder();
    if (shownLogFolder().isEmpty())
        return {};
    QDir parent(QDir::cleanPath(QFileInfo(shownLogFolder()).absoluteFilePath()));
    return parent.cdUp() ? parent.path() : QString();
}

QString offeredFileName(const QString& what, const QStringList& parts, const QString& suffix)
{
    QString name = QStringLiteral("zelkam-") + what;
    for (const QString& part : parts)
        name += QLatin1Char('-') + QString(part).replace(QLatin1Char('/'), QLatin1Char('-'));
    return name + QLatin1Char('.') + suffix;
}

QString askSaveFileName(QWidget* owner, const QString& title, const QString& name, const QString& filter,
                        const QString& suffix)
{
    QFileDialog dialog(owner, title, saveStartFolder(), filter);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(suffix);
    if (!name.isEmpty())
        dialog.selectFile(name);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    const QString path = withDefaultSuffix(dialog.selectedFiles().constFirst(), suffix);
    lastSaveFolder() = QFileInfo(path).absolutePath();
    return path;
}

bool saveWhole(const QString& path, std::string_view bytes)
{
    return saveWritten(path, [bytes](const std::function<bool(std::string_view)>& put) { return put(bytes); });
}

bool saveWritten(const QString& path, const std::function<bool(const std::function<bool(std::string_view)>&)>& write)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    const bool written = write([&file](std::string_view piece) {
        const auto size = static_cast<qint64>(piece.size());
        return file.write(piece.data(), size) == size;
    });
    if (!written) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

} // namespace zelkam
