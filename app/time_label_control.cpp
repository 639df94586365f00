#include "app/time_label_control.h"

#include <algorithm>

#include <QFontMetrics>
#include <QLineEdit>

#include "app/clock_text.h"

namespace zelkam {

TimeLabelControl::TimeLabelControl(int x, int y, int width, int height, QWidget* parent)
{
    edit_ = new QLineEdit(parent);
    edit_->setObjectName(QStringLiteral("timeLabel"));
    edit_->setReadOnly(true);
    edit_->setAlignment(Qt::AlignCenter);
    edit_->setFocusPolicy(Qt::ClickFocus);
    edit_->setGeometry(x, y, width, height);
    edit_->show();
    window_ = edit_;
    applySharedFont();
    bindToWindow();
}

void TimeLabelControl::showTime(std::int32_t stamp, std::int32_t dayStart)
{
    const QString text = QString::fromStdString(dayClockText(stamp, dayStart));
    if (text == edit_->text())
        return;
    edit_->setText(text);
    // "00:01:00 +1" is wider than the box the design gives the clock: it is
    // drawn condensed, at the same height, rather than cut.
    QFont font = sharedFont();
    const QMargins margins = edit_->textMargins();
    const int inside = edit_->width() - margins.left() - margins.right() - 8;
    const int wide = QFontMetrics(font).horizontalAdvance(text);
    if (wide > inside && inside > 0)
        font.setStretch(std::max(50, 100 * inside / wide));
    edit_->setFont(font);
}

QString TimeLabelControl::text() const
{
    return edit_->text();
}

} // namespace zelkam
