#pragma once

#include <functional>
#include <string>

#include <QWidget>

#include "app/result_bar.h"
#include "app/shown_rows.h"
#include "app/window_worker.h"
#include "history/all_days_search.h"
#include "history/player_record.h"
#include "ingest/server_folders.h"
#include "investigate/address_names.h"
#include "investigate/linked_accounts.h"
#include "investigate/player_timeline.h"
#include "platform/window_place.h"

class QLabel;
class QListWidget;
class QProgressBar;
class QTabWidget;
class QTreeWidget;
class QTreeWidgetItem;

namespace zelkam {

// The servers a player record reads on a community: every server, for the
// sessions over all days, and the name of the one whose day is shown. Left
// empty for a single server.
struct RecordServers {
    std::vector<ServerFolder> servers;
    std::string shown;
};

class SettingsStore;
class PlayerListControl;
class ViewerState;

// A player's record: the unique id as logged and the names used; for the
// loaded day every session (start, end, teams, frags and deaths) with the
// player's lines (chat, remote-console commands from the player's address,
// name changes, ...); and, computed on a reader of its own with progress,
// every session over the whole folder and the days seen. The sessions are
// the ones `zelkam-cli player` lists for the validated unique id; on a
// community they are found on every server in one walk, each naming its
// server in a last "Server" column. Activating a line asks for a jump
// there, as a Find All row does; activating a session of all days asks
// for the replay of its server's day at its start. Beside the record, on a second reader,
// the Timeline tab (every line of the player over every day, as `zelkam-cli
// timeline` tells them, on a community of every server with its server in
// a last column; activating one asks for the replay of its server at its
// second)
// and the Linked accounts tab (as `zelkam-cli alts`, strongest evidence
// first). Addresses show as addresses shows them. Not modal; Escape closes it.
// Once keepPlaceIn is called it opens at the size and place the last one
// was left at.
class PlayerRecordWindow : public QWidget {
    Q_OBJECT

public:
    // Reads the loaded day of state at once; the all-days part starts at
    // once on its own reader of folderPath.
    // On a community, servers names them all and the one folderPath is;
    // the Timeline and Linked accounts tabs read every server too.
    PlayerRecordWindow(const ViewerState& state, const RecordSubject& subject, const std::string& folderPath,
                       QWidget* owner, const AddressNames& addresses = AddressNames(),
                       const RecordServers& servers = RecordServers());
    ~PlayerRecordWindow() override;

    // As FindAllWindow::keepPlaceIn, under its own name.
    void keepPlaceIn(const SettingsStore& store) { place_.keepIn(store); }

    bool isCollecting() const { return collecting_; }
    // True until the timeline and the linked accounts are all shown.
    bool isInvestigating() const { return investigating_; }
    // The viewer went to another folder: the collection is dropped and the
    // lines emptied, so that none leads into the folder shown now.
    void forgetFolder();
    // Shows every address of the timeline and the linked accounts anew, as
    // addresses shows them (the user hid or showed them).
    void showAddressesAs(const AddressNames& addresses);
    QListWidget* dayLines() const { return lines_; }
    QLabel* historyLabel() const { return history_; }
    // One row for each of the player's sessions over every day, once the
    // walk is done: the session in the first column, its server in the
    // last (shown on a community only).
    QTreeWidget* allDaysList() const { return allDays_; }
    // The sessions of allDaysList(), row by row.
    const PlayerSession& allDaysSession(int row) const { return sessions_[static_cast<std::size_t>(row)]; }
    QTabWidget* tabs() const { return tabs_; }
    // A row for each entry of the timeline, in time order: the line in the
    // first column, its server in the last (shown on a community only).
    QTreeWidget* timelineList() const { return timeline_; }
    // An item for each linked account, strongest first, with a child for
    // each piece of its evidence.
    QTreeWidget* linkedAccountsTree() const { return links_; }
    QLabel* linkedAccountsLabel() const { return linksLabel_; }

signals:
    void lineActivated(const zelkam::HistoryHit& hit);
    // A timeline line or a session of all days was activated: the replay of
    // day (a local midnight) of server (empty for the one server) at
    // calendar second time.
    void secondActivated(const std::string& server, std::int32_t day, std::int32_t time);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    // filesCutShort: how many files the walk could not read to their end.
    void showHistory(const PlayerHistory& history, bool complete, const CutShortFiles& filesCutShort);
    // The timeline and the linked accounts, on their own reader: both read
    // every server of a community (servers, empty for a single server).
    void startInvestigation(const std::string& folderPath, const std::vector<ServerFolder>& servers);
    // day holds the lines within the most rows shown only; linesSoFar
    // counts every line walked so far, those left out too.
    void showTimelineDay(const TimelineDay& day, std::size_t linesSoFar);
    // The entry's line and server in item, as shown and as copied.
    void showTimelineLine(QTreeWidgetItem& item, const TimelineEntry& entry);
    // timelineRows: the timeline's lines shown and those left out.
    void showLinkedAccounts(bool complete, const CutShortFiles& filesCutShort, const ShownRows& timelineRows);
    // The line the Timeline and Linked accounts tabs add when their walks
    // could not read some files to their end ("" when none).
    QString cutShortNote() const;
    void fillLinkedAccounts();

    RecordSubject subject_;
    QListWidget* lines_ = nullptr;
    QLabel* history_ = nullptr;
    QTreeWidget* allDays_ = nullptr;
    std::vector<PlayerSession> sessions_;
    // The server whose day is shown, named on a community only.
    std::string shownServer_;
    QProgressBar* progress_ = nullptr;
    std::vector<HistoryHit> targets_;
    bool collecting_ = false;
    WindowPlace place_{*this, "Player Record Window"};
    AddressNames addresses_;
    QTabWidget* tabs_ = nullptr;
    QTreeWidget* timeline_ = nullptr;
    QLabel* timelineLabel_ = nullptr;
    QTreeWidget* links_ = nullptr;
    QLabel* linksLabel_ = nullptr;
    // Each timeline line's entry, and the linked accounts, kept to be shown
    // anew when the addresses are.
    std::vector<TimelineEntry> entries_;
    LinkedAccounts linked_;
    bool investigating_ = false;
    bool stopped_ = false;
    // Files the timeline's or the linked accounts' walk could not read to their
    // end.
    CutShortFiles filesCutShort_;
    // Last, so that they stop and wait for their work before anything their
    // reports use goes.
    WindowWorker worker_{*this};
    WindowWorker investigation_{*this};
};

// Calls open with the player under a double click in the player list, or
// the list's chosen player when Return is pressed in it; also moves the
// list's choice with the arrow keys and a click. The filter belongs to the
// list's widget.
void watchPlayerList(PlayerListControl& list, std::function<void(const PlayerEntry&)> open);

} // namespace zelkam
