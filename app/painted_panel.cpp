#include "app/painted_panel.h"

#include <QPainter>

#include "platform/qpainter_canvas.h"

namespace zelkam {

PaintedPanel::PaintedPanel(QWidget* parent, PaintFunction paint) : QFrame(parent), paint_(std::move(paint))
{
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setLineWidth(2);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void PaintedPanel::paintEvent(QPaintEvent* event)
{
    {
        QPainter painter(this);
        const QRect client = contentsRect();
        painter.fillRect(client, Qt::black);
        painter.setClipRect(client);
        painter.translate(client.topLeft());
        QPainterCanvas canvas(painter);
        paint_(this, canvas, width(), height());
    }
    QFrame::paintEvent(event);
}

} // namespace zelkam
