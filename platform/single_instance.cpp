#include "platform/single_instance.h"

#include <QLocalSocket>

namespace zelkam {

namespace {

constexpr int ConnectTimeoutMs = 1000;

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
    QString user = qEnvironmentVariable("USER");
    if (user.isEmpty())
        user = qEnvironmentVariable("USERNAME");
    // Only characters that are safe in a socket or pipe name.
    QString safe;
    for (const QChar c : user)
        safe += c.isLetterOrNumber() || c == QLatin1Char('_') || c == QLatin1Char('-') ? c : QLatin1Char('_');
    return QStringLiteral("Zelkam-") + safe;
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
