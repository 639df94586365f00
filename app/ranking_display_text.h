#pragma once

#include <string>

#include "stats/ranking_table.h"

namespace zelkam {

// What a rankings cell shows in the window, in UTF-8: numbers as numbers
// (time as H:MM:SS, a ratio with two decimals), each log text through the
// one display rule for text from the logs, so that no name can reorder or
// hide the cells beside it; weapons most used first.
std::string rankingDisplayText(const RankingCell& cell);

} // namespace zelkam
