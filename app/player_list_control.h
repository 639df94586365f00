#pragma once

#include <cstdint>

#include "app/control_base.h"
#include "parse/log_event.h"
#include "views/player_list_painter.h"

namespace zelkam {

// The player list: a black panel with a sunken border on which the player
// list painter draws. The main window refills it after every publish with
// clear, setScores, add for each published player and sortAndRedraw; the
// entries must stay valid until the next refill.
//
// The list takes the keyboard focus (Tab, or a click) like a list box: while
// it has it, one row is framed, the arrow keys move the frame and the
// player under it is the list's chosen one. The frame follows that player
// when the list is refilled and sorted anew; a player who left hands it to
// the row that took their place. Without the focus no frame is drawn.
class PlayerListControl : public ControlBase {
public:
    PlayerListControl(int x, int y, int width, int height, QWidget* parent);

    void clear() { painter_.clear(); }
    void add(const PlayerEntry* entry) { painter_.add(entry); }
    void setScores(std::int32_t ctScore, std::int32_t tScore) { painter_.setScores(ctScore, tScore); }
    void sortAndRedraw();

    const PlayerListPainter& painter() const { return painter_; }

    // Moves the frame by step rows (negative: up), stopping at the first and
    // last row; with no row chosen yet, chooses the first.
    void moveChoice(int step);
    // Chooses the visible row row (PlayerListPainter::NoRow: none).
    void chooseRow(std::size_t row);
    // The chosen player, null when there is none. Valid until the next refill.
    const PlayerEntry* chosenPlayer() const;
    // Called when the list's widget gains or loses the keyboard focus.
    void focusChanged(bool focused);

private:
    void showChoice();

    PlayerListPainter painter_;
    std::size_t chosenRow_ = PlayerListPainter::NoRow;
    // Who the chosen row showed, so the choice follows the player.
    std::int32_t chosenUserId_ = -1;
    bool focused_ = false;
};

} // namespace zelkam
