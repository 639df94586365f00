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

// Cell column of a player's row: each cell's rule in one place, whether a
// whole row is made or only the cell a table is sorted by.
RankingCell playerCell(const PlayerRanking& p, std::size_t column)
{
    switch (column) {
    case 0:
        return text(p.name);
    case 1:
        return text(p.uniqueId);
    case 2:
        return number(p.frags);
    case 3:
        return number(p.deaths);
    case 4: {
        // Kills when never killed.
        const double ratio = p.deaths > 0 ? static_cast<double>(p.kills) / p.deaths : p.kills;
        return number(std::round(ratio * 100) / 100, Kind::Ratio);
    }
    case 5:
        return number(p.kills);
    case 6:
        return number(p.teamKills);
    case 7:
        return number(p.suicides);
    case 8:
        return number(static_cast<double>(p.timeConnected), Kind::Seconds);
    case 9:
        return number(p.sessions);
    case 10:
        return number(p.days);
    case 11:
        return number(p.bombsPlanted);
    case 12:
        return number(p.bombsDefused);
    case 13:
        return number(p.hostagesRescued);
    case 14:
        return number(p.roundsWon);
    case 15:
        return number(p.chat);
    case 16: {
        RankingCell names{Kind::Names, 0, {}};
        names.texts.reserve(p.names.size());
        for (const std::string& name : p.names)
            names.texts.emplace_back(name, 0);
        return names;
    }
    default:
        return RankingCell{Kind::Weapons, 0, {p.weaponKills.begin(), p.weaponKills.end()}};
    }
}

RankingCell weaponCell(const WeaponRanking& w, std::size_t column)
{
    switch (column) {
    case 0:
        return text(w.weapon);
    case 1:
        return number(w.kills);
    case 2:
        return number(w.teamKills);
    default:
        return number(w.players);
    }
}

RankingCell mapCell(const MapRanking& m, std::size_t column)
{
    switch (column) {
    case 0:
        return text(m.map);
    case 1:
        return number(m.started);
    case 2:
        return number(static_cast<double>(m.timePlayed), Kind::Seconds);
    case 3:
        return number(m.rounds);
    default:
        return number(m.players);
    }
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

RankingCell rankingCell(RankingTable table, const Rankings& rankings, std::size_t index, std::size_t column)
{
    if (table == PlayerTable)
        return playerCell(rankings.players[index], column);
    if (table == WeaponTable)
        return weaponCell(rankings.weapons[index], column);
    return mapCell(rankings.maps[index], column);
}

RankingRow rankingRow(RankingTable table, const Rankings& rankings, std::size_t index)
{
    const std::size_t columns = rankingColumns(table).size();
    RankingRow row;
    row.reserve(columns);
    for (std::size_t c = 0; c < columns; ++c)
        row.push_back(rankingCell(table, rankings, index, c));
    return row;
}

bool rankingCellBefore(const RankingCell& a, const RankingCell& b)
{
    if (a.isNumber())
        return a.number > b.number;
    return a.texts.front().first < b.texts.front().first;
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
