// zelkam-cli stats: rankings over a range of days, per player, weapon or map.

#include <algorithm>
#include <cmath>
#include <iostream>
#include <limits>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "cli/cli_commands.h"
#include "cli/cli_dates.h"
#include "cli/cli_json.h"
#include "cli/cli_warnings.h"
#include "parse/time_stamp.h"
#include "stats/rankings.h"
#include "text/text_out.h"
#include "text/text_encoding.h"

namespace zelkam::cli {
namespace {

// One cell of a row: a number, a log text, or a list of log texts (names),
// or weapon kills.
using Cell = std::variant<std::int64_t, double, std::string, std::vector<std::string>,
                          std::vector<std::pair<std::string, std::int32_t>>>;
struct Column {
    const char* key;
    Cell value;
};
using Row = std::vector<Column>;

std::vector<Row> playerRows(const std::vector<PlayerRanking>& players)
{
    std::vector<Row> rows;
    for (const PlayerRanking& p : players) {
        const double ratio = p.deaths > 0 ? static_cast<double>(p.kills) / p.deaths : p.kills;
        rows.push_back({{"player", p.name},
                        {"uniqueId", p.uniqueId},
                        {"names", p.names},
                        {"time", p.timeConnected},
                        {"sessions", p.sessions},
                        {"days", p.days},
                        {"frags", p.frags},
                        {"kills", p.kills},
                        {"teamKills", p.teamKills},
                        {"deaths", p.deaths},
                        {"suicides", p.suicides},
                        {"kd", std::round(ratio * 100) / 100},
                        {"bombsPlanted", p.bombsPlanted},
                        {"bombsDefused", p.bombsDefused},
                        {"hostagesRescued", p.hostagesRescued},
                        {"roundsWon", p.roundsWon},
                        {"chat", p.chat},
                        {"weapons", p.weaponKills}});
    }
    return rows;
}

std::vector<Row> weaponRows(const std::vector<WeaponRanking>& weapons)
{
    std::vector<Row> rows;
    for (const WeaponRanking& w : weapons)
        rows.push_back({{"weapon", w.weapon}, {"kills", w.kills}, {"teamKills", w.teamKills}, {"players", w.players}});
    return rows;
}

std::vector<Row> mapRows(const std::vector<MapRanking>& maps)
{
    std::vector<Row> rows;
    for (const MapRanking& m : maps)
        rows.push_back({{"map", m.map}, {"started", m.started}, {"time", m.timePlayed}, {"rounds", m.rounds},
                        {"players", m.players}});
    return rows;
}

const Cell* cellOf(const Row& row, std::string_view key)
{
    for (const Column& column : row) {
        if (key == column.key)
            return &column.value;
    }
    return nullptr;
}

// Numbers sort from the highest, texts from A; ties keep the first column's
// order, then the order met.
bool before(const Cell& a, const Cell& b)
{
    if (const auto* x = std::get_if<std::int64_t>(&a))
        return *x > std::get<std::int64_t>(b);
    if (const auto* x = std::get_if<double>(&a))
        return *x > std::get<double>(b);
    if (const auto* x = std::get_if<std::string>(&a))
        return *x < std::get<std::string>(b);
    return false;
}

// Writes one row as a JSON line or a CSV record; the header before the
// first CSV record. The only place stats output is formatted.
void printRow(const Row& row, bool csv, bool first)
{
    if (!csv) {
        Json json = Json::object();
        for (const Column& column : row) {
            std::visit(
                [&](const auto& value) {
                    using T = std::decay_t<decltype(value)>;
                    if constexpr (std::is_same_v<T, std::string>) {
                        json[column.key] = logTextToUtf8(value);
                    } else if constexpr (std::is_same_v<T, std::vector<std::string>>) {
                        Json list = Json::array();
                        for (const std::string& text : value)
                            list.push_back(logTextToUtf8(text));
                        json[column.key] = std::move(list);
                    } else if constexpr (std::is_same_v<T, std::vector<std::pair<std::string, std::int32_t>>>) {
                        Json kills = Json::object();
                        for (const auto& [weapon, count] : value)
                            kills[logTextToUtf8(weapon)] = count;
                        json[column.key] = std::move(kills);
                    } else {
                        json[column.key] = value;
                    }
                },
                column.value);
        }
        std::cout << jsonLine(json) << '\n';
        return;
    }
    std::string line;
    if (first) {
        for (const Column& column : row)
            line += std::string(line.empty() ? "" : ",") + column.key;
        line += "\r\n";
    }
    bool firstCell = true;
    for (const Column& column : row) {
        if (!firstCell)
            line += ',';
        firstCell = false;
        std::visit(
            [&](const auto& value) {
                using T = std::decay_t<decltype(value)>;
                if constexpr (std::is_same_v<T, std::string>) {
                    line += csvField(logTextToUtf8(value));
                } else if constexpr (std::is_same_v<T, std::vector<std::string>>) {
                    std::string joined;
                    for (const std::string& text : value)
                        joined += (joined.empty() ? "" : ";") + logTextToUtf8(text);
                    line += csvField(joined);
                } else if constexpr (std::is_same_v<T, std::vector<std::pair<std::string, std::int32_t>>>) {
                    std::string joined;
                    for (const auto& [weapon, count] : value)
                        joined += (joined.empty() ? "" : ";") + logTextToUtf8(weapon) + "=" + std::to_string(count);
                    line += csvField(joined);
                } else {
                    Json number = value;
                    line += number.dump();
                }
            },
            column.value);
    }
    line += "\r\n";
    std::cout << line;
}

// The local midnight of a DD/MM/YYYY date.
std::int32_t midnightOf(const std::string& date)
{
    // The log's own stamp layout, MM/DD/YYYY - HH:MM:SS.
    const std::string stamp = date.substr(3, 2) + "/" + date.substr(0, 2) + "/" + date.substr(6, 4) + " - 00:00:00";
    const std::int32_t t = parseTimeStamp(stamp);
    return t == -1 ? t : dayStartOf(t);
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
                if (!checkDateArgument(value))
                    return UsageError;
                // The calendar would carry 31/02 over into March.
                const std::int32_t midnight = midnightOf(value);
                if (midnight == -1 || formatDate(midnight) != value)
                    return usageError(quotedArgument(value) + " is not a date of the calendar");
                (arg == "--from" ? range.firstDay : range.lastDay) = midnight;
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

    // The columns a sort may name are the rows' numbers and texts.
    const std::string key = sortKey ? *sortKey : by == "map" ? "time" : by == "weapon" ? "kills" : "frags";
    {
        const Row sample = by == "player" ? playerRows({PlayerRanking{}})[0]
                           : by == "weapon" ? weaponRows({WeaponRanking{}})[0]
                                            : mapRows({MapRanking{}})[0];
        const Cell* cell = cellOf(sample, key);
        if (!cell || !(std::holds_alternative<std::int64_t>(*cell) || std::holds_alternative<double>(*cell) ||
                       std::holds_alternative<std::string>(*cell)))
            return usageError(quotedArgument(key) + " is not a column of --by " + by + " to sort by");
    }

    if (!checkLogFolder(*folderPath))
        return NothingToShow;
    FolderDays folder;
    if (!folder.scan(*folderPath) || folder.days.empty()) {
        complainNoLogs(*folderPath);
        return NothingToShow;
    }
    Rankings rankings;
    collectRankings(folder, range, nullptr, rankings);
    warnAboutFilesCutShort(folder.filesCutShort);

    std::vector<Row> rows;
    if (by == "player") {
        std::erase_if(rankings.players, [&](const PlayerRanking& p) { return p.kills < minKills; });
        rows = playerRows(rankings.players);
    } else if (by == "weapon") {
        std::erase_if(rankings.weapons, [&](const WeaponRanking& w) { return w.kills < minKills; });
        rows = weaponRows(rankings.weapons);
    } else {
        rows = mapRows(rankings.maps);
    }
    std::stable_sort(rows.begin(), rows.end(),
                     [&](const Row& a, const Row& b) { return before(*cellOf(a, key), *cellOf(b, key)); });
    if (rows.empty()) {
        complain("nothing to show: no " + by + " in those days");
        return NothingToShow;
    }
    for (std::size_t i = 0; i < rows.size(); ++i)
        printRow(rows[i], csv, i == 0);
    return Done;
}

} // namespace zelkam::cli
