#pragma once

#include <cstdint>
#include <string_view>

#include "parse/log_event.h"
#include "parse/player_token_cache.h"
#include "parse/string_arena.h"
#include "parse/text_pool.h"
#include "parse/time_stamp.h"
#include "parse/tokenizer.h"

namespace zelkam {

// Turns log lines into events: the event list, the arena that owns their
// names and texts, and the token table of the line at hand. A window read
// resets it and feeds it every line of the window in reading order.
class LogParser {
public:
    // Only the first 255 characters of a line count.
    static constexpr std::size_t MaxLineLength = 255;
    // The recogniser reads tokens 0 to 7 only, so tokenising stops there.
    static constexpr int RecognisedTokens = 8;

    // Processes one line as read from a file (its line end may still be on
    // it). Drops the server's bookkeeping lines (the rest after the
    // 25-character prefix begins with "Log file started", "Log file closed"
    // or "Server cvar"), lines shorter than the prefix and lines whose stamp
    // is no time (parseTimeStamp's -1); otherwise stamps, tokenises and
    // recognises it, appending at most one event. The line is read only up
    // to its first NUL, carriage return or line feed.
    void processLine(std::string_view line);

    // Processes every line of a block of whole lines, each ending in a line
    // feed, exactly as processLine would take the first MaxLineLength
    // characters of each. The way the reader hands over what it reads: a
    // block is searched once for what is rare (carriage returns, NULs)
    // instead of every line on its own.
    void processLines(std::string_view block);

    // Empties the event list and the token table and resets the arena:
    // every name and text handed out before becomes invalid, and the
    // decoded archive text it held goes back to the process's pool.
    void reset();

    // Whether lines of the kinds only rankings count (14 on) make events,
    // and kills and team scores keep their detail. Off unless set: the
    // replay needs none of it.
    void setAllKinds(bool all) { allKinds_ = all; }
    bool allKinds() const { return allKinds_; }

    const EventList& events() const { return events_; }
    EventList& events() { return events_; }
    StringArena& arena() { return arena_; }
    // The share of the process's text pool that the archives decoded into
    // this parser took.
    TextHolding& textHolding() { return text_; }
    const TokenTable& tokens() const { return tokens_; }

private:
    // Stamps, tokenises and recognises a line cut at its end, unless it is
    // bookkeeping; true when it made an event.
    bool recognizeContent(std::string_view content);

    EventList events_;
    StringArena arena_;
    TokenTable tokens_;
    TimeStampConverter stamps_;
    // Names in it point into arena_: it is cleared with every arena reset.
    PlayerTokenCache players_;
    bool allKinds_ = false;
    TextHolding text_;
};

} // namespace zelkam
