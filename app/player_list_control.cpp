#include "app/player_list_control.h"

#include "app/painted_panel.h"

namespace zelkam {

PlayerListControl::PlayerListControl(int x, int y, int width, int height, QWidget* parent)
{
    auto* panel = new PaintedPanel(parent, [](const QObject* panel, Canvas& canvas, int width, int height) {
        if (auto* self = static_cast<PlayerListControl*>(fromWindow(panel)))
            self->painter_.paint(canvas, width, height);
    });
    panel->setObjectName(QStringLiteral("ZELKAMPLAYERCTRL"));
    panel->setGeometry(x, y, width, height);
    panel->show();
    window_ = panel;
    bindToWindow();
}

void PlayerListControl::sortAndRedraw()
{
    painter_.sortTeams();
    invalidate();
}

} // namespace zelkam
