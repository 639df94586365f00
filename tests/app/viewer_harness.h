#pragma once

// The main window as the entry starts it, for the tests that drive it: the
// per-user settings in a store of the test's own, the desktop's answers
// scripted and the real timer stopped, so that ticks are the test's.

#include <filesystem>
#include <memory>
#include <string>

#include <QByteArray>
#include <QString>
#include <QVariant>

#include "app/main_window.h"
#include "platform/settings_store.h"
#include "replay/viewer_state.h"
#include "tests/app/fakes.h"
#include "tests/support/temp_folder.h"
#include "tests/support/temp_settings.h"
#include "tests/support/time_zone.h"

namespace zelkam::test {

// Per-user settings in a temporary store, the time zone UTC and the
// current directory restored at the end.
struct SettingsScope {
    SettingsScope() = default;
    ~SettingsScope();
    SettingsScope(const SettingsScope&) = delete;
    SettingsScope& operator=(const SettingsScope&) = delete;

    bool settingsExist() const;
    static QVariant stored(const char* name = "Log Directory");
    static void store(const char* name, const QVariant& value);

    ScopedTimeZone zone{"UTC0"};
    std::filesystem::path cwd = std::filesystem::current_path();
    TempSettings settings;
};

// An environment variable set for the test's lifetime (XDG_CONFIG_HOME:
// where the pseudonym key of hidden addresses is made).
class ScopedEnvironmentVariable {
public:
    ScopedEnvironmentVariable(const char* name, const std::string& value)
        : name_(name), had_(qEnvironmentVariableIsSet(name)), previous_(qgetenv(name))
    {
        qputenv(name, QByteArray::fromStdString(value));
    }
    ~ScopedEnvironmentVariable()
    {
        if (had_)
            qputenv(name_, previous_);
        else
            qunsetenv(name_);
    }

private:
    const char* name_;
    bool had_;
    QByteArray previous_;
};

// A viewer on the logs writeLogs puts into logs.
struct ViewerHarness : SettingsScope {
    explicit ViewerHarness(void (*writeLogs)(const TempFolder&));

    // Makes the window and loads folder as the entry does; start() loads logs.
    void start(const std::string& folder);
    void start();
    // Brings the window to the front with the keyboard focus, as a desktop
    // user's window has it.
    void activate();

    // Clicks a button, and waits for a folder or day load it started on the
    // loader's thread to be handed over.
    void click(MainWindow::Command command);
    // A key on the focused widget (the window when none has the focus).
    void key(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier);
    void waitForLoads();
    void ticks(int n);
    QString time() const;
    QString map() const;
    QString dateText() const;

    TempFolder logs;
    SettingsStore settingsStore;
    ScriptedFolderBrowser browser;
    RecordingMessageBoxes messages;
    RecordingLinkOpener links;
    Services services{settingsStore, browser, messages, links};
    ViewerState state;
    std::unique_ptr<MainWindow> window;
};

} // namespace zelkam::test
