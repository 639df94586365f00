#pragma once

#include <QLocalServer>
#include <QObject>
#include <QString>

namespace zelkam {

// One running viewer per user. The first start listens on a local socket
// named for the user; a later start connects to it, which asks the first to
// bring its window to the front, and then ends.
class SingleInstanceGuard : public QObject {
    Q_OBJECT

public:
    explicit SingleInstanceGuard(QString name = defaultName(), QObject* parent = nullptr);

    // "Zelkam-" and the user's login name.
    static QString defaultName();

    // True when another instance answered on the name: it has been asked to
    // come to the front, and this start should end.
    bool signalRunningInstance();
    // Starts answering later starts. False when the name cannot be taken.
    bool listen();

signals:
    // A later start asked this instance to come to the front.
    void activationRequested();

private:
    QString name_;
    QLocalServer server_;
};

} // namespace zelkam
