#pragma once

#include <string>

#include <QObject>
#include <QPointer>

class QPoint;

namespace zelkam {

class AdminLogWindow;
class DayOverviewWindow;
class MainWindow;
class RankingsWindow;
class SettingsStore;
class ServersWindow;
class ViewerState;

// The main window's context menu (right click), which lists the viewer's
// other windows, and their keyboard shortcuts: Find..., Day Overview
// (Ctrl+D), Rankings (Ctrl+K), Admin Log, Save Report..., Servers and About. Each window exists once: opening it again brings the
// open one to the front.
class WindowMenu : public QObject {
    Q_OBJECT

public:
    // Installs itself on the window, as its child. The windows it opens keep
    // their size and place in store, which must outlive them.
    WindowMenu(MainWindow& window, const ViewerState& state, const SettingsStore& store);

    // Opens the Day Overview, or raises the open one.
    void openDayOverview();
    // The open Day Overview, or null.
    DayOverviewWindow* dayOverview() const;
    // Opens the Rankings over the month of the shown day, or raises the
    // open window as it is.
    void openRankings();
    RankingsWindow* rankings() const;
    // Opens the audit of every day of the folder shown (of every server of
    // a community), or raises the open window as it is.
    void openAdminLog();
    AdminLogWindow* adminLog() const;
    // Opens the Servers window on the folder shown (what each server plays
    // now), or raises the open one.
    void openServers();
    ServersWindow* servers() const;

private:
    // Gives the open rankings the folder the main window shows and counts it.
    void countShownFolder();
    void showMenu(const QPoint& position);

    MainWindow& window_;
    const ViewerState& state_;
    const SettingsStore& store_;
    QPointer<DayOverviewWindow> dayOverview_;
    QPointer<RankingsWindow> rankings_;
    // The folder the rankings last counted: moving between the servers of
    // a community counts nothing again.
    std::string rankedFolder_;
    QPointer<AdminLogWindow> adminLog_;
    // The folder the admin log was opened on: moving between the servers
    // of a community keeps its audit of them all.
    std::string auditedFolder_;
    QPointer<ServersWindow> servers_;
};

} // namespace zelkam
