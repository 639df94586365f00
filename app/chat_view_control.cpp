#include "app/chat_view_control.h"

#include "app/painted_panel.h"

namespace zelkam {

ChatViewControl::ChatViewControl(int x, int y, int width, int height, QWidget* parent)
{
    auto* panel = new PaintedPanel(parent, [](const QObject* panel, Canvas& canvas, int, int) {
        if (auto* self = static_cast<ChatViewControl*>(fromWindow(panel)))
            self->painter_.paint(canvas);
    });
    panel->setObjectName(QStringLiteral("ZELKAMCHATCTRL"));
    panel->setGeometry(x, y, width, height);
    panel->show();
    window_ = panel;
    bindToWindow();
}

} // namespace zelkam
