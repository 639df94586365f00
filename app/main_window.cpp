#include "app/main_window.h"

#include <algorithm>
#include <ctime>
#include <iterator>
#include <new>

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFontMetrics>
#include <QIcon>
#include <QLabel>
#include <QPushButton>
#include <QResizeEvent>
#include <QSlider>
#include <QStyle>

#include "app/background_loader.h"
#include "app/chat_view_control.h"
#include "app/clock_text.h"
#include "app/date_selector_control.h"
#include "app/keyboard_access.h"
#include "app/player_list_control.h"
#include "app/player_record_window.h"
#include "app/program_icon.h"
#include "app/save_name.h"
#include "app/time_label_control.h"
#include "app/version.h"
#include "platform/dialogs.h"
#include "platform/folder_path.h"
#include "platform/log_text.h"
#include "platform/settings_store.h"
#include "replay/viewer_state.h"

namespace zelkam {

namespace {

constexpr const char* CommandIdProperty = "controlId";
constexpr int DayMinutes = 1440;

// Push buttons are reached with Tab but a mouse click leaves the focus
// where it was, so Space and the arrow keys keep working on the trackbar or
// the date after a click on a button.
void tabStop(QPushButton* button)
{
    button->setFocusPolicy(Qt::TabFocus);
}

const char* const PlaybackTips[] = {
    "Rewind (Ctrl+1)", "Pause (Ctrl+2 or Space)", "Play (Ctrl+3 or Space)", "Fast (Ctrl+4)", "Fastest (Ctrl+5)",
};

} // namespace

MainWindow::MainWindow(ViewerState& state, const Services& services)
    : QWidget(nullptr, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                           Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint),
      state_(state), services_(services)
{
    setObjectName(QStringLiteral("ZELKAMWINDOW"));
    setWindowTitle(QString::fromLatin1(ProgramTitle));
    setWindowIcon(programIcon());
    setMinimumSize(ClientWidth, ClientHeight);
    resize(ClientWidth, ClientHeight);
    place_.keepIn(services_.settings);
    timer_.setInterval(TimerPeriodMs);
    connect(&timer_, &QTimer::timeout, this, &MainWindow::timerExpired);
    timer_.start();
    loader_ = std::make_unique<BackgroundLoader>(state_);
    connect(loader_.get(), &BackgroundLoader::busyChanged, this,
            [this](bool busy) { busy ? setCursor(Qt::BusyCursor) : unsetCursor(); });
    show();
}

MainWindow::~MainWindow()
{
    if (findDialog_)
        delete findDialog_.data();
}

namespace {

// The shared font on a button of the window's fixed size: a label wider than
// the button's inside (">>>" on 24 pixels) is drawn condensed until it fits,
// at the same height, rather than cut at both ends or run together.
// "Zelkam v1.8 — logs — 06/07/2001": the program first, then the shown
// folder's last part and the loaded day, where each is known.
QString windowTitleFor(const std::string& folder, std::int32_t day)
{
    QString title = QString::fromLatin1(ProgramTitle);
    const QString path = QDir::cleanPath(QDir::fromNativeSeparators(qtPathOf(folder)));
    const QString name = path.section(QLatin1Char('/'), -1);
    if (!name.isEmpty())
        title += QStringLiteral(" \u2014 ") + name;
    if (day != NoDay)
        title += QStringLiteral(" \u2014 ") + QString::fromStdString(localDateText(day));
    return title;
}

QFont labelFontFor(const QPushButton& button)
{
    QFont font = sharedFont();
    const int frame = button.style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, &button);
    const int inside = button.width() - 2 * (frame + 1);
    const int wide = QFontMetrics(font).horizontalAdvance(button.text());
    if (button.text().isEmpty() || wide <= inside || inside <= 0)
        return font;
    font.setStretch(std::max(50, 100 * inside / wide));
    return font;
}

} // namespace

QPushButton* MainWindow::makeButton(const QString& text, int x, int y, int width, int height, Command command)
{
    auto* button = new QPushButton(text, this);
    button->setObjectName(QStringLiteral("button%1").arg(command));
    button->setProperty(CommandIdProperty, static_cast<int>(command));
    button->setGeometry(x, y, width, height);
    button->setFont(labelFontFor(*button));
    button->setAutoDefault(false);
    tabStop(button);
    connect(button, &QPushButton::clicked, this, [this, command] { dispatchCommand(command); });
    button->show();
    return button;
}

QPushButton* MainWindow::button(Command command) const
{
    return findChild<QPushButton*>(QStringLiteral("button%1").arg(command), Qt::FindDirectChildrenOnly);
}

bool MainWindow::createChildren()
{
    if (!createSharedFont())
        return false;

    trackbar_ = new QSlider(Qt::Horizontal, this);
    trackbar_->setObjectName(QStringLiteral("Progress"));
    trackbar_->setGeometry(96, 532, 388, 32);
    trackbar_->setRange(0, DayMinutes);
    trackbar_->setTickPosition(QSlider::TicksBelow);
    trackbar_->setTickInterval(30);
    trackbar_->setPageStep(15);
    trackbar_->setSingleStep(1);
    trackbar_->setFont(sharedFont());
    trackbar_->setFocusPolicy(Qt::StrongFocus);
    mapTrackbarKeys(trackbar_);
    acceptWheelOnlyWithFocus(trackbar_);
    connect(trackbar_, &QSlider::actionTriggered, this, &MainWindow::trackbarAction);
    connect(trackbar_, &QSlider::sliderReleased, this,
            [this] { trackbarNotified(ThumbPosition, trackbar_->sliderPosition()); });
    trackbar_->show();

    playerList_.reset(new (std::nothrow) PlayerListControl(16, 56, 468, 332, this));
    if (!playerList_)
        return false;
    watchPlayerList(*playerList_, [this](const PlayerEntry& player) { openPlayerRecord(player); });
    chatView_.reset(new (std::nothrow) ChatViewControl(16, 396, 468, 80, this));
    if (!chatView_)
        return false;
    timeLabel_.reset(new (std::nothrow) TimeLabelControl(16, 532, 64, 24, this));
    if (!timeLabel_)
        return false;
    // Only shows the clock: Tab passes it by.
    timeLabel_->window()->setFocusPolicy(Qt::NoFocus);

    auto* dateCaption = new QLabel(QStringLiteral("Date"), this);
    dateCaption->setObjectName(QStringLiteral("dateCaption"));
    dateCaption->setGeometry(20, 20, 32, 24);
    dateCaption->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    dateCaption->setFont(sharedFont());
    dateCaption->show();

    dateSelector_.reset(new (std::nothrow) DateSelectorControl(64, 16, 96, 128, this));
    if (!dateSelector_)
        return false;
    dateSelector_->setSelectionEndedHandler([this] { dateSelectionEnded(); });
    dateSelector_->comboBox()->setFocusPolicy(Qt::StrongFocus);
    acceptWheelOnlyWithFocus(dateSelector_->comboBox());

    mapLabel_ = new QLabel(this);
    mapLabel_->setObjectName(QStringLiteral("mapLabel"));
    mapLabel_->setGeometry(308, 20, 120, 24);
    mapLabel_->setAlignment(Qt::AlignRight | Qt::AlignTop);
    mapLabel_->setTextFormat(Qt::PlainText);
    mapLabel_->setFont(sharedFont());
    mapLabel_->show();

    // Between the date and the map, where it reads with the clock's date.
    playStateLabel_ = new QLabel(this);
    playStateLabel_->setObjectName(QStringLiteral("playState"));
    playStateLabel_->setGeometry(168, 20, 136, 24);
    playStateLabel_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    playStateLabel_->setFont(sharedFont());
    playStateLabel_->show();

    // A community's servers, in a row of their own under the date: the top
    // row is full at the design's width. Shown only on a community.
    serverCaption_ = new QLabel(QStringLiteral("Server"), this);
    serverCaption_->setObjectName(QStringLiteral("serverCaption"));
    serverCaption_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    serverCaption_->setFont(sharedFont());
    serverCaption_->hide();
    serverSelector_ = new QComboBox(this);
    serverSelector_->setObjectName(QStringLiteral("serverSelector"));
    serverSelector_->setFont(sharedFont());
    serverSelector_->setFocusPolicy(Qt::StrongFocus);
    serverSelector_->setToolTip(QStringLiteral("Server of this community (Ctrl+Up, Ctrl+Down)"));
    acceptWheelOnlyWithFocus(serverSelector_);
    connect(serverSelector_, &QComboBox::activated, this, [this](int index) { selectServer(index); });
    serverSelector_->hide();

    makeButton(QStringLiteral("Find..."), 260, 492, 64, 24, OpenFind);
    makeButton(QStringLiteral("RScan"), 340, 492, 64, 24, RconScan);
    makeButton(QStringLiteral("About"), 420, 492, 64, 24, OpenAbout);

    QPushButton* folder = makeButton(QString(), 460, 16, 24, 24, ChangeFolder);
    folder->setIcon(style()->standardIcon(QStyle::SP_DirOpenIcon));
    folder->setIconSize(QSize(16, 16));
    folder->setToolTip(QStringLiteral("Select Log Folder (Ctrl+O)"));

    const char* playbackTexts[] = {"<<", "||", ">", ">>", ">>>"};
    for (std::size_t i = 0; i < std::size(PlaybackButtons); ++i) {
        QPushButton* button =
            makeButton(QString::fromLatin1(playbackTexts[i]), 30 + 40 * static_cast<int>(i), 492, 24, 24, PlaybackButtons[i]);
        button->setToolTip(QString::fromLatin1(PlaybackTips[i])
                           + QStringLiteral("; Ctrl+End goes live, playing the newest line of the newest day"));
    }
    makeShortcuts();
    orderTabStops();
    layoutChildren();
    // The trackbar starts with the keys: arrows move the time, Space plays.
    trackbar_->setFocus();
    return true;
}

void MainWindow::orderTabStops()
{
    // Top to bottom, left to right, as the controls stand.
    QWidget* order[] = {
        dateSelector_->comboBox(), button(ChangeFolder), serverSelector_, playerList_->window(), button(Rewind),
        button(Pause),             button(Play),         button(Fast),          button(Fastest),
        button(OpenFind),          button(RconScan),     button(OpenAbout),     trackbar_,
    };
    for (std::size_t i = 1; i < std::size(order); ++i)
        QWidget::setTabOrder(order[i - 1], order[i]);
}

void MainWindow::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    layoutChildren();
}

bool MainWindow::loadLogsWithRetry(const std::string& folder)
{
    logFolder_ = folder;
    for (;;) {
        listServers();
        if (state_.loadFolder(serverFolder_))
            return true;
        services_.messages.show(this, QStringLiteral("Couldn't find any logs"),
                                QStringLiteral("Click OK to browse for logs\n"), MessageIcon::Information);
        if (!services_.browser.browse(this, logFolder_))
            return false;
        // Stored before it is tried, so a folder without logs is kept too.
        services_.settings.writeLogFolder(logFolder_);
    }
}

void MainWindow::loadFirstFolder(const std::string& folder, std::function<void()> cancelled)
{
    logFolder_ = folder;
    listServers();
    loader_->loadFolder(serverFolder_, [this, cancelled](bool loaded) {
        if (loaded) {
            fillDateList();
            refreshViews();
            return;
        }
        services_.messages.show(this, QStringLiteral("Couldn't find any logs"),
                                QStringLiteral("Click OK to browse for logs\n"), MessageIcon::Information);
        if (!services_.browser.browse(this, logFolder_)) {
            cancelled();
            return;
        }
        // Stored before it is tried, so a folder without logs is kept too.
        services_.settings.writeLogFolder(logFolder_);
        loadFirstFolder(logFolder_, cancelled);
    });
}

void MainWindow::fillDateList()
{
    setShownLogFolder(qtPathOf(logFolder_));
    dateSelector_->clearDays();
    for (std::int32_t day : state_.days())
        dateSelector_->addDay(day);
    // A refilled list selects its first entry; it must go on showing the day
    // that is shown.
    dateSelector_->showDay(shownDayIndex(), state_.isEmptyDay() ? NoDay : state_.dayStart());
    dateSelector_->invalidate();
}

void MainWindow::refreshViews()
{
    if (destroyed_)
        return;
    trackbar_->setValue(state_.viewMinute());
    mapLabel_->setText(logText(state_.viewMapName() != nullptr ? state_.viewMapName() : ""));
    timeLabel_->showTime(state_.viewClock(), state_.dayStart());
    dateSelector_->showDay(shownDayIndex(), state_.isEmptyDay() ? NoDay : state_.dayStart());
    showPlayState();
    // On a community the server's folder: the title names server and day.
    setWindowTitle(windowTitleFor(serverFolder_, state_.isEmptyDay() ? NoDay : state_.dayStart()));

    // The controls keep pointers into the published copies, which stay
    // valid until the next publish; every publish is followed by this refill.
    // An address a player typed into chat or a command shows as its
    // pseudonym while addresses are hidden, as in every other window.
    chatView_->clear();
    std::size_t hidden = 0;
    for (const ChatLine& line : state_.viewChatLines()) {
        if (!addressNames_.hidesAddresses()) {
            chatView_->addLine(line);
        } else if (hidden < chatLinesShown_.size()) {
            chatLinesShown_[hidden] = chatLineShownAs(line, addressNames_);
            chatView_->addLine(chatLinesShown_[hidden++]);
        }
    }
    chatView_->invalidate();

    playerList_->clear();
    playerList_->setScores(state_.view().ctScore, state_.view().tScore);
    for (const PlayerEntry& player : state_.viewPlayers())
        playerList_->add(&player);
    playerList_->sortAndRedraw();
    emit viewsRefreshed();
}

void MainWindow::showPlayState()
{
    playStateLabel_->setText(QString::fromStdString(playStateText(state_.playMode(), state_.speed(), state_.lag())));
}

int MainWindow::shownDayIndex() const
{
    if (state_.isEmptyDay())
        return -1;
    // The loaded day, also when play has run past its midnight: the date
    // box names it, the clock says "+1", and the keys count from it.
    const std::int32_t* first = state_.days().begin();
    const std::int32_t* last = state_.days().end();
    const std::int32_t* found = std::find(first, last, state_.dayStart());
    return found == last ? -1 : static_cast<int>(found - first);
}

void MainWindow::selectDay(int index)
{
    if (index < 0 || static_cast<std::size_t>(index) >= state_.days().size()) {
        state_.loadDayAt(static_cast<std::size_t>(index));
        refreshViews();
        return;
    }
    // Read on the loader's thread: the shown day plays on meanwhile, and the
    // chosen one replaces it once it is complete.
    loader_->loadDay(serverFolder_, state_.days()[static_cast<std::size_t>(index)], [this](bool) { refreshViews(); });
}

void MainWindow::dispatchCommand(Command command)
{
    if (destroyed_)
        return;
    const auto play = [this](PlaybackCommand playback) {
        state_.command(playback);
        showPlayState();
    };
    switch (command) {
    case Rewind:
        play(PlaybackCommand::Rewind);
        break;
    case Pause:
        play(PlaybackCommand::Pause);
        break;
    case Play:
        play(PlaybackCommand::Play);
        break;
    case Fast:
        play(PlaybackCommand::Fast);
        break;
    case Fastest:
        play(PlaybackCommand::Fastest);
        break;
    case OpenFind:
        openFindDialog();
        break;
    case RconScan:
        // A miss leaves the model where it was; the refresh is harmless then.
        state_.find(SearchKind::RconCmd, {}, false);
        refreshViews();
        break;
    case OpenAbout:
        openAboutDialog();
        break;
    case ChangeFolder:
        changeLogFolder();
        break;
    }
}

void MainWindow::dateSelectionEnded()
{
    if (destroyed_)
        return;
    const int index = dateSelector_->selectedIndex();
    if (index != -1)
        selectDay(index);
}

void MainWindow::timerExpired()
{
    if (destroyed_)
        return;
    // The server may be writing the folder: its new lines join the day
    // before the clock moves, so play at the newest line shows them now.
    const LiveUpdate live = state_.follow();
    if (live.daysChanged)
        fillDateList();
    lookForNewServers();
    const bool ticked = state_.tick(wallClock_ ? wallClock_() : static_cast<std::int32_t>(std::time(nullptr)));
    if (ticked || live.viewChanged || live.daysChanged)
        refreshViews();
    else
        showPlayState(); // paused on a growing day: the lag grows
    mapLabel_->setToolTip(state_.isGrowing() ? QStringLiteral("Live: this day is still being written") : QString());
}

void MainWindow::changeLogFolder()
{
    // Starting in the folder shown, whose neighbours are the likely choice.
    std::string chosen = logFolder_;
    if (!services_.browser.browse(this, chosen))
        return;
    openFolder(chosen);
}

void MainWindow::openFolder(const std::string& folder)
{
    if (destroyed_)
        return;
    logFolder_ = folder;
    loadFolderInBackground();
}

void MainWindow::loadFolderInBackground()
{
    // Scanned and loaded on the loader's thread; the shown day plays on
    // until the new folder's first day is complete.
    listServers();
    loader_->loadFolder(serverFolder_, [this](bool loaded) {
        if (!loaded) {
            services_.messages.show(this, QStringLiteral("Couldn't find any logs"),
                                    QStringLiteral("Click OK to browse for logs\n"), MessageIcon::Information);
            if (services_.browser.browse(this, logFolder_)) {
                services_.settings.writeLogFolder(logFolder_);
                loadFolderInBackground();
                return;
            }
            // Cancelled: an empty, published day, as a folder without logs.
            state_.command(PlaybackCommand::Pause);
            state_.unload();
        }
        fillDateList();
        refreshViews();
        emit folderChanged();
    });
}

bool MainWindow::isLoading() const { return loader_ && loader_->isBusy(); }

void MainWindow::windowDestroyed()
{
    if (destroyed_)
        return;
    // Waits for a load still running and drops it, before the state goes.
    loader_.reset();
    state_.unload();
    timer_.stop();
    destroyed_ = true;
    if (findDialog_) {
        findDialog_->disconnect(this);
        findDialog_->deleteLater();
        findDialog_ = nullptr;
    }
    chatView_.reset();
    playerList_.reset();
    timeLabel_.reset();
    dateSelector_.reset();
    QCoreApplication::exit(0);
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    QWidget::closeEvent(event);
    if (event->isAccepted())
        windowDestroyed();
}

} // namespace zelkam
