#pragma once

#include <functional>
#include <string>

#include <QWidget>

#include "app/window_worker.h"
#include "history/all_days_search.h"
#include "history/player_record.h"
#include "platform/window_place.h"

class QLabel;
class QListWidget;
class QProgressBar;

namespace zelkam {

class SettingsStore;
class PlayerListControl;
class ViewerState;

// A player's record: the unique id as logged and the names used; for the
// loaded day every session (start, end, teams, frags and deaths) with the
// player's lines (chat, remote-console commands from the player's address,
// name changes, ...); and, computed on a reader of its own with progress,
// every session over the whole folder and the days seen. The sessions are
// the ones `zelkam-cli player` lists for the validated unique id. Activating a line asks for a
// jump there, as a Find All row does. Not modal; Escape closes it.
// Once keepPlaceIn is called it opens at the size and place the last one
// was left at.
class PlayerRecordWindow : public QWidget {
    Q_OBJECT

public:
    // Reads the loaded day of state at once; the all-days part starts at
    // once on its own reader of folderPath.
    PlayerRecordWindow(const ViewerState& state, const RecordSubject& subject, const std::string& folderPath,
                       QWidget* owner);
    ~PlayerRecordWindow() override;

    // As FindAllWindow::keepPlaceIn, under its own name.
    void keepPlaceIn(const SettingsStore& store) { place_.keepIn(store); }

    bool isCollecting() const { return collecting_; }
    // The viewer went to another folder: the collection is dropped and the
    // lines emptied, so that none leads into the folder shown now.
    void forgetFolder();
    QListWidget* dayLines() const { return lines_; }
    QLabel* historyLabel() const { return history_; }
    // One line for each of the player's sessions over every day, once the
    // walk is done.
    QListWidget* allDaysList() const { return allDays_; }

signals:
    void lineActivated(const zelkam::HistoryHit& hit);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void showHistory(const PlayerHistory& history, bool complete);
    RecordSubject subject_;
    QListWidget* lines_ = nullptr;
    QLabel* history_ = nullptr;
    QListWidget* allDays_ = nullptr;
    QProgressBar* progress_ = nullptr;
    std::vector<HistoryHit> targets_;
    bool collecting_ = false;
    WindowPlace place_{*this, "Player Record Window"};
    // Last, so that it stops and waits for the collection before anything
    // its reports use goes.
    WindowWorker worker_{*this};
};

// Calls open with the player under a double click in the player list, or
// the list's chosen player when Return is pressed in it; also moves the
// list's choice with the arrow keys and a click. The filter belongs to the
// list's widget.
void watchPlayerList(PlayerListControl& list, std::function<void(const PlayerEntry&)> open);

} // namespace zelkam
