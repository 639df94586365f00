#include "views/chat_view_painter.h"

#include "views/chat_lines.h"
#include "views/display_text.h"

namespace zelkam {

bool ChatViewPainter::addLine(std::int32_t style, const char* text)
{
    if (count_ == SlotCount)
        return false;
    slots_[count_++] = Slot{style, text, nullptr};
    return true;
}

bool ChatViewPainter::addLine(const ChatLine& line)
{
    if (count_ == SlotCount)
        return false;
    slots_[count_++] = Slot{line.style, line.text, &line};
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
        canvas.drawText(8, 6 + 12 * static_cast<int>(i),
                        line.line != nullptr ? chatLineDisplayText(*line.line) : isolatedDisplayText(line.text));
    }
}

} // namespace zelkam
