#include "stats/index_counts.h"

#include <algorithm>

namespace zelkam {

void IndexCounts::add(std::uint32_t index, std::int32_t count)
{
    if (positions_) {
        const auto [at, made] = positions_->try_emplace(index, static_cast<std::uint32_t>(entries_.size()));
        if (made)
            entries_.emplace_back(index, count);
        else
            entries_[at->second].second += count;
        return;
    }
    const auto used = std::find_if(entries_.begin(), entries_.end(), [&](const Entry& e) { return e.first == index; });
    if (used != entries_.end()) {
        used->second += count;
        return;
    }
    entries_.emplace_back(index, count);
    if (entries_.size() > FewEntries) {
        positions_ = std::make_unique<std::unordered_map<std::uint32_t, std::uint32_t>>();
        for (std::uint32_t i = 0; i < entries_.size(); ++i)
            positions_->emplace(entries_[i].first, i);
    }
}

} // namespace zelkam
