#include "views/player_list_painter.h"

#include <algorithm>
#include <string>

#include "views/display_text.h"

namespace zelkam {

namespace {

constexpr Rgb White{255, 255, 255};
constexpr Rgb Black{0, 0, 0};
constexpr int NameX = 16;
constexpr int FragsX = 250;
constexpr int DeathsX = 300;
constexpr int ScoreX = 400;
// The "+N" of rows that do not fit, in the header band before the score.
constexpr int CutMarkX = 350;
constexpr int LabelY = 3;

// A player's name is log text: drawn as an isolated run, so that its
// bidirectional controls cannot reorder anything else.
std::string nameOf(const PlayerEntry& entry) { return isolatedDisplayText(entry.name); }

// The sort key behind the row order: a row comes before another when
// 256 * (other.frags - frags) + (deaths - other.deaths) is negative, which is
// the same as a larger 256 * frags - deaths. Kept 64-bit so that no frag
// count can overflow it, and a key (not a pairwise difference) so that the
// order stays consistent for std::stable_sort whatever the death counts.
std::int64_t rowKey(const PlayerEntry* entry)
{
    return 256 * static_cast<std::int64_t>(entry->frags) - entry->deaths;
}

// score is null for the Spectators band, which shows none.
void drawHeader(Canvas& canvas, Rgb band, int width, int top, const char* label, const std::int32_t* score)
{
    canvas.fillRect(0, top, width, top + PlayerListPainter::HeaderHeight, band);
    canvas.setBackgroundMode(BackgroundMode::Transparent);
    canvas.drawText(NameX, top + LabelY, label);
    if (score != nullptr) {
        std::string text = "(";
        formatNumber(text, *score);
        text += " wins)";
        canvas.drawText(ScoreX, top + LabelY, text);
    }
}

// A number centred on its first digit's place: one digit stands at x, each
// further character moves it half a digit to the left.
void drawNumber(Canvas& canvas, int x, int y, int digitWidth, std::int32_t value)
{
    std::string text;
    formatNumber(text, value);
    const int n = static_cast<int>(text.size());
    canvas.drawText(x + ((1 - n) * digitWidth) / 2, y, text);
}

void drawTeamRow(Canvas& canvas, const PlayerListLayout& layout, int width, int y, const PlayerEntry& entry)
{
    canvas.setBackgroundColor(Black);
    canvas.drawText(NameX, y, nameOf(entry));
    drawNumber(canvas, FragsX, y, layout.digitWidth, entry.frags);
    drawNumber(canvas, DeathsX, y, layout.digitWidth, entry.deaths);
    if (entry.lifeState == LifeState::Dead) {
        canvas.setBackgroundColor(DeadLabelColor);
        canvas.drawText(width - 60, y, "DEAD");
    } else if (entry.lifeState == LifeState::Unknown) {
        canvas.setBackgroundColor(UnknownLabelColor);
        canvas.drawText(width - 70, y, "Unknown");
    }
}

} // namespace

void formatNumber(std::string& text, std::int32_t value)
{
    // Widened first: the magnitude of INT32_MIN does not fit 32 bits.
    std::int64_t magnitude = value;
    if (magnitude < 0) {
        text += '-';
        magnitude = -magnitude;
    }
    const int hundreds = static_cast<int>(magnitude / 100 % 10);
    const int tens = static_cast<int>(magnitude / 10 % 10);
    if (hundreds != 0)
        text += static_cast<char>('0' + hundreds);
    if (hundreds != 0 || tens != 0)
        text += static_cast<char>('0' + tens);
    text += static_cast<char>('0' + magnitude % 10);
}

void PlayerListPainter::clear()
{
    terroristCount_ = 0;
    counterTerroristCount_ = 0;
    spectatorCount_ = 0;
}

bool PlayerListPainter::add(const PlayerEntry* entry)
{
    Block* block = &spectators_;
    std::size_t* count = &spectatorCount_;
    if (entry->team == Team::Terrorist) {
        block = &terrorists_;
        count = &terroristCount_;
    } else if (entry->team == Team::CounterTerrorist) {
        block = &counterTerrorists_;
        count = &counterTerroristCount_;
    }
    if (*count == BlockCapacity)
        return false;
    (*block)[(*count)++] = entry;
    return true;
}

void PlayerListPainter::setScores(std::int32_t ctScore, std::int32_t tScore)
{
    ctScore_ = ctScore;
    tScore_ = tScore;
}

void PlayerListPainter::sortTeams()
{
    const auto byRow = [](const PlayerEntry* a, const PlayerEntry* b) { return rowKey(a) > rowKey(b); };
    std::stable_sort(terrorists_.begin(), terrorists_.begin() + static_cast<std::ptrdiff_t>(terroristCount_), byRow);
    std::stable_sort(counterTerrorists_.begin(),
                     counterTerrorists_.begin() + static_cast<std::ptrdiff_t>(counterTerroristCount_), byRow);
}

PlayerListLayout PlayerListPainter::layout(int height) const
{
    PlayerListLayout result;
    const int spectators = static_cast<int>(spectatorCount_);
    const int terrorists = static_cast<int>(terroristCount_);
    const int counterTerrorists = static_cast<int>(counterTerroristCount_);
    result.threshold = spectators == 0 ? 7 : 6 - spectators;
    result.crowded = terrorists > result.threshold || counterTerrorists > result.threshold;
    result.veryCrowded = terrorists > result.threshold + 4 || counterTerrorists > result.threshold + 4;
    result.rowHeight = 16 - 4 * int(result.crowded) - 2 * int(result.veryCrowded);
    result.digitWidth = result.crowded ? 6 : 8;
    result.terroristTop = spectators * result.rowHeight + (spectators > 0 ? 34 : 0);
    result.counterTerroristTop = (height + result.terroristTop) / 2;
    const auto cut = [&](int count, int top, int limit) {
        const int fitting = std::max(0, (limit - top - FirstRowOffset) / result.rowHeight);
        return std::max(0, count - fitting);
    };
    result.terroristsCut = cut(terrorists, result.terroristTop, result.counterTerroristTop);
    result.counterTerroristsCut = cut(counterTerrorists, result.counterTerroristTop, height);
    return result;
}

bool PlayerListPainter::placeRow(std::size_t row, const PlayerListLayout& layout, const PlayerEntry*& entry,
                                 int& top) const
{
    const struct {
        const Block& block;
        std::size_t shown;
        int top;
    } blocks[] = {
        {spectators_, spectatorCount_, 0},
        {terrorists_, terroristCount_ - static_cast<std::size_t>(layout.terroristsCut), layout.terroristTop},
        {counterTerrorists_, counterTerroristCount_ - static_cast<std::size_t>(layout.counterTerroristsCut),
         layout.counterTerroristTop},
    };
    for (const auto& block : blocks) {
        if (row < block.shown) {
            entry = block.block[row];
            top = block.top + FirstRowOffset + static_cast<int>(row) * layout.rowHeight;
            return true;
        }
        row -= block.shown;
    }
    return false;
}

std::size_t PlayerListPainter::visibleRowCount(int height) const
{
    const PlayerListLayout layout = this->layout(height);
    return spectatorCount_ + terroristCount_ - static_cast<std::size_t>(layout.terroristsCut) +
           counterTerroristCount_ - static_cast<std::size_t>(layout.counterTerroristsCut);
}

const PlayerEntry* PlayerListPainter::visibleRow(std::size_t row, int height) const
{
    const PlayerEntry* entry = nullptr;
    int top = 0;
    return placeRow(row, layout(height), entry, top) ? entry : nullptr;
}

std::size_t PlayerListPainter::rowAt(int y, int height) const
{
    const PlayerListLayout layout = this->layout(height);
    const PlayerEntry* entry = nullptr;
    int top = 0;
    for (std::size_t row = 0; placeRow(row, layout, entry, top); ++row) {
        if (y >= top && y < top + layout.rowHeight)
            return row;
    }
    return NoRow;
}

void PlayerListPainter::paint(Canvas& canvas, int width, int height) const
{
    const PlayerListLayout layout = this->layout(height);
    const FontChoice& rowFont = layout.crowded ? PlayerListSmallFont : PlayerListLargeFont;

    canvas.setTextColor(White);
    canvas.selectFont(PlayerListLargeFont);

    if (spectatorCount_ > 0) {
        drawHeader(canvas, SpectatorBandColor, width, 0, "Spectators", nullptr);
        canvas.selectFont(rowFont);
        canvas.setBackgroundColor(Black);
        int y = FirstRowOffset;
        for (std::size_t i = 0; i < spectatorCount_; ++i) {
            canvas.drawText(NameX, y, nameOf(*spectators_[i]));
            y += layout.rowHeight;
        }
    }

    const struct {
        Rgb band;
        int top;
        const char* label;
        std::int32_t score;
        const Block& block;
        std::size_t count;
        int cut;
    } teams[] = {
        {TerroristBandColor, layout.terroristTop, "Terrorists", tScore_, terrorists_, terroristCount_,
         layout.terroristsCut},
        {CounterTerroristBandColor, layout.counterTerroristTop, "Counter-Terrorists", ctScore_, counterTerrorists_,
         counterTerroristCount_, layout.counterTerroristsCut},
    };
    for (const auto& team : teams) {
        canvas.selectFont(PlayerListLargeFont);
        drawHeader(canvas, team.band, width, team.top, team.label, &team.score);
        if (team.cut > 0) {
            std::string more = "+";
            formatNumber(more, team.cut);
            canvas.drawText(CutMarkX, team.top + LabelY, more);
        }
        canvas.setBackgroundMode(BackgroundMode::Opaque);
        canvas.selectFont(rowFont);
        int y = team.top + FirstRowOffset;
        for (std::size_t i = 0; i < team.count; ++i) {
            drawTeamRow(canvas, layout, width, y, *team.block[i]);
            y += layout.rowHeight;
        }
    }

    const PlayerEntry* focused = nullptr;
    int top = 0;
    if (focusRow_ != NoRow && placeRow(focusRow_, layout, focused, top)) {
        // A one-pixel frame around the row, inside the sunken border.
        const int left = 4;
        const int right = width - 6;
        const int bottom = top + layout.rowHeight;
        canvas.fillRect(left, top, right, top + 1, White);
        canvas.fillRect(left, bottom - 1, right, bottom, White);
        canvas.fillRect(left, top, left + 1, bottom, White);
        canvas.fillRect(right - 1, top, right, bottom, White);
    }
}

} // namespace zelkam
