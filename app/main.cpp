#include <optional>
#include <string>

#include <QApplication>
#include <QStringList>

#include "app/viewer_main.h"
#include "platform/folder_path.h"

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    // "zelkam FOLDER" opens that folder for this run. Qt has taken its own
    // options out of the arguments by now. The path goes to the model in the
    // model's own form (UTF-8 on Windows, where the ANSI code page cannot
    // hold most names).
    const QStringList arguments = QApplication::arguments();
    std::optional<std::string> folder;
    if (arguments.size() > 1)
        folder = zelkam::modelPathOf(arguments.at(1));
    return zelkam::runDesktopViewer(app, folder);
}
