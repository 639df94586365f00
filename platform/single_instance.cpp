#include "platform/single_instance.h"

#include <memory>

#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QLocalSocket>
#include <QStandardPaths>
#include <QTimer>

#ifndef Q_OS_WIN
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace zelkam {

namespace {

constexpr int ConnectTimeoutMs = 1000;
// A path longer than any file system allows is not a folder to open.
constexpr qsizetype MaxFolderBytes = 64 * 1024;

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
            // The later start sends the folder's bytes, if any, ended by a
            // NUL (no path holds one), and waits for this side to hang up:
            // a pipe whose writer has gone may not give up what it held (so
            // Windows' named pipes under Wine). A start that sends no NUL
            // and hangs up itself is heard out when it has hung up.
            struct Call {
                QByteArray received;
                bool finished = false;
            };
            auto call = std::make_shared<Call>();
            const auto finish = [this, socket, call] {
                if (call->finished)
                    return;
                call->finished = true;
                if (!call->received.contains('\0'))
                    call->received.append(socket->readAll());
                const qsizetype end = call->received.indexOf('\0');
                const QByteArray sent = end >= 0 ? call->received.left(end) : call->received;
                const std::string folder = sent.size() <= MaxFolderBytes ? sent.toStdString() : std::string();
                socket->disconnectFromServer();
                socket->deleteLater();
                emit activationRequested();
                if (!folder.empty())
                    emit folderHanded(folder);
            };
            connect(socket, &QLocalSocket::readyRead, socket, [socket, call, finish] {
                call->received.append(socket->readAll());
                if (call->received.contains('\0'))
                    finish();
                else if (call->received.size() > MaxFolderBytes)
                    socket->abort();
            });
            connect(socket, &QLocalSocket::disconnected, this, finish);
            if (socket->state() == QLocalSocket::UnconnectedState)
                finish();
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

bool SingleInstanceGuard::signalRunningInstance(const std::string& folder)
{
    QLocalSocket socket;
    socket.connectToServer(name_);
    if (!socket.waitForConnected(ConnectTimeoutMs))
        return false;
    if (!folder.empty()) {
        socket.write(folder.data(), static_cast<qint64>(folder.size()));
        socket.write("", 1);
        socket.waitForBytesWritten(ConnectTimeoutMs);
        // The running instance hangs up once it has the folder. Waited for
        // with events flowing, so that a running instance in this very
        // thread (as in the tests) can read it and hang up meanwhile.
        if (socket.state() == QLocalSocket::ConnectedState) {
            QEventLoop wait;
            QTimer::singleShot(ConnectTimeoutMs, &wait, &QEventLoop::quit);
            QObject::connect(&socket, &QLocalSocket::disconnected, &wait, &QEventLoop::quit);
            wait.exec(QEventLoop::ExcludeUserInputEvents);
        }
    }
    socket.disconnectFromServer();
    if (socket.state() != QLocalSocket::UnconnectedState)
        socket.waitForDisconnected(ConnectTimeoutMs);
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
