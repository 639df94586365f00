// zelkam-cli stats: rankings over a range of days, per player, weapon or map.

#include <algorithm>
#include <cassert>
#include <cstdint>
#include <iostream>
#include <optional>
#include <span>
#include <string>
#include <unordered_map>
#include <vector>

#include "cli/cli_commands.h"
#include "cli/cli_dates.h"
#include "cli/cli_json.h"
#include "cli/cli_servers.h"
#include "cli/cli_warnings.h"
#include "parse/text_hash.h"
#include "parse/time_stamp.h"
#include "stats/community_rankings.h"
#include "stats/ranking_table.h"
#include "stats/rankings.h"
#include "text/text_encoding.h"
#include "text/text_out.h"

namespace zelkam::cli {
namespace {

// The columns in the order zelkam-cli has always written them (its JSON
// keys and CSV columns), each a key of the table's columns; the window
// leads its player table with frags, deaths and K/D instead.
constexpr const char* PlayerKeys[] = {"player", "uniqueId", "names", "time", "sessions", "days",
                                      "frags", "kills", "teamKills", "deaths", "suicides", "kd",
                                      "bombsPlanted", "bombsDefused", "hostagesRescued", "roundsWon", "chat",
                                      "weapons"};
constexpr const char* WeaponKeys[] = {"weapon", "kills", "teamKills", "players"};
constexpr const char* MapKeys[] = {"map", "started", "time", "rounds", "players"};

std::span<const char* const> keysOf(RankingTable table)
{
    return table == PlayerTable ? std::span<const char* const>(PlayerKeys)
           : table == WeaponTable ? std::span<const char* const>(WeaponKeys)
                                  : std::span<const char* const>(MapKeys);
}

// The table's columns in zelkam-cli's order, and where each is among the
// table's own.
std::vector<RankingColumn> columnsInOrder(RankingTable table, std::vector<int>& from)
{
    std::vector<RankingColumn> columns;
    from.clear();
    for (const char* key : keysOf(table)) {
        from.push_back(rankingColumnIndex(table, key));
        assert(from.back() >= 0);
        columns.push_back(rankingColumns(table)[from.back()]);
    }
    return columns;
}

Json jsonOf(const RankingCell& cell)
{
    switch (cell.kind) {
    case RankingCellKind::Count:
    case RankingCellKind::Seconds:
        return static_cast<std::int64_t>(cell.number);
    case RankingCellKind::Ratio:
        return cell.number;
    case RankingCellKind::Text:
        return logTextToUtf8(cell.texts.front().first);
    case RankingCellKind::Names: {
        Json list = Json::array();
        for (const auto& [text, unused] : cell.texts)
            list.push_back(logTextToUtf8(text));
        return list;
    }
    case RankingCellKind::Weapons:
        break;
    }
    // Two weapons logged in different bytes may read as one name: the later
    // count stands, at the first one's place. The object's own look-up reads
    // every key before it, which a player of thousands of weapons turns into
    // the square; the places are found by hash instead.
    Json kills = Json::object();
    Json::object_t& members = kills.get_ref<Json::object_t&>();
    std::unordered_map<std::string, std::size_t, TextHash, std::equal_to<>> placeOf;
    for (const auto& [weapon, count] : cell.texts) {
        std::string name = logTextToUtf8(weapon);
        const auto [known, made] = placeOf.try_emplace(name, members.size());
        if (made)
            members.Container::emplace_back(std::move(name), count);
        else
            (members.begin() + static_cast<std::ptrdiff_t>(known->second))->second = count;
    }
    return kills;
}

} // namespace

int runStats(const std::vector<std::string>& args)
{
    std::optional<std::string> folderPath;
    RankingRange range;
    std::string by = "player";
    std::optional<std::string> sortKey;
    std::int64_t minKills = 0;
    bool csv = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--bots") {
            range.bots = true;
        } else if (arg == "--csv") {
            csv = true;
        } else if (arg == "--from" || arg == "--to" || arg == "--by" || arg == "--sort" || arg == "--min-kills") {
            if (++i == args.size())
                return usageError(arg + " needs a value");
            const std::string& value = args[i];
            if (arg == "--from" || arg == "--to") {
                if (!readRangeDate(arg, value, range.firstDay, range.lastDay))
                    return UsageError;
            } else if (arg == "--by") {
                if (value != "player" && value != "weapon" && value != "map")
                    return usageError(quotedArgument(value) + " is not one of player, weapon and map");
                by = value;
            } else if (arg == "--sort") {
                sortKey = value;
            } else {
                if (value.empty() || value.size() > 9 || value.find_first_not_of("0123456789") != std::string::npos)
                    return usageError(quotedArgument(value) + " is not a number of kills");
                minKills = std::stoll(value);
            }
        } else if (arg.size() > 2 && arg.rfind("--", 0) == 0) {
            return usageError("unknown option " + quotedArgument(arg) +
                              " (stats takes --from, --to, --by, --sort, --min-kills, --bots and --csv)");
        } else if (folderPath) {
            return usageError("stats: unexpected argument " + quotedArgument(arg));
        } else {
            folderPath = arg;
        }
    }
    if (!folderPath)
        return usageError("stats: missing FOLDER");
    if (!checkRangeOrder("stats", range.firstDay, range.lastDay))
        return UsageError;

    const RankingTable table = by == "player" ? PlayerTable : by == "weapon" ? WeaponTable : MapTable;
    // The columns a sort may name are the rows' numbers and texts.
    const std::string key = sortKey ? *sortKey : rankingColumns(table)[rankingSortColumn(table)].key;
    const int sortColumn = rankingColumnIndex(table, key);
    const auto sortable = [&] {
        const Rankings sample{{PlayerRanking{}}, {WeaponRanking{}}, {MapRanking{}}};
        const RankingCell cell = rankingCell(table, sample, 0, static_cast<std::size_t>(sortColumn));
        return cell.isNumber() || cell.kind == RankingCellKind::Text;
    };
    if (sortColumn < 0 || !sortable())
        return usageError(quotedArgument(key) + " is not a column of --by " + by + " to sort by");

    std::vector<ServerFolder> servers;
    if (!serversToSearch(*folderPath, servers))
        return UsageError;
    // A community ranks each server on its own (stats/community_rankings),
    // each row labelled with its server.
    std::vector<ServerDays> opened;
    if (!openServersToSearch(*folderPath, servers, opened))
        return NothingToShow;
    bool headerShown = false;
    std::size_t shown = 0;
    const auto show = [&](const ServerFolder& server, const FolderDays& folder, Rankings& rankings) {
        warnAboutFilesCutShort(folder.filesCutShort);
        // Rows are put in order by the cell sorted on and made again one at
        // a time as they are written: a day of a million players never
        // holds a million rows of cells.
        struct Ranked {
            std::size_t index;
            RankingCell key;
        };
        std::vector<Ranked> order;
        const std::size_t count = rankingRowCount(table, rankings);
        order.reserve(count);
        // Maps have no kills: --min-kills keeps them all.
        const int kills = rankingColumnIndex(table, "kills");
        for (std::size_t i = 0; i < count; ++i) {
            if (kills < 0 || rankingCell(table, rankings, i, static_cast<std::size_t>(kills)).number
                                 >= static_cast<double>(minKills))
                order.push_back({i, rankingCell(table, rankings, i, static_cast<std::size_t>(sortColumn))});
        }
        std::stable_sort(order.begin(), order.end(),
                         [&](const Ranked& a, const Ranked& b) { return rankingCellBefore(a.key, b.key); });
        if (order.empty())
            return;
        std::vector<int> from;
        const std::vector<RankingColumn> columns = columnsInOrder(table, from);
        const bool labelled = !server.name.empty();
        if (csv && !headerShown) {
            std::cout << (labelled ? "server," : "") << rankingCsvHeader(columns);
            headerShown = true;
        }
        for (const Ranked& ranked : order) {
            RankingRow row;
            row.reserve(from.size());
            for (const int c : from)
                row.push_back(rankingCell(table, rankings, ranked.index, static_cast<std::size_t>(c)));
            ++shown;
            if (csv) {
                if (labelled)
                    std::cout << csvField(logTextToUtf8(server.name)) << ',';
                std::cout << rankingCsvRecord(row);
                continue;
            }
            Json json = Json::object();
            if (labelled)
                json["server"] = logTextToUtf8(server.name);
            for (std::size_t c = 0; c < columns.size(); ++c)
                json[columns[c].key] = jsonOf(row[c]);
            std::cout << jsonLine(json) << '\n';
        }
    };
    rankServers(opened, range, nullptr, show);
    if (shown == 0) {
        complain("nothing to show: no " + by + " in those days");
        return NothingToShow;
    }
    return Done;
}

} // namespace zelkam::cli
