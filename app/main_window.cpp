#include "app/main_window.h"

#include <new>

#include <QCloseEvent>
#include <QCoreApplication>
#include <QIcon>
#include <QLabel>
#include <QPushButton>
#include <QShortcut>
#include <QSlider>
#include <QStyle>

#include "app/about_dialog.h"
#include "app/chat_view_control.h"
#include "app/date_selector_control.h"
#include "app/player_list_control.h"
#include "app/program_icon.h"
#include "app/time_label_control.h"
#include "app/version.h"
#include "platform/dialogs.h"
#include "platform/log_folder_setting.h"
#include "platform/log_text.h"
#include "replay/viewer_state.h"

namespace zelkam {

namespace {

constexpr const char* CommandIdProperty = "controlId";
constexpr int DayMinutes = 1440;

// Widgets of the main window take the focus by click only: there is no
// dialog-style Tab navigation between them.
void noTabStop(QWidget* widget)
{
    widget->setFocusPolicy(Qt::ClickFocus);
}

} // namespace

MainWindow::MainWindow(ViewerState& state, const Services& services)
    : QWidget(nullptr, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                           Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint),
      state_(state), services_(services)
{
    setObjectName(QStringLiteral("ZELKAMWINDOW"));
    setWindowTitle(QString::fromLatin1(ProgramTitle));
    setWindowIcon(programIcon());
    setFixedSize(ClientWidth, ClientHeight);
    timer_.setInterval(TimerPeriodMs);
    connect(&timer_, &QTimer::timeout, this, &MainWindow::timerExpired);
    timer_.start();
    show();
}

MainWindow::~MainWindow()
{
    if (findDialog_)
        delete findDialog_.data();
}

QPushButton* MainWindow::makeButton(const QString& text, int x, int y, int width, int height, int id)
{
    auto* button = new QPushButton(text, this);
    button->setObjectName(QStringLiteral("button%1").arg(id));
    button->setProperty(CommandIdProperty, id);
    button->setGeometry(x, y, width, height);
    button->setFont(sharedFont());
    button->setAutoDefault(false);
    noTabStop(button);
    connect(button, &QPushButton::clicked, this, [this, id] { dispatchCommand(id); });
    button->show();
    return button;
}

QPushButton* MainWindow::button(int id) const
{
    return findChild<QPushButton*>(QStringLiteral("button%1").arg(id), Qt::FindDirectChildrenOnly);
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
    noTabStop(trackbar_);
    connect(trackbar_, &QSlider::actionTriggered, this, &MainWindow::trackbarAction);
    connect(trackbar_, &QSlider::sliderReleased, this,
            [this] { trackbarNotified(ThumbPosition, trackbar_->sliderPosition()); });
    trackbar_->show();

    playerList_.reset(new (std::nothrow) PlayerListControl(16, 56, 468, 332, this));
    if (!playerList_)
        return false;
    chatView_.reset(new (std::nothrow) ChatViewControl(16, 396, 468, 80, this));
    if (!chatView_)
        return false;
    timeLabel_.reset(new (std::nothrow) TimeLabelControl(16, 532, 64, 24, this));
    if (!timeLabel_)
        return false;

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

    mapLabel_ = new QLabel(this);
    mapLabel_->setObjectName(QStringLiteral("mapLabel"));
    mapLabel_->setGeometry(308, 20, 120, 24);
    mapLabel_->setAlignment(Qt::AlignRight | Qt::AlignTop);
    mapLabel_->setTextFormat(Qt::PlainText);
    mapLabel_->setFont(sharedFont());
    mapLabel_->show();

    makeButton(QStringLiteral("Find..."), 260, 492, 64, 24, OpenFind);
    makeButton(QStringLiteral("RScan"), 340, 492, 64, 24, RconScan);
    makeButton(QStringLiteral("About"), 420, 492, 64, 24, OpenAbout);

    QPushButton* folder = makeButton(QString(), 460, 16, 24, 24, ChangeFolder);
    folder->setIcon(style()->standardIcon(QStyle::SP_DirOpenIcon));
    folder->setIconSize(QSize(16, 16));
    folder->setToolTip(QStringLiteral("Select Log Folder"));

    const char* playbackTexts[] = {"<<", "||", ">", ">>", ">>>"};
    const char* playbackTips[] = {"Rewind", "Pause", "Play", "Fast", "Fastest"};
    int id = Rewind;
    for (int x = 30; x < 230; x += 40, ++id) {
        QPushButton* button = makeButton(QString::fromLatin1(playbackTexts[id - Rewind]), x, 492, 24, 24, id);
        button->setToolTip(QString::fromLatin1(playbackTips[id - Rewind])
                           + QStringLiteral(" (Ctrl+End: go live, playing the newest line of the newest day)"));
    }
    auto* live = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_End), this);
    connect(live, &QShortcut::activated, this, &MainWindow::goLive);
    return true;
}

bool MainWindow::loadLogsWithRetry()
{
    for (;;) {
        if (state_.loadFolder(logFolder))
            return true;
        services_.messages.show(this, QStringLiteral("Couldn't find any logs"),
                                QStringLiteral("Click OK to browse for logs\n"), MessageIcon::Information);
        if (!services_.browser.browse(this, logFolder))
            return false;
        // Stored before it is tried, so a folder without logs is kept too.
        services_.setting.write(logFolder);
    }
}

void MainWindow::fillDateList()
{
    dateSelector_->clearDays();
    for (std::int32_t day : state_.days)
        dateSelector_->addDay(day);
    dateSelector_->invalidate();
}

void MainWindow::refreshViews()
{
    if (destroyed_)
        return;
    trackbar_->setValue(state_.viewMinute);
    mapLabel_->setText(logText(state_.viewMapName != nullptr ? state_.viewMapName : ""));
    timeLabel_->showTime(state_.viewClock);
    dateSelector_->showDate(state_.viewClock);

    // The controls keep pointers into the published copies, which stay
    // valid until the next publish; every publish is followed by this refill.
    chatView_->clear();
    for (const ChatLine& line : state_.viewChatLines)
        chatView_->addLine(line.style, line.text);
    chatView_->invalidate();

    playerList_->clear();
    playerList_->setScores(state_.ctScore, state_.tScore);
    for (const PlayerEntry& player : state_.viewPlayers)
        playerList_->add(&player);
    playerList_->sortAndRedraw();
}

void MainWindow::selectDay(int index)
{
    state_.loadDayAt(static_cast<std::size_t>(index));
    refreshViews();
}

void MainWindow::dispatchCommand(int id)
{
    if (destroyed_)
        return;
    if (id >= 0 && id <= 15) {
        state_.command(id);
        return;
    }
    switch (id) {
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
    default:
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
    const bool ticked = state_.tick();
    if (ticked || live.viewChanged || live.daysChanged)
        refreshViews();
    mapLabel_->setToolTip(state_.isGrowing() ? QStringLiteral("Live: this day is still being written") : QString());
}

void MainWindow::goLive()
{
    if (destroyed_)
        return;
    if (state_.goLive())
        refreshViews();
}

void MainWindow::trackbarAction(int action)
{
    int code = -1;
    switch (action) {
    case QAbstractSlider::SliderSingleStepSub:
        code = LineUp;
        break;
    case QAbstractSlider::SliderSingleStepAdd:
        code = LineDown;
        break;
    case QAbstractSlider::SliderPageStepSub:
        code = PageUp;
        break;
    case QAbstractSlider::SliderPageStepAdd:
        code = PageDown;
        break;
    case QAbstractSlider::SliderMove:
        // The wheel moves the thumb without a drag; it steps like the keys.
        if (!trackbar_->isSliderDown())
            code = trackbar_->sliderPosition() < trackbar_->value() ? LineUp : LineDown;
        else
            code = ThumbTrack;
        break;
    case QAbstractSlider::SliderToMinimum:
        code = Top;
        break;
    case QAbstractSlider::SliderToMaximum:
        code = Bottom;
        break;
    default:
        return;
    }
    // The position after the action; the slider's value follows it later.
    trackbarNotified(code, trackbar_->sliderPosition());
}

void MainWindow::trackbarNotified(int code, int position)
{
    if (destroyed_)
        return;
    switch (code) {
    case LineUp:
    case LineDown:
    case PageUp:
    case PageDown:
    case ThumbPosition:
        state_.seekMinute(position);
        refreshViews();
        break;
    case ThumbTrack:
        // Pause while the thumb is dragged, without a refresh, so the thumb
        // follows the mouse while the view stays.
        state_.command(Pause);
        break;
    default:
        break;
    }
}

bool MainWindow::handleFindRequest(const FindRequest& request)
{
    if (request.flags & FindRequest::FindNext) {
        const auto kind = static_cast<SearchKind>(request.kind >= 0 && request.kind <= 3 ? request.kind : 0);
        if (state_.find(kind, findPattern_, (request.flags & FindRequest::MatchCase) != 0))
            return true;
        services_.messages.show(findDialog_, QStringLiteral("Find"), QStringLiteral("    Can't find it        "),
                                MessageIcon::Error);
        return false;
    }
    if (request.flags & FindRequest::DialogTerm) {
        // The dialog is closing: from now on it is not ours to use.
        if (findDialog_)
            findDialog_->deleteLater();
        findDialog_ = nullptr;
    }
    return false;
}

void MainWindow::openFindDialog()
{
    if (findDialog_) {
        // One Find dialog at a time: the open one comes to the front.
        findDialog_->show();
        findDialog_->raise();
        findDialog_->activateWindow();
        return;
    }
    findDialog_ = new FindDialog(findPattern_, this);
    connect(findDialog_, &FindDialog::findRequested, this, [this](FindRequest request) {
        if (handleFindRequest(request))
            refreshViews();
    });
    findDialog_->show();
}

void MainWindow::openAboutDialog()
{
    AboutDialog about(services_.links, this);
    about.exec();
}

void MainWindow::changeLogFolder()
{
    std::string chosen;
    if (!services_.browser.browse(this, chosen))
        return;
    logFolder = chosen;
    // Stop playback before the day's events go, so that no tick during the
    // dialogs below can touch released events; unload leaves an empty,
    // published day.
    state_.command(Pause);
    state_.unload();
    loadLogsWithRetry();
    fillDateList();
    refreshViews();
}

void MainWindow::windowDestroyed()
{
    if (destroyed_)
        return;
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
