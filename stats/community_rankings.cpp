#include "stats/community_rankings.h"

#include "ingest/open_file.h"

namespace zelkam {

bool scanServerDays(const ServerFolder& server, FolderDays& folder)
{
    return folder.scan(utf8FromPath(server.path));
}

bool rankServer(const ServerFolder& server, const RankingRange& range, const std::atomic<bool>* stop,
                const OpenServerDays& open, const ServerRanked& ranked,
                const std::function<void(std::size_t, std::size_t)>& progress)
{
    FolderDays folder;
    if (!open(server, folder))
        return true;
    Rankings rankings;
    const bool complete = collectRankings(folder, range, stop, rankings, progress);
    ranked(server, folder, rankings);
    return complete;
}

bool rankServers(const std::vector<ServerFolder>& servers, const RankingRange& range, const std::atomic<bool>* stop,
                 const OpenServerDays& open, const ServerRanked& ranked, const CommunityProgress& progress)
{
    for (std::size_t s = 0; s < servers.size(); ++s) {
        if (stop && stop->load())
            return false;
        std::function<void(std::size_t, std::size_t)> dayProgress;
        if (progress)
            dayProgress = [&](std::size_t day, std::size_t days) { progress(s, servers.size(), day, days); };
        if (!rankServer(servers[s], range, stop, open, ranked, dayProgress))
            return false;
    }
    return true;
}

RankingColumn serverRankingColumn()
{
    return RankingColumn{"Server", "server", true};
}

std::vector<RankingRow> serverRankingRows(RankingTable table, const Rankings& rankings, const std::string& server)
{
    std::vector<RankingRow> rows = rankingRows(table, rankings);
    RankingCell name;
    name.kind = RankingCellKind::Text;
    name.texts.emplace_back(server, 0);
    for (RankingRow& row : rows)
        row.push_back(name);
    return rows;
}

} // namespace zelkam
