#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include <QTimer>
#include <QWidget>

#include "app/window_worker.h"
#include "replay/server_now.h"

class QTableWidget;

namespace zelkam {

// What each server of the shown folder is playing now, as `zelkam-cli now`
// tells it (replay/server_now): a row a server with its map, the players on
// each side, the newest chat line and how long ago its newest line was
// written. Read on a thread of its own, again every few seconds while the
// window is shown. A double click (or Return) on a row asks for that server
// live. Not modal; the main window deletes it when it goes.
class ServersWindow : public QWidget {
    Q_OBJECT

public:
    static constexpr int RefreshMs = 5000;

    explicit ServersWindow(QWidget* owner);
    ~ServersWindow() override;

    // Shows folder's servers (a community's, or the one server a folder is)
    // and reads them now.
    void setFolder(const std::string& folder);
    // Reads every server again; the rows are replaced when it is done.
    void refresh();
    bool isReading() const { return reading_; }
    // The wall clock the ages are counted from (calendar seconds); the
    // system's unless a test sets its own.
    void setWallClock(std::function<std::int64_t()> now) { wallClock_ = std::move(now); }

    QTableWidget* table() const { return table_; }
    QTimer& timer() { return timer_; }

signals:
    // The row of the server named (the folder name a community's listing
    // gives, empty for a single server) was activated.
    void serverActivated(const std::string& name);

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    struct Row {
        std::string name;
        bool read = false;
        ServerNow now;
    };
    void showRows(std::vector<Row> rows);

    QTableWidget* table_ = nullptr;
    QTimer timer_;
    std::string folder_;
    std::vector<std::string> names_;
    std::function<std::int64_t()> wallClock_;
    bool reading_ = false;
    WindowWorker worker_{*this};
};

} // namespace zelkam
