#include "app/save_name.h"

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

QString askSaveFileName(QWidget* owner, const QString& title, const QString& name, const QString& filter,
                        const QString& suffix)
{
    QFileDialog dialog(owner, title, QString(), filter);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(suffix);
    if (!name.isEmpty())
        dialog.selectFile(name);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return withDefaultSuffix(dialog.selectedFiles().constFirst(), suffix);
}

bool saveWhole(const QString& path, std::string_view bytes)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    const auto size = static_cast<qint64>(bytes.size());
    return file.write(bytes.data(), size) == size && file.commit();
}

} // namespace zelkam
