#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "views/canvas.h"

namespace zelkam::test {

// A canvas that keeps every text and rectangle with the state in force when
// it was drawn, so tests can assert on exact positions, fonts and colours.
// It starts as a fresh device context does: black text, opaque mode on
// white.
class RecordingCanvas : public Canvas {
public:
    struct Text {
        int x = 0;
        int y = 0;
        // What a reader sees: the text drawn without the first-strong
        // isolate marks (U+2068, U+2069) that wrap each piece of log text.
        // drawn holds the bytes exactly as they were drawn.
        std::string text;
        FontChoice font;
        Rgb color;
        BackgroundMode mode = BackgroundMode::Opaque;
        Rgb background;
        std::string drawn;
        // Its place among every text and rectangle drawn, from 0.
        int order = 0;
    };
    struct Rect {
        int left = 0;
        int top = 0;
        int right = 0;
        int bottom = 0;
        Rgb color;
        int order = 0;
    };

    void selectFont(const FontChoice& font) override { font_ = font; }
    void setTextColor(Rgb color) override { color_ = color; }
    void setBackgroundMode(BackgroundMode mode) override { mode_ = mode; }
    void setBackgroundColor(Rgb color) override { background_ = color; }
    void drawText(int x, int y, std::string_view text) override;
    void fillRect(int left, int top, int right, int bottom, Rgb color) override;

    // The first text drawn that equals text, or null.
    const Text* find(std::string_view text) const;
    // The colour a text's first pixel stands on: its own box when it was
    // drawn opaque, else the last rectangle drawn before it there, else
    // fallback (the widget's background).
    Rgb standsOn(const Text& text, Rgb fallback) const;

    std::vector<Text> texts;
    std::vector<Rect> rects;

private:
    FontChoice font_{"System", 16, false};
    Rgb color_{0, 0, 0};
    BackgroundMode mode_ = BackgroundMode::Opaque;
    Rgb background_{255, 255, 255};
    int drawn_ = 0;
};

} // namespace zelkam::test
