#include "stats/community_rankings.h"

#include <memory>

namespace zelkam {

bool rankServers(std::vector<ServerDays>& servers, const RankingRange& range, const std::atomic<bool>* stop,
                 const ServerRanked& ranked, const std::function<void(std::size_t, std::size_t)>& progress,
                 unsigned threads)
{
    std::vector<std::unique_ptr<FolderRanking>> rankings;
    const ServerPlan plan = [&](ServerDays& server, FolderWalk& walk) {
        if (!server.opened)
            return;
        rankings.push_back(std::make_unique<FolderRanking>(range, [&server, &ranked](Rankings& found, bool) {
            ranked(server.server, server.days, found);
        }));
        rankings.back()->plan(server.days, walk);
    };
    return walkServers(servers, stop, plan, progress, threads);
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
