#pragma once

// The drawing surface the custom controls paint on. The player list and the
// chat view are written against this interface only, so their layout can be
// checked exactly with a recording canvas while the program draws through
// QPainter.
//
// The model is that of a classic device context: a selected font, a text
// colour, a background mode and colour that apply to every following text,
// and text placed by the top-left corner of its character cell.

#include <cstdint>
#include <string_view>

namespace zelkam {

struct Rgb {
    std::uint8_t red = 0;
    std::uint8_t green = 0;
    std::uint8_t blue = 0;

    friend bool operator==(const Rgb&, const Rgb&) = default;
};

// A font by face and cell height in pixels (ascent plus descent, internal
// leading included), not by em size.
struct FontChoice {
    const char* face = "Arial";
    int cellHeight = 16;
    bool underline = false;

    friend bool operator==(const FontChoice& a, const FontChoice& b)
    {
        return std::string_view(a.face) == std::string_view(b.face) && a.cellHeight == b.cellHeight &&
               a.underline == b.underline;
    }
};

enum class BackgroundMode { Transparent, Opaque };

class Canvas {
public:
    virtual ~Canvas() = default;

    virtual void selectFont(const FontChoice& font) = 0;
    virtual void setTextColor(Rgb color) = 0;
    virtual void setBackgroundMode(BackgroundMode mode) = 0;
    virtual void setBackgroundColor(Rgb color) = 0;

    // Draws text (bytes as they came from the log) with its cell's top-left
    // corner at (x, y), in the selected font and text colour. In opaque mode
    // the cell box behind the text is first filled with the background
    // colour; in transparent mode only the glyphs are drawn.
    virtual void drawText(int x, int y, std::string_view text) = 0;

    // Fills the rectangle from (left, top) up to but excluding (right,
    // bottom), with no outline.
    virtual void fillRect(int left, int top, int right, int bottom, Rgb color) = 0;

    // The width text would take in font. A canvas that cannot measure
    // answers with a generous estimate (every byte a wide character), so
    // that whoever fits text by it never lets it overflow.
    virtual int textWidth(const FontChoice& font, std::string_view text)
    {
        return static_cast<int>(text.size()) * ((font.cellHeight * 3 + 4) / 5);
    }
};

} // namespace zelkam
