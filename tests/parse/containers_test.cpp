#include "parse/containers.h"

#include <array>
#include <cstdint>

#include <gtest/gtest.h>

namespace zelkam {
namespace {

TEST(GrowArray, DoublesWhenFullAndKeepsOrder)
{
    GrowArray<int> array(150);
    for (int i = 0; i < 150; ++i)
        array.append(i);
    EXPECT_EQ(array.capacity(), 150u);
    array.append(150);
    EXPECT_EQ(array.capacity(), 300u);
    ASSERT_EQ(array.size(), 151u);
    for (int i = 0; i <= 150; ++i)
        EXPECT_EQ(array[static_cast<std::size_t>(i)], i);
}

TEST(GrowArray, ClearKeepsCapacity)
{
    GrowArray<int> array(2);
    for (int i = 0; i < 5; ++i)
        array.append(i);
    array.clear();
    EXPECT_EQ(array.size(), 0u);
    EXPECT_EQ(array.capacity(), 8u);
}

// Small arrays and arrays with storage of their own alike: emptied with
// their memory given back, they keep their room and hold what is put in
// them again.
TEST(GrowArray, RefillsAfterItsMemoryIsGivenBack)
{
    for (const std::size_t count : {std::size_t{100}, LargeAllocationBytes / sizeof(int) + 1}) {
        GrowArray<int> array(count);
        for (std::size_t i = 0; i < count; ++i)
            array.append(static_cast<int>(i));
        const std::size_t room = array.capacity();
        array.clearDiscardingMemory();
        EXPECT_TRUE(array.empty());
        EXPECT_EQ(array.capacity(), room);
        for (std::size_t i = 0; i < count; ++i)
            array.append(static_cast<int>(count - i));
        ASSERT_EQ(array.size(), count);
        EXPECT_EQ(array.capacity(), room);
        EXPECT_EQ(array[0], static_cast<int>(count));
        EXPECT_EQ(array[count / 2], static_cast<int>(count - count / 2));
        EXPECT_EQ(array.back(), 1);
    }
}

TEST(GrowArray, CopiesAreIndependent)
{
    GrowArray<int> a(2);
    a.append(1);
    GrowArray<int> b = a;
    b.append(2);
    b[0] = 7;
    EXPECT_EQ(a.size(), 1u);
    EXPECT_EQ(a[0], 1);
}

TEST(BoundedRing, PushBackOnFullRingIsRefused)
{
    BoundedRing<int> ring(3);
    EXPECT_TRUE(ring.pushBack(1));
    EXPECT_TRUE(ring.pushBack(2));
    EXPECT_TRUE(ring.pushBack(3));
    ring.popFront();
    EXPECT_TRUE(ring.pushBack(4));
    const std::size_t head = ring.head();
    EXPECT_FALSE(ring.pushBack(5));
    EXPECT_EQ(ring.size(), 3u);
    EXPECT_EQ(ring.head(), head);
    EXPECT_EQ(ring[0], 2);
    EXPECT_EQ(ring[2], 4);
}

TEST(BoundedRing, HeadWrapsAndClearKeepsIt)
{
    BoundedRing<int> ring(3);
    ring.pushBack(1);
    ring.pushBack(2);
    ring.pushBack(3);
    ring.popFront();
    ring.popFront();
    EXPECT_EQ(ring.head(), 2u);
    ring.popFront();
    EXPECT_EQ(ring.head(), 0u) << "popping at the last slot wraps the head to 0";

    ring.pushBack(1);
    ring.popFront();
    ring.clear();
    EXPECT_EQ(ring.head(), 1u);
    ring.pushBack(9);
    EXPECT_EQ(ring.slot(1), 9) << "after clearing, the next element goes into the slot at the head";
}

TEST(BoundedRing, AppendDroppingOldestKeepsTheNewest)
{
    BoundedRing<int> ring(5);
    for (int i = 1; i <= 6; ++i)
        *ring.appendDroppingOldest() = i;
    ASSERT_EQ(ring.size(), 5u);
    for (std::size_t i = 0; i < 5; ++i)
        EXPECT_EQ(ring[i], static_cast<int>(i) + 2);
}

TEST(BoundedRing, PushFrontDropsTheLastWhenFull)
{
    BoundedRing<int> ring(3);
    ring.pushFront(1);
    ring.pushFront(2);
    ring.pushFront(3);
    EXPECT_EQ(ring.head(), 0u);
    ring.pushFront(4);
    ASSERT_EQ(ring.size(), 3u);
    EXPECT_EQ(ring[0], 4);
    EXPECT_EQ(ring[1], 3);
    EXPECT_EQ(ring[2], 2);
}

TEST(BoundedRing, ZeroCapacityTakesNothing)
{
    BoundedRing<int> ring(0);
    EXPECT_FALSE(ring.pushBack(1));
    EXPECT_EQ(ring.appendDroppingOldest(), nullptr);
    ring.pushFront(1);
    ring.popFront();
    EXPECT_EQ(ring.size(), 0u);
}

} // namespace
} // namespace zelkam

namespace zelkam {
namespace {

// Elements of every size keep their values across the small sizes, the
// first whole block and the blocks after it, and fill again after clear.
template <typename T>
void appendAndReadBack()
{
    BlockArray<T> array;
    const std::size_t count = 3 * LargeAllocationBytes / sizeof(T) + 7;
    for (int round = 0; round < 3; ++round) {
        // The last round's blocks are made ahead, each handed to the caller.
        std::size_t madeAhead = 0;
        if (round == 2)
            array.reserve(count, [&](void*, std::size_t bytes) { madeAhead += bytes; });
        for (std::size_t i = 0; i < count; ++i) {
            T value{};
            value.back() = static_cast<std::uint32_t>(i);
            value.front() = static_cast<std::uint32_t>(i * 2 + static_cast<std::size_t>(round));
            array.append(value);
        }
        ASSERT_EQ(array.size(), count);
        for (std::size_t i = 0; i < count; ++i) {
            ASSERT_EQ(array[i].front(), i * 2 + static_cast<std::size_t>(round)) << sizeof(T) << " at " << i;
            if (array[i].size() > 1) {
                ASSERT_EQ(array[i].back(), i) << sizeof(T) << " at " << i;
            }
        }
        if (round == 2) {
            EXPECT_GE(madeAhead, (count * sizeof(T)) / 2) << sizeof(T);
        }
        array.clear();
        EXPECT_EQ(array.size(), 0u);
    }
}

TEST(BlockArray, KeepsEveryElementAcrossItsBlocks)
{
    appendAndReadBack<std::array<std::uint32_t, 1>>();
    appendAndReadBack<std::array<std::uint32_t, 6>>();
    appendAndReadBack<std::array<std::uint32_t, 34>>();
}

} // namespace
} // namespace zelkam
