// Takes the README's picture of the viewer: starts it exactly as the
// program does, moves playback to the given minute, plays fast for a few
// seconds, saves the window as a PNG file and closes it. Kept out of the
// program itself, which takes no arguments and reads no environment.
//
// usage: zelkam-screenshot OUTPUT.png MINUTE [FIND-ALL-PATTERN]
//        (run inside the log folder; with a pattern, the picture is of the
//        Find All results for it, taken once the search has ended)

#include <QApplication>
#include <QScreen>
#include <QTableWidget>
#include <QTimer>

#include "app/find_all_window.h"
#include "app/main_window.h"
#include "app/viewer_main.h"

namespace {

void scheduleFindAllScreenshot(const QString& file, const QString& pattern)
{
    QTimer::singleShot(500, [file, pattern] {
        for (QWidget* top : QApplication::topLevelWidgets()) {
            auto* window = qobject_cast<zelkam::MainWindow*>(top);
            if (window == nullptr)
                continue;
            auto* results = new zelkam::FindAllWindow(window);
            results->resize(640, 400);
            results->show();
            QObject::connect(results, &zelkam::FindAllWindow::searchFinished, results, [window, results, file] {
                results->table()->resizeColumnsToContents();
                QTimer::singleShot(500, results, [window, results, file] {
                    results->screen()->grabWindow(results->winId()).save(file);
                    window->close();
                });
            });
            const QByteArray text = pattern.toUtf8();
            results->start(window->logFolder, zelkam::SearchKind::Chat, std::string(text.constData(), text.size()), false);
        }
    });
}

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
    if (arguments.size() != 3 && arguments.size() != 4) {
        qWarning("usage: zelkam-screenshot OUTPUT.png MINUTE [FIND-ALL-PATTERN]");
        return 2;
    }
    if (arguments.size() == 4)
        scheduleFindAllScreenshot(arguments[1], arguments[3]);
    else
        scheduleScreenshot(arguments[1], arguments[2].toInt());
    return zelkam::runDesktopViewer(app);
}
