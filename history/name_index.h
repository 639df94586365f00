#pragma once

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "parse/large_vector.h"
#include "parse/prefetch.h"
#include "parse/text_hash.h"

namespace zelkam {

// Indices into a caller's list (of names, of records), found by a 32-bit
// hash of what they stand for: open addressing over slots of a hash and an
// index, so an entry costs no allocation and no copy of its text; the
// caller compares the candidates its hash turns up.
class IndexTable {
public:
    static constexpr std::uint32_t Missing = 0xFFFFFFFFu;

    // The first index stored under hash for which same(index) is true, or
    // Missing.
    template <typename Same>
    std::uint32_t find(std::uint32_t hash, Same same) const
    {
        if (slots_.empty())
            return Missing;
        const std::size_t mask = slots_.size() - 1;
        for (std::size_t at = hash & mask; slots_[at].index != Missing; at = (at + 1) & mask) {
            if (slots_[at].hash == hash && same(slots_[at].index))
                return slots_[at].index;
        }
        return Missing;
    }
    void add(std::uint32_t hash, std::uint32_t index);
    // find, and when it finds nothing, add of index under hash, reading
    // the slots once: what a list that takes each text once (its weapons,
    // its maps, its names) does for every text it meets.
    template <typename Same>
    std::uint32_t findOrAdd(std::uint32_t hash, std::uint32_t index, Same same)
    {
        if (4 * (count_ + 1) > 3 * slots_.size())
            rebuild(std::max<std::size_t>(16, slots_.size() * 2));
        const std::size_t mask = slots_.size() - 1;
        std::size_t at = hash & mask;
        for (; slots_[at].index != Missing; at = (at + 1) & mask) {
            if (slots_[at].hash == hash && same(slots_[at].index))
                return slots_[at].index;
        }
        slots_[at] = Slot{hash, index};
        ++count_;
        return Missing;
    }
    // The same, for a caller that knows up to moreToCome entries may follow
    // (what the rest of a day could add): a table that must grow then grows
    // once to hold them all, instead of being built anew at each doubling
    // in fresh memory.
    void add(std::uint32_t hash, std::uint32_t index, std::size_t moreToCome);
    std::size_t size() const { return count_; }
    // Starts fetching the slot a look-up of hash reads first, changing
    // nothing: a caller that knows its next look-ups (a day's kills a few
    // lines ahead) lets their waits for memory overlap.
    void prefetch(std::uint32_t hash) const
    {
        if (!slots_.empty())
            zelkam::prefetch(&slots_[hash & (slots_.size() - 1)]);
    }
    // Makes room for count entries in all, so that adding a known number
    // of them rebuilds the table once rather than at every doubling.
    void reserve(std::size_t count);
    void clear();

private:
    struct Slot {
        std::uint32_t hash = 0;
        std::uint32_t index = Missing;
    };
    void place(const Slot& slot);
    void rebuild(std::size_t slots);

    LargeVector<Slot> slots_;
    std::size_t count_ = 0;
};

// The 32 bits IndexTable keys a text by, from the text or from its
// std::hash (a caller that hashed the name already for another table).
inline std::uint32_t foldHash32(std::uint64_t hash)
{
    return static_cast<std::uint32_t>(hash ^ hash >> 32);
}
std::uint32_t textHash32(std::string_view text);

// The hashes of the texts a run of look-ups will ask a table for, a few
// ahead of the one at hand, the slot each will read first fetched
// meanwhile: thousands of look-ups (a session of a player who renamed
// himself all day, a day of thousands of maps) read a table too large for
// the cache, and each would otherwise wait for its slot alone. textAt(i)
// is the text of look-up i of count, or nullopt where there is none; at()
// is asked in order, from the place the run was made at. textAt(i) is
// asked at most HashesAheadDistance look-ups before at(i), once, so a
// caller may keep what it read for i until then in a ring of twice that.
inline constexpr std::size_t HashesAheadDistance = 8;
template <typename TextAt>
class HashesAhead {
public:
    HashesAhead(const IndexTable& table, std::size_t count, TextAt textAt, std::size_t from = 0)
        : table_(table), count_(count), textAt_(std::move(textAt))
    {
        for (std::size_t i = from; i < from + Ahead; ++i)
            fetch(i);
    }

    // The hash of look-up i's text (0 where it has none), those ahead of it
    // set fetching.
    std::uint32_t at(std::size_t i)
    {
        fetch(i + Ahead);
        return hashes_[i % hashes_.size()];
    }

private:
    static constexpr std::size_t Ahead = HashesAheadDistance;

    void fetch(std::size_t i)
    {
        if (i >= count_)
            return;
        const std::optional<std::string_view> text = textAt_(i);
        hashes_[i % hashes_.size()] = text ? textHash32(*text) : 0;
        if (text)
            table_.prefetch(hashes_[i % hashes_.size()]);
    }

    const IndexTable& table_;
    std::size_t count_;
    TextAt textAt_;
    // The look-ups ahead and the one at hand.
    std::array<std::uint32_t, 2 * Ahead> hashes_{};
};

// Finds a name in one list of names kept in order of first use (a session's,
// a player's, a record's). A few names are read through, which costs nothing
// extra for the usual player; once the list grows past that (a stranger
// renaming himself thousands of times) a table finds them, so each name costs
// the same however many came before it. Used with one list only, every name
// added through it.
class NameIndex {
public:
    // Appends name to names unless it is there already; true when appended.
    // A list of views (a day's tally, whose names live as long as the day's
    // events) is kept the same way as one of copies.
    bool addTo(std::vector<std::string>& names, std::string_view name) { return addToList(names, name); }
    bool addTo(std::vector<std::string_view>& names, std::string_view name) { return addToList(names, name); }
    // A list a stranger can make megabytes long (a ranking row's names).
    bool addTo(LargeVector<std::string>& names, std::string_view name) { return addToList(names, name); }
    // Appends to missing the place in batch of each name that names lacks,
    // in batch order. A batch of thousands (a session of a player who
    // renamed himself all day) is looked up with the memory of the names a
    // few ahead fetched meanwhile, as the table is too large for the cache.
    void missingOf(const LargeVector<std::string>& names, const LargeVector<std::string_view>& batch,
                   std::vector<std::uint32_t>& missing);
    // Appends to names each name of batch it lacks, in batch order; the
    // batch may name a name more than once (a day's tally names a player's
    // name again when he goes back to it). Looked up as missingOf does.
    void addAllTo(LargeVector<std::string>& names, const LargeVector<std::string_view>& batch);
    // Fills an empty list with a batch of names that are distinct among
    // themselves (a session's, a day's), in their order, looking none up:
    // the table that finds them is made only once a name is looked for, so
    // the one session of a player who renamed himself thousands of times
    // costs no table at all.
    template <typename List, typename Batch>
    void fillEmpty(List& names, const Batch& batch)
    {
        // The room appending them one by one would have made: the name or
        // two a later batch adds (the session's last rename) moves none.
        names.reserve(std::bit_ceil(batch.size()));
        names.assign(batch.begin(), batch.end());
        tabled_ = 0;
        many_.clear();
    }
    // Makes room for a list about to hold count names in all, so that a
    // known batch of many (a session of thousands of names) is tabled
    // without rebuilding the table at every doubling; a short list's
    // reserve costs nothing.
    void reserve(std::size_t count)
    {
        if (count <= FewNames)
            return;
        if (tabled_ > 0)
            many_.reserve(count);
        else
            wanted_ = std::max(wanted_, count);
    }

private:
    template <typename List>
    bool addToList(List& names, std::string_view name);
    // Puts the names not in the table yet into it.
    template <typename List>
    void tableAll(const List& names);

    static constexpr std::size_t FewNames = 8;
    // Empty while the names are few; holds the first tabled_ names.
    IndexTable many_;
    std::size_t tabled_ = 0;
    // What reserve was told: the table takes that room once it is made.
    std::size_t wanted_ = 0;
};

} // namespace zelkam
