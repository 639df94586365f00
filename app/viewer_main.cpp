#include "app/viewer_main.h"

#include <filesystem>
#include <memory>
#include <new>

#include <QApplication>

#include "app/main_window.h"
#include "app/program_icon.h"
#include "app/window_menu.h"
#include "platform/dialogs.h"
#include "platform/settings_store.h"
#include "platform/single_instance.h"
#include "replay/viewer_state.h"

namespace zelkam {

int runViewer(QApplication& app, ViewerState& state, const Services& services, SingleInstanceGuard& guard,
              const std::optional<std::string>& folderArgument)
{
    // A folder given to a later start is the running viewer's to open: it is
    // handed over (as a full path: the running viewer has its own working
    // folder) and this start has done what was asked of it.
    std::string handed;
    if (folderArgument && !folderArgument->empty()) {
        std::error_code error;
        const std::filesystem::path absolute = std::filesystem::absolute(*folderArgument, error);
        handed = error ? *folderArgument : absolute.lexically_normal().string();
    }
    if (guard.signalRunningInstance(handed))
        return handed.empty() ? 1 : 0;
    guard.listen();

    std::string folder;
    if (folderArgument)
        folder = *folderArgument;
    else
        services.settings.readLogFolder(folder);

    std::unique_ptr<MainWindow> window(new (std::nothrow) MainWindow(state, services));
    if (!window)
        return 1;
    MainWindow* raw = window.get();
    QObject::connect(&guard, &SingleInstanceGuard::activationRequested, raw, [raw] {
        // Brought to the front as it is; a minimised window stays minimised.
        raw->raise();
        raw->activateWindow();
    });
    QObject::connect(&guard, &SingleInstanceGuard::folderHanded, raw,
                     [raw](const std::string& handedFolder) { raw->openFolder(handedFolder); });

    if (!window->createChildren())
        return 1;
    new WindowMenu(*window, state, services.settings);
    window->restoreAddressesHidden();
    // A big folder takes seconds to scan: it is read off the window's
    // thread, so the window paints and answers meanwhile. Cancelling the
    // folder loop ends the program with 1, as it always has.
    bool cancelled = false;
    raw->loadFirstFolder(folder, [raw, &app, &cancelled] {
        cancelled = true;
        raw->showMinimized();
        app.exit(1);
    });
    const int code = app.exec();
    return cancelled ? 1 : code;
}

int runDesktopViewer(QApplication& app, const std::optional<std::string>& folder)
{
    // The application name is also the window class the menu entry's
    // StartupWMClass names; the desktop file name ties the running window to
    // the installed menu entry and icon.
    QApplication::setApplicationName(QStringLiteral("Zelkam"));
    QGuiApplication::setDesktopFileName(QStringLiteral("org.example.zelkam.Zelkam"));
    QApplication::setWindowIcon(programIcon());
    auto state = std::make_unique<ViewerState>();
    SettingsStore settings;
    DesktopFolderBrowser browser;
    DesktopMessageBoxes messages;
    DesktopLinkOpener links;
    SingleInstanceGuard guard;
    return runViewer(app, *state, Services{settings, browser, messages, links}, guard, folder);
}

} // namespace zelkam
