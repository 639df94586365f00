#pragma once

// The container shapes the whole program is built from. Their growth and
// wrap-around are part of what users of the model can observe (the player
// ring drops its oldest entry, the chat ring its oldest line), so they are
// written out here rather than left to std::vector's growth policy.

#include <algorithm>
#include <cassert>
#include <cstddef>
#include <memory>
#include <new>
#include <utility>
#include <vector>

#include "parse/large_memory.h"

namespace zelkam {

// A growable array that doubles its capacity when an append finds it full.
// Elements are moved over on growth, so pointers into it are invalidated by
// an append; indices are not. Slots beyond size() are raw storage: growing
// to a large capacity costs no initialisation of slots not yet used. Never
// fails: memory exhaustion is fatal.
template <typename T>
class GrowArray {
public:
    explicit GrowArray(std::size_t initialCapacity)
        : items_(allocate(initialCapacity > 0 ? initialCapacity : 1)),
          capacity_(initialCapacity > 0 ? initialCapacity : 1)
    {
    }

    GrowArray(const GrowArray& other) : items_(allocate(other.capacity_)), capacity_(other.capacity_)
    {
        std::uninitialized_copy(other.begin(), other.end(), items_);
        count_ = other.count_;
    }

    GrowArray& operator=(const GrowArray& other)
    {
        if (this != &other) {
            GrowArray copy(other);
            swap(copy);
        }
        return *this;
    }

    GrowArray(GrowArray&& other) noexcept : GrowArray(1) { swap(other); }
    GrowArray& operator=(GrowArray&& other) noexcept
    {
        swap(other);
        return *this;
    }

    ~GrowArray()
    {
        std::destroy(begin(), end());
        deallocate(items_, capacity_);
    }

    void swap(GrowArray& other) noexcept
    {
        std::swap(items_, other.items_);
        std::swap(capacity_, other.capacity_);
        std::swap(count_, other.count_);
    }

    // Stores the value at index size(), doubling the capacity first when full.
    void append(const T& value)
    {
        if (count_ == capacity_)
            grow();
        ::new (static_cast<void*>(items_ + count_)) T(value);
        ++count_;
    }

    // Makes room for one more, default-made element and returns it, for
    // callers that fill a large record in place rather than copying one.
    T& appendSlot()
    {
        if (count_ == capacity_)
            grow();
        T* slot = ::new (static_cast<void*>(items_ + count_)) T();
        ++count_;
        return *slot;
    }

    // Appends n elements copied from items (which must not point into this
    // array). The capacity doubles as often as appending them one by one
    // would double it, but the elements move only once.
    void appendRange(const T* items, std::size_t n)
    {
        reserveDoubling(count_ + n);
        std::uninitialized_copy(items, items + n, items_ + count_);
        count_ += n;
    }

    // Makes room for at least n elements in all, doubling the capacity as
    // often as appending up to n one by one would, with the elements moved
    // once.
    void reserveDoubling(std::size_t n)
    {
        std::size_t capacity = capacity_;
        while (capacity < n)
            capacity *= 2;
        if (capacity != capacity_)
            growTo(capacity);
    }

    // Drops the last element.
    void removeLast()
    {
        assert(count_ > 0);
        std::destroy_at(items_ + --count_);
    }

    // Empties the array; the capacity and the storage stay.
    void clear()
    {
        std::destroy(begin(), end());
        count_ = 0;
    }

    // Empties the array and, when its storage is large, lets the system
    // take back the memory behind it. The capacity stays, so filling the
    // array again moves nothing; only what is filled again is backed.
    void clearDiscardingMemory()
    {
        clear();
        if (isLarge(capacity_))
            discardLarge(items_, capacity_ * sizeof(T));
    }

    std::size_t size() const { return count_; }
    std::size_t capacity() const { return capacity_; }
    bool empty() const { return count_ == 0; }

    T& operator[](std::size_t i)
    {
        assert(i < count_);
        return items_[i];
    }
    const T& operator[](std::size_t i) const
    {
        assert(i < count_);
        return items_[i];
    }

    T* data() { return items_; }
    const T* data() const { return items_; }
    T* begin() { return items_; }
    T* end() { return items_ + count_; }
    const T* begin() const { return items_; }
    const T* end() const { return items_ + count_; }
    T& back() { return (*this)[count_ - 1]; }
    const T& back() const { return (*this)[count_ - 1]; }

private:
    // Arrays of many megabytes take memory of their own (see allocateLarge).
    static bool isLarge(std::size_t n) { return n >= LargeAllocationBytes / sizeof(T); }
    static T* allocate(std::size_t n)
    {
        return isLarge(n) ? static_cast<T*>(allocateLarge(n * sizeof(T))) : std::allocator<T>().allocate(n);
    }
    static void deallocate(T* items, std::size_t n)
    {
        if (isLarge(n))
            freeLarge(items, n * sizeof(T));
        else
            std::allocator<T>().deallocate(items, n);
    }

    void grow() { growTo(capacity_ * 2); }

    void growTo(std::size_t capacity)
    {
        T* items = allocate(capacity);
        std::uninitialized_move(begin(), end(), items);
        std::destroy(begin(), end());
        deallocate(items_, capacity_);
        items_ = items;
        capacity_ = capacity;
    }

    T* items_ = nullptr;
    std::size_t capacity_ = 0;
    std::size_t count_ = 0;
};

// An array appended to one element at a time that never copies a large
// store to grow: it doubles from a few elements while small (moving them,
// as GrowArray does), then holds them in blocks of LargeAllocationBytes,
// each a multiple of the huge page and filled whole. A crowd's records are
// written once and cost few page faults. As with GrowArray, an append may
// move elements; indices stay.
template <typename T>
class BlockArray {
public:
    T& operator[](std::size_t i) { return blocks_[i / PerBlock][i % PerBlock]; }
    const T& operator[](std::size_t i) const { return blocks_[i / PerBlock][i % PerBlock]; }
    std::size_t size() const { return size_; }
    void append(const T& value)
    {
        if (blocks_.empty())
            blocks_.emplace_back(std::min<std::size_t>(16, PerBlock));
        // Blocks made ahead by reserve wait beyond the one being filled.
        const std::size_t filling = size_ / PerBlock;
        if (filling == blocks_.size())
            blocks_.emplace_back(PerBlock);
        GrowArray<T>& block = blocks_[filling];
        if (block.size() == block.capacity() &&
            (2 * block.capacity() * sizeof(T) > SmallBytes || 2 * block.capacity() > PerBlock))
            makeWhole(block);
        block.append(value);
        ++size_;
    }
    // Makes room for n elements in all at once, in whole blocks (memory is
    // backed only as it is written), and calls visit(storage, bytes) for
    // each block made here, so that the caller may have it backed ahead.
    template <typename Visit>
    void reserve(std::size_t n, Visit visit)
    {
        if (n <= PerBlock)
            return;
        if (blocks_.empty())
            blocks_.emplace_back(PerBlock);
        if (blocks_.front().capacity() < PerBlock)
            makeWhole(blocks_.front());
        while (blocks_.size() * PerBlock < n) {
            blocks_.emplace_back(PerBlock);
            visit(static_cast<void*>(blocks_.back().data()), PerBlock * sizeof(T));
        }
    }
    // Empties the array, giving back the memory of its large blocks.
    void clear()
    {
        if (blocks_.size() > 1)
            blocks_.erase(blocks_.begin() + 1, blocks_.end());
        if (!blocks_.empty())
            blocks_.front().clearDiscardingMemory();
        size_ = 0;
    }

private:
    // Past its small sizes the first block becomes a whole one.
    static void makeWhole(GrowArray<T>& block)
    {
        GrowArray<T> whole(PerBlock);
        whole.appendRange(block.data(), block.size());
        block.swap(whole);
    }

    static constexpr std::size_t PerBlock = std::max<std::size_t>(1, LargeAllocationBytes / sizeof(T));
    static constexpr std::size_t SmallBytes = std::size_t{64} << 10;
    std::vector<GrowArray<T>> blocks_;
    std::size_t size_ = 0;
};

// A ring of fixed capacity. Element i from the front lives in slot
// (head + i) mod capacity. It never grows: pushBack on a full ring is
// refused, and the callers that must always succeed drop the oldest element
// first (appendDroppingOldest) or shift inside it (insertFront).
template <typename T>
class BoundedRing {
public:
    explicit BoundedRing(std::size_t capacity) : slots_(new T[capacity]()), capacity_(capacity) {}

    BoundedRing(const BoundedRing&) = delete;
    BoundedRing& operator=(const BoundedRing&) = delete;

    // Stores the value behind the last element. False, with nothing stored,
    // when the ring is full.
    bool pushBack(const T& value)
    {
        if (count_ == capacity_)
            return false;
        slots_[(head_ + count_) % capacity_] = value;
        ++count_;
        return true;
    }

    // Drops the front (oldest) element; nothing happens on an empty ring.
    void popFront()
    {
        if (count_ == 0)
            return;
        head_ = (head_ + 1) % capacity_;
        --count_;
    }

    // Makes a new last element, dropping the front one first when the ring is
    // full, and returns it for the caller to fill. Null for a ring of
    // capacity 0.
    T* appendDroppingOldest()
    {
        if (capacity_ == 0)
            return nullptr;
        if (count_ == capacity_)
            popFront();
        T* slot = &slots_[(head_ + count_) % capacity_];
        ++count_;
        return slot;
    }

    // Puts a new element in front: the head moves back one slot. When the
    // ring is full, the last (oldest) element is dropped first.
    void pushFront(const T& value)
    {
        if (capacity_ == 0)
            return;
        if (count_ == capacity_)
            --count_;
        head_ = (head_ + capacity_ - 1) % capacity_;
        slots_[head_] = value;
        ++count_;
    }

    // Empties the ring. The head stays where it is, so the next pushBack
    // stores into the slot at the head.
    void clear() { count_ = 0; }

    std::size_t size() const { return count_; }
    std::size_t capacity() const { return capacity_; }
    std::size_t head() const { return head_; }
    bool empty() const { return count_ == 0; }
    bool full() const { return count_ == capacity_; }

    // Element i from the front (0 is the front).
    T& operator[](std::size_t i)
    {
        assert(i < count_);
        return slots_[(head_ + i) % capacity_];
    }
    const T& operator[](std::size_t i) const
    {
        assert(i < count_);
        return slots_[(head_ + i) % capacity_];
    }

    // The storage slot with physical index i, whatever the head.
    const T& slot(std::size_t i) const { return slots_[i]; }

private:
    std::unique_ptr<T[]> slots_;
    std::size_t capacity_ = 0;
    std::size_t count_ = 0;
    std::size_t head_ = 0;
};

} // namespace zelkam
