#pragma once

#include <cstdint>
#include <utility>
#include <vector>

#include "history/name_index.h"

namespace zelkam {

// Counts by a dense index (kills by weapon) in order of first use, as pairs
// of index and count. A player uses a few dozen weapons at most and they are
// read through; a list grown past that is found by a table.
class IndexCounts {
public:
    using Entry = std::pair<std::uint32_t, std::int32_t>;
    void add(std::uint32_t index, std::int32_t count);
    // Makes room for more entries than the few read through, at once.
    void reserveMore(std::size_t more);
    const std::vector<Entry>& entries() const { return entries_; }

private:
    static constexpr std::size_t FewEntries = 16;
    std::vector<Entry> entries_;
    // The position in entries_ of each index, once there are many.
    IndexTable positions_;
};

} // namespace zelkam
