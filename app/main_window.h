#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include <QPointer>
#include <QTimer>
#include <QWidget>

#include "app/find_dialog.h"
#include "app/window_worker.h"
#include "investigate/address_names.h"
#include "ingest/server_folders.h"
#include "parse/log_event.h"
#include "platform/window_place.h"
#include "state/chat_lines.h"

class QComboBox;
class QLabel;
class QResizeEvent;
class QPushButton;
class QSlider;

namespace zelkam {

class BackgroundLoader;
class ChatViewControl;
class DateSelectorControl;
class FolderBrowser;
struct HistoryHit;
struct RecordSubject;
class LinkOpener;
class MessageBoxes;
class PlayerListControl;
class SettingsStore;
class TimeLabelControl;
class ViewerState;

// The desktop services the main window asks the user through.
struct Services {
    SettingsStore& settings;
    FolderBrowser& browser;
    MessageBoxes& messages;
    LinkOpener& links;
};

// The one top-level window, "ZELKAMWINDOW": a 500 x 580 client area with
// the player list, the chat view, the time label, the date selector, the map
// label, the trackbar and the buttons at fixed positions. The user may make
// it larger (never smaller): layoutChildren says where the room goes. Its size
// and place are kept in the settings store as "Window Size" and "Window
// Place" when the window closes and used at the next start. It is the
// only place where the replay model and the controls meet: user actions and
// the one-second timer become calls on the model, and after each call that
// moved the playback the published view is pushed into the controls
// (refreshViews).
class MainWindow : public QWidget {
    Q_OBJECT

public:
    static constexpr int TimerPeriodMs = 1000;
    static constexpr int ClientWidth = 500;
    static constexpr int ClientHeight = 580;

    // What a button, a key or the menu asks the window to do. The values are
    // the design's control ids of the buttons, which each button carries as
    // its "controlId" property and in its object name ("button3").
    enum Command : int {
        Rewind = 1,
        Pause = 2,
        Play = 3,
        Fast = 4,
        Fastest = 5,
        OpenFind = 16,
        RconScan = 17,
        OpenAbout = 18,
        ChangeFolder = 19,
    };

    // Trackbar notification codes.
    enum TrackbarCode : int {
        LineUp = 0,
        LineDown = 1,
        PageUp = 2,
        PageDown = 3,
        ThumbPosition = 4,
        ThumbTrack = 5,
        Top = 6,
        Bottom = 7,
    };

    // Starts the playback timer; the window is shown at once.
    MainWindow(ViewerState& state, const Services& services);
    ~MainWindow() override;

    // Makes the children and the four control objects. False when one of
    // them cannot be made; the start is then abandoned.
    bool createChildren();

    // Loads folder, which becomes the shown one; while it holds no logs,
    // tells the user, asks for another folder and stores it. False when the
    // user cancelled the folder browser.
    bool loadLogsWithRetry(const std::string& folder);
    // The same folder loop at the program's start, with each scan and load
    // on the loader's thread, so that the window, shown already, paints and
    // answers while a big folder is read. The date list and the view are
    // filled once the folder's first day has been handed over; cancelled is
    // called when the user cancels the browser.
    void loadFirstFolder(const std::string& folder, std::function<void()> cancelled);
    void fillDateList();
    void refreshViews();
    // The date list's entry of the shown day, -1 when none is shown.
    int shownDayIndex() const;
    void selectDay(int index);
    // Opens folder for this session, as the folder button does with the
    // folder chosen: read in the background, not stored.
    void openFolder(const std::string& folder);

    // The message handlers: one per kind of notification the window gets.
    void dispatchCommand(Command command);
    void dateSelectionEnded();
    void timerExpired();
    // Ctrl+End: the newest day at its newest line, playing at ">".
    void goLive();
    void trackbarNotified(int code, int position);
    bool handleFindRequest(const FindRequest& request);
    // F3: the last Find Next again, with its pattern, kind and case; opens
    // the Find dialog when nothing has been searched yet.
    void findAgain();
    // Ctrl+Left and Ctrl+Right: the day before or after the loaded one in
    // the date list; nothing at either end.
    void selectNeighbourDay(int step);
    // Space: pauses a running playback, otherwise plays (">"), unless a push
    // button has the focus, which then takes the key as its own press.
    void toggleOrPressFocused();

    // On a community (a folder of server folders): shows servers()[index]
    // in place of the shown one, at the same time of day of the same date
    // (of its nearest earlier day when it has not that date, else its first
    // day), playing on as the shown one played, live when that was live.
    // The choice is kept in the settings for the next opening. Nothing on a
    // single server or an index outside the list.
    void selectServer(int index);
    // Ctrl+Up and Ctrl+Down: the server before or after the shown one in
    // the selector; nothing at either end.
    void selectNeighbourServer(int step);
    // The server named (as servers() names it) at its newest line, playing
    // live: what a double click in the Servers window asks for. Nothing when
    // the shown folder has no server of that name.
    void openServerLive(const std::string& name);
    // Looks at the community again for servers that appeared since (a
    // server starts streaming into the archive): they join the selector.
    // True when the list changed. The timer does it every few seconds.
    bool lookForNewServers();

    // The record of a player in a window of its own (the Rankings open it).
    void openPlayerRecord(const RecordSubject& subject);
    // The same on the server of the community named server: the record
    // reads the shown server, so that server is shown first (as
    // selectServer) and the record opens once its day is in. The shown
    // server's record for an empty name, a single server or a name the
    // community has not.
    void openPlayerRecordOn(const std::string& server, const RecordSubject& subject);

    // How every window shows a player's address: as its network, or as its
    // pseudonym once the user asked for addresses to be hidden.
    const AddressNames& addressNames() const { return addressNames_; }
    // Hides every address behind its pseudonym (the key made in the
    // user's settings folder on first use), or shows addresses again; the
    // choice is kept in the settings store and the open windows show it at
    // once. False, the user told why, when the key cannot be read or made:
    // addresses then stay as they were.
    bool setAddressesHidden(bool hidden);
    // The choice as the settings store kept it, at the start.
    void restoreAddressesHidden();

    // Save Report...: asks for a range of the shown day around the clock and
    // for a file, then saveReport.
    void openSaveReport();
    // Writes the report page (investigate/report_page) of the shown day
    // from from to to (calendar seconds) to path, addresses always as their
    // pseudonyms: the page is made to be handed to others. Made on a reader
    // of its own from the day read anew, never from the state shown; tells
    // the user when it fails and emits reportSaved.
    void saveReport(std::int32_t from, std::int32_t to, const QString& path);

    // True while a folder or day is being read on the loader's thread.
    bool isLoading() const;

    // The folder shown, or being tried at the start.
    const std::string& logFolder() const { return logFolder_; }
    // The folder read: logFolder() itself, or the shown server's on a
    // community.
    const std::string& serverFolder() const { return serverFolder_; }
    // The servers of logFolder() as last listed; one, unnamed, on a single
    // server.
    const ServerFolders& servers() const { return servers_; }
    // Index into servers() of the one shown.
    int shownServer() const { return shownServer_; }

    // For the tests and the screenshot: the children by role.
    QSlider* trackbar() const { return trackbar_; }
    QLabel* mapLabel() const { return mapLabel_; }
    // Says whether playback is live, playing (at what speed) or paused, and
    // how far behind the newest line of a followed day it stands.
    QLabel* playStateLabel() const { return playStateLabel_; }
    QPushButton* button(Command command) const;
    PlayerListControl* playerList() const { return playerList_.get(); }
    ChatViewControl* chatView() const { return chatView_.get(); }
    TimeLabelControl* timeLabel() const { return timeLabel_.get(); }
    DateSelectorControl* dateSelector() const { return dateSelector_.get(); }
    // The server selector; hidden on a single server.
    QComboBox* serverSelector() const { return serverSelector_; }
    FindDialog* findDialog() const { return findDialog_; }
    const std::string& findPattern() const { return findPattern_; }
    QTimer& timer() { return timer_; }
    // The wall clock each timer step is made at (calendar seconds); the
    // system's unless a test sets its own.
    void setWallClock(std::function<std::int32_t()> now) { wallClock_ = std::move(now); }

signals:
    // After every push of the published view into the controls, for the
    // windows that show the replay beside them.
    void viewsRefreshed();
    // After another folder replaced the shown one (or left none shown): the
    // windows that show a folder's data must stop using the one before.
    void folderChanged();
    // Addresses were hidden or shown again: addressNames() changed.
    void addressNamesChanged();
    // A report asked for by saveReport was written (or could not be).
    void reportSaved(bool saved);

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void openFindDialog();
    // Searches every day of the folder in a results window of its own.
    void openFindAll(const FindRequest& request);
    // The record of a player double-clicked in the player list.
    void openPlayerRecord(const PlayerEntry& player);
    // Loads a search hit's day (of the hit's server on a community) and
    // stands just after it, paused.
    void standAfter(const HistoryHit& hit);
    // Loads day (a local midnight) of server (the shown one when empty or
    // not of the community) and stands paused at calendar second time.
    void standAtSecond(const std::string& server, std::int32_t day, std::int32_t time);
    // Reads day of server as standAtSecond, on the loader's thread, and
    // calls standOn once it is shown (not when it cannot be read).
    void readDayOf(const std::string& server, std::int32_t day, std::function<void()> standOn);
    void openAboutDialog();
    void changeLogFolder();
    void loadFolderInBackground();
    void trackbarAction(int action);
    void windowDestroyed();
    QPushButton* makeButton(const QString& text, int x, int y, int width, int height, Command command);
    // The playback buttons, left to right.
    static constexpr Command PlaybackButtons[] = {Rewind, Pause, Play, Fast, Fastest};
    void makeShortcuts();
    void orderTabStops();
    // Lists logFolder's servers and picks the one to read: the one shown
    // last (kept in the settings), else the one written to last. Shows the
    // selector on a community only, and sets serverFolder_.
    void listServers();
    // Reads servers()[index] in place of the shown one: live, or at the
    // shown date and time of day (selectServer).
    void switchServer(int index, bool live);
    // Fills the selector from servers_, selecting shownServer_.
    void fillServerList();
    // Writes each server's item anew for the selector's width (a hostname
    // is elided to it); nothing when the width is the one written for.
    void nameServerItems();
    // Puts every child where the window's size wants it.
    void layoutChildren();
    // Says on playStateLabel what playback does now.
    void showPlayState();

    ViewerState& state_;
    Services services_;
    QTimer timer_;
    std::unique_ptr<ChatViewControl> chatView_;
    std::unique_ptr<PlayerListControl> playerList_;
    std::unique_ptr<TimeLabelControl> timeLabel_;
    std::unique_ptr<DateSelectorControl> dateSelector_;
    QSlider* trackbar_ = nullptr;
    QLabel* mapLabel_ = nullptr;
    QLabel* playStateLabel_ = nullptr;
    QLabel* serverCaption_ = nullptr;
    QComboBox* serverSelector_ = nullptr;
    // The selector width the items were last written for.
    int serverItemsWidth_ = -1;
    ServerFolders servers_;
    std::string serverFolder_;
    int shownServer_ = 0;
    int ticksSinceServerLook_ = 0;
    std::function<std::int32_t()> wallClock_;
    QPointer<FindDialog> findDialog_;
    std::unique_ptr<BackgroundLoader> loader_;
    std::string findPattern_;
    // What the last Find Next asked for, for F3.
    bool searched_ = false;
    SearchKind lastKind_ = SearchKind::Player;
    bool lastMatchCase_ = false;
    bool destroyed_ = false;
    std::string logFolder_;
    WindowPlace place_{*this, "Window"};
    AddressNames addressNames_;
    // The chat view's lines as shown while addresses are hidden: the view
    // keeps pointers to them until the next refill.
    std::array<ChatLine, ChatLineCapacity> chatLinesShown_{};
    // Last, so that a report being made is waited for first.
    std::unique_ptr<WindowWorker> reportWorker_;
};

} // namespace zelkam
