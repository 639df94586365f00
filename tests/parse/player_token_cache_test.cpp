#include "parse/player_token_cache.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "parse/recognizer.h"

namespace zelkam {
namespace {

void expectSamePlayer(const PlayerEntry& cached, const PlayerEntry& parsed, const std::string& token)
{
    EXPECT_STREQ(cached.name, parsed.name) << token;
    EXPECT_EQ(cached.userId, parsed.userId) << token;
    EXPECT_EQ(cached.wonId, parsed.wonId) << token;
    EXPECT_EQ(cached.team, parsed.team) << token;
    EXPECT_STREQ(cached.uniqueId, parsed.uniqueId) << token;
    EXPECT_EQ(cached.addressKey, 0) << token;
    EXPECT_EQ(cached.lifeState, 0) << token;
}

// Every token, first seen or seen again, must give what parsing it gives;
// tokens that share a slot (same length, same first and last eight bytes)
// must never be taken for one another.
TEST(PlayerTokenCache, GivesWhatParsingGives)
{
    const std::vector<std::string> tokens = {
        "Alexander<12><345678><CT>",
        "Alexander<13><345678><CT>",  // the same slot: only the middle differs
        "Alexander<12><305678><CT>",
        "Alexander<12><345678><CT>",
        "Bob<12><345678><CT>",
        "Saad<287><STEAM_0:1:113405507><SPECTATOR>",
        "Saad<288><STEAM_0:1:113405507><SPECTATOR>",
        "a<b>c<1><2><CT>",
        "Bob",                   // shorter than a word: always parsed
        "",
        "Bob<><><CT>",
        std::string(70, 'n') + "<1><2><CT>",  // longer than a slot holds
        std::string(70, 'n') + "<1><3><CT>",
        "Al<3><9><TERRORIST>",
    };
    StringArena arena;
    PlayerTokenCache cache;
    for (int round = 0; round < 3; ++round) {
        for (const std::string& token : tokens)
            expectSamePlayer(cache.parse(token, arena), parsePlayerToken(token, arena), token);
    }
}

TEST(PlayerTokenCache, SharesTheNameOfATokenSeenBefore)
{
    StringArena arena;
    PlayerTokenCache cache;
    const PlayerEntry first = cache.parse("Bob<12><345678><CT>", arena);
    const std::size_t used = arena.bytesUsed();
    const PlayerEntry again = cache.parse("Bob<12><345678><CT>", arena);
    EXPECT_EQ(again.name, first.name);
    EXPECT_EQ(arena.bytesUsed(), used) << "nothing copied the second time";

    // After clear (what an arena reset calls for) the name is copied anew.
    cache.clear();
    const PlayerEntry afterClear = cache.parse("Bob<12><345678><CT>", arena);
    EXPECT_NE(afterClear.name, first.name);
    EXPECT_STREQ(afterClear.name, "Bob");
}

} // namespace
} // namespace zelkam
