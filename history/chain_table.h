#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <type_traits>
#include <utility>

#include "parse/large_memory.h"
#include "parse/prefetch.h"
#include "parse/text_hash.h"

namespace zelkam {

// A hash table of chains by a 32-bit key, open addressing with linear
// probing: one memory fetch finds a chain and adding one allocates nothing,
// which is what a day of a million players spends its time on. A slot is
// 16 bytes (the key and a chain of three 32-bit fields), so four share a
// cache line, or 8 for a value of one field; a table of many megabytes
// takes memory of its own (allocateLarge), where huge pages spare most of
// the page faults and address translation misses of its scattered
// look-ups.
//
// Chain is trivially copyable, 12 or 4 bytes, with a `length` member; all
// of its bytes 0 (a value-made Chain) marks a free slot. Pointers to chains
// last until the next obtain or erase.
template <typename Chain>
class ChainTable {
public:
    // Numbers (user ids, addresses) are mostly handed out in runs: such a
    // table keeps a run's keys side by side, every other slot, so that a
    // crowd arriving in order is read and written in order, until some
    // look-up has to probe far, when it scatters its keys for good. Keys
    // that are hashes already are scattered from the start.
    enum class Keys { Numbers, Hashes };
    explicit ChainTable(Keys keys = Keys::Hashes) : numbers_(keys == Keys::Numbers), scattered_(!numbers_) {}
    ~ChainTable() { release(); }
    ChainTable(const ChainTable&) = delete;
    ChainTable& operator=(const ChainTable&) = delete;

    Chain* find(std::uint32_t key)
    {
        const std::size_t i = freeOrKeySlot(key);
        return size_ != 0 && slots_[i].chain.length != 0 ? &slots_[i].chain : nullptr;
    }
    // Starts fetching the slot a look-up of key reads first.
    void prefetch(std::uint32_t key) const
    {
        if (size_ == 0)
            return;
        zelkam::prefetch(&slots_[home(key)]);
    }
    // The key's chain, made empty when there is none; the caller threads a
    // session on it at once.
    Chain& obtain(std::uint32_t key)
    {
        // One probe finds the key or ends on the free slot it goes in; only
        // a table that must grow for it is probed again.
        std::size_t i = freeOrKeySlot(key);
        if (size_ != 0 && slots_[i].chain.length != 0)
            return slots_[i].chain;
        if (2 * (used_ + 1) > size_) {
            grow();
            i = freeOrKeySlot(key);
        }
        slots_[i].key = key;
        slots_[i].chain = Chain();
        ++used_;
        return slots_[i].chain;
    }
    // Frees the slot of a chain find or obtain just gave (the chain must
    // be in use), moving back the slots probed past it so that no look-up
    // stops short.
    void erase(Chain& chain)
    {
        const auto* slot = reinterpret_cast<const Slot*>(reinterpret_cast<const char*>(&chain) - offsetof(Slot, chain));
        eraseSlot(static_cast<std::size_t>(slot - slots_));
    }
    // Makes room for keys more keys, so that adding them never grows the
    // table on the way: a crowd known in advance is not rehashed, nor does
    // it take memory for the smaller tables it would pass through.
    void reserve(std::size_t keys)
    {
        if (keys == 0)
            return;
        std::size_t size = size_ == 0 ? 64 : size_;
        while (2 * (used_ + keys) > size)
            size *= 2;
        if (size != size_)
            rehash(size);
    }
    // Empties the table and gives its memory back.
    void clear()
    {
        release();
        used_ = 0;
    }

private:
    struct Slot {
        std::uint32_t key = 0;
        Chain chain;
    };
    static_assert(std::is_trivially_copyable_v<Slot> && (sizeof(Slot) == 16 || sizeof(Slot) == 8));

    // Past this many slots a look-up of a table in order scatters it.
    static constexpr std::size_t LongProbe = 48;

    std::size_t home(std::uint32_t key) const
    {
        if (!scattered_)
            return (std::size_t{key} << 1) & mask_;
        // Fibonacci hashing: runs of keys spread over the table. A number
        // may be a stranger's choice (an account number an emulated
        // client gives), and numbers that Fibonacci hashing puts side by
        // side are easy to find: numbers are mixed under the process's
        // key first (see text_hash.h). Hashes are keyed already.
        const std::uint64_t spread = numbers_ ? hashNumber(key) : key;
        return static_cast<std::size_t>((spread * 0x9e3779b97f4a7c15ull) >> shift_);
    }
    static bool isLarge(std::size_t size) { return size * sizeof(Slot) >= LargeAllocationBytes; }
    // Slots all of whose bytes are 0, free: a large table's memory comes
    // that way, so growing to it writes only the slots in use.
    static Slot* allocate(std::size_t size)
    {
        if (isLarge(size))
            return static_cast<Slot*>(allocateLargeZeroed(size * sizeof(Slot)));
        Slot* slots = std::allocator<Slot>().allocate(size);
        std::uninitialized_value_construct_n(slots, size);
        return slots;
    }
    static void deallocate(Slot* slots, std::size_t size)
    {
        if (!slots)
            return;
        if (isLarge(size))
            freeLarge(slots, size * sizeof(Slot));
        else
            std::allocator<Slot>().deallocate(slots, size);
    }
    void release()
    {
        deallocate(slots_, size_);
        slots_ = nullptr;
        size_ = 0;
        mask_ = 0;
        shift_ = 64;
    }
    void grow() { rehash(size_ == 0 ? 64 : size_ * 2); }
    void eraseSlot(std::size_t i)
    {
        std::size_t probes = 0;
        for (std::size_t j = (i + 1) & mask_; slots_[j].chain.length != 0; j = (j + 1) & mask_) {
            const std::size_t wanted = home(slots_[j].key);
            // Slot j may move to i unless its home lies cyclically in (i, j].
            const bool stays = i < j ? (wanted > i && wanted <= j) : (wanted > i || wanted <= j);
            if (!stays) {
                slots_[i] = slots_[j];
                i = j;
            }
            ++probes;
        }
        slots_[i] = Slot();
        --used_;
        if (probes >= LongProbe && !scattered_)
            scatter();
    }
    // The slot that holds key, or else the free slot a probe for it ends
    // on (0 for a table with no slots yet).
    std::size_t freeOrKeySlot(std::uint32_t key)
    {
        if (size_ == 0)
            return 0;
        std::size_t i = home(key);
        for (std::size_t probes = 0; slots_[i].chain.length != 0; i = (i + 1) & mask_) {
            if (slots_[i].key == key)
                return i;
            if (++probes == LongProbe && !scattered_) {
                scatter();
                probes = 0;
                i = home(key) - 1;
            }
        }
        return i;
    }
    void scatter()
    {
        scattered_ = true;
        rehash(size_);
    }
    void rehash(std::size_t size)
    {
        Slot* old = slots_;
        const std::size_t oldSize = size_;
        size_ = size;
        slots_ = allocate(size_);
        mask_ = size_ - 1;
        shift_ = 64 - static_cast<unsigned>(std::countr_zero(size_));
        for (std::size_t o = 0; o < oldSize; ++o) {
            if (old[o].chain.length != 0) {
                std::size_t i = home(old[o].key);
                while (slots_[i].chain.length != 0)
                    i = (i + 1) & mask_;
                slots_[i] = old[o];
            }
        }
        deallocate(old, oldSize);
    }

    Slot* slots_ = nullptr;
    std::size_t size_ = 0;
    std::size_t used_ = 0;
    std::size_t mask_ = 0;
    unsigned shift_ = 64;
    bool numbers_;
    bool scattered_;
};

} // namespace zelkam
