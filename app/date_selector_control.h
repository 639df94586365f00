#pragma once

#include <cstdint>
#include <functional>
#include <limits>
#include <optional>
#include <vector>

#include <QComboBox>
#include <QDate>
#include <QPointer>

#include "app/control_base.h"

class QLineEdit;
class QEvent;
class QKeyEvent;

namespace zelkam {

// The stamp of "no day loaded" for showDay.
inline constexpr std::int32_t NoDay = std::numeric_limits<std::int32_t>::min();

// The date selector at the top: an editable drop-down list with one entry
// "dd/mm/yyyy" per day of the folder, in which a date can also be typed.
//
// Typing accepts digits, "/" and backspace only, at most 10 characters, and
// completes to the last entry that begins with what was typed. Return,
// leaving the field, or a click anywhere else after typing commits: a text
// equal to an entry selects it and, once the focus change has finished,
// tells the owner as a choice from the list does. Any other text brings back
// what the field showed before, with a note saying why: "not a date" for a
// text that is none (DD/MM/YYYY), "No logs for" a date the list lacks; the
// note goes when a day is shown again. A field that accepts any date (a
// range's bound) takes every date of the calendar, listed or not.
//
// The field's behaviour is an event filter on the combobox's line edit,
// which is the widget this object is bound to.
class DateSelectorControl : public ControlBase {
public:
    // How long the note about a refused date shows.
    static constexpr int NoteMs = 4000;

    DateSelectorControl(int x, int y, int width, int height, QWidget* parent);
    ~DateSelectorControl() override;

    // Called when an entry was chosen from the list, and (queued) after a
    // typed date was committed. The handler reads selectedIndex.
    void setSelectionEndedHandler(std::function<void()> handler);
    // Takes every date of the calendar as committed, not only the listed
    // days (for the bounds of a range).
    void acceptAnyDate() { anyDate_ = true; }
    // The date the field shows (committed or shown), invalid when it shows
    // none. Only for a field that is not being typed in.
    QDate shownDate() const;
    // The local midnight of the day the field shows, by the one date rule
    // the command line uses too; nothing for a text that names no day.
    std::optional<std::int32_t> shownMidnight() const;
    // Shows date in the field, selecting its entry when the list has one.
    void setDate(const QDate& date);

    void clearDays();
    void addDay(std::int32_t dayStamp);
    // Lists dayStamps (in order) in place of the days listed, the field
    // keeping the text it shows. A field with a date typed and not yet
    // committed, or with its list open, keeps its list: the completion and
    // the user's pick work on it.
    void relistDays(const std::vector<std::int32_t>& dayStamps);
    // The selected entry, -1 when none.
    int selectedIndex() const;
    // Puts the local date of stamp into the field, unless the keyboard focus
    // is in the date selector (the user may be typing). The list selection is
    // not touched.
    void showDate(std::int32_t stamp);
    // Shows the day the replay shows: entry index (-1 for none) selected in
    // the list and the local date of stamp in the field (empty for NoDay:
    // no day is loaded), so that the list, the field and the replay agree.
    // Only a date the user is typing is left alone. A note about a typed
    // date that was refused goes once a day is shown again.
    void showDay(int index, std::int32_t stamp);
    void selectEntry(int index);
    // Draws the dates in font, made as narrow as the box needs to show a
    // whole date (a wide face, such as a desktop's default, would scroll
    // the field and cut its first digit).
    void setDateFont(QFont font);

    QComboBox* comboBox() const { return combo_; }
    QLineEdit* editField() const { return editField_; }
    bool typed() const { return typedFlag_; }
    int lastIndex() const { return lastIndex_; }

    // The field's event handling; true when the event was consumed.
    bool handleFieldEvent(QEvent* event);
    // Commits a date being typed, as Return does; false when nothing was
    // typed or the text was refused.
    bool commitTyping();

private:
    bool handleKeyPress(QKeyEvent* event);
    void completeTypedDate();
    bool commitTypedDate();
    // Puts back what the field showed before the typing, with note.
    void refuse(const QString& note);

    QComboBox* combo_ = nullptr;
    QLineEdit* editField_ = nullptr;
    bool typedFlag_ = false;
    bool anyDate_ = false;
    // What the field showed when the typing began: it comes back when the
    // typed text is refused.
    QString shownText_;
    int lastIndex_ = 0;
    std::function<void()> selectionEnded_;
    QObject* filter_ = nullptr;
    QObject* clickFilter_ = nullptr;
    QPointer<QComboBox> guard_;
};

} // namespace zelkam
