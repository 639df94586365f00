#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "parse/log_event.h"
#include "parse/string_arena.h"

namespace zelkam {

// Remembers the players of recently parsed player tokens. A player is named
// by the same token in every chat line, kill and team change until a team
// or name changes, so most tokens of a busy log were parsed a few lines
// before: they are looked up, and the name copied then is shared instead of
// copied again. Tokens longer than MaxTokenLength are always parsed.
//
// The remembered names live in the arena they were parsed into: clear the
// cache whenever that arena is reset.
class PlayerTokenCache {
public:
    static constexpr std::size_t Slots = 64;
    static constexpr std::size_t MaxTokenLength = 64;

    // What parsePlayerToken(token, arena) gives, field for field; the name
    // may be the copy made for an earlier token of the same bytes.
    PlayerEntry parse(std::string_view token, StringArena& arena);

    // Forgets every remembered token.
    void clear();

private:
    struct Slot {
        std::size_t length = 0;
        bool used = false;
        char token[MaxTokenLength];
        PlayerEntry player;
    };

    std::array<Slot, Slots> slots_{};
};

} // namespace zelkam
