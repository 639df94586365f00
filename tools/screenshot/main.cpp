// Takes the README's picture of the viewer: starts it exactly as the
// program does, moves playback to the given minute, plays fast for a few
// seconds, saves the window as a PNG file and closes it. Kept out of the
// program itself, which reads no environment.
//
// usage: zelkam-screenshot OUTPUT.png MINUTE [HEIGHT DATE]
// (run inside the log folder; HEIGHT makes the window that tall, DATE
// DD/MM/YYYY picks that day of the folder instead of the first)

#include <QApplication>
#include <QComboBox>
#include <QScreen>
#include <QTimer>

#include "app/date_selector_control.h"
#include "app/main_window.h"
#include "app/viewer_main.h"

namespace {

void scheduleScreenshot(const QString& file, int minute, int height, const QString& date)
{
    QTimer::singleShot(500, [file, minute, height, date] {
        for (QWidget* top : QApplication::topLevelWidgets()) {
            auto* window = qobject_cast<zelkam::MainWindow*>(top);
            if (window == nullptr)
                continue;
            if (height > 0)
                window->resize(window->width(), height);
            if (!date.isEmpty()) {
                QComboBox* dates = window->dateSelector()->comboBox();
                const int index = dates->findText(date);
                if (index >= 0) {
                    dates->setCurrentIndex(index);
                    window->selectDay(index);
                }
            }
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
    if (arguments.size() != 3 && arguments.size() != 5) {
        qWarning("usage: zelkam-screenshot OUTPUT.png MINUTE [HEIGHT DATE]");
        return 2;
    }
    const bool sized = arguments.size() == 5;
    scheduleScreenshot(arguments[1], arguments[2].toInt(), sized ? arguments[3].toInt() : 0,
                       sized ? arguments[4] : QString());
    return zelkam::runDesktopViewer(app);
}
