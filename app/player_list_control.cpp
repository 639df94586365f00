#include "app/player_list_control.h"

#include <algorithm>

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
    panel->setFocusPolicy(Qt::StrongFocus);
    panel->show();
    window_ = panel;
    bindToWindow();
}

void PlayerListControl::sortAndRedraw()
{
    painter_.sortTeams();
    if (chosenRow_ != PlayerListPainter::NoRow) {
        const int height = window_->height();
        const std::size_t rows = painter_.visibleRowCount(height);
        std::size_t found = PlayerListPainter::NoRow;
        for (std::size_t row = 0; row < rows && found == PlayerListPainter::NoRow; ++row) {
            if (painter_.visibleRow(row, height)->userId == chosenUserId_)
                found = row;
        }
        if (found == PlayerListPainter::NoRow)
            found = rows == 0 ? PlayerListPainter::NoRow : std::min(chosenRow_, rows - 1);
        chooseRow(found);
    }
    showChoice();
    invalidate();
}

void PlayerListControl::moveChoice(int step)
{
    const std::size_t rows = painter_.visibleRowCount(window_->height());
    if (rows == 0)
        return;
    std::size_t row = 0;
    // At the edge of a band with rows hidden beyond it, the band scrolls and
    // the choice stays on its line, now the next player's.
    if (chosenRow_ != PlayerListPainter::NoRow && (step == 1 || step == -1)
        && painter_.scrollAt(chosenRow_, step, window_->height())) {
        chooseRow(chosenRow_);
        showChoice();
        invalidate();
        return;
    }
    if (chosenRow_ != PlayerListPainter::NoRow) {
        const auto moved = static_cast<std::int64_t>(chosenRow_) + step;
        row = static_cast<std::size_t>(std::clamp<std::int64_t>(moved, 0, static_cast<std::int64_t>(rows) - 1));
    }
    chooseRow(row);
    showChoice();
    invalidate();
}

void PlayerListControl::chooseRow(std::size_t row)
{
    const PlayerEntry* player =
        row == PlayerListPainter::NoRow ? nullptr : painter_.visibleRow(row, window_->height());
    chosenRow_ = player ? row : PlayerListPainter::NoRow;
    chosenUserId_ = player ? player->userId : -1;
}

const PlayerEntry* PlayerListControl::chosenPlayer() const
{
    return chosenRow_ == PlayerListPainter::NoRow ? nullptr : painter_.visibleRow(chosenRow_, window_->height());
}

void PlayerListControl::focusChanged(bool focused)
{
    focused_ = focused;
    if (focused && chosenRow_ == PlayerListPainter::NoRow)
        chooseRow(0);
    showChoice();
    invalidate();
}

void PlayerListControl::showChoice()
{
    painter_.setFocusRow(focused_ ? chosenRow_ : PlayerListPainter::NoRow);
}

} // namespace zelkam
