#include "stats/ranking_table.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "text/text_encoding.h"
#include "text/text_out.h"

namespace zelkam {
namespace {

using Kind = RankingCellKind;

constexpr RankingColumn PlayerColumns[] = {
    {"Player", "player", true},
    {"Unique ID", "uniqueId", true},
    {"Frags", "frags"},
    {"Deaths", "deaths"},
    {"K/D", "kd"},
    {"Kills", "kills"},
    {"Team kills", "teamKills"},
    {"Suicides", "suicides"},
    {"Time", "time"},
    {"Sessions", "sessions"},
    {"Days", "days"},
    {"Bombs planted", "bombsPlanted"},
    {"Bombs defused", "bombsDefused"},
    {"Hostages rescued", "hostagesRescued"},
    {"Rounds won", "roundsWon"},
    {"Chat", "chat"},
    {"Names", "names", true},
    {"Weapons", "weapons", true},
};
constexpr RankingColumn WeaponColumns[] = {
    {"Weapon", "weapon", true}, {"Kills", "kills"}, {"Team kills", "teamKills"}, {"Players", "players"}};
constexpr RankingColumn MapColumns[] = {
    {"Map", "map", true}, {"Started", "started"}, {"Time", "time"}, {"Rounds", "rounds"}, {"Players", "players"}};

RankingCell number(double value, Kind kind = Kind::Count) { return RankingCell{kind, value, {}}; }
RankingCell text(const std::string& logText) { return RankingCell{Kind::Text, 0, {{logText, 0}}}; }

RankingRow playerRow(const PlayerRanking& p)
{
    // Kills when never killed.
    const double ratio = p.deaths > 0 ? static_cast<double>(p.kills) / p.deaths : p.kills;
    RankingCell names{Kind::Names, 0, {}};
    for (const std::string& name : p.names)
        names.texts.emplace_back(name, 0);
    RankingCell weapons{Kind::Weapons, 0, {p.weaponKills.begin(), p.weaponKills.end()}};
    return {text(p.name), text(p.uniqueId), number(p.frags), number(p.deaths),
            number(std::round(ratio * 100) / 100, Kind::Ratio), number(p.kills), number(p.teamKills),
            number(p.suicides), number(static_cast<double>(p.timeConnected), Kind::Seconds),
            number(p.sessions), number(p.days), number(p.bombsPlanted), number(p.bombsDefused),
            number(p.hostagesRescued), number(p.roundsWon), number(p.chat), std::move(names),
            std::move(weapons)};
}

} // namespace

std::span<const RankingColumn> rankingColumns(RankingTable table)
{
    switch (table) {
    case PlayerTable:
        return PlayerColumns;
    case WeaponTable:
        return WeaponColumns;
    case MapTable:
        break;
    }
    return MapColumns;
}

int rankingColumnIndex(RankingTable table, std::string_view key)
{
    const auto columns = rankingColumns(table);
    for (std::size_t c = 0; c < columns.size(); ++c) {
        if (key == columns[c].key)
            return static_cast<int>(c);
    }
    return -1;
}

int rankingSortColumn(RankingTable table)
{
    return table == WeaponTable ? 1 : 2;
}

std::size_t rankingRowCount(RankingTable table, const Rankings& rankings)
{
    return table == PlayerTable ? rankings.players.size()
           : table == WeaponTable ? rankings.weapons.size()
                                  : rankings.maps.size();
}

RankingRow rankingRow(RankingTable table, const Rankings& rankings, std::size_t index)
{
    if (table == PlayerTable)
        return playerRow(rankings.players[index]);
    if (table == WeaponTable) {
        const WeaponRanking& w = rankings.weapons[index];
        return {text(w.weapon), number(w.kills), number(w.teamKills), number(w.players)};
    }
    const MapRanking& m = rankings.maps[index];
    return {text(m.map), number(m.started), number(static_cast<double>(m.timePlayed), Kind::Seconds),
            number(m.rounds), number(m.players)};
}

std::vector<RankingRow> rankingRows(RankingTable table, const Rankings& rankings)
{
    std::vector<RankingRow> rows;
    const std::size_t count = rankingRowCount(table, rankings);
    rows.reserve(count);
    for (std::size_t i = 0; i < count; ++i)
        rows.push_back(rankingRow(table, rankings, i));
    return rows;
}

std::string rankingCsvHeader(std::span<const RankingColumn> columns)
{
    std::string header;
    for (const RankingColumn& column : columns)
        header += std::string(header.empty() ? "" : ",") + column.key;
    return header + "\r\n";
}

std::string rankingCsvRecord(const RankingRow& row)
{
    std::string record;
    for (const RankingCell& cell : row) {
        if (&cell != &row.front())
            record += ',';
        if (cell.kind == Kind::Ratio) {
            // The shortest digits that read back as the number, in fixed
            // notation ("100000.0", not "1e+05"), ".0" when whole: what
            // zelkam-cli's JSON writer makes of the same double.
            char number[400];
            const auto end = std::to_chars(number, number + sizeof number, cell.number, std::chars_format::fixed).ptr;
            record.append(number, end);
            if (std::find(number, end, '.') == end)
                record += ".0";
            continue;
        }
        if (cell.isNumber()) {
            record += std::to_string(static_cast<long long>(cell.number));
            continue;
        }
        std::string joined;
        for (const auto& [logText, count] : cell.texts) {
            if (!joined.empty())
                joined += ';';
            appendLogTextAsUtf8(joined, logText);
            if (cell.kind == Kind::Weapons)
                joined += '=' + std::to_string(count);
        }
        record += csvField(joined);
    }
    return record + "\r\n";
}

} // namespace zelkam
