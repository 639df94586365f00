#include <optional>
#include <string>

#include <QApplication>
#include <QFile>
#include <QStringList>

#include "app/viewer_main.h"

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    // "zelkam FOLDER" opens that folder for this run. Qt has taken its own
    // options out of the arguments by now.
    const QStringList arguments = QApplication::arguments();
    std::optional<std::string> folder;
    if (arguments.size() > 1)
        folder = QFile::encodeName(arguments.at(1)).toStdString();
    return zelkam::runDesktopViewer(app, folder);
}
