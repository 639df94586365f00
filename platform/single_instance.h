#pragma once

#include <QLocalServer>
#include <QObject>
#include <QString>

#include <string>

namespace zelkam {

// One running viewer per user and desktop session. The first start listens
// on a local socket named for the user, the session and the display; a later
// start on the same desktop connects to it, which asks the first to bring its
// window to the front (and to open the folder it was started with, if any),
// and then ends. A viewer on another desktop (another
// display, a remote desktop) neither sees nor blocks this one.
class SingleInstanceGuard : public QObject {
    Q_OBJECT

public:
    explicit SingleInstanceGuard(QString name = defaultName(), QObject* parent = nullptr);

    // The socket in the user's private runtime folder (XDG_RUNTIME_DIR when
    // it is private, else a folder of the user's cache made private), named
    // for the user id, the session id and the display; never in the shared
    // temporary folder, where another user could take the name first.
    static QString defaultName();

    // True when another instance answered on the name: it has been asked to
    // come to the front, and to open folder when that is not empty (its
    // bytes as the file system names it), and this start should end.
    bool signalRunningInstance(const std::string& folder = {});
    // Starts answering later starts. False when the name cannot be taken.
    bool listen();

signals:
    // A later start asked this instance to come to the front.
    void activationRequested();
    // A later start was given this folder: the running instance opens it.
    // Sent after activationRequested.
    void folderHanded(const std::string& folder);

private:
    QString name_;
    QLocalServer server_;
};

} // namespace zelkam
