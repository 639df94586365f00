#pragma once

#include <functional>
#include <memory>
#include <cstdint>
#include <string>
#include <vector>

#include <QWidget>

#include "app/result_bar.h"
#include "app/shown_rows.h"
#include "app/window_worker.h"
#include "history/all_days_search.h"
#include "ingest/server_folders.h"
#include "platform/window_place.h"

class QLabel;
class QProgressBar;
class QPushButton;
class QTableWidget;

namespace zelkam {

class SettingsStore;

// The results of a search over every day of the folder: one row per hit
// (date, time, what the viewer shows for it; the first mostRowsShown hits,
// the status counting every one), filled while the search runs
// on a thread of its own with its own reader, never the shown model. A
// progress bar counts the days; "Stop" ends the search. Activating a row
// (double click or Return) asks for a jump to the hit; "Copy" puts the rows
// the user selected on the clipboard as tab-separated text (every row when
// the user selected none), "Save..." writes every row as CSV. The
// window is not modal, can be resized, and opens at the size and place the
// last one was left at (once keepPlaceIn is called). Escape closes it;
// closing stops the search.
class FindAllWindow : public QWidget {
    Q_OBJECT

public:
    explicit FindAllWindow(QWidget* owner);
    ~FindAllWindow() override;

    // Starts searching folderPath; a search still running is stopped first.
    void start(const std::string& folderPath, SearchKind kind, const std::string& pattern, bool matchCase);
    // The same over the files and days the viewer has listed already, so
    // the first rows come without dating every file again.
    void start(const FolderDays& folder, SearchKind kind, const std::string& pattern, bool matchCase);
    // The same over every server of a community, in one walk (the servers'
    // hits in server order), each hit carrying its server (HistoryHit::server), shown in a "Server"
    // column and written as one in the copied and saved rows.
    void start(const std::vector<ServerFolder>& servers, SearchKind kind, const std::string& pattern, bool matchCase);
    void stop();
    bool isRunning() const { return running_; }
    // The viewer went to another folder: the search is dropped and the rows
    // emptied, so that none leads into the folder shown now.
    void forgetFolder();

    // Takes the size and place kept in store, if any, and keeps the
    // window's there when it closes or goes (WindowPlace). store must
    // outlive the window.
    void keepPlaceIn(const SettingsStore& store) { place_.keepIn(store); }

    // The rows' text for the clipboard, a line each
    // ("DD/MM/YYYY<TAB>HH:MM:SS<TAB>line", each cell a spreadsheetCell): the
    // rows the user selected, or every row when none is. A search selects
    // nothing by itself.
    QString rowsAsText() const;
    // Every row as CSV (UTF-8, RFC 4180 quoting, csvField cells) with a
    // header line, whatever is selected.
    std::string rowsAsCsv() const;
    bool saveCsv(const QString& path) const;

    // Asks where Save... writes; a file dialog unless a test answers it.
    // An empty answer saves nothing; a name without a suffix gets ".csv".
    std::function<QString(QWidget* parent)> askSavePath;

    QTableWidget* table() const { return table_; }
    QProgressBar* progressBar() const { return progress_; }
    QPushButton* stopButton() const { return stopButton_; }
    QPushButton* copyButton() const { return copyButton_; }
    QPushButton* saveButton() const { return saveButton_; }
    QLabel* statusLabel() const { return status_; }
    const HistoryHit& hitAt(int row) const { return hits_[static_cast<std::size_t>(row)]; }

signals:
    void hitActivated(const zelkam::HistoryHit& hit);
    void searchFinished();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    // folder is null when folderPath is to be scanned on the reader.
    void startSearch(std::unique_ptr<FolderDays> folder, const std::string& folderPath, SearchKind kind,
                     const std::string& pattern, bool matchCase);
    // day holds the hits within the most rows shown only.
    void addDay(const DayHits& day);
    // filesCutShort: the files the search could not read to their end; rows:
    // the hits shown and those left out.
    void finish(bool complete, bool folderFound, const CutShortFiles& filesCutShort, const ShownRows& rows);
    std::vector<int> selectedOrAllRows() const;
    void copyRows();
    void saveRows();

    QTableWidget* table_ = nullptr;
    QProgressBar* progress_ = nullptr;
    QPushButton* stopButton_ = nullptr;
    QPushButton* copyButton_ = nullptr;
    QPushButton* saveButton_ = nullptr;
    QLabel* status_ = nullptr;
    std::vector<HistoryHit> hits_;
    // Whether the rows name their server: a search over a community.
    bool serverColumn_ = false;
    bool running_ = false;
    std::size_t unreadableDays_ = 0;
    WindowPlace place_{*this, "Find All Window"};
    // Last, so that it stops and waits for the search before anything the
    // search's reports use goes.
    WindowWorker worker_{*this};
};

} // namespace zelkam
