#include "stats/index_counts.h"

#include <algorithm>

namespace zelkam {

namespace {

std::uint32_t indexHash(std::uint32_t index) { return index * 0x9E3779B9u; }

} // namespace

void IndexCounts::tableAll()
{
    if (tabled_ == entries_.size())
        return;
    positions_.reserve(std::max(entries_.size(), wanted_));
    for (; tabled_ < entries_.size(); ++tabled_)
        positions_.add(indexHash(entries_[tabled_].first), static_cast<std::uint32_t>(tabled_));
}

void IndexCounts::add(std::uint32_t index, std::int32_t count)
{
    if (entries_.size() > FewEntries) {
        tableAll();
        const std::uint32_t at =
            positions_.find(indexHash(index), [&](std::uint32_t i) { return entries_[i].first == index; });
        if (at != IndexTable::Missing) {
            entries_[at].second += count;
        } else {
            positions_.add(indexHash(index), static_cast<std::uint32_t>(entries_.size()));
            entries_.emplace_back(index, count);
            ++tabled_;
        }
        return;
    }
    const auto used = std::find_if(entries_.begin(), entries_.end(), [&](const Entry& e) { return e.first == index; });
    if (used != entries_.end()) {
        used->second += count;
        return;
    }
    entries_.emplace_back(index, count);
}

void IndexCounts::reserveMore(std::size_t more)
{
    const std::size_t count = entries_.size() + more;
    if (count <= FewEntries)
        return;
    if (count > entries_.capacity())
        entries_.reserve(std::max(count, 2 * entries_.capacity()));
    // The table is made only once an index is looked for; until then the
    // wanted room costs nothing.
    if (tabled_ > 0)
        positions_.reserve(count);
    else
        wanted_ = std::max(wanted_, count);
}

} // namespace zelkam
