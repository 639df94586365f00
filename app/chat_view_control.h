#pragma once

#include <cstdint>

#include "app/control_base.h"
#include "views/chat_view_painter.h"

namespace zelkam {

// The chat view: a black panel with a sunken border showing the published
// chat lines. The texts are referenced, not copied; they must stay valid
// until the next refill (clear, addLine for each line, invalidate).
class ChatViewControl : public ControlBase {
public:
    ChatViewControl(int x, int y, int width, int height, QWidget* parent);

    void clear() { painter_.clear(); }
    void addLine(std::int32_t style, const char* text) { painter_.addLine(style, text); }
    void addLine(const ChatLine& line) { painter_.addLine(line); }

    const ChatViewPainter& painter() const { return painter_; }

private:
    ChatViewPainter painter_;
};

} // namespace zelkam
