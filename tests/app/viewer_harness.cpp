#include "tests/app/viewer_harness.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include "app/date_selector_control.h"
#include "app/time_label_control.h"

namespace zelkam::test {

SettingsScope::~SettingsScope()
{
    std::error_code error;
    std::filesystem::current_path(cwd, error);
}

bool SettingsScope::settingsExist() const { return settings.exists(); }

QVariant SettingsScope::stored(const char* name) { return TempSettings::stored(QString::fromLatin1(name)); }

void SettingsScope::store(const char* name, const QVariant& value)
{
    TempSettings::store(QString::fromLatin1(name), value);
}

ViewerHarness::ViewerHarness(void (*writeLogs)(const TempFolder&)) { writeLogs(logs); }

void ViewerHarness::start(const std::string& folder)
{
    window = std::make_unique<MainWindow>(state, services);
    window->timer().stop();
    ASSERT_TRUE(window->createChildren());
    ASSERT_TRUE(window->loadLogsWithRetry(folder));
    window->fillDateList();
    window->refreshViews();
}

void ViewerHarness::start() { start(logs.string()); }

void ViewerHarness::activate()
{
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
}

void ViewerHarness::click(MainWindow::Command command)
{
    QTest::mouseClick(window->button(command), Qt::LeftButton);
    waitForLoads();
}

void ViewerHarness::key(int key, Qt::KeyboardModifiers modifiers)
{
    QWidget* target = QApplication::focusWidget() ? QApplication::focusWidget() : window.get();
    QTest::keyClick(target, static_cast<Qt::Key>(key), modifiers);
    waitForLoads();
}

void ViewerHarness::waitForLoads()
{
    ASSERT_TRUE(QTest::qWaitFor([&] { return !window->isLoading(); }, 60000));
}

void ViewerHarness::ticks(int n)
{
    for (int i = 0; i < n; ++i)
        window->timerExpired();
}

QString ViewerHarness::time() const { return window->timeLabel()->text(); }
QString ViewerHarness::map() const { return window->mapLabel()->text(); }
QString ViewerHarness::dateText() const { return window->dateSelector()->editField()->text(); }

} // namespace zelkam::test
