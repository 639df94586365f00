#include "tests/support/recording_canvas.h"

namespace zelkam::test {

void RecordingCanvas::drawText(int x, int y, std::string_view text)
{
    std::string seen;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text.substr(i, 3) == "\xE2\x81\xA8" || text.substr(i, 3) == "\xE2\x81\xA9")
            i += 2;
        else
            seen += text[i];
    }
    texts.push_back(Text{x, y, seen, font_, color_, mode_, background_, std::string(text), drawn_++});
}

void RecordingCanvas::fillRect(int left, int top, int right, int bottom, Rgb color)
{
    rects.push_back(Rect{left, top, right, bottom, color, drawn_++});
}

const RecordingCanvas::Text* RecordingCanvas::find(std::string_view text) const
{
    for (const Text& drawn : texts)
        if (drawn.text == text)
            return &drawn;
    return nullptr;
}

Rgb RecordingCanvas::standsOn(const Text& text, Rgb fallback) const
{
    if (text.mode == BackgroundMode::Opaque)
        return text.background;
    Rgb found = fallback;
    for (const Rect& rect : rects) {
        if (rect.order < text.order && rect.left <= text.x && text.x < rect.right && rect.top <= text.y &&
            text.y < rect.bottom)
            found = rect.color;
    }
    return found;
}

} // namespace zelkam::test
