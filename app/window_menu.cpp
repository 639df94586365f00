#include "app/window_menu.h"

#include <QMenu>
#include <QShortcut>

#include "app/admin_log_window.h"
#include "app/day_overview_window.h"
#include "app/main_window.h"
#include "app/rankings_window.h"
#include "app/servers_window.h"
#include "replay/viewer_state.h"

namespace zelkam {

WindowMenu::WindowMenu(MainWindow& window, const ViewerState& state, const SettingsStore& store)
    : QObject(&window), window_(window), state_(state), store_(store)
{
    setObjectName(QStringLiteral("windowMenu"));
    window.setContextMenuPolicy(Qt::CustomContextMenu);
    connect(&window, &QWidget::customContextMenuRequested, this, &WindowMenu::showMenu);
    auto* shortcut = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_D), &window);
    connect(shortcut, &QShortcut::activated, this, &WindowMenu::openDayOverview);
    auto* rankings = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_K), &window);
    connect(rankings, &QShortcut::activated, this, &WindowMenu::openRankings);
    // Every publish the main window pushes to its controls reaches the plot.
    connect(&window, &MainWindow::viewsRefreshed, this, [this] {
        if (dayOverview_)
            dayOverview_->refresh();
    });
    // Open rankings count the folder shown now, from the month of its day;
    // a community's rankings are of its servers whichever is shown.
    connect(&window, &MainWindow::folderChanged, this, [this] {
        if (rankings_ && !(window_.servers().community && window_.logFolder() == rankedFolder_))
            countShownFolder();
        // A community's audit is of every server, whichever is shown.
        if (adminLog_ && !(window_.servers().community && window_.logFolder() == auditedFolder_))
            adminLog_->forgetFolder();
        if (servers_)
            servers_->setFolder(window_.logFolder());
    });
}

DayOverviewWindow* WindowMenu::dayOverview() const
{
    return dayOverview_.data();
}

void WindowMenu::openDayOverview()
{
    if (!dayOverview_) {
        // A window of its own, not a child: it is resized and moved on its
        // own, and stays usable beside the fixed-size main window. The main
        // window deletes it when it goes.
        dayOverview_ = new DayOverviewWindow(
            state_, [this](int code, int minute) { window_.trackbarNotified(code, minute); }, &window_);
        dayOverview_->keepPlaceIn(store_);
    }
    dayOverview_->show();
    dayOverview_->raise();
    dayOverview_->activateWindow();
}

RankingsWindow* WindowMenu::rankings() const
{
    return rankings_.data();
}

void WindowMenu::openRankings()
{
    if (!rankings_) {
        rankings_ = new RankingsWindow(&window_);
        rankings_->keepPlaceIn(store_);
        connect(rankings_, &RankingsWindow::playerActivated, &window_,
                [this](const RecordSubject& player, const std::string& server) {
                    window_.openPlayerRecordOn(server, player);
                });
        countShownFolder();
    }
    rankings_->show();
    rankings_->raise();
    rankings_->activateWindow();
}

AdminLogWindow* WindowMenu::adminLog() const
{
    return adminLog_.data();
}

void WindowMenu::openAdminLog()
{
    if (!adminLog_) {
        adminLog_ = new AdminLogWindow(window_.addressNames(), &window_);
        adminLog_->keepPlaceIn(store_);
        // The files and days the date selector lists: no second folder scan.
        FolderDays folder;
        folder.assign(state_.folder().files(), state_.folder().days());
        auditedFolder_ = window_.logFolder();
        adminLog_->start(folder, window_.servers().community ? window_.servers().servers : std::vector<ServerFolder>());
        connect(&window_, &MainWindow::addressNamesChanged, adminLog_,
                [this] { adminLog_->showAddressesAs(window_.addressNames()); });
    }
    adminLog_->show();
    adminLog_->raise();
    adminLog_->activateWindow();
}

ServersWindow* WindowMenu::servers() const
{
    return servers_.data();
}

void WindowMenu::openServers()
{
    if (!servers_) {
        servers_ = new ServersWindow(&window_);
        connect(servers_, &ServersWindow::serverActivated, &window_,
                [this](const std::string& name) { window_.openServerLive(name); });
        servers_->setFolder(window_.logFolder());
    }
    servers_->show();
    servers_->raise();
    servers_->activateWindow();
}

void WindowMenu::countShownFolder()
{
    // The files and days the date selector lists: no second folder scan.
    FolderDays folder;
    folder.assign(state_.folder().files(), state_.folder().days());
    rankedFolder_ = window_.logFolder();
    rankings_->setServers(window_.servers().servers);
    rankings_->setFolder(folder, state_.dayStart());
    rankings_->start();
}

void WindowMenu::showMenu(const QPoint& position)
{
    QMenu menu(&window_);
    menu.addAction(QStringLiteral("Find..."), &window_, [this] { window_.dispatchCommand(MainWindow::OpenFind); });
    QAction* overview = menu.addAction(QStringLiteral("Day Overview"), this, &WindowMenu::openDayOverview);
    overview->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_D));
    QAction* rankings = menu.addAction(QStringLiteral("Rankings"), this, &WindowMenu::openRankings);
    rankings->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_K));
    menu.addAction(QStringLiteral("Admin Log"), this, &WindowMenu::openAdminLog);
    menu.addAction(QStringLiteral("Save Report..."), &window_, &MainWindow::openSaveReport);
    QAction* hide = menu.addAction(QStringLiteral("Hide Addresses"));
    hide->setCheckable(true);
    hide->setChecked(window_.addressNames().hidesAddresses());
    connect(hide, &QAction::toggled, &window_, [this](bool hidden) { window_.setAddressesHidden(hidden); });
    menu.addAction(QStringLiteral("Servers"), this, &WindowMenu::openServers);
    menu.addSeparator();
    menu.addAction(QStringLiteral("About"), &window_, [this] { window_.dispatchCommand(MainWindow::OpenAbout); });
    menu.exec(window_.mapToGlobal(position));
}

} // namespace zelkam
