#include "platform/dialogs.h"

#include <QDesktopServices>
#include <QFile>
#include <QFileDialog>
#include <QMessageBox>
#include <QUrl>

#include "platform/folder_path.h"
#include "platform/log_folder_setting.h"

namespace zelkam {

bool DesktopFolderBrowser::browse(QWidget* owner, std::string& folder)
{
    folder.clear();
    const QString chosen = QFileDialog::getExistingDirectory(owner, QStringLiteral("Select Log Folder"));
    if (chosen.isEmpty())
        return false;
    std::string path = modelPathOf(chosen);
    // A path the setting could not hold would be stored and then ignored at
    // the next start; refuse it here as the platform's path buffer would.
    if (path.size() > LogFolderSetting::MaxLength)
        return false;
    folder = std::move(path);
    return true;
}

void DesktopMessageBoxes::show(QWidget* owner, const QString& caption, const QString& text, MessageIcon icon)
{
    QMessageBox box(icon == MessageIcon::Error ? QMessageBox::Critical : QMessageBox::Information, caption, text,
                    QMessageBox::Ok, owner);
    box.exec();
}

void DesktopLinkOpener::open(const QString& link)
{
    QDesktopServices::openUrl(QUrl(link));
}

} // namespace zelkam
