#include "app/rankings_window.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <iterator>

#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QDateEdit>
#include <QDateTime>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QShortcut>
#include <QTabWidget>
#include <QTableWidget>
#include <QVBoxLayout>

#include "ingest/log_file_list.h"
#include "views/display_text.h"
#include "views/text_encoding.h"

namespace zelkam {
namespace {

using Cell = RankingsWindow::Cell;
using CellKind = RankingsWindow::CellKind;
using Row = RankingsWindow::Row;

// The size the last rankings window had, so the next opens the same.
QSize rememberedSize(900, 480);

// A table's columns: the header the window shows and the key the CSV
// header uses (the same keys zelkam-cli stats writes).
struct Column {
    const char* title;
    const char* key;
};

constexpr Column PlayerColumns[] = {
    {"Player", "player"},        {"Unique ID", "uniqueId"},
    {"Frags", "frags"},          {"Deaths", "deaths"},
    {"K/D", "kd"},               {"Kills", "kills"},
    {"Team kills", "teamKills"}, {"Suicides", "suicides"},
    {"Time", "time"},            {"Sessions", "sessions"},
    {"Days", "days"},            {"Bombs planted", "bombsPlanted"},
    {"Bombs defused", "bombsDefused"}, {"Hostages rescued", "hostagesRescued"},
    {"Rounds won", "roundsWon"}, {"Chat", "chat"},
    {"Names", "names"},          {"Weapons", "weapons"},
};
constexpr Column WeaponColumns[] = {
    {"Weapon", "weapon"}, {"Kills", "kills"}, {"Team kills", "teamKills"}, {"Players", "players"}};
constexpr Column MapColumns[] = {
    {"Map", "map"}, {"Started", "started"}, {"Time", "time"}, {"Rounds", "rounds"}, {"Players", "players"}};

struct TableShape {
    const char* title;
    const Column* columns;
    int columnCount;
    // The column sorted by when the table is filled, highest first.
    int sortColumn;
};
constexpr TableShape Shapes[] = {
    {"&Players", PlayerColumns, static_cast<int>(std::size(PlayerColumns)), 2},
    {"&Weapons", WeaponColumns, static_cast<int>(std::size(WeaponColumns)), 1},
    {"&Maps", MapColumns, static_cast<int>(std::size(MapColumns)), 2},
};

Cell count(double number, CellKind kind = CellKind::Count) { return Cell{kind, number, {}}; }
Cell text(const std::string& logText) { return Cell{CellKind::Text, 0, {{logText, 0}}}; }

std::vector<Row> playerRows(const std::vector<PlayerRanking>& players)
{
    std::vector<Row> rows;
    for (const PlayerRanking& p : players) {
        const double ratio = p.deaths > 0 ? static_cast<double>(p.kills) / p.deaths : p.kills;
        Cell names{CellKind::Names, 0, {}};
        for (const std::string& name : p.names)
            names.texts.emplace_back(name, 0);
        Cell weapons{CellKind::Weapons, 0, p.weaponKills};
        // The most used weapon first.
        std::stable_sort(weapons.texts.begin(), weapons.texts.end(),
                         [](const auto& a, const auto& b) { return a.second > b.second; });
        rows.push_back({text(p.name), text(p.uniqueId), count(p.frags), count(p.deaths),
                        count(std::round(ratio * 100) / 100, CellKind::Ratio), count(p.kills), count(p.teamKills),
                        count(p.suicides), count(static_cast<double>(p.timeConnected), CellKind::Seconds),
                        count(p.sessions), count(p.days), count(p.bombsPlanted), count(p.bombsDefused),
                        count(p.hostagesRescued), count(p.roundsWon), count(p.chat), std::move(names),
                        std::move(weapons)});
    }
    return rows;
}

std::vector<Row> weaponRows(const std::vector<WeaponRanking>& weapons)
{
    std::vector<Row> rows;
    for (const WeaponRanking& w : weapons)
        rows.push_back({text(w.weapon), count(w.kills), count(w.teamKills), count(w.players)});
    return rows;
}

std::vector<Row> mapRows(const std::vector<MapRanking>& maps)
{
    std::vector<Row> rows;
    for (const MapRanking& m : maps)
        rows.push_back({text(m.map), count(m.started), count(static_cast<double>(m.timePlayed), CellKind::Seconds),
                        count(m.rounds), count(m.players)});
    return rows;
}

QString fromUtf8(const std::string& utf8)
{
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

// What a cell shows. Log texts go through the one display rule for text
// from the logs, so a name cannot reorder or hide the cells beside it.
QString shownText(const Cell& cell)
{
    switch (cell.kind) {
    case CellKind::Count:
        return QString::number(static_cast<qint64>(cell.number));
    case CellKind::Ratio:
        return QString::number(cell.number, 'f', 2);
    case CellKind::Seconds: {
        const auto seconds = static_cast<qint64>(cell.number);
        return QStringLiteral("%1:%2:%3")
            .arg(seconds / 3600)
            .arg(seconds / 60 % 60, 2, 10, QLatin1Char('0'))
            .arg(seconds % 60, 2, 10, QLatin1Char('0'));
    }
    case CellKind::Text:
    case CellKind::Names:
    case CellKind::Weapons:
        break;
    }
    std::string shown;
    for (const auto& [logText, number] : cell.texts) {
        if (!shown.empty())
            shown += ", ";
        if (!logText.empty())
            shown += isolatedDisplayText(logText);
        if (cell.kind == CellKind::Weapons)
            shown += ' ' + std::to_string(number);
    }
    return fromUtf8(shown);
}

// One CSV field of a cell, as zelkam-cli stats writes it: numbers plain
// (time in seconds), lists joined with ';', log texts decoded and guarded.
// The only place the window formats CSV.
std::string csvCell(const Cell& cell)
{
    switch (cell.kind) {
    case CellKind::Count:
    case CellKind::Seconds:
        return std::to_string(static_cast<long long>(cell.number));
    case CellKind::Ratio: {
        char number[32];
        std::snprintf(number, sizeof number, "%.2f", cell.number);
        return number;
    }
    case CellKind::Text:
    case CellKind::Names:
    case CellKind::Weapons:
        break;
    }
    std::string joined;
    for (const auto& [logText, number] : cell.texts) {
        if (!joined.empty())
            joined += ';';
        appendLogTextAsUtf8(joined, logText);
        if (cell.kind == CellKind::Weapons)
            joined += '=' + std::to_string(number);
    }
    return csvField(joined);
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

QTableWidget* makeTable(const TableShape& shape, QWidget* parent)
{
    auto* table = new QTableWidget(0, shape.columnCount, parent);
    for (int c = 0; c < shape.columnCount; ++c) {
        auto* header = new QTableWidgetItem(QString::fromLatin1(shape.columns[c].title));
        // The first click on a number column shows the highest first.
        if (c > 0 && !(shape.columns == PlayerColumns && c == 1))
            header->setData(Qt::InitialSortOrderRole, Qt::DescendingOrder);
        table->setHorizontalHeaderItem(c, header);
    }
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

RankingsWindow::RankingsWindow(QWidget* owner) : QWidget(owner, Qt::Window)
{
    setWindowTitle(QStringLiteral("Rankings"));
    setAttribute(Qt::WA_DeleteOnClose);

    from_ = new QDateEdit(this);
    to_ = new QDateEdit(this);
    for (QDateEdit* field : {from_, to_}) {
        field->setDisplayFormat(QStringLiteral("dd/MM/yyyy"));
        field->setCalendarPopup(true);
        // Leaving a field (or Return) counts the new range; leaving it
        // unchanged reads nothing again.
        connect(field, &QDateEdit::editingFinished, this, [this] {
            if (from_->date() != startedFrom_ || to_->date() != startedTo_)
                start();
        });
    }
    showButton_ = new QPushButton(QStringLiteral("S&how"), this);
    connect(showButton_, &QPushButton::clicked, this, &RankingsWindow::start);
    auto* range = new QHBoxLayout;
    auto* fromLabel = new QLabel(QStringLiteral("&From"), this);
    fromLabel->setBuddy(from_);
    auto* toLabel = new QLabel(QStringLiteral("&To"), this);
    toLabel->setBuddy(to_);
    // Kerned "To" measures a pixel short of what is drawn.
    toLabel->setMinimumWidth(toLabel->fontMetrics().horizontalAdvance(QStringLiteral("To")) + 4);
    range->addWidget(fromLabel);
    range->addWidget(from_);
    range->addSpacing(8);
    range->addWidget(toLabel);
    range->addWidget(to_);
    range->addWidget(showButton_);
    range->addStretch(1);

    tabs_ = new QTabWidget(this);
    for (int t = 0; t < 3; ++t) {
        tables_[t] = makeTable(Shapes[t], this);
        tabs_->addTab(tables_[t], QString::fromLatin1(Shapes[t].title));
    }
    connect(tables_[Players], &QTableWidget::itemActivated, this, [this](QTableWidgetItem* item) {
        const QTableWidgetItem* first = item ? tables_[Players]->item(item->row(), 0) : nullptr;
        if (!first)
            return;
        const auto index = first->data(Qt::UserRole + 1).toULongLong();
        if (index < players_.size())
            emit playerActivated(players_[index]);
    });

    progress_ = new QProgressBar(this);
    progress_->setRange(0, 1);
    progress_->setValue(0);
    status_ = new QLabel(this);
    status_->setTextFormat(Qt::PlainText);
    stopButton_ = new QPushButton(QStringLiteral("&Stop"), this);
    stopButton_->setEnabled(false);
    copyButton_ = new QPushButton(QStringLiteral("C&opy"), this);
    saveButton_ = new QPushButton(QStringLiteral("Sa&ve..."), this);
    connect(stopButton_, &QPushButton::clicked, this, &RankingsWindow::stop);
    connect(copyButton_, &QPushButton::clicked, this, &RankingsWindow::copyRows);
    connect(saveButton_, &QPushButton::clicked, this, &RankingsWindow::saveRows);
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(escape, &QShortcut::activated, this, &QWidget::close);
    auto* copy = new QShortcut(QKeySequence::Copy, tabs_);
    copy->setContext(Qt::WidgetWithChildrenShortcut);
    connect(copy, &QShortcut::activated, this, &RankingsWindow::copyRows);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(progress_, 1);
    buttons->addWidget(stopButton_);
    buttons->addWidget(copyButton_);
    buttons->addWidget(saveButton_);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(range);
    layout->addWidget(tabs_, 1);
    layout->addWidget(status_);
    layout->addLayout(buttons);
    resize(rememberedSize);
}

RankingsWindow::~RankingsWindow()
{
    stop_ = true;
    if (worker_.joinable())
        worker_.join();
}

void RankingsWindow::setFolder(const FolderDays& folder, std::int32_t shownDay)
{
    auto copy = std::make_shared<FolderDays>();
    copy->assign(folder.files, folder.days);
    folder_ = std::move(copy);
    const QDate day = QDateTime::fromSecsSinceEpoch(shownDay).date();
    const QDate first(day.year(), day.month(), 1);
    from_->setDate(first);
    to_->setDate(first.addMonths(1).addDays(-1));
}

void RankingsWindow::start()
{
    stop_ = true;
    if (worker_.joinable())
        worker_.join();
    stop_ = false;
    running_ = true;
    stopped_ = false;
    startedFrom_ = from_->date();
    startedTo_ = to_->date();
    stopButton_->setEnabled(true);
    progress_->setRange(0, 0);
    status_->setText(QStringLiteral("Reading the days..."));
    // Midnights by the program's own day rule, from each date's noon, so
    // that they are the days the folder lists whatever the clocks do.
    RankingRange range;
    range.firstDay = dayStartOf(static_cast<std::int32_t>(QDateTime(from_->date(), QTime(12, 0)).toSecsSinceEpoch()));
    range.lastDay = dayStartOf(static_cast<std::int32_t>(QDateTime(to_->date(), QTime(12, 0)).toSecsSinceEpoch()));
    // Results of an earlier reading still queued are dropped by their number.
    const unsigned generation = ++generation_;
    std::shared_ptr<const FolderDays> folder = folder_;
    worker_ = std::thread([this, generation, folder, range] {
        auto rankings = std::make_shared<Rankings>();
        bool complete = true;
        if (folder && range.firstDay != -1 && range.lastDay != -1 && range.firstDay <= range.lastDay) {
            complete = collectRankings(*folder, range, &stop_, *rankings, [&](std::size_t day, std::size_t days) {
                QMetaObject::invokeMethod(this, [this, generation, day, days] {
                    if (generation == generation_)
                        showProgress(day, days);
                }, Qt::QueuedConnection);
            });
        }
        QMetaObject::invokeMethod(this, [this, generation, rankings, complete] {
            if (generation == generation_)
                finish(*rankings, complete);
        }, Qt::QueuedConnection);
    });
}

void RankingsWindow::stop()
{
    stop_ = true;
    stopButton_->setEnabled(false);
}

void RankingsWindow::showProgress(std::size_t day, std::size_t days)
{
    progress_->setRange(0, static_cast<int>(days));
    progress_->setValue(static_cast<int>(day + 1));
}

void RankingsWindow::finish(const Rankings& rankings, bool complete)
{
    if (worker_.joinable())
        worker_.join();
    running_ = false;
    stopped_ = !complete;
    stopButton_->setEnabled(false);
    progress_->setRange(0, 1);
    progress_->setValue(complete ? 1 : 0);
    fillTable(Players, playerRows(rankings.players));
    // The record finds sessions by the id as logged (a row keyed by name by
    // its shared id and the name used last), not by the id the row shows.
    players_.clear();
    for (const PlayerRanking& player : rankings.players)
        players_.push_back(RecordSubject{player.name, player.loggedId.empty() ? player.uniqueId : player.loggedId, 0});
    fillTable(Weapons, weaponRows(rankings.weapons));
    fillTable(Maps, mapRows(rankings.maps));
    QString text = QStringLiteral("%1 players, %2 weapons, %3 maps")
                       .arg(rankings.players.size())
                       .arg(rankings.weapons.size())
                       .arg(rankings.maps.size());
    if (!complete)
        text += QStringLiteral(" (stopped: only the days read so far)");
    if (folder_ && !folder_->filesCutShort.empty())
        text += QStringLiteral("; %1 files could not be read to their end").arg(folder_->filesCutShort.size());
    status_->setText(text);
    emit rankingsFinished();
}

void RankingsWindow::fillTable(Tab tab, std::vector<Row> rows)
{
    QTableWidget* table = tables_[tab];
    // Filled unsorted, then sorted once: sorting while inserting moves rows
    // under the indices being written.
    table->setSortingEnabled(false);
    table->clearContents();
    table->setRowCount(static_cast<int>(rows.size()));
    for (std::size_t r = 0; r < rows.size(); ++r) {
        for (std::size_t c = 0; c < rows[r].size(); ++c) {
            const Cell& cell = rows[r][c];
            auto* item = new RankingItem(shownText(cell));
            if (cell.kind == CellKind::Count || cell.kind == CellKind::Seconds || cell.kind == CellKind::Ratio) {
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
    table->sortByColumn(Shapes[tab].sortColumn, Qt::DescendingOrder);
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
    const TableShape& shape = Shapes[tab];
    const QTableWidget* table = tables_[tab];
    std::string csv;
    for (int c = 0; c < shape.columnCount; ++c)
        csv += std::string(c == 0 ? "" : ",") + shape.columns[c].key;
    csv += "\r\n";
    for (int row : chosenRows(selectedOnly)) {
        const auto index = table->item(row, 0)->data(Qt::UserRole + 1).toULongLong();
        const Row& cells = rows_[tab][index];
        for (std::size_t c = 0; c < cells.size(); ++c)
            csv += (c == 0 ? "" : ",") + csvCell(cells[c]);
        csv += "\r\n";
    }
    return csv;
}

bool RankingsWindow::saveCsv(const QString& path) const
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    const std::string csv = rowsAsCsv(false);
    const bool written = file.write(csv.data(), static_cast<qint64>(csv.size())) == static_cast<qint64>(csv.size());
    file.close();
    return written && file.error() == QFileDevice::NoError;
}

QString RankingsWindow::csvFileName(const QString& typed)
{
    if (typed.isEmpty() || !QFileInfo(typed).suffix().isEmpty())
        return typed;
    return typed + QStringLiteral(".csv");
}

void RankingsWindow::copyRows()
{
    QApplication::clipboard()->setText(fromUtf8(rowsAsCsv(true)));
}

void RankingsWindow::saveRows()
{
    QFileDialog dialog(this, QStringLiteral("Save"), QString(), QStringLiteral("CSV files (*.csv)"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    // The dialog adds the suffix itself where it can, so that it asks
    // before overwriting the file actually written.
    dialog.setDefaultSuffix(QStringLiteral("csv"));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    const QString path = csvFileName(dialog.selectedFiles().constFirst());
    if (!saveCsv(path))
        status_->setText(QStringLiteral("Could not write %1").arg(path));
}

void RankingsWindow::closeEvent(QCloseEvent* event)
{
    stop_ = true;
    QWidget::closeEvent(event);
}

void RankingsWindow::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    rememberedSize = size();
}

} // namespace zelkam
