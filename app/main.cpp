#include <memory>

#include <QApplication>

#include "app/main_window.h"
#include "app/program_icon.h"
#include "app/viewer_main.h"
#include "platform/dialogs.h"
#include "platform/log_folder_setting.h"
#include "platform/single_instance.h"
#include "replay/viewer_state.h"

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
    return zelkam::runViewer(app, *state, zelkam::Services{setting, browser, messages, links}, guard);
}
