#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <tuple>

#include "ingest/log_file_list.h"
#include "stats/rankings.h"

namespace zelkam::test {

// Frags, deaths, sessions and time connected by a player's ranking key.
using SessionSums = std::map<std::string, std::tuple<int, int, int, std::int64_t>>;

// The truth the rankings' session figures rest on: the sessions one tracker
// finds over the folder's days (every day, in order), those of the range's
// days summed by the player's ranking key; bots only when the range ranks
// them.
SessionSums sessionSumsOf(FolderDays& days, const RankingRange& range);

// The same figures of the rankings' rows that have sessions.
SessionSums rankedSessionSums(const Rankings& rankings);

} // namespace zelkam::test
