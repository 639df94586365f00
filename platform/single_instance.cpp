#include "platform/single_instance.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocalSocket>
#include <QStandardPaths>

#ifndef Q_OS_WIN
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace zelkam {

namespace {

constexpr int ConnectTimeoutMs = 1000;

// Only characters that are safe in a socket or pipe name.
QString safeName(const QString& text)
{
    QString safe;
    for (const QChar c : text)
        safe += c.isLetterOrNumber() || c == QLatin1Char('_') || c == QLatin1Char('-') ? c : QLatin1Char('_');
    return safe;
}

#ifndef Q_OS_WIN
// A folder only this user can enter, so that nobody else can take the
// socket's name first: the session's runtime folder when it is the user's
// own and closed to others, otherwise a folder of the user's own cache made
// the same way.
QString privateRuntimeFolder()
{
    const auto isPrivate = [](const QString& path) {
        struct stat info {};
        return !path.isEmpty() && QDir::isAbsolutePath(path) && ::stat(QFile::encodeName(path).constData(), &info) == 0
            && S_ISDIR(info.st_mode) && info.st_uid == ::getuid() && (info.st_mode & 077) == 0;
    };
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (isPrivate(runtime))
        return runtime;
    const QString fallback =
        QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation) + QStringLiteral("/zelkam-runtime");
    const QByteArray path = QFile::encodeName(fallback);
    QDir().mkpath(QFileInfo(fallback).path());
    ::mkdir(path.constData(), 0700);
    // Closed to others whatever the umask or an earlier run left.
    ::chmod(path.constData(), 0700);
    return fallback;
}
#endif

} // namespace

SingleInstanceGuard::SingleInstanceGuard(QString name, QObject* parent) : QObject(parent), name_(std::move(name))
{
    connect(&server_, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* socket = server_.nextPendingConnection()) {
            connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
            socket->disconnectFromServer();
            emit activationRequested();
        }
    });
}

QString SingleInstanceGuard::defaultName()
{
#ifdef Q_OS_WIN
    QString user = qEnvironmentVariable("USERNAME");
    return QStringLiteral("Zelkam-") + safeName(user) + QLatin1Char('-') + safeName(qEnvironmentVariable("SESSIONNAME"));
#else
    // The session tells desktops of one login apart (a remote desktop beside
    // the local one); the display tells apart the X servers or Wayland
    // compositors of one session.
    QString display = qEnvironmentVariable("WAYLAND_DISPLAY");
    if (display.isEmpty())
        display = qEnvironmentVariable("DISPLAY");
    const QString name = QStringLiteral("zelkam-%1-%2-%3")
                             .arg(QString::number(::getuid()), safeName(qEnvironmentVariable("XDG_SESSION_ID")),
                                  safeName(display));
    return privateRuntimeFolder() + QLatin1Char('/') + name;
#endif
}

bool SingleInstanceGuard::signalRunningInstance()
{
    QLocalSocket socket;
    socket.connectToServer(name_);
    if (!socket.waitForConnected(ConnectTimeoutMs))
        return false;
    socket.disconnectFromServer();
    return true;
}

bool SingleInstanceGuard::listen()
{
    server_.setSocketOptions(QLocalServer::UserAccessOption);
    if (server_.listen(name_))
        return true;
    // A socket left behind by an instance that crashed: nobody answered on it
    // (signalRunningInstance came first), so it can go.
    QLocalServer::removeServer(name_);
    return server_.listen(name_);
}

} // namespace zelkam
