#include "platform/single_instance.h"

#include <atomic>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QElapsedTimer>
#include <QUuid>
#include <gtest/gtest.h>

#include "tests/support/temp_folder.h"

#ifndef Q_OS_WIN
#include <sys/stat.h>
#endif

namespace zelkam {
namespace {

QString uniqueName()
{
    return QStringLiteral("zelkam-test-") + QUuid::createUuid().toString(QUuid::Id128);
}

TEST(SingleInstanceGuard, FirstStartFindsNobodyAndListens)
{
    SingleInstanceGuard guard(uniqueName());
    EXPECT_FALSE(guard.signalRunningInstance());
    EXPECT_TRUE(guard.listen());
}

TEST(SingleInstanceGuard, SecondStartAsksTheFirstToComeToTheFront)
{
    const QString name = uniqueName();
    SingleInstanceGuard first(name);
    ASSERT_TRUE(first.listen());
    int activations = 0;
    QObject::connect(&first, &SingleInstanceGuard::activationRequested, [&] { ++activations; });

    SingleInstanceGuard second(name);
    EXPECT_TRUE(second.signalRunningInstance());
    QElapsedTimer waited;
    waited.start();
    while (activations == 0 && waited.elapsed() < 5000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    EXPECT_EQ(activations, 1);
}

TEST(SingleInstanceGuard, ASecondStartHandsItsFolderToTheFirst)
{
    const QString name = uniqueName();
    SingleInstanceGuard first(name);
    ASSERT_TRUE(first.listen());
    int activations = 0;
    std::vector<std::string> folders;
    QObject::connect(&first, &SingleInstanceGuard::activationRequested, [&] { ++activations; });
    QObject::connect(&first, &SingleInstanceGuard::folderHanded, [&](const std::string& f) { folders.push_back(f); });

    const std::string folder = "/srv/half life/logs \xC3\xA9t\xE9";
    for (const std::string& sent : {folder, std::string()}) {
        // The later start is another process: it waits for the running one
        // to take the folder while that one goes on with its events.
        std::atomic<int> signalled = -1;
        std::thread second([&] { signalled = SingleInstanceGuard(name).signalRunningInstance(sent) ? 1 : 0; });
        const int expected = activations + 1;
        QElapsedTimer waited;
        waited.start();
        while ((activations < expected || signalled < 0) && waited.elapsed() < 5000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        second.join();
        EXPECT_EQ(signalled, 1);
        EXPECT_EQ(activations, expected);
    }
    // The bytes as they were sent; a start without a folder hands none.
    EXPECT_EQ(folders, std::vector<std::string>{folder});
}

#ifndef Q_OS_WIN
// Sets environment variables for one scope and puts the old values back.
class Environment {
public:
    ~Environment()
    {
        for (const auto& [name, value] : saved_) {
            if (value)
                qputenv(name.constData(), *value);
            else
                qunsetenv(name.constData());
        }
    }
    void set(const char* name, const QByteArray& value)
    {
        save(name);
        qputenv(name, value);
    }
    void unset(const char* name)
    {
        save(name);
        qunsetenv(name);
    }

private:
    void save(const char* name)
    {
        saved_.emplace_back(QByteArray(name), qEnvironmentVariableIsSet(name)
                                                  ? std::optional<QByteArray>(qgetenv(name))
                                                  : std::nullopt);
    }
    std::vector<std::pair<QByteArray, std::optional<QByteArray>>> saved_;
};

mode_t modeOf(const QString& path)
{
    struct stat info {};
    ::stat(QFile::encodeName(path).constData(), &info);
    return info.st_mode & 0777;
}

// The guard is per user and per desktop: a viewer on another display or in
// another session must not stop this one, and its socket lives where only
// this user can create it.
TEST(SingleInstanceGuard, IsPerDesktopSessionInTheUsersPrivateFolder)
{
    test::TempFolder home;
    const QString runtime = QString::fromStdString((home.path() / "runtime").string());
    ASSERT_TRUE(QDir().mkpath(runtime));
    ::chmod(QFile::encodeName(runtime).constData(), 0700);
    Environment env;
    env.set("XDG_RUNTIME_DIR", QFile::encodeName(runtime));
    env.set("XDG_CACHE_HOME", QFile::encodeName(QString::fromStdString((home.path() / "cache").string())));
    env.set("XDG_SESSION_ID", "4");
    env.unset("WAYLAND_DISPLAY");
    env.unset("USER");
    env.set("DISPLAY", ":7");

    const QString here = SingleInstanceGuard::defaultName();
    EXPECT_TRUE(here.startsWith(runtime + QLatin1Char('/'))) << here.toStdString();
    SingleInstanceGuard first(here);
    ASSERT_TRUE(first.listen());

    // Another display of the same user: not the same desktop.
    env.set("DISPLAY", ":8");
    EXPECT_NE(SingleInstanceGuard::defaultName(), here);
    EXPECT_FALSE(SingleInstanceGuard().signalRunningInstance());
    // Another session on the same display number (a remote desktop).
    env.set("DISPLAY", ":7");
    env.set("XDG_SESSION_ID", "9");
    EXPECT_NE(SingleInstanceGuard::defaultName(), here);
    EXPECT_FALSE(SingleInstanceGuard().signalRunningInstance());
    // The same desktop finds the first viewer.
    env.set("XDG_SESSION_ID", "4");
    EXPECT_EQ(SingleInstanceGuard::defaultName(), here);
    EXPECT_TRUE(SingleInstanceGuard().signalRunningInstance());

    // Without a runtime folder, or with one others may enter, the socket
    // goes to a folder of the user's own, closed to others, and never to the
    // shared temporary folder.
    const QString open = QString::fromStdString((home.path() / "open").string());
    ASSERT_TRUE(QDir().mkpath(open));
    ::chmod(QFile::encodeName(open).constData(), 0777);
    const auto checkFallback = [&](const char* what) {
        const QString name = SingleInstanceGuard::defaultName();
        const QString folder = QFileInfo(name).path();
        EXPECT_NE(QDir(folder), QDir(QDir::tempPath())) << what;
        EXPECT_NE(QDir(folder), QDir(open)) << what;
        EXPECT_EQ(modeOf(folder), mode_t{0700}) << what << name.toStdString();
    };
    env.unset("XDG_RUNTIME_DIR");
    checkFallback("unset");
    env.set("XDG_RUNTIME_DIR", QFile::encodeName(open));
    checkFallback("open to others");
}
#endif

} // namespace
} // namespace zelkam
