// Takes the README's picture of the viewer: starts it exactly as the
// program does, moves playback to the given minute, plays fast for a few
// seconds, saves the window as a PNG file and closes it. Kept out of the
// program itself, which takes no arguments and reads no environment.
//
// With a third file name it then opens the Day Overview beside it and saves
// that window too.
//
// usage: zelkam-screenshot OUTPUT.png MINUTE [OVERVIEW.png]
//        (run inside the log folder)

#include <QApplication>
#include <QScreen>
#include <QTimer>

#include "app/day_overview_window.h"
#include "app/main_window.h"
#include "app/viewer_main.h"
#include "app/window_menu.h"

namespace {

void grabOverview(zelkam::MainWindow* window, const QString& file)
{
    auto* menu = window->findChild<zelkam::WindowMenu*>();
    if (menu == nullptr) {
        window->close();
        return;
    }
    menu->openDayOverview();
    zelkam::DayOverviewWindow* overview = menu->dayOverview();
    overview->resize(900, 320);
    overview->move(0, 0);
    QTimer::singleShot(1000, window, [window, overview, file] {
        overview->screen()->grabWindow(overview->winId()).save(file);
        window->close();
    });
}

void scheduleScreenshot(const QString& file, int minute, const QString& overviewFile)
{
    QTimer::singleShot(500, [file, minute, overviewFile] {
        for (QWidget* top : QApplication::topLevelWidgets()) {
            auto* window = qobject_cast<zelkam::MainWindow*>(top);
            if (window == nullptr)
                continue;
            window->trackbarNotified(zelkam::MainWindow::ThumbPosition, minute);
            window->dispatchCommand(zelkam::MainWindow::Fast);
            QTimer::singleShot(4500, window, [window, file, overviewFile] {
                window->screen()->grabWindow(window->winId()).save(file);
                if (overviewFile.isEmpty())
                    window->close();
                else
                    grabOverview(window, overviewFile);
            });
        }
    });
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const QStringList arguments = QApplication::arguments();
    if (arguments.size() != 3 && arguments.size() != 4) {
        qWarning("usage: zelkam-screenshot OUTPUT.png MINUTE [OVERVIEW.png]");
        return 2;
    }
    scheduleScreenshot(arguments[1], arguments[2].toInt(), arguments.size() == 4 ? arguments[3] : QString());
    return zelkam::runDesktopViewer(app);
}
