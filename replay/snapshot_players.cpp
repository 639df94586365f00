#include "replay/snapshot_players.h"

#include <cassert>

namespace zelkam {
namespace {

bool samePlayer(const PlayerEntry& a, const PlayerEntry& b)
{
    return a.name == b.name && a.userId == b.userId && a.wonId == b.wonId && a.addressKey == b.addressKey &&
           a.team == b.team && a.lifeState == b.lifeState && a.frags == b.frags && a.deaths == b.deaths;
}

} // namespace

const PlayerEntry* SnapshotPlayers::store(const BoundedRing<PlayerEntry>& ring)
{
    const std::size_t count = ring.size();
    if (count == 0)
        return nullptr;
    if (count == lastCount_) {
        bool same = true;
        for (std::size_t i = 0; i < count && same; ++i)
            same = samePlayer(last_[i], ring[i]);
        if (same)
            return last_;
    }
    assert(count <= BlockEntries);
    if (BlockEntries - usedInLast_ < count) {
        blocks_.push_back(std::make_unique<PlayerEntry[]>(BlockEntries));
        usedInLast_ = 0;
    }
    PlayerEntry* entries = blocks_.back().get() + usedInLast_;
    for (std::size_t i = 0; i < count; ++i)
        entries[i] = ring[i];
    usedInLast_ += count;
    last_ = entries;
    lastCount_ = count;
    return entries;
}

void SnapshotPlayers::clear()
{
    blocks_.clear();
    usedInLast_ = BlockEntries;
    last_ = nullptr;
    lastCount_ = 0;
}

} // namespace zelkam
