#include "app/rankings_table.h"

#include <gtest/gtest.h>

#include "views/display_text.h"

namespace zelkam {
namespace {

using Kind = RankingCellKind;

TEST(RankingsTable, CellsShowAndWriteAsTheCommandLineDoes)
{
    const std::string evil = "\xE2\x80\xAE" "evil";  // a right-to-left override
    const struct {
        const char* what;
        RankingCell cell;
        std::string shown;
        std::string csv;
    } cases[] = {
        {"count", {Kind::Count, 12, {}}, "12", "12"},
        {"time over a day", {Kind::Seconds, 37 * 3600 + 5 * 60 + 2, {}}, "37:05:02", "133502"},
        {"ratio", {Kind::Ratio, 0.08, {}}, "0.08", "0.08"},
        {"whole ratio", {Kind::Ratio, 2, {}}, "2.00", "2.0"},
        {"no unique id", {Kind::Text, 0, {{"", 0}}}, "", ""},
        {"formula name", {Kind::Text, 0, {{"=1+2", 0}}}, isolatedDisplayText("=1+2"), "'=1+2"},
        {"override in a name", {Kind::Text, 0, {{evil, 0}}}, isolatedDisplayText(evil), "\\u{202E}evil"},
        {"names", {Kind::Names, 0, {{"Ann", 0}, {"A,B", 0}}},
         isolatedDisplayText("Ann") + ", " + isolatedDisplayText("A,B"), "\"Ann;A,B\""},
        {"weapons: most used first on screen, by name in the CSV",
         {Kind::Weapons, 0, {{"ak47", 2}, {"m4a1", 5}}},
         isolatedDisplayText("m4a1") + " 5, " + isolatedDisplayText("ak47") + " 2", "ak47=2;m4a1=5"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(rankingDisplayText(c.cell), c.shown) << c.what;
        EXPECT_EQ(rankingCsvRecord({c.cell}), c.csv + "\r\n") << c.what;
    }
}

TEST(RankingsTable, RowsFollowTheColumns)
{
    Rankings rankings;
    rankings.players.push_back(PlayerRanking{});
    rankings.weapons.push_back(WeaponRanking{"ak47", 3, 1, 2});
    rankings.maps.push_back(MapRanking{"de_dust", 1, 60, 2, 3});
    for (RankingTable table : {PlayerTable, WeaponTable, MapTable}) {
        const auto rows = rankingRows(table, rankings);
        ASSERT_EQ(rows.size(), 1u);
        EXPECT_EQ(rows[0].size(), rankingColumns(table).size()) << table;
    }
    EXPECT_EQ(rankingCsvHeader(WeaponTable) + rankingCsvRecord(rankingRows(WeaponTable, rankings)[0]),
              "weapon,kills,teamKills,players\r\nak47,3,1,2\r\n");
    EXPECT_EQ(rankingCsvRecord(rankingRows(MapTable, rankings)[0]), "de_dust,1,60,2,3\r\n");
}

} // namespace
} // namespace zelkam
