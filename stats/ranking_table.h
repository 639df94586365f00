#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "stats/rankings.h"

namespace zelkam {

// The three rankings tables as rows of cells, and the one place where a
// cell becomes CSV. The Rankings window and zelkam-cli stats both build
// their rows here, so a key, the K/D rule and a number's written form have
// one answer.
enum RankingTable : int { PlayerTable = 0, WeaponTable = 1, MapTable = 2 };

struct RankingColumn {
    // The header the window shows, and the key of the CSV header and of
    // zelkam-cli's JSON.
    const char* title;
    const char* key;
    // Texts sort from A, numbers from the highest.
    bool isText = false;
};

// A number of a kind, or log texts as logged, undecoded (with a count each
// for weapon kills; a Text cell holds one).
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

// A table's columns in the window's order.
std::span<const RankingColumn> rankingColumns(RankingTable table);
// The index of the column with that key; -1 when the table has none.
int rankingColumnIndex(RankingTable table, std::string_view key);
// The column a table is sorted by (highest first) unless asked otherwise:
// frags, kills, time.
int rankingSortColumn(RankingTable table);
// A row per player, weapon or map, in the order rankings holds them; the
// cells in rankingColumns' order. K/D is kills per death, kills when never
// killed, rounded to two decimals.
std::vector<RankingRow> rankingRows(RankingTable table, const Rankings& rankings);
// The same one row at a time, for a reader of rankings too large to hold
// as cells (a day of a million players): how many rows, and row index.
std::size_t rankingRowCount(RankingTable table, const Rankings& rankings);
RankingRow rankingRow(RankingTable table, const Rankings& rankings, std::size_t index);
// Only the cell in column of row index: what a table is sorted by, without
// making the rest of a row (a renamer's names, a killer's weapons).
RankingCell rankingCell(RankingTable table, const Rankings& rankings, std::size_t index, std::size_t column);
// Whether cell a comes before cell b of the same column in a table sorted
// by it: numbers from the highest, texts from A (as logged). Ties keep the
// order the rows are met in.
bool rankingCellBefore(const RankingCell& a, const RankingCell& b);

// The CSV header line of these columns and one record of cells, each
// ending in CRLF: numbers plain (time in seconds, K/D in fixed notation
// with at least one decimal, as a JSON writer puts a double: "2.0",
// "100000.0"), lists joined with ';' (weapons as "ak47=37", by name), log
// texts decoded and guarded as every CSV field is.
std::string rankingCsvHeader(std::span<const RankingColumn> columns);
std::string rankingCsvRecord(const RankingRow& row);

} // namespace zelkam
