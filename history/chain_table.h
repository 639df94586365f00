#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace zelkam {

// A hash table of chains by a 64-bit key, open addressing with linear
// probing: one memory fetch finds a chain and adding one allocates nothing,
// which is what a day of a million players spends its time on. A chain
// whose length is 0 marks a free slot. Pointers to chains last until the
// next obtain or erase.
// Chain needs a `length` member, 0 in a default-made Chain.
template <typename Chain>
class ChainTable {
public:
    Chain* find(std::uint64_t key)
    {
        if (slots_.empty())
            return nullptr;
        for (std::size_t i = home(key);; i = (i + 1) & mask_) {
            if (slots_[i].chain.length == 0)
                return nullptr;
            if (slots_[i].key == key)
                return &slots_[i].chain;
        }
    }
    // The key's chain, made empty when there is none; the caller threads a
    // session on it at once.
    Chain& obtain(std::uint64_t key)
    {
        if (Chain* chain = find(key))
            return *chain;
        if (2 * (used_ + 1) > slots_.size())
            grow();
        std::size_t i = home(key);
        while (slots_[i].chain.length != 0)
            i = (i + 1) & mask_;
        slots_[i].key = key;
        slots_[i].chain = Chain();
        ++used_;
        return slots_[i].chain;
    }
    // Frees the key's slot (which must be in use), moving back the ones
    // probed past it so that no look-up stops short.
    void erase(std::uint64_t key)
    {
        std::size_t i = home(key);
        while (slots_[i].key != key || slots_[i].chain.length == 0)
            i = (i + 1) & mask_;
        for (std::size_t j = (i + 1) & mask_; slots_[j].chain.length != 0; j = (j + 1) & mask_) {
            const std::size_t wanted = home(slots_[j].key);
            // Slot j may move to i unless its home lies cyclically in (i, j].
            const bool stays = i < j ? (wanted > i && wanted <= j) : (wanted > i || wanted <= j);
            if (!stays) {
                slots_[i] = slots_[j];
                i = j;
            }
        }
        slots_[i].chain = Chain();
        --used_;
    }
    void clear()
    {
        slots_.clear();
        slots_.shrink_to_fit();
        used_ = 0;
    }

private:
    struct Slot {
        std::uint64_t key = 0;
        Chain chain;
    };

    std::size_t home(std::uint64_t key) const
    {
        // Fibonacci hashing: user ids and addresses are numbered in runs.
        return static_cast<std::size_t>((key * 0x9e3779b97f4a7c15ull) >> shift_);
    }
    void grow()
    {
        std::vector<Slot> old = std::move(slots_);
        const std::size_t size = old.empty() ? 64 : old.size() * 2;
        slots_.assign(size, Slot());
        mask_ = size - 1;
        shift_ = 64 - static_cast<unsigned>(std::countr_zero(size));
        used_ = 0;
        for (const Slot& slot : old) {
            if (slot.chain.length != 0) {
                std::size_t i = home(slot.key);
                while (slots_[i].chain.length != 0)
                    i = (i + 1) & mask_;
                slots_[i] = slot;
                ++used_;
            }
        }
    }

    std::vector<Slot> slots_;
    std::size_t used_ = 0;
    std::size_t mask_ = 0;
    unsigned shift_ = 64;
};

} // namespace zelkam
