#pragma once

#include <cstdint>

#include "app/control_base.h"

class QLineEdit;

namespace zelkam {

// The playback clock's time of day at the bottom left: a read-only,
// centred line edit.
class TimeLabelControl : public ControlBase {
public:
    TimeLabelControl(int x, int y, int width, int height, QWidget* parent);

    // Shows the local time of stamp as "HH:MM:SS", with " +1" when it lies
    // a date past dayStart's (condensed to fit the box); empty for a stamp
    // the local-time conversion cannot handle.
    void showTime(std::int32_t stamp, std::int32_t dayStart);
    QString text() const;

private:
    QLineEdit* edit_ = nullptr;
};

} // namespace zelkam
