#include "parse/player_token_cache.h"

#include <cstring>

#include "parse/recognizer.h"

namespace zelkam {
namespace {

// The slot of a token, from its length and its first and last eight bytes,
// where the name starts and the ids and team end. Tokens sharing a slot only
// cost a parse; equality is always checked on every byte.
std::size_t slotOf(std::string_view token)
{
    std::uint64_t head;
    std::uint64_t tail;
    std::memcpy(&head, token.data(), sizeof head);
    std::memcpy(&tail, token.data() + token.size() - sizeof tail, sizeof tail);
    const std::uint64_t mixed = head * 0x9E3779B97F4A7C15ull ^ tail * 0xC2B2AE3D27D4EB4Full ^ token.size();
    return static_cast<std::size_t>(mixed >> 58) % PlayerTokenCache::Slots;
}

} // namespace

PlayerEntry PlayerTokenCache::parse(std::string_view token, StringArena& arena)
{
    if (token.size() < sizeof(std::uint64_t) || token.size() > MaxTokenLength)
        return parsePlayerToken(token, arena);
    Slot& slot = slots_[slotOf(token)];
    if (slot.used && slot.length == token.size() && std::memcmp(slot.token, token.data(), token.size()) == 0)
        return slot.player;
    const PlayerEntry player = parsePlayerToken(token, arena);
    // A name that did not fit the arena (null) is not worth remembering.
    if (player.name) {
        slot.used = true;
        slot.length = token.size();
        std::memcpy(slot.token, token.data(), token.size());
        slot.player = player;
    }
    return player;
}

void PlayerTokenCache::clear()
{
    for (Slot& slot : slots_)
        slot.used = false;
}

} // namespace zelkam
