#include "stats/ranking_table.h"

#include <gtest/gtest.h>

namespace zelkam {
namespace {

using Kind = RankingCellKind;

TEST(RankingTable, CellsWriteAsCsv)
{
    const struct {
        const char* what;
        RankingCell cell;
        std::string csv;
    } cases[] = {
        {"count", {Kind::Count, 12, {}}, "12"},
        {"time in seconds", {Kind::Seconds, 37 * 3600 + 5 * 60 + 2, {}}, "133502"},
        {"ratio", {Kind::Ratio, 0.08, {}}, "0.08"},
        {"whole ratio", {Kind::Ratio, 2, {}}, "2.0"},
        {"never killed, many kills: fixed as the JSON has it", {Kind::Ratio, 100000, {}}, "100000.0"},
        {"no unique id", {Kind::Text, 0, {{"", 0}}}, ""},
        {"formula name", {Kind::Text, 0, {{"=1+2", 0}}}, "'=1+2"},
        {"override in a name", {Kind::Text, 0, {{"\xE2\x80\xAE" "evil", 0}}}, "\\u{202E}evil"},
        {"Windows-1252 name", {Kind::Text, 0, {{"Jos\xE9", 0}}}, "Jos\xC3\xA9"},
        {"names", {Kind::Names, 0, {{"Ann", 0}, {"A,B", 0}}}, "\"Ann;A,B\""},
        {"weapons as met, by name", {Kind::Weapons, 0, {{"ak47", 2}, {"m4a1", 5}}}, "ak47=2;m4a1=5"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(rankingCsvRecord({c.cell}), c.csv + "\r\n") << c.what;
}

TEST(RankingTable, RowsFollowTheColumns)
{
    Rankings rankings;
    PlayerRanking never;
    never.kills = 7;
    rankings.players = {never, PlayerRanking{}};
    rankings.players[1].kills = 2;
    rankings.players[1].deaths = 3;
    rankings.weapons.push_back(WeaponRanking{"ak47", 3, 1, 2});
    rankings.maps.push_back(MapRanking{"de_dust", 1, 60, 2, 3});
    for (RankingTable table : {PlayerTable, WeaponTable, MapTable}) {
        const auto rows = rankingRows(table, rankings);
        ASSERT_FALSE(rows.empty());
        EXPECT_EQ(rows[0].size(), rankingColumns(table).size()) << table;
    }
    const int kd = rankingColumnIndex(PlayerTable, "kd");
    ASSERT_GE(kd, 0);
    EXPECT_EQ(rankingRows(PlayerTable, rankings)[0][kd].number, 7) << "kills when never killed";
    EXPECT_EQ(rankingRows(PlayerTable, rankings)[1][kd].number, 0.67) << "rounded to two decimals";
    EXPECT_EQ(rankingColumnIndex(MapTable, "kills"), -1);
    EXPECT_EQ(rankingCsvHeader(rankingColumns(WeaponTable)) + rankingCsvRecord(rankingRows(WeaponTable, rankings)[0]),
              "weapon,kills,teamKills,players\r\nak47,3,1,2\r\n");
    EXPECT_EQ(rankingCsvRecord(rankingRows(MapTable, rankings)[0]), "de_dust,1,60,2,3\r\n");
}

} // namespace
} // namespace zelkam
