#include "app/link_label.h"

#include <QFontMetrics>
#include <QPainter>

namespace zelkam {

LinkLabel::LinkLabel(QWidget* parent) : QAbstractButton(parent)
{
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::StrongFocus);
}

QSize LinkLabel::sizeHint() const
{
    return QFontMetrics(font()).size(Qt::TextSingleLine, text());
}

void LinkLabel::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    QFont link = font();
    link.setUnderline(true);
    painter.setFont(link);
    painter.setPen(QColor(0, 0, 255));
    painter.drawText(QPoint(0, QFontMetrics(link).ascent()), text());
}

} // namespace zelkam
