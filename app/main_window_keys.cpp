// The main window's keys and its time bar: the shortcuts that work whatever
// has the focus, and the time bar's notifications turned into seeks.

#include <algorithm>

#include <QApplication>
#include <QKeySequence>
#include <QPushButton>
#include <QShortcut>
#include <QSlider>

#include "app/date_selector_control.h"
#include "app/main_window.h"
#include "replay/viewer_state.h"

namespace zelkam {

namespace {

constexpr int LastMinute = 1439;

} // namespace

void MainWindow::makeShortcuts()
{
    const auto add = [this](const QKeySequence& keys, auto action) {
        auto* shortcut = new QShortcut(keys, this);
        connect(shortcut, &QShortcut::activated, this, action);
    };
    const int keys[] = {Qt::Key_1, Qt::Key_2, Qt::Key_3, Qt::Key_4, Qt::Key_5};
    for (std::size_t i = 0; i < std::size(PlaybackButtons); ++i)
        add(QKeySequence(Qt::CTRL | keys[i]), [this, command = PlaybackButtons[i]] { button(command)->click(); });
    add(QKeySequence(Qt::Key_Space), [this] { toggleOrPressFocused(); });
    add(QKeySequence(Qt::CTRL | Qt::Key_F), [this] { button(OpenFind)->click(); });
    add(QKeySequence(Qt::Key_F3), [this] { findAgain(); });
    add(QKeySequence(Qt::CTRL | Qt::Key_R), [this] { button(RconScan)->click(); });
    add(QKeySequence(Qt::CTRL | Qt::Key_O), [this] { button(ChangeFolder)->click(); });
    add(QKeySequence(Qt::CTRL | Qt::Key_Left), [this] { selectNeighbourDay(-1); });
    add(QKeySequence(Qt::CTRL | Qt::Key_Right), [this] { selectNeighbourDay(1); });
    add(QKeySequence(Qt::CTRL | Qt::Key_End), [this] { goLive(); });
    add(QKeySequence(Qt::CTRL | Qt::Key_Up), [this] { selectNeighbourServer(-1); });
    add(QKeySequence(Qt::CTRL | Qt::Key_Down), [this] { selectNeighbourServer(1); });
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
    // The bar's very end is the next midnight, whose clock would read as
    // the next day's start: the end stands for the day's last minute, as
    // End does.
    position = std::min(position, LastMinute);
    switch (code) {
    case LineUp:
    case LineDown:
    case PageUp:
    case PageDown:
    case ThumbPosition:
    case Top:
    case Bottom:
        state_.seekMinute(position);
        refreshViews();
        break;
    case ThumbTrack:
        // A drag pauses and the replay follows the thumb as it goes, so the
        // clock reads the time the thumb stands at.
        state_.command(PlaybackCommand::Pause);
        state_.seekMinute(position);
        refreshViews();
        break;
    default:
        break;
    }
}

void MainWindow::findAgain()
{
    if (destroyed_)
        return;
    if (!searched_) {
        openFindDialog();
        return;
    }
    FindRequest request;
    request.flags = FindRequest::FindNext | (lastMatchCase_ ? FindRequest::MatchCase : 0u);
    request.kind = lastKind_;
    if (handleFindRequest(request))
        refreshViews();
}

void MainWindow::selectNeighbourDay(int step)
{
    // From the loaded day, which the date box names also when play has run
    // past its midnight.
    const int shown = destroyed_ ? -1 : shownDayIndex();
    if (shown < 0)
        return;
    const std::int64_t next = static_cast<std::int64_t>(shown) + step;
    if (next < 0 || next >= static_cast<std::int64_t>(state_.days().size()))
        return;
    dateSelector_->comboBox()->setCurrentIndex(static_cast<int>(next));
    selectDay(static_cast<int>(next));
}

void MainWindow::toggleOrPressFocused()
{
    if (destroyed_)
        return;
    if (auto* focused = qobject_cast<QPushButton*>(QApplication::focusWidget()); focused && focused->window() == this) {
        focused->click();
        return;
    }
    dispatchCommand(state_.speed() != 0 ? Pause : Play);
}


} // namespace zelkam
