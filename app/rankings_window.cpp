#include "app/rankings_window.h"

#include <algorithm>
#include <iterator>

#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QComboBox>
#include <QDateTime>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QShortcut>
#include <QTabWidget>
#include <QTableWidget>
#include <QVBoxLayout>

#include "app/date_selector_control.h"
#include "app/ranking_display_text.h"
#include "app/result_bar.h"
#include "app/shown_rows.h"
#include "app/save_name.h"
#include "ingest/log_file_list.h"
#include "platform/settings_store.h"
#include "stats/community_rankings.h"
#include "views/display_text.h"

namespace zelkam {
namespace {

// A date field wide enough for "dd/mm/yyyy" and its button, with room for
// ten days of its list below it.
constexpr int FieldWidth = 110;
constexpr int FieldHeightWithList = 24 + 10 * 17;

constexpr const char* TabTitles[] = {"&Players", "&Weapons", "&Maps"};

// The value the server chosen is kept under: its name, empty for all.
constexpr char ChosenServerValue[] = "Rankings Server";

QString fromUtf8(const std::string& utf8)
{
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

// Sorts numbers as numbers; texts (Qt::UserRole empty) as shown.
class RankingItem : public QTableWidgetItem {
public:
    using QTableWidgetItem::QTableWidgetItem;
    bool operator<(const QTableWidgetItem& other) const override
    {
        const QVariant mine = data(Qt::UserRole);
        const QVariant theirs = other.data(Qt::UserRole);
        if (mine.isValid() && theirs.isValid())
            return mine.toDouble() < theirs.toDouble();
        return text().localeAwareCompare(other.text()) < 0;
    }
};

QTableWidget* makeTable(RankingTable shape, QWidget* parent)
{
    const auto columns = rankingColumns(shape);
    // The Server column last, so that a single server's columns stay where
    // they always were; shown only for all servers of a community.
    auto* table = new QTableWidget(0, static_cast<int>(columns.size()) + 1, parent);
    for (int c = 0; c < table->columnCount(); ++c) {
        const RankingColumn column =
            c < static_cast<int>(columns.size()) ? columns[static_cast<std::size_t>(c)] : serverRankingColumn();
        auto* header = new QTableWidgetItem(QString::fromLatin1(column.title));
        if (!column.isText)
            header->setData(Qt::InitialSortOrderRole, Qt::DescendingOrder);
        table->setHorizontalHeaderItem(c, header);
    }
    table->setColumnHidden(table->columnCount() - 1, true);
    table->verticalHeader()->hide();
    // Rows as high as a line of the font: fallback fonts picked for the
    // isolate marks around names would otherwise make them twice that.
    table->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    table->verticalHeader()->setDefaultSectionSize(table->fontMetrics().height() + 6);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setSelectionMode(QAbstractItemView::ExtendedSelection);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setWordWrap(false);
    table->setSortingEnabled(true);
    return table;
}

} // namespace

// One server's rankings as a reading hands them over.
struct RankingsWindow::Ranked {
    // Empty for a single server.
    std::string server;
    Rankings rankings;
    CutShortFiles filesCutShort;
};

std::vector<std::pair<std::size_t, std::size_t>> RankingsWindow::firstShown(RankingTable table,
                                                                           const std::vector<Ranked>& ranked,
                                                                           bool& leftOut)
{
    // The rows of every server by the cell the table is sorted by, ties in
    // server order and then in the order each server holds them, as
    // zelkam-cli stats writes them.
    struct Place {
        RankingCell key;
        std::size_t server;
        std::size_t index;
    };
    const auto column = static_cast<std::size_t>(rankingSortColumn(table));
    std::vector<Place> places;
    for (std::size_t s = 0; s < ranked.size(); ++s) {
        const std::size_t count = rankingRowCount(table, ranked[s].rankings);
        for (std::size_t i = 0; i < count; ++i)
            places.push_back({rankingCell(table, ranked[s].rankings, i, column), s, i});
    }
    const auto before = [](const Place& a, const Place& b) {
        if (rankingCellBefore(a.key, b.key))
            return true;
        if (rankingCellBefore(b.key, a.key))
            return false;
        return std::pair(a.server, a.index) < std::pair(b.server, b.index);
    };
    const std::size_t shown = std::min(places.size(), mostRowsShown());
    leftOut = leftOut || shown < places.size();
    std::partial_sort(places.begin(), places.begin() + static_cast<std::ptrdiff_t>(shown), places.end(), before);
    std::vector<std::pair<std::size_t, std::size_t>> first;
    first.reserve(shown);
    for (std::size_t p = 0; p < shown; ++p)
        first.emplace_back(places[p].server, places[p].index);
    return first;
}

int RankingsWindow::serverColumnOf(Tab tab)
{
    return static_cast<int>(rankingColumns(static_cast<RankingTable>(tab)).size());
}

RankingsWindow::RankingsWindow(QWidget* owner) : QWidget(owner, Qt::Window)
{
    setWindowTitle(QStringLiteral("Rankings"));
    setAttribute(Qt::WA_DeleteOnClose);

    from_ = std::make_unique<DateSelectorControl>(0, 0, FieldWidth, FieldHeightWithList, this);
    to_ = std::make_unique<DateSelectorControl>(0, 0, FieldWidth, FieldHeightWithList, this);
    for (DateSelectorControl* field : {from_.get(), to_.get()}) {
        field->acceptAnyDate();
        field->comboBox()->setFocusPolicy(Qt::StrongFocus);
        field->comboBox()->setMinimumWidth(FieldWidth);
        // A date committed (Return, leaving the field, a click elsewhere, a
        // day chosen from the list) counts the new range; the same range is
        // not read again.
        field->setSelectionEndedHandler([this] {
            if (from_->shownDate() != startedFrom_ || to_->shownDate() != startedTo_)
                start();
        });
    }
    showButton_ = new QPushButton(QStringLiteral("S&how"), this);
    connect(showButton_, &QPushButton::clicked, this, &RankingsWindow::start);
    auto* range = new QHBoxLayout;
    auto* fromLabel = new QLabel(QStringLiteral("&From"), this);
    fromLabel->setBuddy(from_->comboBox());
    auto* toLabel = new QLabel(QStringLiteral("&To"), this);
    toLabel->setBuddy(to_->comboBox());
    // Kerned "To" measures a pixel short of what is drawn.
    toLabel->setMinimumWidth(toLabel->fontMetrics().horizontalAdvance(QStringLiteral("To")) + 4);
    range->addWidget(fromLabel);
    range->addWidget(from_->comboBox());
    range->addSpacing(8);
    range->addWidget(toLabel);
    range->addWidget(to_->comboBox());
    // A community's server choice, hidden for a single server.
    serverLabel_ = new QLabel(QStringLiteral("Se&rver"), this);
    serverBox_ = new QComboBox(this);
    serverBox_->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    serverBox_->setMaximumWidth(260);
    serverLabel_->setBuddy(serverBox_);
    serverLabel_->hide();
    serverBox_->hide();
    connect(serverBox_, &QComboBox::activated, this, &RankingsWindow::chooseServer);
    range->addSpacing(8);
    range->addWidget(serverLabel_);
    range->addWidget(serverBox_);
    range->addWidget(showButton_);
    range->addStretch(1);

    tabs_ = new QTabWidget(this);
    for (int t = 0; t < 3; ++t) {
        tables_[t] = makeTable(static_cast<RankingTable>(t), this);
        tabs_->addTab(tables_[t], QString::fromLatin1(TabTitles[t]));
    }
    connect(tables_[Players], &QTableWidget::itemActivated, this, [this](QTableWidgetItem* item) {
        const QTableWidgetItem* first = item ? tables_[Players]->item(item->row(), 0) : nullptr;
        if (!first)
            return;
        const auto index = first->data(Qt::UserRole + 1).toULongLong();
        if (index < players_.size())
            emit playerActivated(players_[index], playerServers_[index]);
    });

    status_ = new QLabel(this);
    status_->setTextFormat(Qt::PlainText);
    const ResultBar bar = makeResultBar(*this, *tabs_, Qt::WidgetWithChildrenShortcut, [this] { stop(); },
                                        [this] { copyRows(); }, [this] { saveRows(); });
    progress_ = bar.progress;
    stopButton_ = bar.stop;
    stopButton_->setEnabled(false);
    copyButton_ = bar.copy;
    saveButton_ = bar.save;
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(range);
    layout->addWidget(tabs_, 1);
    layout->addWidget(status_);
    layout->addLayout(bar.layout);
    resize(900, 480);
}

RankingsWindow::~RankingsWindow()
{
    // Hiding a window on its way out moves the focus, and a date field
    // losing it commits; by then this window is only a QWidget, so the
    // fields must stop talking to it first.
    from_.reset();
    to_.reset();
}

void RankingsWindow::setFolder(const FolderDays& folder, std::int32_t shownDay)
{
    auto copy = std::make_shared<FolderDays>();
    copy->assign(folder.files, folder.days);
    folder_ = std::move(copy);
    for (DateSelectorControl* field : {from_.get(), to_.get()}) {
        field->clearDays();
        for (std::int32_t listed : folder_->days)
            field->addDay(listed);
    }
    const QDate day = QDateTime::fromSecsSinceEpoch(shownDay).date();
    const QDate first(day.year(), day.month(), 1);
    from_->setDate(first);
    to_->setDate(first.addMonths(1).addDays(-1));
}

void RankingsWindow::setServers(const std::vector<ServerFolder>& servers)
{
    // A single server's folder is named "": no choice to offer.
    servers_.clear();
    if (servers.size() > 1 || (servers.size() == 1 && !servers.front().name.empty()))
        servers_ = servers;
    const bool community = !servers_.empty();
    serverLabel_->setVisible(community);
    serverBox_->setVisible(community);
    serverBox_->clear();
    if (!community)
        return;
    serverBox_->addItem(QStringLiteral("All servers"));
    int chosen = 0;
    const std::string remembered = store_ ? store_->readServer(ChosenServerValue) : std::string();
    for (std::size_t i = 0; i < servers_.size(); ++i) {
        serverBox_->addItem(QString::fromStdString(isolatedDisplayText(servers_[i].name)));
        if (!remembered.empty() && servers_[i].name == remembered)
            chosen = static_cast<int>(i) + 1;
    }
    serverBox_->setCurrentIndex(chosen);
}

void RankingsWindow::chooseServer(int index)
{
    if (index < 0 || static_cast<std::size_t>(index) > servers_.size())
        return;
    if (store_)
        store_->writeServer(index == 0 ? std::string() : servers_[static_cast<std::size_t>(index) - 1].name,
                            ChosenServerValue);
    start();
}

void RankingsWindow::start()
{
    const QDate from = from_->shownDate();
    const QDate to = to_->shownDate();
    if (!from.isValid() || !to.isValid() || from > to) {
        // Refused, not counted as an empty range: the tables stay as they were.
        status_->setText(from > to ? QStringLiteral("From is after To: choose a From on or before To")
                                   : QStringLiteral("Choose a From and a To date (DD/MM/YYYY)"));
        return;
    }
    running_ = true;
    stopped_ = false;
    startedFrom_ = from;
    startedTo_ = to;
    stopButton_->setEnabled(true);
    progress_->setRange(0, 0);
    status_->setText(QStringLiteral("Reading the days..."));
    // Midnights by the program's one date rule, so that they are the days
    // the folder lists whatever the clocks do.
    RankingRange range;
    range.firstDay = from_->shownMidnight().value_or(-1);
    range.lastDay = to_->shownMidnight().value_or(-1);
    // A single server is the folder the viewer lists; a community's servers
    // are each read on their own, all of them or the one chosen.
    std::vector<ServerFolder> servers;
    const int chosen = serverBox_->currentIndex();
    if (servers_.empty())
        servers.push_back(ServerFolder{});
    else if (chosen <= 0)
        servers = servers_;
    else
        servers.push_back(servers_[static_cast<std::size_t>(chosen) - 1]);
    // The tables name their server once the reading's rows are in them.
    const bool labelled = !servers_.empty() && chosen <= 0;
    std::shared_ptr<const FolderDays> folder = folder_;
    // A reading still running is stopped, and what it still reports dropped.
    worker_.start([this, folder, servers, range, labelled](const WindowWorker::Job& job) {
        auto ranked = std::make_shared<std::vector<Ranked>>();
        bool complete = true;
        if (range.firstDay != -1 && range.lastDay != -1 && range.firstDay <= range.lastDay) {
            // The single server is the folder the viewer lists, not scanned
            // again; a community's servers are opened on every core.
            std::vector<ServerDays> opened;
            if (servers.size() == 1 && servers[0].name.empty()) {
                opened.resize(1);
                if (folder) {
                    opened[0].days.assign(folder->files, folder->days);
                    opened[0].opened = true;
                }
            } else {
                complete = openServers(servers, job.stopFlag(), opened);
                // The date fields list the days of the servers ranked, not
                // only those of the server the viewer shows.
                std::vector<std::int32_t> days;
                for (const ServerDays& server : opened) {
                    if (server.opened)
                        days.insert(days.end(), server.days.days.begin(), server.days.days.end());
                }
                std::sort(days.begin(), days.end());
                days.erase(std::unique(days.begin(), days.end()), days.end());
                job.post([this, days] {
                    from_->relistDays(days);
                    to_->relistDays(days);
                });
            }
            const ServerRanked keep = [&](const ServerFolder& server, const FolderDays& days, Rankings& rankings) {
                ranked->push_back(Ranked{server.name, std::move(rankings), cutShortOf(days.filesCutShort)});
            };
            if (complete) {
                complete = rankServers(opened, range, job.stopFlag(), keep, [&](std::size_t walked, std::size_t total) {
                    job.post([this, walked, total] { showProgress(walked - 1, total); });
                });
            }
        }
        job.post([this, ranked, complete, labelled] { finish(*ranked, complete, labelled); });
    });
}

void RankingsWindow::stop()
{
    worker_.requestStop();
    stopButton_->setEnabled(false);
}

void RankingsWindow::showProgress(std::size_t day, std::size_t days)
{
    progress_->setRange(0, static_cast<int>(days));
    progress_->setValue(static_cast<int>(day + 1));
}

void RankingsWindow::finish(const std::vector<Ranked>& ranked, bool complete, bool labelled)
{
    worker_.wait();
    running_ = false;
    serverColumn_ = labelled;
    stopped_ = !complete;
    stopButton_->setEnabled(false);
    // Stopped, the bar keeps the point it reached, as Find All's does.
    if (complete || progress_->maximum() == 0) {
        progress_->setRange(0, 1);
        progress_->setValue(complete ? 1 : 0);
    }
    // Each server's rows are its own, the server named in the last column
    // when all of a community's are shown. A table makes rows for the
    // first it may show by its sort column only (see shown_rows.h): the
    // Rankings of a day of a million players would otherwise make eighteen
    // cells of a million rows, gigabytes, before showing one.
    std::size_t players = 0;
    std::size_t weapons = 0;
    std::size_t maps = 0;
    CutShortFiles cutShort;
    bool leftOut = false;
    std::array<std::vector<RankingRow>, 3> rows;
    players_.clear();
    playerServers_.clear();
    for (int t = 0; t < 3; ++t) {
        const auto table = static_cast<RankingTable>(t);
        for (const auto& [server, index] : firstShown(table, ranked, leftOut)) {
            const Ranked& from = ranked[server];
            rows[t].push_back(serverColumn_ ? serverRankingRow(table, from.rankings, index, from.server)
                                            : rankingRow(table, from.rankings, index));
            if (table != PlayerTable)
                continue;
            // The record finds sessions by the id as logged (a row keyed by
            // name by its shared id and the name used last), not by the id
            // the row shows.
            const PlayerRanking& player = from.rankings.players[index];
            players_.push_back(RecordSubject{player.name, player.loggedId.empty() ? player.uniqueId : player.loggedId, 0});
            playerServers_.push_back(from.server);
        }
    }
    for (const Ranked& server : ranked) {
        players += server.rankings.players.size();
        weapons += server.rankings.weapons.size();
        maps += server.rankings.maps.size();
        cutShort += server.filesCutShort;
    }
    for (int t = 0; t < 3; ++t) {
        tables_[t]->setColumnHidden(serverColumnOf(static_cast<Tab>(t)), !serverColumn_);
        fillTable(static_cast<Tab>(t), std::move(rows[t]));
    }
    QString text = QStringLiteral("%1 players, %2 weapons, %3 maps").arg(players).arg(weapons).arg(maps);
    if (serverColumn_)
        text += QStringLiteral(" on %1 servers").arg(servers_.size());
    if (!complete)
        text += QStringLiteral(" (stopped: only the days read so far)");
    if (leftOut) {
        // Named, since the user may sort by another column afterwards.
        QStringList firstSorts;
        for (int t = 0; t < 3; ++t) {
            const auto table = static_cast<RankingTable>(t);
            firstSorts << QString::fromLatin1(rankingColumns(table)[static_cast<std::size_t>(rankingSortColumn(table))].title);
        }
        text += QStringLiteral("; each table holds its first %1 rows by %2 (zelkam-cli stats lists every one)")
                    .arg(mostRowsShown())
                    .arg(firstSorts.join(QStringLiteral(", ")));
    }
    if (cutShort.files != 0)
        text += QStringLiteral("; ") + filesCutShortText(cutShort);
    status_->setText(text);
    emit rankingsFinished();
}

void RankingsWindow::fillTable(Tab tab, std::vector<RankingRow> rows)
{
    QTableWidget* table = tables_[tab];
    // Filled unsorted, then sorted once: sorting while inserting moves rows
    // under the indices being written.
    table->setSortingEnabled(false);
    table->clearContents();
    table->setRowCount(static_cast<int>(rows.size()));
    for (std::size_t r = 0; r < rows.size(); ++r) {
        for (std::size_t c = 0; c < rows[r].size(); ++c) {
            const RankingCell& cell = rows[r][c];
            auto* item = new RankingItem(fromUtf8(rankingDisplayText(cell)));
            if (cell.isNumber()) {
                item->setData(Qt::UserRole, cell.number);
                item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            }
            if (c == 0)
                item->setData(Qt::UserRole + 1, static_cast<qulonglong>(r));
            table->setItem(static_cast<int>(r), static_cast<int>(c), item);
        }
    }
    rows_[tab] = std::move(rows);
    table->setSortingEnabled(true);
    table->sortByColumn(rankingSortColumn(static_cast<RankingTable>(tab)), Qt::DescendingOrder);
    table->resizeColumnsToContents();
}

std::vector<int> RankingsWindow::chosenRows(bool selectedOnly) const
{
    const QTableWidget* table = tables_[tabs_->currentIndex()];
    std::vector<int> rows;
    for (int row = 0; selectedOnly && row < table->rowCount(); ++row) {
        if (table->selectionModel()->isRowSelected(row, QModelIndex()))
            rows.push_back(row);
    }
    if (rows.empty()) {
        for (int row = 0; row < table->rowCount(); ++row)
            rows.push_back(row);
    }
    return rows;
}

std::string RankingsWindow::rowsAsCsv(bool selectedOnly) const
{
    const int tab = tabs_->currentIndex();
    const QTableWidget* table = tables_[tab];
    const auto own = rankingColumns(static_cast<RankingTable>(tab));
    std::vector<RankingColumn> columns(own.begin(), own.end());
    if (serverColumn_)
        columns.push_back(serverRankingColumn());
    std::string csv = rankingCsvHeader(columns);
    for (int row : chosenRows(selectedOnly)) {
        const auto index = table->item(row, 0)->data(Qt::UserRole + 1).toULongLong();
        csv += rankingCsvRecord(rows_[tab][index]);
    }
    return csv;
}

bool RankingsWindow::saveCsv(const QString& path) const
{
    return saveWhole(path, rowsAsCsv(false));
}

void RankingsWindow::copyRows()
{
    QApplication::clipboard()->setText(fromUtf8(rowsAsCsv(true)));
}

void RankingsWindow::saveRows()
{
    const QString path = askSaveFileName(this, QStringLiteral("Save"), offeredName(), QStringLiteral("CSV files (*.csv)"),
                                         QStringLiteral("csv"));
    if (path.isEmpty())
        return;
    if (!saveCsv(path))
        status_->setText(QStringLiteral("Could not write %1").arg(path));
}

QString RankingsWindow::offeredName() const
{
    const QString format = QStringLiteral("dd/MM/yyyy");
    return offeredFileName(QStringLiteral("rankings"), {startedFrom_.toString(format), startedTo_.toString(format)},
                           QStringLiteral("csv"));
}

void RankingsWindow::closeEvent(QCloseEvent* event)
{
    worker_.requestStop();
    QWidget::closeEvent(event);
}

} // namespace zelkam
