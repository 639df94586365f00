#include "views/chat_view_painter.h"

#include <string>

#include <gtest/gtest.h>

#include "tests/support/recording_canvas.h"

namespace zelkam {
namespace {

using test::RecordingCanvas;

TEST(ChatViewPainter, EmptyViewDrawsNothing)
{
    ChatViewPainter painter;
    RecordingCanvas canvas;
    painter.paint(canvas);
    EXPECT_TRUE(canvas.texts.empty());
    EXPECT_TRUE(canvas.rects.empty());
}

TEST(ChatViewPainter, ColoursLinesByStyle)
{
    const Rgb red{255, 0, 0};
    const Rgb blue{0, 128, 255};
    const Rgb orange{255, 128, 0};
    const struct {
        const char* name;
        std::initializer_list<std::int32_t> styles;
        std::initializer_list<Rgb> colors;
    } cases[] = {
        {"the three styles", {0, 1, 2}, {red, blue, orange}},
        {"unknown style keeps the colour above", {0, 7, 1, -1}, {red, red, blue, blue}},
        {"unknown style first is orange", {7, 3}, {orange, orange}},
    };
    for (const auto& c : cases) {
        ChatViewPainter painter;
        for (std::int32_t style : c.styles)
            painter.addLine(style, "line");
        RecordingCanvas canvas;
        painter.paint(canvas);
        ASSERT_EQ(canvas.texts.size(), c.colors.size()) << c.name;
        std::size_t i = 0;
        for (Rgb color : c.colors) {
            EXPECT_EQ(canvas.texts[i].color, color) << c.name << " line " << i;
            EXPECT_EQ(canvas.texts[i].mode, BackgroundMode::Transparent) << c.name;
            EXPECT_EQ(canvas.texts[i].font, ChatFont) << c.name;
            ++i;
        }
    }
}

TEST(ChatViewPainter, StacksLinesTwelvePixelsApartOldestFirst)
{
    ChatViewPainter painter;
    painter.addLine(2, "oldest");
    painter.addLine(2, "middle");
    painter.addLine(2, "newest");
    RecordingCanvas canvas;
    painter.paint(canvas);
    ASSERT_EQ(canvas.texts.size(), 3u);
    const char* texts[] = {"oldest", "middle", "newest"};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(canvas.texts[i].text, texts[i]);
        EXPECT_EQ(canvas.texts[i].x, 8);
        EXPECT_EQ(canvas.texts[i].y, 6 + 12 * i);
    }
}

TEST(ChatViewPainter, ClearForgetsTheLines)
{
    ChatViewPainter painter;
    painter.addLine(0, "gone");
    painter.clear();
    RecordingCanvas canvas;
    painter.paint(canvas);
    EXPECT_TRUE(canvas.texts.empty());
}

TEST(ChatViewPainter, IgnoresASixtyFifthLine)
{
    ChatViewPainter painter;
    std::string texts[65];
    for (int i = 0; i < 64; ++i) {
        texts[i] = std::to_string(i);
        EXPECT_TRUE(painter.addLine(1, texts[i].c_str()));
    }
    texts[64] = "overflow";
    EXPECT_FALSE(painter.addLine(0, texts[64].c_str()));
    EXPECT_EQ(painter.lineCount(), 64u);
    RecordingCanvas canvas;
    painter.paint(canvas);
    ASSERT_EQ(canvas.texts.size(), 64u);
    EXPECT_EQ(canvas.texts.back().text, "63");
    EXPECT_EQ(canvas.texts.back().y, 6 + 12 * 63);
}

} // namespace
} // namespace zelkam
