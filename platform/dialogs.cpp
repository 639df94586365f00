#include "platform/dialogs.h"

#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QMessageBox>
#include <QUrl>

#include "platform/folder_path.h"

namespace zelkam {

bool DesktopFolderBrowser::browse(QWidget* owner, std::string& folder)
{
    const QString start = qtPathOf(folder);
    folder.clear();
    const QString chosen = QFileDialog::getExistingDirectory(owner, QStringLiteral("Select Log Folder"), start);
    if (chosen.isEmpty())
        return false;
    // Qt's dialogs hand back / on every system; on Windows the folder is
    // shown, stored and read with the backslashes its users type.
    folder = modelPathOf(QDir::toNativeSeparators(chosen));
    return true;
}

void DesktopMessageBoxes::show(QWidget* owner, const QString& caption, const QString& text, MessageIcon icon)
{
    QMessageBox box(icon == MessageIcon::Error ? QMessageBox::Critical : QMessageBox::Information, caption, text,
                    QMessageBox::Ok, owner);
    box.exec();
}

void DesktopMessageBoxes::open(QWidget* owner, const QString& caption, const QString& text, MessageIcon icon)
{
    auto* box = new QMessageBox(icon == MessageIcon::Error ? QMessageBox::Critical : QMessageBox::Information,
                                caption, text, QMessageBox::Ok, owner);
    QObject::connect(box, &QDialog::finished, box, &QObject::deleteLater);
    box->setWindowModality(owner != nullptr ? Qt::WindowModal : Qt::ApplicationModal);
    box->show();
}

void DesktopLinkOpener::open(const QString& link)
{
    QDesktopServices::openUrl(QUrl(link));
}

} // namespace zelkam
