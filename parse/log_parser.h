#pragma once

#include <cstdint>
#include <string_view>

#include "parse/log_event.h"
#include "parse/string_arena.h"
#include "parse/time_stamp.h"
#include "parse/tokenizer.h"

namespace zelkam {

// Turns log lines into events: the event list, the arena that owns their
// names and texts, and the token table of the line at hand. A window read
// resets it and feeds it every line of the window in reading order.
class LogParser {
public:
    // Processes one line as read from a file (its line end may still be on
    // it). Drops the server's bookkeeping lines ("Log file started", "Log
    // file closed", "Server cvar" anywhere after the prefix) and lines
    // shorter than the 25-character prefix; otherwise stamps, tokenises and
    // recognises it, appending at most one event. The line is read only up
    // to its first NUL, carriage return or line feed.
    void processLine(std::string_view line);

    // Empties the event list and the token table and resets the arena:
    // every name and text handed out before becomes invalid.
    void reset();

    const EventList& events() const { return events_; }
    EventList& events() { return events_; }
    StringArena& arena() { return arena_; }
    const TokenTable& tokens() const { return tokens_; }

private:
    EventList events_;
    StringArena arena_;
    TokenTable tokens_;
    TimeStampConverter stamps_;
};

} // namespace zelkam
