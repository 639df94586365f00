// Takes the README's pictures of the viewer: starts it exactly as the
// program does, moves playback to the given minute, plays fast for a few
// seconds, saves the window as a PNG file and closes it. Kept out of the
// program itself, which reads no environment.
//
// usage: zelkam-screenshot OUTPUT.png MINUTE [--width W] [--height H]
//                          [--date DD/MM/YYYY] [--overview OVERVIEW.png]
//                          [--find-all PATTERN]
// (run inside the log folder; --width and --height make the window that
// wide and tall, --date
// picks that day of the folder instead of the first, --overview then opens
// the Day Overview beside it and saves that window too; --find-all takes
// instead the Find All results for the pattern, once the search has ended)

#include <QApplication>
#include <QComboBox>
#include <QScreen>
#include <QTableWidget>
#include <QTimer>

#include "app/date_selector_control.h"
#include "app/day_overview_window.h"
#include "app/find_all_window.h"
#include "app/main_window.h"
#include "app/viewer_main.h"
#include "app/window_menu.h"

namespace {

struct Shot {
    QString file;
    int minute = 0;
    int width = 0;
    int height = 0;
    QString date;
    QString overviewFile;
    QString findAllPattern;
};

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
            results->start(window->logFolder(), zelkam::SearchKind::Chat, std::string(text.constData(), text.size()), false);
        }
    });
}

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

// Moves to the minute and plays fast for a few seconds, then saves the
// window.
void playAndGrab(zelkam::MainWindow* window, const Shot& shot)
{
    window->trackbarNotified(zelkam::MainWindow::ThumbPosition, shot.minute);
    window->dispatchCommand(zelkam::MainWindow::Fast);
    QTimer::singleShot(4500, window, [window, shot] {
        window->screen()->grabWindow(window->winId()).save(shot.file);
        if (shot.overviewFile.isEmpty())
            window->close();
        else
            grabOverview(window, shot.overviewFile);
    });
}

// The chosen day is read in the background: the minute is sought once it is
// the one shown.
void whenLoaded(zelkam::MainWindow* window, const Shot& shot)
{
    if (window->isLoading()) {
        QTimer::singleShot(100, window, [window, shot] { whenLoaded(window, shot); });
        return;
    }
    playAndGrab(window, shot);
}

void scheduleScreenshot(const Shot& shot)
{
    QTimer::singleShot(500, [shot] {
        for (QWidget* top : QApplication::topLevelWidgets()) {
            auto* window = qobject_cast<zelkam::MainWindow*>(top);
            if (window == nullptr)
                continue;
            if (shot.width > 0 || shot.height > 0)
                window->resize(shot.width > 0 ? shot.width : window->width(),
                               shot.height > 0 ? shot.height : window->height());
            if (!shot.date.isEmpty()) {
                QComboBox* dates = window->dateSelector()->comboBox();
                const int index = dates->findText(shot.date);
                if (index >= 0) {
                    dates->setCurrentIndex(index);
                    window->selectDay(index);
                }
            }
            whenLoaded(window, shot);
        }
    });
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const QStringList arguments = QApplication::arguments();
    Shot shot;
    bool good = arguments.size() >= 3;
    for (int i = 3; good && i < arguments.size(); i += 2) {
        if (i + 1 >= arguments.size())
            good = false;
        else if (arguments[i] == "--width")
            shot.width = arguments[i + 1].toInt();
        else if (arguments[i] == "--height")
            shot.height = arguments[i + 1].toInt();
        else if (arguments[i] == "--date")
            shot.date = arguments[i + 1];
        else if (arguments[i] == "--overview")
            shot.overviewFile = arguments[i + 1];
        else if (arguments[i] == "--find-all")
            shot.findAllPattern = arguments[i + 1];
        else
            good = false;
    }
    if (!good) {
        qWarning("usage: zelkam-screenshot OUTPUT.png MINUTE [--width W] [--height H] [--date DD/MM/YYYY] [--overview FILE] [--find-all PATTERN]");
        return 2;
    }
    shot.file = arguments[1];
    shot.minute = arguments[2].toInt();
    if (shot.findAllPattern.isEmpty())
        scheduleScreenshot(shot);
    else
        scheduleFindAllScreenshot(shot.file, shot.findAllPattern);
    return zelkam::runDesktopViewer(app);
}
