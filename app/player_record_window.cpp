#include "app/player_record_window.h"

#include <algorithm>
#include <memory>
#include <string_view>
#include <unordered_set>

#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QMouseEvent>
#include <QProgressBar>
#include <QSet>
#include <QShortcut>
#include <QTabWidget>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "app/clock_text.h"
#include "app/player_list_control.h"
#include "app/result_bar.h"
#include "app/server_column.h"
#include "parse/sides.h"
#include "parse/text_hash.h"
#include "platform/log_text.h"
#include "replay/viewer_state.h"
#include "views/display_text.h"
#include "views/player_list_painter.h"

namespace zelkam {
namespace {

// The all-days sessions' and the timeline's server column.

QString clockText(std::int32_t t)
{
    return QString::fromStdString(localTimeText(t));
}

QString dateClockText(std::int32_t t)
{
    const std::string date = localDateText(t);
    return date.empty() ? QString() : QString::fromStdString(date + ' ' + localTimeText(t));
}

// As the player list's bands name the teams.
QString teamName(std::int32_t team) { return QString::fromLatin1(teamBandName(team)); }

// What a line of the record says about one of the player's events. A kill
// is the victim's event naming the killer: it is the player's own death when
// the victim bears one of the session's names, else one of the player's frags.
QString lineText(const LogEvent& event, const std::unordered_set<std::string_view, TextHash>& sessionNames)
{
    const QString text = logText(event.text ? event.text : "");
    if (event.kind == Killed && event.player.name && !sessionNames.contains(event.player.name))
        return QStringLiteral("killed ") + logText(event.player.name);
    switch (event.kind) {
    case PlayerConnected: return QStringLiteral("connected");
    case PlayerDisconnected: return QStringLiteral("left");
    case PlayerEntered: return QStringLiteral("entered the game");
    // The side the join puts him on, by the model's one rule, named as the
    // player list's bands name it.
    case TeamJoined: return QStringLiteral("joined the ") + teamName(sideOfJoin(event.text));
    case NameChanged: return QStringLiteral("changed name to ") + text;
    case Say: return QStringLiteral("says: ") + text;
    case SayTeam: return QStringLiteral("says to the team: ") + text;
    case RconCommand: return QStringLiteral("rcon: ") + text;
    case BadRconCommand: return QStringLiteral("bad rcon: ") + text;
    case Killed: return QStringLiteral("killed by ") + text;
    case Suicide: return QStringLiteral("suicide");
    default: return text;
    }
}

// A session as a line: "start - end  teams  frags F, deaths D"; over all
// days the date first, the names used and the chat count too.
QString sessionText(const PlayerSession& session, bool allDays)
{
    QString teams;
    for (std::int32_t team : session.teams)
        teams += (teams.isEmpty() ? QString() : QStringLiteral(", ")) + teamName(team);
    QString text = QStringLiteral("%1 - %2  %3  frags %4, deaths %5")
                       .arg(clockText(session.start), clockText(session.end),
                            teams.isEmpty() ? QStringLiteral("no team") : teams)
                       .arg(session.frags)
                       .arg(session.deaths);
    if (!allDays)
        return text;
    QStringList names;
    for (const std::string& name : session.names)
        names << logText(name);
    return QString::fromStdString(localDateText(session.day)) + QLatin1Char(' ') + text +
           QStringLiteral(", chat %1  ").arg(session.chat) + names.join(QStringLiteral(", "));
}

class PlayerListWatcher : public QObject {
public:
    PlayerListWatcher(QWidget* panel, std::function<void(const PlayerEntry&)> open)
        : QObject(panel), open_(std::move(open))
    {
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        // The control is found through its binding, which it removes when
        // it goes: the main window drops it before its widgets, and their
        // last focus changes must not reach it.
        auto* list = static_cast<PlayerListControl*>(ControlBase::fromWindow(watched));
        if (!list)
            return QObject::eventFilter(watched, event);
        auto* panel = static_cast<QWidget*>(watched);
        switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick: {
            // The painter's rows are in client coordinates, inside the border.
            const auto* mouse = static_cast<QMouseEvent*>(event);
            const int y = static_cast<int>(mouse->position().y()) - panel->contentsRect().top();
            const std::size_t row = list->painter().rowAt(y, panel->height());
            if (row == PlayerListPainter::NoRow)
                break;
            list->chooseRow(row);
            list->sortAndRedraw();
            if (event->type() == QEvent::MouseButtonDblClick)
                openChosen(*list);
            break;
        }
        case QEvent::KeyPress: {
            const auto* key = static_cast<QKeyEvent*>(event);
            if (key->modifiers() & ~Qt::KeypadModifier)
                break;
            // Home and End: further than any list is long.
            constexpr int Far = 3 * static_cast<int>(PlayerListPainter::BlockCapacity);
            switch (key->key()) {
            case Qt::Key_Up: list->moveChoice(-1); return true;
            case Qt::Key_Down: list->moveChoice(1); return true;
            case Qt::Key_Home: list->moveChoice(-Far); return true;
            case Qt::Key_End: list->moveChoice(Far); return true;
            case Qt::Key_Return:
            case Qt::Key_Enter: openChosen(*list); return true;
            default: break;
            }
            break;
        }
        case QEvent::FocusIn: list->focusChanged(true); break;
        case QEvent::FocusOut: list->focusChanged(false); break;
        default: break;
        }
        return QObject::eventFilter(watched, event);
    }

private:
    void openChosen(const PlayerListControl& list)
    {
        if (const PlayerEntry* player = list.chosenPlayer()) {
            // A copy: the list's entries change with the next refresh.
            const PlayerEntry chosen = *player;
            open_(chosen);
        }
    }

    std::function<void(const PlayerEntry&)> open_;
};

} // namespace

void watchPlayerList(PlayerListControl& list, std::function<void(const PlayerEntry&)> open)
{
    list.window()->installEventFilter(new PlayerListWatcher(list.window(), std::move(open)));
}

PlayerRecordWindow::PlayerRecordWindow(const ViewerState& state, const RecordSubject& subject,
                                       const std::string& folderPath, QWidget* owner, const AddressNames& addresses,
                                       const RecordServers& servers)
    : QWidget(owner, Qt::Window), subject_(subject), shownServer_(servers.shown), addresses_(addresses)
{
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Player - ") + logText(subject.name));
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(escape, &QShortcut::activated, this, &QWidget::close);

    // The whole loaded window: the day before tells who was on the server at
    // midnight, as the all-days walk knows it.
    std::vector<PlayerSession> sessions;
    if (!state.isEmptyDay()) {
        DayRecord record = dayRecordOf(subject, state.events(), state.dayStart());
        subject_ = record.subject;
        sessions = std::move(record.sessions);
    }

    auto* outer = new QVBoxLayout(this);
    tabs_ = new QTabWidget(this);
    outer->addWidget(tabs_);
    auto* recordPage = new QWidget(tabs_);
    tabs_->addTab(recordPage, QStringLiteral("Record"));
    auto* layout = new QVBoxLayout(recordPage);
    auto* id = new QLabel(this);
    id->setTextFormat(Qt::PlainText);
    id->setText(QStringLiteral("Unique id: ") +
                (subject_.uniqueId.empty() ? QStringLiteral("(none)") : logText(subject_.uniqueId)));
    layout->addWidget(id);

    lines_ = new QListWidget(this);
    layout->addWidget(lines_, 1);
    if (!state.isEmptyDay()) {
        const EventList& events = state.events();
        QStringList names;
        QSet<QString> shownNames;
        ShownRows rows;
        for (const PlayerSession& session : sessions) {
            if (rows.take()) {
                auto* header = new QListWidgetItem(sessionText(session, false));
                QFont bold = header->font();
                bold.setBold(true);
                header->setFont(bold);
                lines_->addItem(header);
            }
            // Found by hash: a player who renamed himself thousands of
            // times must not cost the square here either.
            std::unordered_set<std::string_view, TextHash> sessionNames;
            for (const std::string& name : session.names) {
                sessionNames.insert(name);
                const QString shown = logText(name);
                if (!shownNames.contains(shown)) {
                    shownNames.insert(shown);
                    names << shown;
                }
            }
            for (std::size_t e : session.lines) {
                if (!rows.take())
                    continue;
                HistoryHit target;
                target.day = state.dayStart();
                target.time = events[e].time;
                target.event = e;
                target.kind = events[e].kind;
                target.server = shownServer_;
                auto* item = new QListWidgetItem(QStringLiteral("    ") + clockText(events[e].time) +
                                                 QStringLiteral("  ") + lineText(events[e], sessionNames));
                item->setData(Qt::UserRole, static_cast<qulonglong>(targets_.size()));
                targets_.push_back(target);
                lines_->addItem(item);
            }
        }
        if (rows.leftOut() > 0) {
            auto* leftOut = new QListWidgetItem(QStringLiteral("%1 more lines of the day").arg(rows.leftOut())
                                                + rows.leftOutText("timeline"));
            leftOut->setFlags(Qt::ItemIsEnabled);
            lines_->addItem(leftOut);
        }
        auto* named = new QLabel(this);
        named->setTextFormat(Qt::PlainText);
        named->setText(QStringLiteral("Names today: ") + (names.isEmpty() ? logText(subject.name) : names.join(QStringLiteral(", "))));
        layout->insertWidget(1, named);
    }
    connect(lines_, &QListWidget::itemActivated, this, [this](QListWidgetItem* item) {
        const QVariant index = item->data(Qt::UserRole);
        if (index.isValid() && index.toULongLong() < targets_.size())
            emit lineActivated(targets_[index.toULongLong()]);
    });

    history_ = new QLabel(QStringLiteral("All days: searching..."), this);
    history_->setTextFormat(Qt::PlainText);
    history_->setWordWrap(true);
    layout->addWidget(history_);
    allDays_ = new QTreeWidget(this);
    setUpLinesWithServer(*allDays_, QStringLiteral("Session"));
    allDays_->setRootIsDecorated(false);
    allDays_->setUniformRowHeights(true);
    showServerColumn(*allDays_, !servers.servers.empty());
    // A session of all days: the replay of its server's day where it
    // starts.
    connect(allDays_, &QTreeWidget::itemActivated, this, [this](QTreeWidgetItem* item) {
        const std::size_t row = static_cast<std::size_t>(allDays_->indexOfTopLevelItem(item));
        if (row < sessions_.size())
            emit secondActivated(sessions_[row].server, sessions_[row].day, sessions_[row].start);
    });
    layout->addWidget(allDays_, 1);
    progress_ = new QProgressBar(this);
    progress_->setRange(0, 0);
    layout->addWidget(progress_);
    resize(520, 420);

    collecting_ = true;
    worker_.start([this, folderPath, servers = servers.servers](const WindowWorker::Job& job) {
        auto history = std::make_shared<PlayerHistory>();
        bool complete = false;
        // walked of total days are done.
        const auto progress = [this, &job](std::size_t walked, std::size_t total) {
            job.post([this, walked, total] {
                progress_->setRange(0, static_cast<int>(total));
                progress_->setValue(static_cast<int>(walked));
            });
        };
        CutShortFiles cutShort;
        if (!servers.empty()) {
            // Every server of the community in one walk.
            std::vector<ServerDays> opened;
            complete = openServers(servers, job.stopFlag(), opened) &&
                       collectPlayerHistory(opened, subject_, job.stopFlag(), *history, progress);
            cutShort = cutShortOf(opened);
        } else {
            FolderDays folder;
            if (folder.scan(folderPath)) {
                complete = collectPlayerHistory(folder, subject_, job.stopFlag(), *history,
                                                [&](std::size_t day, std::size_t days) { progress(day + 1, days); });
            }
            cutShort = cutShortOf(folder.filesCutShort);
        }
        job.post([this, history, complete, cutShort] { showHistory(*history, complete, cutShort); });
    });
    startInvestigation(folderPath, servers.servers);
}

void PlayerRecordWindow::showAddressesAs(const AddressNames& addresses)
{
    addresses_ = addresses;
    for (std::size_t row = 0; row < entries_.size(); ++row)
        showTimelineLine(*timeline_->topLevelItem(static_cast<int>(row)), entries_[row]);
    if (!investigating_)
        fillLinkedAccounts();
}

// The worker stops the collection and waits for it.
PlayerRecordWindow::~PlayerRecordWindow() = default;

void PlayerRecordWindow::forgetFolder()
{
    worker_.cancel();
    investigation_.cancel();
    collecting_ = false;
    investigating_ = false;
    timeline_->clear();
    entries_.clear();
    linked_ = LinkedAccounts();
    links_->clear();
    timelineLabel_->setText(QStringLiteral("The log folder changed: this timeline was of the folder shown before"));
    linksLabel_->clear();
    lines_->clear();
    targets_.clear();
    allDays_->clear();
    sessions_.clear();
    progress_->setRange(0, 1);
    progress_->setValue(0);
    history_->setText(QStringLiteral("The log folder changed: this record was of the folder shown before"));
}

void PlayerRecordWindow::showHistory(const PlayerHistory& history, bool complete, const CutShortFiles& filesCutShort)
{
    worker_.wait();
    collecting_ = false;
    progress_->setRange(0, 1);
    progress_->setValue(1);
    QString text;
    ShownRows rows;
    const std::size_t shown = rows.takeSome(history.sessions.size());
    for (std::size_t s = 0; s < shown; ++s) {
        const PlayerSession& session = history.sessions[s];
        auto* item = new QTreeWidgetItem(allDays_);
        item->setText(0, sessionText(session, true));
        item->setText(LinesServerColumn, QString::fromStdString(isolatedDisplayText(session.server)));
    }
    sessions_.assign(history.sessions.begin(), history.sessions.begin() + static_cast<std::ptrdiff_t>(shown));
    if (history.sessions.empty()) {
        text = QStringLiteral("All days: no session found");
    } else {
        QStringList names;
        for (const std::string& name : history.names)
            names << logText(name);
        text = QStringLiteral("All days: seen on %1 %2, first %3, last %4.\nNames used: %5")
                   .arg(history.days.size())
                   .arg(history.days.size() == 1 ? QStringLiteral("day") : QStringLiteral("days"))
                   .arg(dateClockText(history.firstSeen), dateClockText(history.lastSeen),
                        names.join(QStringLiteral(", ")));
    }
    if (rows.leftOut() != 0)
        text += QStringLiteral("\n%1 sessions").arg(history.sessions.size()) + rows.leftOutText("player");
    if (!history.linkedById)
        text += QStringLiteral("\nThis unique id is shared by many players (LAN, pending, bot or none), so it links "
                               "nobody: only sessions under this name are counted.");
    if (!complete)
        text += QStringLiteral("\n(stopped before the last day)");
    if (filesCutShort.files != 0)
        text += QStringLiteral("\n") + filesCutShortText(filesCutShort);
    history_->setText(text);
}

void PlayerRecordWindow::closeEvent(QCloseEvent* event)
{
    worker_.requestStop();
    investigation_.requestStop();
    QWidget::closeEvent(event);
}

} // namespace zelkam
