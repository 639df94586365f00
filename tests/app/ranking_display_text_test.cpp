#include "app/ranking_display_text.h"

#include <gtest/gtest.h>

#include "views/display_text.h"

namespace zelkam {
namespace {

using Kind = RankingCellKind;

TEST(RankingDisplayText, CellsShowAsEveryLogTextDoes)
{
    const std::string evil = "\xE2\x80\xAE" "evil";  // a right-to-left override
    const struct {
        const char* what;
        RankingCell cell;
        std::string shown;
    } cases[] = {
        {"count", {Kind::Count, 12, {}}, "12"},
        {"time over a day", {Kind::Seconds, 37 * 3600 + 5 * 60 + 2, {}}, "37:05:02"},
        {"ratio", {Kind::Ratio, 0.08, {}}, "0.08"},
        {"whole ratio", {Kind::Ratio, 2, {}}, "2.00"},
        {"no unique id", {Kind::Text, 0, {{"", 0}}}, ""},
        {"formula name", {Kind::Text, 0, {{"=1+2", 0}}}, isolatedDisplayText("=1+2")},
        {"override in a name", {Kind::Text, 0, {{evil, 0}}}, isolatedDisplayText(evil)},
        {"names", {Kind::Names, 0, {{"Ann", 0}, {"A,B", 0}}},
         isolatedDisplayText("Ann") + ", " + isolatedDisplayText("A,B")},
        {"weapons: most used first", {Kind::Weapons, 0, {{"ak47", 2}, {"m4a1", 5}}},
         isolatedDisplayText("m4a1") + " 5, " + isolatedDisplayText("ak47") + " 2"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(rankingDisplayText(c.cell), c.shown) << c.what;
}

} // namespace
} // namespace zelkam
