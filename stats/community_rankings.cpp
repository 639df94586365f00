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

RankingRow serverRankingRow(RankingTable table, const Rankings& rankings, std::size_t index, const std::string& server)
{
    RankingRow row = rankingRow(table, rankings, index);
    RankingCell name;
    name.kind = RankingCellKind::Text;
    name.texts.emplace_back(server, 0);
    row.push_back(std::move(name));
    return row;
}

} // namespace zelkam
