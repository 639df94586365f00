#include "views/chat_view_painter.h"

#include <cstring>

#include "state/chat_lines.h"
#include "text/text_encoding.h"
#include "views/display_text.h"

namespace zelkam {

std::string chatLineDisplayText(const ChatLine& line)
{
    const std::string_view text(line.text, strnlen(line.text, sizeof line.text));
    std::string shown;
    std::size_t at = 0;
    for (const TextSpan& piece : line.logPieces) {
        if (piece.length == 0 || piece.start < at || piece.start + piece.length > text.size())
            continue;
        shown += logTextToUtf8(text.substr(at, piece.start - at));
        shown += isolatedDisplayText(text.substr(piece.start, piece.length));
        at = piece.start + piece.length;
    }
    shown += logTextToUtf8(text.substr(at));
    return shown;
}

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

std::string ChatViewPainter::lineText(std::size_t index) const
{
    if (index >= count_)
        return "";
    const Slot& line = slots_[index];
    return line.line != nullptr ? chatLineDisplayText(*line.line) : isolatedDisplayText(line.text);
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
        canvas.drawText(8, 6 + 12 * static_cast<int>(i), lineText(i));
    }
}

} // namespace zelkam
