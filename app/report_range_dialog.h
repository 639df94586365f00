#pragma once

#include <QDialog>

class QDialogButtonBox;
class QTimeEdit;

namespace zelkam {

// Asks for the range of a report about the shown day: from and to, times
// of that day to the second. OK is offered only while from is not after to.
class ReportRangeDialog : public QDialog {
    Q_OBJECT

public:
    // The seconds since the day's midnight the dialog offers (each clamped
    // to the day's 0 ... 86399).
    ReportRangeDialog(int offeredFrom, int offeredTo, QWidget* owner);

    int fromSecond() const;
    int toSecond() const;
    QTimeEdit* fromEdit() const { return from_; }
    QTimeEdit* toEdit() const { return to_; }
    QDialogButtonBox* buttons() const { return buttons_; }

    // How far on either side of the clock the range offered reaches.
    static constexpr int AroundClockSeconds = 10 * 60;

private:
    QTimeEdit* from_ = nullptr;
    QTimeEdit* to_ = nullptr;
    QDialogButtonBox* buttons_ = nullptr;
};

} // namespace zelkam
