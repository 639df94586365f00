#pragma once

#include <cstddef>
#include <memory>
#include <vector>

#include "parse/containers.h"
#include "parse/log_event.h"

namespace zelkam {

// The recent players that the snapshots of a day restore. A snapshot is
// taken at every map start, and a log may hold little else, so each keeps
// only the ring's live entries, and a snapshot whose ring has not changed
// since the one before shares that one's entries instead of copying them:
// the store grows only when a connection or a name change came in between,
// each of which is a log line of its own.
class SnapshotPlayers {
public:
    // The ring's live entries, most recent first, stored unless they equal
    // the entries stored last. The pointer stays valid until clear(); it is
    // null when the ring is empty.
    const PlayerEntry* store(const BoundedRing<PlayerEntry>& ring);
    // Forgets every stored entry (at each day load).
    void clear();

private:
    static constexpr std::size_t BlockEntries = 4096;

    std::vector<std::unique_ptr<PlayerEntry[]>> blocks_;
    std::size_t usedInLast_ = BlockEntries;
    const PlayerEntry* last_ = nullptr;
    std::size_t lastCount_ = 0;
};

} // namespace zelkam
