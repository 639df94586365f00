#include "tests/support/recording_canvas.h"

namespace zelkam::test {

void RecordingCanvas::drawText(int x, int y, std::string_view text)
{
    texts.push_back(Text{x, y, std::string(text), font_, color_, mode_, background_});
}

void RecordingCanvas::fillRect(int left, int top, int right, int bottom, Rgb color)
{
    rects.push_back(Rect{left, top, right, bottom, color});
}

const RecordingCanvas::Text* RecordingCanvas::find(std::string_view text) const
{
    for (const Text& drawn : texts)
        if (drawn.text == text)
            return &drawn;
    return nullptr;
}

} // namespace zelkam::test
