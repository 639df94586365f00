#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "stats/rankings.h"

namespace zelkam {

// The Rankings window's three tables as rows of cells, and the one place
// where a cell becomes what the window shows or what its CSV holds.
enum RankingTable : int { PlayerTable = 0, WeaponTable = 1, MapTable = 2 };

struct RankingColumn {
    // The header the window shows, and the key the CSV header uses (the
    // same keys zelkam-cli stats writes).
    const char* title;
    const char* key;
    // Texts sort from A, numbers from the highest, on a first click.
    bool isText = false;
};

// A number of a kind, or log texts as logged (with a count each for
// weapon kills).
enum class RankingCellKind { Count, Seconds, Ratio, Text, Names, Weapons };
struct RankingCell {
    RankingCellKind kind = RankingCellKind::Count;
    double number = 0;
    std::vector<std::pair<std::string, std::int32_t>> texts;

    bool isNumber() const
    {
        return kind == RankingCellKind::Count || kind == RankingCellKind::Seconds || kind == RankingCellKind::Ratio;
    }
};
using RankingRow = std::vector<RankingCell>;

std::span<const RankingColumn> rankingColumns(RankingTable table);
// The column a table is sorted by (highest first) when it is filled.
int rankingSortColumn(RankingTable table);
// A row per player, weapon or map, in the order rankings holds them; the
// cells in rankingColumns' order.
std::vector<RankingRow> rankingRows(RankingTable table, const Rankings& rankings);

// What a cell shows, in UTF-8: numbers as numbers (time as H:MM:SS, a
// ratio with two decimals), each log text through the one display rule
// for text from the logs, so that no name can reorder or hide the cells
// beside it.
std::string rankingDisplayText(const RankingCell& cell);

// The CSV header line of a table and one record of cells, each ending in
// CRLF: numbers plain (time in seconds), lists joined with ';' (weapons as
// "ak47=37"), log texts decoded and guarded as every CSV field is.
std::string rankingCsvHeader(RankingTable table);
std::string rankingCsvRecord(const RankingRow& row);

} // namespace zelkam
