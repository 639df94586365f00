#include "app/servers_window.h"

#include <ctime>

#include <QHeaderView>
#include <QKeyEvent>
#include <QShortcut>
#include <QTableWidget>
#include <QVBoxLayout>

#include "app/clock_text.h"
#include "ingest/open_file.h"
#include "ingest/server_folders.h"
#include "views/display_text.h"

namespace zelkam {
namespace {

enum Column { ServerColumn, MapColumn, TColumn, CtColumn, SpectatorColumn, ChatColumn, AgeColumn, ColumnCount };

// "12 s", "3 min", "2 h", "4 days": how long ago, at the coarsest unit
// that says it.
QString ageText(std::int64_t seconds)
{
    if (seconds < 0)
        seconds = 0;
    if (seconds < 60)
        return QStringLiteral("%1 s").arg(seconds);
    if (seconds < 3600)
        return QStringLiteral("%1 min").arg(seconds / 60);
    if (seconds < 86400)
        return QStringLiteral("%1 h").arg(seconds / 3600);
    return QStringLiteral("%1 days").arg(seconds / 86400);
}

QTableWidgetItem* cell(const QString& text)
{
    auto* item = new QTableWidgetItem(text);
    item->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled);
    return item;
}

QString shown(std::string_view logBytes) { return QString::fromStdString(isolatedDisplayText(logBytes)); }

} // namespace

ServersWindow::ServersWindow(QWidget* owner) : QWidget(owner, Qt::Window)
{
    setObjectName(QStringLiteral("serversWindow"));
    setWindowTitle(QStringLiteral("Servers"));
    table_ = new QTableWidget(0, ColumnCount, this);
    table_->setHorizontalHeaderLabels({QStringLiteral("Server"), QStringLiteral("Map"), QStringLiteral("T"),
                                       QStringLiteral("CT"), QStringLiteral("Spec"), QStringLiteral("Newest chat"),
                                       QStringLiteral("Written")});
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setSelectionMode(QAbstractItemView::SingleSelection);
    table_->verticalHeader()->hide();
    table_->horizontalHeader()->setSectionResizeMode(ChatColumn, QHeaderView::Stretch);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(table_);
    resize(640, 320);
    const auto activate = [this](int row) {
        if (row >= 0 && static_cast<std::size_t>(row) < names_.size())
            emit serverActivated(names_[static_cast<std::size_t>(row)]);
    };
    connect(table_, &QTableWidget::cellDoubleClicked, this, [activate](int row, int) { activate(row); });
    connect(table_, &QTableWidget::cellActivated, this, [activate](int row, int) { activate(row); });
    auto* close = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(close, &QShortcut::activated, this, &QWidget::close);
    timer_.setInterval(RefreshMs);
    connect(&timer_, &QTimer::timeout, this, &ServersWindow::refresh);
}

ServersWindow::~ServersWindow() { worker_.cancel(); }

void ServersWindow::setFolder(const std::string& folder)
{
    folder_ = folder;
    refresh();
}

void ServersWindow::refresh()
{
    reading_ = true;
    worker_.start([this, folder = folder_](const WindowWorker::Job& job) {
        std::vector<Row> rows;
        ServerFolders found;
        std::error_code error;
        if (listServerFolders(pathFromUtf8(folder), found, error)) {
            for (const ServerFolder& server : found.servers) {
                if (job.stopRequested())
                    return;
                Row row;
                row.name = server.name;
                row.read = readServerNow(server.path, row.now);
                rows.push_back(std::move(row));
            }
        }
        job.post([this, rows = std::move(rows)]() mutable { showRows(std::move(rows)); });
    });
}

void ServersWindow::showRows(std::vector<Row> rows)
{
    reading_ = false;
    const std::int64_t now = wallClock_ ? wallClock_() : static_cast<std::int64_t>(std::time(nullptr));
    // The row the user stands on stays selected by its server.
    const int current = table_->currentRow();
    const std::string currentName =
        current >= 0 && static_cast<std::size_t>(current) < names_.size() ? names_[static_cast<std::size_t>(current)]
                                                                         : std::string();
    names_.clear();
    table_->setRowCount(static_cast<int>(rows.size()));
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const Row& row = rows[i];
        const int r = static_cast<int>(i);
        names_.push_back(row.name);
        table_->setItem(r, ServerColumn, cell(row.name.empty() ? QStringLiteral("(this folder)") : shown(row.name)));
        const ServerNow& n = row.now;
        table_->setItem(r, MapColumn, cell(row.read ? shown(n.map) : QString()));
        table_->setItem(r, TColumn, cell(row.read ? QString::number(n.terrorists) : QString()));
        table_->setItem(r, CtColumn, cell(row.read ? QString::number(n.cts) : QString()));
        table_->setItem(r, SpectatorColumn, cell(row.read ? QString::number(n.spectators) : QString()));
        QString chat;
        if (row.read && n.hasChat)
            chat = QString::fromStdString(localTimeText(n.chatTime)) + QLatin1Char(' ') + shown(n.chat);
        table_->setItem(r, ChatColumn, cell(chat));
        table_->setItem(r, AgeColumn, cell(row.read && n.newestLine >= 0 ? ageText(now - n.newestLine) : QString()));
        if (!currentName.empty() && row.name == currentName)
            table_->setCurrentCell(r, ServerColumn);
    }
    table_->resizeColumnToContents(ServerColumn);
    table_->resizeColumnToContents(MapColumn);
}

void ServersWindow::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    timer_.start();
}

void ServersWindow::hideEvent(QHideEvent* event)
{
    QWidget::hideEvent(event);
    timer_.stop();
}

} // namespace zelkam
