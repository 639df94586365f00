#pragma once

// The lookups a day's tally makes for nearly every event: open addressing
// over a power-of-two table, with no node per entry and no division, keyed
// by bytes under the process's key (hashAddress hashes a text's address for
// a cache of its own).
// Keys are not copied: they must outlive the table (a day's tally keeps
// them only while the day's events live).

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>
#include <vector>

#include "parse/large_vector.h"
#include "parse/text_hash.h"

namespace zelkam {

inline std::uint64_t hashAddress(const void* address)
{
    const auto value = reinterpret_cast<std::uintptr_t>(address);
    const std::uint64_t hash = value * 0x9E3779B97F4A7C15ull;
    return hash >> 32 ^ hash;
}

// Values (std::uint32_t) by text, compared by bytes. The table's slots hold
// a 32-bit hash and the place of an entry in a list of entries (the key's
// address and length, and the value), so a day of 80,000 new token copies
// fills a table of 8-byte slots and a list of 16-byte entries, each met
// once, rather than a table of 24-byte slots twice the entries' number.
class DayLookup {
public:
    static constexpr std::uint32_t Missing = 0xFFFFFFFEu;

    DayLookup() : slots_(64) {}

    // The value stored for key, or Missing.
    std::uint32_t find(std::string_view key) const
    {
        const auto hash = static_cast<std::uint32_t>(hashText(key));
        for (std::size_t at = hash & (slots_.size() - 1);; at = (at + 1) & (slots_.size() - 1)) {
            const Slot& slot = slots_[at];
            if (slot.entry == Empty)
                return Missing;
            if (slot.hash == hash) {
                const Entry& entry = entries_[slot.entry];
                if (entry.size == key.size() && std::memcmp(entry.data, key.data(), key.size()) == 0)
                    return entry.value;
            }
        }
    }

    // Stores value (below Missing) for key, in place of the value stored
    // for it before, if any.
    void set(std::string_view key, std::uint32_t value)
    {
        const auto hash = static_cast<std::uint32_t>(hashText(key));
        for (std::size_t at = hash & (slots_.size() - 1); slots_[at].entry != Empty; at = (at + 1) & (slots_.size() - 1)) {
            Entry& entry = entries_[slots_[at].entry];
            if (slots_[at].hash == hash && entry.size == key.size() && std::memcmp(entry.data, key.data(), key.size()) == 0) {
                entry.value = value;
                return;
            }
        }
        add(key, value);
    }

    // Stores value (below Missing) for a key not stored yet, shorter than
    // 4 GiB.
    void add(std::string_view key, std::uint32_t value)
    {
        // Filled to three quarters: a probe past a taken slot compares
        // the hashes beside it, in the same cache line.
        if (4 * (entries_.size() + 1) > 3 * slots_.size())
            grow();
        const auto entry = static_cast<std::uint32_t>(entries_.size());
        entries_.push_back(Entry{key.data(), static_cast<std::uint32_t>(key.size()), value});
        place(Slot{static_cast<std::uint32_t>(hashText(key)), entry});
    }

private:
    static constexpr std::uint32_t Empty = 0xFFFFFFFFu;
    struct Slot {
        std::uint32_t hash = 0;
        std::uint32_t entry = Empty;
    };
    struct Entry {
        const char* data;
        std::uint32_t size;
        std::uint32_t value;
    };

    void place(const Slot& slot)
    {
        std::size_t at = slot.hash & (slots_.size() - 1);
        while (slots_[at].entry != Empty)
            at = (at + 1) & (slots_.size() - 1);
        slots_[at] = slot;
    }

    void grow()
    {
        LargeVector<Slot> old(slots_.size() * 2);
        old.swap(slots_);
        for (const Slot& slot : old) {
            if (slot.entry != Empty)
                place(slot);
        }
    }

    LargeVector<Slot> slots_;
    LargeVector<Entry> entries_;
};

} // namespace zelkam
