#include "stats/index_counts.h"

#include <algorithm>

namespace zelkam {

namespace {

std::uint32_t indexHash(std::uint32_t index) { return index * 0x9E3779B9u; }

} // namespace

void IndexCounts::add(std::uint32_t index, std::int32_t count)
{
    if (entries_.size() > FewEntries) {
        const std::uint32_t at =
            positions_.find(indexHash(index), [&](std::uint32_t i) { return entries_[i].first == index; });
        if (at != IndexTable::Missing) {
            entries_[at].second += count;
        } else {
            positions_.add(indexHash(index), static_cast<std::uint32_t>(entries_.size()));
            entries_.emplace_back(index, count);
        }
        return;
    }
    const auto used = std::find_if(entries_.begin(), entries_.end(), [&](const Entry& e) { return e.first == index; });
    if (used != entries_.end()) {
        used->second += count;
        return;
    }
    entries_.emplace_back(index, count);
    if (entries_.size() > FewEntries) {
        for (std::uint32_t i = 0; i < entries_.size(); ++i)
            positions_.add(indexHash(entries_[i].first), i);
    }
}

} // namespace zelkam
