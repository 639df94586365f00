#include "views/chat_view_painter.h"

#include "views/chat_lines.h"

namespace zelkam {

bool ChatViewPainter::addLine(std::int32_t style, const char* text)
{
    if (count_ == SlotCount)
        return false;
    slots_[count_++] = Slot{style, text};
    return true;
}

void ChatViewPainter::paint(Canvas& canvas) const
{
    canvas.selectFont(ChatFont);
    canvas.setTextColor(NeutralChatColor);
    canvas.setBackgroundMode(BackgroundMode::Transparent);
    for (std::size_t i = 0; i < count_; ++i) {
        const Slot& line = slots_[i];
        switch (line.style) {
        case LineStyle::Terrorist:
            canvas.setTextColor(TerroristChatColor);
            break;
        case LineStyle::CounterTerrorist:
            canvas.setTextColor(CounterTerroristChatColor);
            break;
        case LineStyle::Neutral:
            canvas.setTextColor(NeutralChatColor);
            break;
        default:
            break;
        }
        canvas.drawText(8, 6 + 12 * static_cast<int>(i), line.text != nullptr ? line.text : "");
    }
}

} // namespace zelkam
