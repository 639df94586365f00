#include "parse/string_arena.h"

#include <string>

#include <gtest/gtest.h>

namespace zelkam {
namespace {

TEST(StringArena, StringThatExactlyFillsTheBlockStaysInIt)
{
    StringArena arena;
    const std::string text(StringArena::BlockSize - 1, 'x');
    const char* copy = arena.copyString(text);
    EXPECT_EQ(copy, arena.firstBlock());
    EXPECT_EQ(arena.blockCount(), 1u);
    EXPECT_EQ(arena.bytesUsed(), StringArena::BlockSize);
}

TEST(StringArena, StringThatDoesNotFitStartsAFreshBlock)
{
    StringArena arena;
    arena.allocate(StringArena::BlockSize - 3);
    const char* copy = arena.copyString("abc");
    EXPECT_EQ(arena.blockCount(), 2u);
    EXPECT_STREQ(copy, "abc");
    EXPECT_EQ(arena.bytesUsed(), 4u);
}

TEST(StringArena, ResetStartsAgainAtTheFirstBlock)
{
    StringArena arena;
    for (int i = 0; i < 3; ++i)
        arena.allocate(StringArena::BlockSize);
    EXPECT_EQ(arena.blockCount(), 3u);
    arena.reset();
    EXPECT_EQ(arena.blockCount(), 1u);
    EXPECT_EQ(arena.copyString("first"), arena.firstBlock());
}

TEST(StringArena, RefusesMoreThanABlock)
{
    StringArena arena;
    EXPECT_EQ(arena.allocate(StringArena::BlockSize + 1), nullptr);
    EXPECT_NE(arena.allocate(StringArena::BlockSize), nullptr);
}

TEST(StringArena, CopiesArePrefixesAndTerminated)
{
    StringArena arena;
    EXPECT_STREQ(arena.copyPrefix("abcdef", 3), "abc");
    EXPECT_STREQ(arena.copyPrefix("ab", 10), "ab");
    EXPECT_STREQ(arena.copyString(""), "");
    // Earlier strings are untouched by later ones.
    const char* a = arena.copyString("one");
    arena.copyString("two");
    EXPECT_STREQ(a, "one");
}

} // namespace
} // namespace zelkam
