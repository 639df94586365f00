#include "app/time_label_control.h"

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

void TimeLabelControl::showTime(std::int32_t stamp)
{
    edit_->setText(QString::fromStdString(localTimeText(stamp)));
}

QString TimeLabelControl::text() const
{
    return edit_->text();
}

} // namespace zelkam
