#pragma once

// What the chat view shows: up to 64 lines of text, each with its line
// style, drawn oldest at the top in the colour of its style. The texts are
// not copied; they are the published chat lines, valid until the next
// refill. Text from the log is drawn through the one display path, each
// piece an isolated run.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

#include "state/chat_lines.h"
#include "views/canvas.h"

namespace zelkam {

inline constexpr Rgb TerroristChatColor{255, 0, 0};
inline constexpr Rgb CounterTerroristChatColor{0, 128, 255};
inline constexpr Rgb NeutralChatColor{255, 128, 0};
inline constexpr FontChoice ChatFont{"Arial", 12, false};

// The line as a window shows it (UTF-8): the fixed words as they are, and
// each piece from the log through isolatedDisplayText, so that no
// bidirectional control in a name or a message can reorder the rest of the
// line.
std::string chatLineDisplayText(const ChatLine& line);

class ChatViewPainter {
public:
    static constexpr std::size_t SlotCount = 64;

    void clear() { count_ = 0; }
    // Keeps style and the text pointer in the next slot. A line beyond the
    // 64th is ignored (false): the model never publishes more than five.
    // The whole text is one piece of log text, drawn isolated.
    bool addLine(std::int32_t style, const char* text);
    // A composed chat line, kept by pointer: its names and messages are
    // drawn as isolated runs between its fixed words.
    bool addLine(const ChatLine& line);

    // Lines at (8, 6 + 12 * i) whatever the control's size; longer texts
    // are cut by the widget's edge. A line of an unknown style keeps the
    // colour of the line above it (orange for the first).
    void paint(Canvas& canvas) const;

    std::size_t lineCount() const { return count_; }
    // The index-th line as drawn (UTF-8), "" past the last.
    std::string lineText(std::size_t index) const;

private:
    struct Slot {
        std::int32_t style = 0;
        const char* text = nullptr;
        const ChatLine* line = nullptr;
    };
    std::array<Slot, SlotCount> slots_{};
    std::size_t count_ = 0;
};

} // namespace zelkam
