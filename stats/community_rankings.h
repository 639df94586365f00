#pragma once

#include <atomic>
#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "history/community_walk.h"
#include "history/day_windows.h"
#include "ingest/server_folders.h"
#include "stats/ranking_table.h"
#include "stats/rankings.h"

namespace zelkam {

// Rankings over a community of servers: each server ranked on its own, as
// if its folder were opened alone, so that a server's players meet its own
// rules (its sessions, its bots, its maps) and a player of two servers is
// two rows. zelkam-cli stats and the Rankings window both rank a community
// here; what each server's rows look like is still ranking_table's.

// Receives a server's rankings once its days are read (those read so far
// when stopped), with the folder read so its files cut short can be told.
using ServerRanked = std::function<void(const ServerFolder& server, const FolderDays& folder, Rankings& rankings)>;

// Ranks every opened server of servers over range in one walk over the
// community (walkServers: the servers' days on every core side by side, not
// server after server). ranked gets each server's rankings on the calling
// thread, in server order; a server that could not be opened is passed
// over. progress (may be empty) gets the days read of all servers and
// their count. False when stopped.
bool rankServers(std::vector<ServerDays>& servers, const RankingRange& range, const std::atomic<bool>* stop,
                 const ServerRanked& ranked,
                 const std::function<void(std::size_t walked, std::size_t total)>& progress = {},
                 unsigned threads = 0);

// The column a community's tables end with, after a single server's own
// columns: the server a row is of (key "server").
RankingColumn serverRankingColumn();
// Row index of table of one server's rankings with a Text cell naming server
// (its folder's name, UTF-8) after the others.
RankingRow serverRankingRow(RankingTable table, const Rankings& rankings, std::size_t index, const std::string& server);

} // namespace zelkam
