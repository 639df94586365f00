#include <memory>

#include <QApplication>
#include <QScreen>
#include <QTimer>

#include "app/main_window.h"
#include "app/program_icon.h"
#include "app/viewer_main.h"
#include "platform/dialogs.h"
#include "platform/log_folder_setting.h"
#include "platform/single_instance.h"
#include "replay/viewer_state.h"

namespace {

// For scripts/screenshot only: ZELKAM_SCREENSHOT names a PNG file. Once the
// window is up, playback is moved to minute ZELKAM_SCREENSHOT_MINUTE and
// played fast for a few seconds; then the window is saved and closed.
void scheduleScreenshot()
{
    const QString file = qEnvironmentVariable("ZELKAM_SCREENSHOT");
    if (file.isEmpty())
        return;
    const int minute = qEnvironmentVariableIntValue("ZELKAM_SCREENSHOT_MINUTE");
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
    QApplication::setApplicationName(QStringLiteral("Zelkam"));
    QApplication::setWindowIcon(zelkam::programIcon());

    auto state = std::make_unique<zelkam::ViewerState>();
    zelkam::LogFolderSetting setting;
    zelkam::DesktopFolderBrowser browser;
    zelkam::DesktopMessageBoxes messages;
    zelkam::DesktopLinkOpener links;
    zelkam::SingleInstanceGuard guard;
    scheduleScreenshot();
    return zelkam::runViewer(app, *state, zelkam::Services{setting, browser, messages, links}, guard);
}
