#include "app/ranking_display_text.h"

#include <algorithm>
#include <charconv>

#include "views/display_text.h"

namespace zelkam {
namespace {

using Kind = RankingCellKind;

std::string twoDigits(long long value)
{
    return (value < 10 ? "0" : "") + std::to_string(value);
}

} // namespace

std::string rankingDisplayText(const RankingCell& cell)
{
    switch (cell.kind) {
    case Kind::Count:
        return std::to_string(static_cast<long long>(cell.number));
    case Kind::Ratio: {
        char shown[32];
        const auto end = std::to_chars(shown, shown + sizeof shown, cell.number, std::chars_format::fixed, 2).ptr;
        return std::string(shown, end);
    }
    case Kind::Seconds: {
        const auto seconds = static_cast<long long>(cell.number);
        return std::to_string(seconds / 3600) + ':' + twoDigits(seconds / 60 % 60) + ':' + twoDigits(seconds % 60);
    }
    case Kind::Text:
    case Kind::Names:
    case Kind::Weapons:
        break;
    }
    auto texts = cell.texts;
    // The most used weapon first (the CSV keeps them by name).
    if (cell.kind == Kind::Weapons)
        std::stable_sort(texts.begin(), texts.end(), [](const auto& a, const auto& b) { return a.second > b.second; });
    std::string shown;
    for (const auto& [logText, count] : texts) {
        if (!shown.empty())
            shown += ", ";
        // An empty text (no unique id) shows nothing, not an empty isolate.
        if (!logText.empty())
            shown += isolatedDisplayText(logText);
        if (cell.kind == Kind::Weapons)
            shown += ' ' + std::to_string(count);
    }
    return shown;
}

} // namespace zelkam
