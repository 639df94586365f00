#include "parse/string_arena.h"

#include <string>
#include <utility>
#include <vector>

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
    // Enough for several of the large blocks that follow the first.
    for (int i = 0; i < 100; ++i)
        arena.allocate(StringArena::BlockSize);
    EXPECT_GT(arena.blockCount(), 2u);
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

namespace zelkam {
namespace {

// Texts of a window read on several threads: every thread's arena is
// adopted by the window's, then reads the next window from scratch; what was
// adopted must stay exactly as written while arenas fill anew, perhaps in
// the very blocks another arena gave back.
TEST(StringArena, AdoptedTextsOutliveTheArenaTheyCameFrom)
{
    using Written = std::vector<std::pair<const char*, std::string>>;
    const auto fill = [](StringArena& arena, int count, char tag, Written& written) {
        for (int i = 0; i < count; ++i) {
            const std::string text = tag + std::to_string(i) + std::string(static_cast<std::size_t>(i % 300), tag);
            written.emplace_back(arena.copyString(text), text);
        }
    };
    StringArena window;
    StringArena thread;
    Written kept;
    Written dropped;
    fill(window, 5000, 'w', kept);
    fill(thread, 40000, 't', kept);
    window.adopt(thread);
    fill(window, 5000, 'v', kept);
    fill(thread, 40000, 'n', kept);
    {
        StringArena other;
        fill(other, 40000, 'o', dropped);
    }
    StringArena next;
    fill(next, 40000, 'x', kept);
    for (const auto& [copy, text] : kept)
        ASSERT_STREQ(copy, text.c_str());
}

} // namespace
} // namespace zelkam
