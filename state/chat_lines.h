#pragma once

#include <cstdint>

#include "parse/containers.h"
#include "parse/log_event.h"

namespace zelkam {

struct LiveState;

// Colour of a chat line, numbered like the team codes: chat takes the
// speaker's team, every other line is Neutral.
namespace LineStyle {
enum : std::int32_t { Terrorist = 0, CounterTerrorist = 1, Neutral = 2 };
}

enum ChatLineKind : std::int32_t {
    LeftGameLine = 1,
    SayLine = 2,
    SayTeamLine = 3,
    NameChangeLine = 4,
    JoinedTeamLine = 5,
    RconLine = 6,
    BadRconLine = 7,
};

// Where a piece of a chat line that a player wrote (a name, a message, a
// command) stands in its text, in bytes.
struct TextSpan {
    std::uint8_t start = 0;
    std::uint8_t length = 0;
};

// One line of the chat view, held by value. text is always NUL-terminated;
// the longest composition is 188 characters. logPieces marks the pieces of
// text that came from the log, in order (unused ones are empty), so that a
// window can draw each as a run of its own.
struct ChatLine {
    std::int32_t time = 0;
    std::int32_t style = 0;
    char text[256] = {};
    TextSpan logPieces[2] = {};
};

inline constexpr std::size_t ChatLineCapacity = 5;
// Seconds a line stays on screen after its time stamp (inclusive).
inline constexpr std::int32_t ChatLineLifetime = 15;

using ChatRing = BoundedRing<ChatLine>;

// Makes room for the newest line (dropping the oldest when all five slots
// are taken), stamps it and returns its text buffer for the composition.
char* appendChatLine(LiveState& state, std::int32_t time, std::int32_t style);

// Whether an applied event's chat line is composed or only takes its slot:
// a seek that replays lines which later lines of the same replay are sure
// to push out of the ring, and a walk that reads only some lines, leave the
// others' text empty (stamped and coloured all the same).
enum class ChatText { Compose, SlotOnly };

// Composes a line of the given kind about entry into the ring, stamped
// time. text is the chat message, new name or remote-console command (null
// reads as empty). Kinds outside 1..7 compose nothing and take no slot.
void emitChatLine(LiveState& state, const PlayerEntry& entry, std::int32_t time, std::int32_t kind,
                  const char* text, ChatText compose = ChatText::Compose);

} // namespace zelkam
