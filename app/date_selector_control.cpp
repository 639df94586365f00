#include "app/date_selector_control.h"

#include <algorithm>

#include <QApplication>
#include <QComboBox>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTimer>
#include <QToolTip>

#include "app/clock_text.h"

namespace zelkam {

namespace {

constexpr int MaxDateLength = 10;
constexpr int FieldHeight = 24;
constexpr int ListRowHeight = 17;

// Routes the field's events to the object bound to the line edit. Qt's
// editable combobox keeps the keyboard focus itself and hands focus and key
// events to its line edit directly, past any filter there; so the filter
// watches the combobox too, and finds the object through its line edit.
class FieldFilter : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        const QObject* field = watched;
        if (auto* combo = qobject_cast<QComboBox*>(watched))
            field = combo->lineEdit();
        if (auto* control = static_cast<DateSelectorControl*>(ControlBase::fromWindow(field)))
            return control->handleFieldEvent(event);
        return false;
    }
};

bool isDateCharacter(QChar c)
{
    return (c >= QLatin1Char('0') && c <= QLatin1Char('9')) || c == QLatin1Char('/');
}

bool isWindowKey(const QKeyEvent* event)
{
    const Qt::KeyboardModifiers modifiers = event->modifiers() & ~Qt::KeypadModifier;
    const int key = event->key();
    if (modifiers == Qt::ControlModifier)
        return key == Qt::Key_Left || key == Qt::Key_Right || key == Qt::Key_End;
    return modifiers == Qt::NoModifier && key == Qt::Key_Space;
}

} // namespace

DateSelectorControl::DateSelectorControl(int x, int y, int width, int height, QWidget* parent)
{
    combo_ = new QComboBox(parent);
    guard_ = combo_;
    combo_->setObjectName(QStringLiteral("dateSelector"));
    combo_->setEditable(true);
    combo_->setInsertPolicy(QComboBox::NoInsert);
    // Completion is ours (completeTypedDate); Qt's own would fight it.
    combo_->setCompleter(nullptr);
    combo_->setFocusPolicy(Qt::ClickFocus);
    // height includes the drop-down list; the field itself is one line.
    const int fieldHeight = std::min(height, FieldHeight);
    combo_->setGeometry(x, y, width, fieldHeight);
    combo_->setMaxVisibleItems(std::max(1, (height - fieldHeight) / ListRowHeight));
    window_ = combo_;
    editField_ = combo_->lineEdit();
    editField_->setMaxLength(MaxDateLength);
    // Qt turns a finished edit that matches an entry into a choice of its
    // own; here only the commit below may do that.
    QObject::disconnect(editField_, &QLineEdit::editingFinished, combo_, nullptr);
    QObject::disconnect(editField_, &QLineEdit::returnPressed, combo_, nullptr);
    applySharedFont();
    filter_ = new FieldFilter(combo_);
    editField_->installEventFilter(filter_);
    combo_->installEventFilter(filter_);
    lastIndex_ = 0;
    bindToWindow(editField_);
    typedFlag_ = false;
    combo_->show();
}

DateSelectorControl::~DateSelectorControl()
{
    // The widgets may already be gone with their window.
    if (guard_) {
        editField_->removeEventFilter(filter_);
        combo_->removeEventFilter(filter_);
    }
}

void DateSelectorControl::setSelectionEndedHandler(std::function<void()> handler)
{
    selectionEnded_ = std::move(handler);
    QObject::connect(combo_, &QComboBox::activated, combo_, [this] {
        if (selectionEnded_)
            selectionEnded_();
    });
}

void DateSelectorControl::clearDays()
{
    combo_->clear();
}

void DateSelectorControl::addDay(std::int32_t dayStamp)
{
    combo_->addItem(QString::fromStdString(localDateText(dayStamp)));
}

int DateSelectorControl::selectedIndex() const
{
    return combo_->currentIndex();
}

void DateSelectorControl::showDate(std::int32_t stamp)
{
    const QWidget* focus = QApplication::focusWidget();
    if (focus == combo_ || focus == editField_)
        return;
    combo_->setEditText(QString::fromStdString(localDateText(stamp)));
}

void DateSelectorControl::showDay(int index, std::int32_t stamp)
{
    if (typedFlag_)
        return;
    lastIndex_ = index;
    if (index < combo_->count() && combo_->currentIndex() != index)
        combo_->setCurrentIndex(index);
    if (stamp != NoDay)
        combo_->setToolTip(QString());
    const QString date = stamp == NoDay ? QString() : QString::fromStdString(localDateText(stamp));
    if (editField_->text() != date)
        combo_->setEditText(date);
}

void DateSelectorControl::selectEntry(int index)
{
    lastIndex_ = index;
    typedFlag_ = false;
    combo_->setCurrentIndex(index < combo_->count() ? index : -1);
    // Setting the same index again does not rewrite the field.
    if (index >= 0 && index < combo_->count())
        combo_->setEditText(combo_->itemText(index));
}

bool DateSelectorControl::handleFieldEvent(QEvent* event)
{
    switch (event->type()) {
    case QEvent::FocusOut:
        // Opening the drop-down list takes the focus only for the list.
        if (static_cast<QFocusEvent*>(event)->reason() != Qt::PopupFocusReason && typedFlag_)
            commitTypedDate();
        return false;
    case QEvent::ShortcutOverride:
        // The field would take these for moving its cursor by words or to
        // its end, or as a typed blank; a date needs neither, and the
        // window's keys (the day before and after, live, play and pause)
        // must work while the date has the focus.
        if (isWindowKey(static_cast<QKeyEvent*>(event))) {
            event->ignore();
            return true;
        }
        return false;
    case QEvent::KeyPress:
        return handleKeyPress(static_cast<QKeyEvent*>(event));
    case QEvent::KeyRelease: {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if ((key >= Qt::Key_0 && key <= Qt::Key_9) || key == Qt::Key_Slash)
            completeTypedDate();
        return false;
    }
    default:
        return false;
    }
}

bool DateSelectorControl::handleKeyPress(QKeyEvent* event)
{
    const int key = event->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
        // Taking the focus away from the field is what commits.
        if (QWidget* focus = QApplication::focusWidget())
            focus->clearFocus();
        return true;
    }
    if (key == Qt::Key_Backspace) {
        typedFlag_ = true;
        return false;
    }
    if (key == Qt::Key_Tab || key == Qt::Key_Backtab)
        return false; // moves the focus on, which commits a typed date
    if (event->matches(QKeySequence::SelectAll) || event->matches(QKeySequence::Copy))
        return false; // the field's own, changing nothing
    const QString text = event->text();
    if (text.isEmpty())
        return false; // cursor keys, Delete, Home, End: the field's own
    if (text.size() == 1 && isDateCharacter(text.front())) {
        typedFlag_ = true;
        return false;
    }
    // Every other character (letters, paste and other control characters)
    // is refused.
    return true;
}

void DateSelectorControl::completeTypedDate()
{
    const QString typed = editField_->text();
    const int count = combo_->count();
    // Every match is selected in turn, so the last one in list order stays.
    for (int i = 0; i < count; ++i) {
        const QString entry = combo_->itemText(i);
        if (!entry.startsWith(typed))
            continue;
        combo_->setCurrentIndex(i);
        combo_->setEditText(entry);
        editField_->setSelection(int(entry.size()), int(typed.size() - entry.size()));
    }
}

bool DateSelectorControl::commitTypedDate()
{
    const QString text = editField_->text();
    const int index = combo_->findText(text, Qt::MatchFixedString);
    if (index < 0) {
        // Not a day of the folder: the field goes back to the shown day, and
        // says why rather than reverting in silence.
        const QString note = text.isEmpty() ? QString() : QStringLiteral("No logs for %1 in this folder").arg(text);
        selectEntry(lastIndex_);
        combo_->setToolTip(note);
        // Shown once the key that committed has been handled: the tip would
        // go with its release otherwise. The box keeps the note as its
        // tooltip until a day of the list is chosen.
        if (!note.isEmpty())
            QTimer::singleShot(0, combo_, [combo = combo_, note] {
                QToolTip::showText(combo->mapToGlobal(QPoint(0, combo->height())), note, combo, QRect(), 4000);
            });
        return false;
    }
    combo_->setToolTip(QString());
    selectEntry(index);
    // Posted, so the day is loaded after the focus change has finished.
    // The object is looked up again on delivery: it may be gone by then.
    QMetaObject::invokeMethod(
        editField_,
        [field = editField_] {
            auto* self = static_cast<DateSelectorControl*>(fromWindow(field));
            if (self != nullptr && self->selectionEnded_)
                self->selectionEnded_();
        },
        Qt::QueuedConnection);
    return true;
}

} // namespace zelkam
