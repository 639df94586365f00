#pragma once

#include <atomic>
#include <cstddef>
#include <functional>
#include <string>
#include <vector>

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

// Opens a server's days into folder; false passes the server over. The
// window and zelkam-cli differ only in what they tell about a server that
// cannot be opened.
using OpenServerDays = std::function<bool(const ServerFolder& server, FolderDays& folder)>;
// Receives a server's rankings once its days are read (those read so far
// when stopped), with the folder read so its files cut short can be told.
using ServerRanked = std::function<void(const ServerFolder& server, const FolderDays& folder, Rankings& rankings)>;
// The server being read (its index and the server count) and, within it,
// the day (index and day count).
using CommunityProgress = std::function<void(std::size_t server, std::size_t servers, std::size_t day, std::size_t days)>;

// The default OpenServerDays: scans the server's folder; false when it
// holds no datable log.
bool scanServerDays(const ServerFolder& server, FolderDays& folder);

// Ranks one server over range: opens it, collects its rankings
// (collectRankings) and hands them to ranked. False when stop was asked
// (ranked still gets the days read so far); true when done or when the
// server could not be opened (ranked is not called then). One server is
// one job, so that the servers may be spread over workers.
bool rankServer(const ServerFolder& server, const RankingRange& range, const std::atomic<bool>* stop,
                const OpenServerDays& open, const ServerRanked& ranked,
                const std::function<void(std::size_t day, std::size_t days)>& progress = {});

// Ranks each of servers in turn, in their order, as rankServer. False when
// stopped: the servers after the one stopped in are not read.
bool rankServers(const std::vector<ServerFolder>& servers, const RankingRange& range, const std::atomic<bool>* stop,
                 const OpenServerDays& open, const ServerRanked& ranked, const CommunityProgress& progress = {});

// The column a community's tables end with, after a single server's own
// columns: the server a row is of (key "server").
RankingColumn serverRankingColumn();
// table's rows of one server's rankings with a Text cell naming server
// (its folder's name, UTF-8) after the others.
std::vector<RankingRow> serverRankingRows(RankingTable table, const Rankings& rankings, const std::string& server);

} // namespace zelkam
