#include "app/date_selector_control.h"

#include <algorithm>

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QTimer>
#include <QStyle>
#include <QStyleOptionComboBox>
#include <QToolTip>

#include "app/clock_text.h"
#include "parse/calendar_date.h"
#include "parse/time_stamp.h"

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

// A typed date is committed by a click anywhere outside the box, also on a
// control that takes no focus (the chat view, the window's background),
// which would leave the field's focus, and the typing, where they were.
class ClickElsewhereFilter : public QObject {
public:
    ClickElsewhereFilter(QComboBox* combo, DateSelectorControl* control) : QObject(combo), combo_(combo), control_(control)
    {
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() != QEvent::MouseButtonPress || !control_->typed() || !watched->isWidgetType())
            return false;
        auto* widget = static_cast<QWidget*>(watched);
        const bool inBox = widget == combo_ || combo_->isAncestorOf(widget) || widget->window() == combo_->view()->window();
        if (!inBox)
            control_->commitTyping();
        return false;
    }

private:
    QComboBox* combo_;
    DateSelectorControl* control_;
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
    // Looked up through the binding: the combobox outlives this object.
    QObject::connect(combo_, &QComboBox::activated, combo_, [field = editField_] {
        auto* self = static_cast<DateSelectorControl*>(fromWindow(field));
        if (self == nullptr)
            return;
        // The main window shows the chosen day once it is loaded; a range's
        // bound is what the list gave.
        if (self->anyDate_) {
            self->lastIndex_ = self->combo_->currentIndex();
            self->shownText_ = self->combo_->currentText();
        }
        self->combo_->setToolTip(QString());
        if (self->selectionEnded_)
            self->selectionEnded_();
    });
    clickFilter_ = new ClickElsewhereFilter(combo_, this);
    qApp->installEventFilter(clickFilter_);
    setDateFont(combo_->font());
    combo_->show();
}

DateSelectorControl::~DateSelectorControl()
{
    // The widgets may already be gone with their window.
    if (guard_) {
        editField_->removeEventFilter(filter_);
        combo_->removeEventFilter(filter_);
        qApp->removeEventFilter(clickFilter_);
    }
}

void DateSelectorControl::setSelectionEndedHandler(std::function<void()> handler)
{
    selectionEnded_ = std::move(handler);
}

void DateSelectorControl::clearDays()
{
    combo_->clear();
}

void DateSelectorControl::addDay(std::int32_t dayStamp)
{
    combo_->addItem(QString::fromStdString(localDateText(dayStamp)));
}

void DateSelectorControl::relistDays(const std::vector<std::int32_t>& dayStamps)
{
    if (typedFlag_ || combo_->view()->isVisible())
        return;
    const QString text = editField_->text();
    const QSignalBlocker quiet(combo_);
    combo_->clear();
    for (const std::int32_t day : dayStamps)
        addDay(day);
    selectEntry(combo_->findText(text, Qt::MatchFixedString));
    combo_->setEditText(text);
    shownText_ = text;
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
    const QString date = stamp == NoDay ? QString() : QString::fromStdString(localDateText(stamp));
    // A note about a refused date stays while the day it went back to is
    // shown, and goes with it.
    if (date != shownText_)
        combo_->setToolTip(QString());
    shownText_ = date;
    if (editField_->text() != date)
        combo_->setEditText(date);
}

void DateSelectorControl::selectEntry(int index)
{
    lastIndex_ = index;
    typedFlag_ = false;
    combo_->setCurrentIndex(index < combo_->count() ? index : -1);
    // Setting the same index again does not rewrite the field.
    if (index >= 0 && index < combo_->count()) {
        combo_->setEditText(combo_->itemText(index));
        shownText_ = combo_->itemText(index);
    }
}

QDate DateSelectorControl::shownDate() const
{
    return QDate::fromString(editField_->text(), QStringLiteral("dd/MM/yyyy"));
}

std::optional<std::int32_t> DateSelectorControl::shownMidnight() const
{
    return midnightOfDate(editField_->text().toStdString());
}

void DateSelectorControl::setDate(const QDate& date)
{
    const QString text = date.toString(QStringLiteral("dd/MM/yyyy"));
    const int index = combo_->findText(text, Qt::MatchFixedString);
    selectEntry(index);
    combo_->setEditText(text);
    shownText_ = text;
}

void DateSelectorControl::setDateFont(QFont font)
{
    // The field's room inside the box, less the line edit's own margins
    // and cursor: a date wider than that scrolls, and its first digit is
    // cut (")6/07/2001").
    QStyleOptionComboBox option;
    option.initFrom(combo_);
    option.editable = true;
    option.rect = QRect(QPoint(0, 0), combo_->size());
    const QRect field = combo_->style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, combo_);
    const QMargins margins = editField_->textMargins();
    const int inside = field.width() - margins.left() - margins.right() - 2 * 2 - 2;
    font.setStretch(QFont::AnyStretch);
    const auto widest = [](const QFont& f) {
        const QFontMetrics metrics(f);
        int digit = 0;
        for (char c = '0'; c <= '9'; ++c)
            digit = std::max(digit, metrics.horizontalAdvance(QLatin1Char(c)));
        return 8 * digit + 2 * metrics.horizontalAdvance(QLatin1Char('/'));
    };
    const int wide = widest(font);
    if (inside > 0 && wide > inside)
        font.setStretch(std::max(50, 100 * inside / wide));
    // Stretch factors are rounded to what the face has: narrow on until it fits.
    while (inside > 0 && font.stretch() > 50 && widest(font) > inside)
        font.setStretch(font.stretch() - 1);
    combo_->setFont(font);
    editField_->setFont(font);
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

bool DateSelectorControl::commitTyping()
{
    return typedFlag_ && commitTypedDate();
}

void DateSelectorControl::refuse(const QString& note)
{
    if (lastIndex_ >= 0 && lastIndex_ < combo_->count()) {
        selectEntry(lastIndex_);
    } else {
        typedFlag_ = false;
        combo_->setCurrentIndex(-1);
        combo_->setEditText(shownText_);
    }
    combo_->setToolTip(note);
    // Shown once the key that committed has been handled: the tip would
    // go with its release otherwise. The box keeps the note as its tooltip
    // while the tip shows, or until another day is shown, then it goes.
    if (!note.isEmpty()) {
        QTimer::singleShot(0, combo_, [combo = combo_, note] {
            QToolTip::showText(combo->mapToGlobal(QPoint(0, combo->height())), note, combo, QRect(), NoteMs);
        });
        QTimer::singleShot(NoteMs, combo_, [combo = combo_, note] {
            if (combo->toolTip() == note)
                combo->setToolTip(QString());
        });
    }
}

bool DateSelectorControl::commitTypedDate()
{
    const QString text = editField_->text();
    const int index = combo_->findText(text, Qt::MatchFixedString);
    const std::string typed = text.toStdString();
    if (index < 0) {
        // Not a day of the folder: unless it is a range's bound, the field
        // goes back to what it showed, and says why rather than reverting
        // in silence.
        const bool isDate = midnightOfDate(typed).has_value();
        if (text.isEmpty()) {
            refuse(QString());
            return false;
        }
        if (!isDate) {
            refuse(QStringLiteral("%1 is not a date (DD/MM/YYYY)").arg(text));
            return false;
        }
        if (!anyDate_) {
            refuse(QStringLiteral("No logs for %1 in this folder").arg(text));
            return false;
        }
    }
    combo_->setToolTip(QString());
    if (index >= 0) {
        selectEntry(index);
    } else {
        // A range's bound: any date of the calendar.
        typedFlag_ = false;
        lastIndex_ = -1;
        combo_->setCurrentIndex(-1);
        combo_->setEditText(text);
        shownText_ = text;
    }
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
