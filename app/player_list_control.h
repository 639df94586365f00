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
class PlayerListControl : public ControlBase {
public:
    PlayerListControl(int x, int y, int width, int height, QWidget* parent);

    void clear() { painter_.clear(); }
    void add(const PlayerEntry* entry) { painter_.add(entry); }
    void setScores(std::int32_t ctScore, std::int32_t tScore) { painter_.setScores(ctScore, tScore); }
    void sortAndRedraw();

    const PlayerListPainter& painter() const { return painter_; }

private:
    PlayerListPainter painter_;
};

} // namespace zelkam
