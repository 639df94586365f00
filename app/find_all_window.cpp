#include "app/find_all_window.h"

#include <memory>

#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QShortcut>
#include <QTableWidget>
#include <QVBoxLayout>

#include "app/clock_text.h"
#include "app/result_bar.h"
#include "app/save_name.h"
#include "ingest/open_file.h"
#include "platform/log_text.h"
#include "text/text_encoding.h"
#include "text/text_out.h"
#include "views/display_text.h"

namespace zelkam {
namespace {

// Last, so that a single server's rows keep the columns they always had.
constexpr int ServerColumn = 3;

// A day's hits as the window's thread gets them: those past the most rows
// shown (counted by posted over the whole search) are only counted, so that
// a flooded day's million hits are neither copied to the window's thread
// nor held there.
std::shared_ptr<DayHits> shownPart(const DayHits& day, ShownRows& posted)
{
    auto shown = std::make_shared<DayHits>();
    shown->index = day.index;
    shown->dayCount = day.dayCount;
    shown->day = day.day;
    shown->readable = day.readable;
    const std::size_t kept = posted.takeSome(day.hits.size());
    shown->hits.assign(day.hits.begin(), day.hits.begin() + static_cast<std::ptrdiff_t>(kept));
    return shown;
}

} // namespace

FindAllWindow::FindAllWindow(QWidget* owner) : QWidget(owner, Qt::Window)
{
    setWindowTitle(QStringLiteral("Find All"));
    setAttribute(Qt::WA_DeleteOnClose);

    table_ = new QTableWidget(0, 4, this);
    table_->setHorizontalHeaderLabels(
        {QStringLiteral("Date"), QStringLiteral("Time"), QStringLiteral("Line"), QStringLiteral("Server")});
    // One server's search has no server to name.
    table_->setColumnHidden(ServerColumn, true);
    table_->horizontalHeader()->setStretchLastSection(true);
    table_->verticalHeader()->hide();
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->setWordWrap(false);
    connect(table_, &QTableWidget::itemActivated, this, [this](QTableWidgetItem* item) {
        if (item && item->row() >= 0 && static_cast<std::size_t>(item->row()) < hits_.size())
            emit hitActivated(hits_[static_cast<std::size_t>(item->row())]);
    });

    status_ = new QLabel(this);
    const ResultBar bar = makeResultBar(*this, *table_, Qt::WidgetShortcut, [this] { stop(); },
                                        [this] { copyRows(); }, [this] { saveRows(); });
    progress_ = bar.progress;
    stopButton_ = bar.stop;
    copyButton_ = bar.copy;
    saveButton_ = bar.save;
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(table_, 1);
    layout->addWidget(status_);
    layout->addLayout(bar.layout);
    askSavePath = [](QWidget* owner) {
        return askSaveFileName(owner, QStringLiteral("Save"), offeredFileName(QStringLiteral("find-all"), {}, QStringLiteral("csv")),
                               QStringLiteral("CSV files (*.csv)"),
                               QStringLiteral("csv"));
    };
    resize(640, 400);
}

// The worker stops the search and waits for it.
FindAllWindow::~FindAllWindow() = default;

void FindAllWindow::start(const std::string& folderPath, SearchKind kind, const std::string& pattern, bool matchCase)
{
    startSearch(nullptr, folderPath, kind, pattern, matchCase);
}

void FindAllWindow::start(const FolderDays& folder, SearchKind kind, const std::string& pattern, bool matchCase)
{
    auto copy = std::make_unique<FolderDays>();
    copy->assign(folder.files, folder.days);
    startSearch(std::move(copy), std::string(), kind, pattern, matchCase);
}

void FindAllWindow::start(const std::vector<ServerFolder>& servers, SearchKind kind, const std::string& pattern,
                          bool matchCase)
{
    hits_.clear();
    table_->setRowCount(0);
    unreadableDays_ = 0;
    running_ = true;
    serverColumn_ = true;
    table_->setColumnHidden(ServerColumn, false);
    stopButton_->setEnabled(true);
    progress_->setRange(0, 0);
    status_->setText(QStringLiteral("Searching..."));
    worker_.start([this, servers, kind, pattern, matchCase](const WindowWorker::Job& job) {
        // Every server's days in one walk on every core; a server whose logs
        // cannot be dated adds nothing.
        std::vector<ServerDays> opened;
        bool complete = openServers(servers, job.stopFlag(), opened);
        // Stopped while the servers were opened: told as stopped, not as a
        // community without logs.
        bool found = !complete;
        std::size_t total = 0;
        for (const ServerDays& server : opened) {
            found = found || server.opened;
            total += server.days.days.size();
        }
        ShownRows posted;
        if (complete && found) {
            // The bar counts the days of every server.
            std::size_t walked = 0;
            complete = searchAllServers(opened, kind, pattern, matchCase, job.stopFlag(),
                                        [&](const ServerDays&, const DayHits& day) {
                std::shared_ptr<DayHits> counted = shownPart(day, posted);
                counted->index = walked++;
                counted->dayCount = total;
                job.post([this, counted] { addDay(*counted); });
            });
        }
        const CutShortFiles cutShort = cutShortOf(opened);
        job.post([this, complete, found, cutShort, posted] { finish(complete, found, cutShort, posted); });
    });
}

void FindAllWindow::startSearch(std::unique_ptr<FolderDays> known, const std::string& folderPath, SearchKind kind,
                                const std::string& pattern, bool matchCase)
{
    hits_.clear();
    table_->setRowCount(0);
    unreadableDays_ = 0;
    running_ = true;
    serverColumn_ = false;
    table_->setColumnHidden(ServerColumn, true);
    stopButton_->setEnabled(true);
    progress_->setRange(0, 0);
    status_->setText(QStringLiteral("Searching..."));
    // A search still running is stopped, and what it found but was not
    // shown yet is dropped, when the new one starts.
    std::shared_ptr<FolderDays> folder(std::move(known));
    worker_.start([this, folder, folderPath, kind, pattern, matchCase](const WindowWorker::Job& job) mutable {
        bool found = true;
        if (!folder) {
            folder = std::make_shared<FolderDays>();
            found = folder->scan(folderPath);
        }
        found = found && !folder->days.empty();
        bool complete = true;
        ShownRows posted;
        if (found) {
            complete = searchAllDays(*folder, kind, pattern, matchCase, job.stopFlag(), [&](const DayHits& day) {
                std::shared_ptr<DayHits> shown = shownPart(day, posted);
                job.post([this, shown] { addDay(*shown); });
            });
        }
        const CutShortFiles cutShort = cutShortOf(folder->filesCutShort);
        job.post([this, complete, found, cutShort, posted] { finish(complete, found, cutShort, posted); });
    });
}

void FindAllWindow::stop()
{
    worker_.requestStop();
    stopButton_->setEnabled(false);
}

void FindAllWindow::forgetFolder()
{
    worker_.cancel();
    running_ = false;
    hits_.clear();
    table_->setRowCount(0);
    unreadableDays_ = 0;
    stopButton_->setEnabled(false);
    progress_->setRange(0, 1);
    progress_->setValue(0);
    status_->setText(QStringLiteral("The log folder changed: search it with Find"));
}

void FindAllWindow::addDay(const DayHits& day)
{
    progress_->setRange(0, static_cast<int>(day.dayCount));
    progress_->setValue(static_cast<int>(day.index + 1));
    if (!day.readable)
        ++unreadableDays_;
    if (day.hits.empty())
        return;
    // Appending while the user scrolls must not pull the view along.
    table_->setUpdatesEnabled(false);
    for (const HistoryHit& hit : day.hits) {
        const int row = table_->rowCount();
        table_->insertRow(row);
        table_->setItem(row, 0, new QTableWidgetItem(QString::fromStdString(localDateText(hit.time))));
        table_->setItem(row, 1, new QTableWidgetItem(QString::fromStdString(localTimeText(hit.time))));
        table_->setItem(row, 2, new QTableWidgetItem(logText(hit.text)));
        table_->setItem(row, ServerColumn, new QTableWidgetItem(QString::fromStdString(isolatedDisplayText(hit.server))));
        hits_.push_back(hit);
    }
    table_->setUpdatesEnabled(true);
    // The keyboard starts at the first row, but nothing is selected: Copy
    // takes every row until the user chooses some.
    if (table_->currentRow() < 0)
        table_->selectionModel()->setCurrentIndex(table_->model()->index(0, 0), QItemSelectionModel::NoUpdate);
}

void FindAllWindow::finish(bool complete, bool folderFound, const CutShortFiles& filesCutShort, const ShownRows& rows)
{
    worker_.wait();
    running_ = false;
    stopButton_->setEnabled(false);
    if (progress_->maximum() == 0)
        progress_->setRange(0, 1);
    QString text = QStringLiteral("%1 found").arg(rows.shown() + rows.leftOut()) + rows.leftOutText("grep");
    if (!folderFound)
        text = QStringLiteral("No logs in the folder");
    else if (!complete)
        text += QStringLiteral(" (stopped)");
    if (unreadableDays_ > 0)
        text += QStringLiteral("; %1 days could not be read").arg(unreadableDays_);
    if (filesCutShort.files != 0)
        text += QStringLiteral("; ") + filesCutShortText(filesCutShort);
    status_->setText(text);
    emit searchFinished();
}

std::vector<int> FindAllWindow::selectedOrAllRows() const
{
    std::vector<int> rows;
    for (int row = 0; row < table_->rowCount(); ++row) {
        if (table_->selectionModel()->isRowSelected(row, QModelIndex()))
            rows.push_back(row);
    }
    if (rows.empty()) {
        for (int row = 0; row < table_->rowCount(); ++row)
            rows.push_back(row);
    }
    return rows;
}

QString FindAllWindow::rowsAsText() const
{
    std::string text;
    for (int row : selectedOrAllRows()) {
        const HistoryHit& hit = hits_[static_cast<std::size_t>(row)];
        text += spreadsheetCell(localDateText(hit.time)) + '\t' + spreadsheetCell(localTimeText(hit.time)) + '\t' +
                spreadsheetCell(logTextToUtf8(hit.text));
        if (serverColumn_)
            text += '\t' + spreadsheetCell(logTextToUtf8(hit.server));
        text += '\n';
    }
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

std::string FindAllWindow::rowsAsCsv() const
{
    std::string csv = serverColumn_ ? "date,time,line,server\r\n" : "date,time,line\r\n";
    for (const HistoryHit& hit : hits_) {
        csv += csvField(localDateText(hit.time)) + ',' + csvField(localTimeText(hit.time)) + ',' +
               csvField(logTextToUtf8(hit.text));
        if (serverColumn_)
            csv += ',' + csvField(logTextToUtf8(hit.server));
        csv += "\r\n";
    }
    return csv;
}

bool FindAllWindow::saveCsv(const QString& path) const
{
    return saveWhole(path, rowsAsCsv());
}

void FindAllWindow::copyRows()
{
    QApplication::clipboard()->setText(rowsAsText());
}

void FindAllWindow::saveRows()
{
    const QString path = withDefaultSuffix(askSavePath ? askSavePath(this) : QString(), QStringLiteral("csv"));
    if (path.isEmpty())
        return;
    if (!saveCsv(path))
        status_->setText(QStringLiteral("Could not write %1").arg(path));
}

void FindAllWindow::closeEvent(QCloseEvent* event)
{
    worker_.requestStop();
    QWidget::closeEvent(event);
}

} // namespace zelkam
