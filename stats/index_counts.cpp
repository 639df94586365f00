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

void IndexCounts::reserveMore(std::size_t more)
{
    const std::size_t count = entries_.size() + more;
    if (count <= FewEntries)
        return;
    if (count > entries_.capacity())
        entries_.reserve(std::max(count, 2 * entries_.capacity()));
    // Read only once the entries are many; made ready before that is no harm.
    positions_.reserve(count);
}

} // namespace zelkam
