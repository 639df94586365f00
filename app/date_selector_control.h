#pragma once

#include <cstdint>
#include <functional>
#include <limits>

#include <QComboBox>
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
// completes to the last entry that begins with what was typed. Return, or
// leaving the field after typing, commits: a text equal to an entry selects
// it and, once the focus change has finished, tells the main window as a
// choice from the list does; any other text brings back the entry this
// control last selected itself, and nothing is loaded.
//
// The field's behaviour is an event filter on the combobox's line edit,
// which is the widget this object is bound to.
class DateSelectorControl : public ControlBase {
public:
    DateSelectorControl(int x, int y, int width, int height, QWidget* parent);
    ~DateSelectorControl() override;

    // Called when an entry was chosen from the list, and (queued) after a
    // typed date was committed. The handler reads selectedIndex.
    void setSelectionEndedHandler(std::function<void()> handler);

    void clearDays();
    void addDay(std::int32_t dayStamp);
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

    QComboBox* comboBox() const { return combo_; }
    QLineEdit* editField() const { return editField_; }
    bool typed() const { return typedFlag_; }
    int lastIndex() const { return lastIndex_; }

    // The field's event handling; true when the event was consumed.
    bool handleFieldEvent(QEvent* event);

private:
    bool handleKeyPress(QKeyEvent* event);
    void completeTypedDate();
    bool commitTypedDate();

    QComboBox* combo_ = nullptr;
    QLineEdit* editField_ = nullptr;
    bool typedFlag_ = false;
    int lastIndex_ = 0;
    std::function<void()> selectionEnded_;
    QObject* filter_ = nullptr;
    QPointer<QComboBox> guard_;
};

} // namespace zelkam
