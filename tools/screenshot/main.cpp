// Takes the README's picture of the viewer: starts it exactly as the
// program does, moves playback to the given minute, plays fast for a few
// seconds, saves the window as a PNG file and closes it. Kept out of the
// program itself, which takes no arguments and reads no environment.
//
// usage: zelkam-screenshot OUTPUT.png MINUTE   (run inside the log folder)

#include <QApplication>
#include <QScreen>
#include <QTimer>

#include "app/main_window.h"
#include "app/viewer_main.h"

namespace {

void scheduleScreenshot(const QString& file, int minute)
{
    QTimer::singleShot(500, [file, minute] {
        for (QWidget* top : QApplication::topLevelWidgets()) {
            auto* window = qobject_cast<zelkam::MainWindow*>(top);
            if (window == nullptr)
                continue;
            window->trackbarNotified(zelkam::MainWindow::ThumbPosition, minute);
            window->dispatchCommand(zelkam::MainWindow::Fast);
            QTimer::singleShot(4500, window, [window, file] {
                window->screen()->grabWindow(window->winId()).save(file);
                window->close();
            });
        }
    });
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const QStringList arguments = QApplication::arguments();
    if (arguments.size() != 3) {
        qWarning("usage: zelkam-screenshot OUTPUT.png MINUTE");
        return 2;
    }
    scheduleScreenshot(arguments[1], arguments[2].toInt());
    return zelkam::runDesktopViewer(app);
}
