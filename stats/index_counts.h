#pragma once

#include <cstdint>
#include <utility>
#include <vector>

#include "history/name_index.h"
#include "parse/large_vector.h"

namespace zelkam {

// Counts by a dense index (kills by weapon) in order of first use, as pairs
// of index and count. A player uses a few dozen weapons at most and they are
// read through; a list grown past that is found by a table. The table is
// made (or caught up) only when an index is looked for: entries the caller
// knows to be new (addNew) go in without one, so a day of tens of thousands
// of weapons each met once builds no table at all.
class IndexCounts {
public:
    using Entry = std::pair<std::uint32_t, std::int32_t>;
    void add(std::uint32_t index, std::int32_t count);
    // Appends an index the counts do not hold yet (a weapon met for the
    // first time by the whole day, or by the whole rankings), without
    // looking it up.
    void addNew(std::uint32_t index, std::int32_t count) { entries_.emplace_back(index, count); }
    // Makes room for more entries than the few read through, at once.
    void reserveMore(std::size_t more);
    // Makes room for more entries, leaving the table (if any) as it is:
    // for entries that may well never come (what the rest of a day could
    // name at most), so nothing is written until they do.
    void reserveNew(std::size_t more) { entries_.reserve(entries_.size() + more); }
    const LargeVector<Entry>& entries() const { return entries_; }

private:
    // Puts the entries not in the table yet into it.
    void tableAll();

    static constexpr std::size_t FewEntries = 16;
    // A stranger can make it megabytes long (see LargeVector).
    LargeVector<Entry> entries_;
    // The position in entries_ of each of the first tabled_ indices, once
    // there are many.
    IndexTable positions_;
    std::size_t tabled_ = 0;
    // What reserveMore was told: the table takes that room once it is made.
    std::size_t wanted_ = 0;
};

} // namespace zelkam
