#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include <QDate>
#include <QWidget>

#include "history/day_windows.h"
#include "ingest/server_folders.h"
#include "stats/ranking_table.h"
#include "app/window_worker.h"
#include "history/player_record.h"
#include "platform/window_place.h"
#include "stats/rankings.h"

class QComboBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QTabWidget;
class QTableWidget;

namespace zelkam {

class DateSelectorControl;
class SettingsStore;

// Rankings over a range of days of the folder: who played, with what, on
// which maps. The days are read through the windows' worker, as Find All
// reads them; the tables are filled once the reading ends (partly, when Stop ended it). The range is two date fields,
// first and last day counted, set to the month of the day the viewer shows.
// Each table sorts by any column (numbers from the highest on the first
// click). Activating a player's row asks for that player's record. "Copy"
// puts the shown tab's selected rows (all rows when none is selected) on
// the clipboard as CSV, "Save..." writes all of its rows as a CSV file.
// Not modal; Escape closes it, and closing stops the reading. Once
// keepPlaceIn is called it opens at the size and place the last one was
// left at.
//
// On a community (setServers) a Server box beside the range chooses "All
// servers" or one of them, remembered in the store keepPlaceIn gave. Each
// server is ranked on its own (stats/community_rankings), as zelkam-cli
// stats ranks it; with all servers every table ends with a Server column
// and the CSV with a "server" field.
class RankingsWindow : public QWidget {
    Q_OBJECT

public:
    enum Tab : int { Players = 0, Weapons = 1, Maps = 2 };

    explicit RankingsWindow(QWidget* owner);
    ~RankingsWindow() override;

    // As FindAllWindow::keepPlaceIn, under its own name.
    // The store also keeps the server chosen.
    void keepPlaceIn(const SettingsStore& store)
    {
        place_.keepIn(store);
        store_ = &store;
    }

    // Takes a copy of the folder's files and days (no second scan) and sets
    // the range to the month that holds shownDay (a local calendar time).
    void setFolder(const FolderDays& folder, std::int32_t shownDay);
    // The servers of the community shown (ServerFolders::servers), before
    // setFolder; none, or a single unnamed one, for a single-server folder,
    // which shows no server choice. The choice remembered is taken back.
    void setServers(const std::vector<ServerFolder>& servers);
    // Reads the range the date fields hold; a reading still running is
    // stopped first and its results dropped.
    void start();
    void stop();
    bool isRunning() const { return running_; }
    // True when the last reading ended before its last day.
    bool wasStopped() const { return stopped_; }

    // The shown tab's rows as CSV (UTF-8, RFC 4180, spreadsheet guard) with
    // a header line of column keys, in the order shown: the selected rows,
    // or every row when none is (selectedOnly false: every row).
    std::string rowsAsCsv(bool selectedOnly) const;
    // Writes every row of the shown tab to path; false when it cannot.
    bool saveCsv(const QString& path) const;
    // The file name Save... offers: the range counted
    // ("zelkam-rankings-01-07-2001-31-07-2001.csv").
    QString offeredName() const;

    DateSelectorControl* fromField() const { return from_.get(); }
    DateSelectorControl* toField() const { return to_.get(); }
    QTabWidget* tabs() const { return tabs_; }
    QTableWidget* table(Tab tab) const { return tables_[tab]; }
    QProgressBar* progressBar() const { return progress_; }
    QPushButton* stopButton() const { return stopButton_; }
    QPushButton* copyButton() const { return copyButton_; }
    QLabel* statusLabel() const { return status_; }
    // "All servers" first, then each server; hidden for a single server.
    QComboBox* serverBox() const { return serverBox_; }
    // Whether the tables show a Server column: all servers of a community.
    bool showsServers() const { return serverColumn_; }
    // The column a table's Server column is at (after its own columns).
    static int serverColumnOf(Tab tab);

signals:
    // server names the row's server on a community, empty otherwise.
    void playerActivated(const zelkam::RecordSubject& player, const std::string& server);
    void rankingsFinished();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void showProgress(std::size_t day, std::size_t days);
    struct Ranked;
    void finish(const std::vector<Ranked>& ranked, bool complete, bool labelled);
    // The (server, row) places of table's rows it shows: the first
    // mostRowsShown by its sort column, in that order; leftOut is set when
    // there were more.
    static std::vector<std::pair<std::size_t, std::size_t>> firstShown(RankingTable table,
                                                                       const std::vector<Ranked>& ranked,
                                                                       bool& leftOut);
    void fillTable(Tab tab, std::vector<RankingRow> rows);
    void chooseServer(int index);
    std::vector<int> chosenRows(bool selectedOnly) const;
    void copyRows();
    void saveRows();

    // Typed as the main window's date box is typed, any date of the
    // calendar taken.
    std::unique_ptr<DateSelectorControl> from_;
    std::unique_ptr<DateSelectorControl> to_;
    QTabWidget* tabs_ = nullptr;
    std::array<QTableWidget*, 3> tables_{};
    // Each table's rows as built, in the order built; a table item's
    // Qt::UserRole + 1 holds its row's index here, whatever the sort.
    std::array<std::vector<RankingRow>, 3> rows_;
    // Whom each player row's record is about, and on which server, by the
    // same index.
    std::vector<RecordSubject> players_;
    std::vector<std::string> playerServers_;
    QProgressBar* progress_ = nullptr;
    QPushButton* showButton_ = nullptr;
    QPushButton* stopButton_ = nullptr;
    QPushButton* copyButton_ = nullptr;
    QPushButton* saveButton_ = nullptr;
    QLabel* status_ = nullptr;
    QLabel* serverLabel_ = nullptr;
    QComboBox* serverBox_ = nullptr;

    std::shared_ptr<FolderDays> folder_;
    // The community's servers; empty for a single server.
    std::vector<ServerFolder> servers_;
    bool serverColumn_ = false;
    const SettingsStore* store_ = nullptr;
    bool running_ = false;
    bool stopped_ = false;
    // The range of the last reading started.
    QDate startedFrom_;
    QDate startedTo_;
    WindowPlace place_{*this, "Rankings Window"};
    // Last, so that it stops and waits for the reading before the rest goes.
    WindowWorker worker_{*this};
};

} // namespace zelkam
