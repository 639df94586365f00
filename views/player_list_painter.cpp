#include "views/player_list_painter.h"

#include <algorithm>
#include <string>

#include "views/display_text.h"

namespace zelkam {

namespace {

constexpr Rgb White{255, 255, 255};
constexpr int NameX = 16;
constexpr int FragsX = 250;
constexpr int DeathsX = 300;
constexpr int ScoreX = 400;
// Kept clear at the band's right edge, inside the control's sunken border.
constexpr int ScoreRightMargin = 6;
// The "+N" of rows that do not fit, in the header band before the score.
constexpr int CutMarkX = 350;
constexpr int LabelY = 3;

// A player's name is log text: drawn as an isolated run, so that its
// bidirectional controls cannot reorder anything else. A name wider than its
// column is cut at a character and ends in an ellipsis, rather than running
// under the numbers beside it.
std::string nameOf(Canvas& canvas, const FontChoice& font, const PlayerEntry& entry, int room)
{
    const std::string_view bytes = entry.name != nullptr ? entry.name : "";
    std::string shown = isolatedDisplayText(bytes);
    if (canvas.textWidth(font, shown) <= room)
        return shown;
    for (std::size_t length = bytes.size(); length > 0;) {
        --length;
        while (length > 0 && (static_cast<unsigned char>(bytes[length]) & 0xC0) == 0x80)
            --length;
        shown = isolatedDisplayText(bytes.substr(0, length)) + "\xE2\x80\xA6";
        if (canvas.textWidth(font, shown) <= room)
            return shown;
    }
    return shown;
}

// The sort key behind the row order: a row comes before another when
// 256 * (other.frags - frags) + (deaths - other.deaths) is negative, which is
// the same as a larger 256 * frags - deaths. Kept 64-bit so that no frag
// count can overflow it, and a key (not a pairwise difference) so that the
// order stays consistent for std::stable_sort whatever the death counts.
std::int64_t rowKey(const PlayerEntry* entry)
{
    return 256 * static_cast<std::int64_t>(entry->frags) - entry->deaths;
}

// score is null for the Spectators band, which shows none. shift moves what
// stands right of the label with the band's right edge.
void drawHeader(Canvas& canvas, Rgb band, int width, int shift, int top, const char* label,
                const std::int32_t* score)
{
    canvas.fillRect(0, top, width, top + PlayerListPainter::HeaderHeight, band);
    canvas.setBackgroundMode(BackgroundMode::Transparent);
    canvas.drawText(NameX, top + LabelY, label);
    if (score != nullptr) {
        std::string text = "(";
        formatNumber(text, *score);
        text += " wins)";
        // Where the design puts it while it fits; a wider score ("(12 wins)"
        // in a wide face) ends at the band's right edge instead of past it.
        const int fits = width - ScoreRightMargin - canvas.textWidth(PlayerListLargeFont, text);
        canvas.drawText(std::min(ScoreX + shift, fits), top + LabelY, text);
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

struct LifeLabel {
    const char* text = nullptr;
    Rgb box;
    int fromRight = 0;
};

LifeLabel lifeLabelOf(const PlayerEntry& entry)
{
    if (entry.lifeState == LifeState::Dead)
        return {"DEAD", DeadLabelColor, 60};
    if (entry.lifeState == LifeState::Unknown)
        return {"Unknown", UnknownLabelColor, 70};
    return {};
}

// The rows of one team, whole rows only. Squeezed rows are closer than the
// font is tall, so a row's cell reaches into the next one: every label box
// goes down first and every text after, transparent, so that no box of a
// lower row covers the descenders and underscores of the row above it.
void drawTeamRows(Canvas& canvas, const PlayerListLayout& layout, const FontChoice& font, int width, int shift,
                  int top, const PlayerEntry* const* rows, std::size_t shown)
{
    const int fragsX = FragsX + shift;
    const int boxHeight = std::min(layout.rowHeight, layout.cellHeight);
    for (std::size_t i = 0; i < shown; ++i) {
        const LifeLabel label = lifeLabelOf(*rows[i]);
        if (label.text == nullptr)
            continue;
        const int x = width - label.fromRight;
        const int y = top + static_cast<int>(i) * layout.rowHeight;
        canvas.fillRect(x, y, x + canvas.textWidth(font, label.text), y + boxHeight, label.box);
    }
    canvas.setBackgroundMode(BackgroundMode::Transparent);
    const int nameRoom = fragsX - (3 * layout.digitWidth) / 2 - 2 - NameX;
    for (std::size_t i = 0; i < shown; ++i) {
        const PlayerEntry& entry = *rows[i];
        const int y = top + static_cast<int>(i) * layout.rowHeight;
        canvas.drawText(NameX, y, nameOf(canvas, font, entry, nameRoom));
        drawNumber(canvas, fragsX, y, layout.digitWidth, entry.frags);
        drawNumber(canvas, DeathsX + shift, y, layout.digitWidth, entry.deaths);
        const LifeLabel label = lifeLabelOf(entry);
        if (label.text != nullptr)
            canvas.drawText(width - label.fromRight, y, label.text);
    }
}

} // namespace

const char* teamBandName(std::int32_t team)
{
    switch (team) {
    case Team::Terrorist:
        return "Terrorists";
    case Team::CounterTerrorist:
        return "Counter-Terrorists";
    default:
        return "Spectators";
    }
}

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

namespace {

// The rows of a team whose whole cell fits between its band's top and limit.
int fittingRows(int top, int limit, int pitch, int cell)
{
    const int room = limit - top - PlayerListPainter::FirstRowOffset - cell;
    return room < 0 ? 0 : room / pitch + 1;
}

struct Bands {
    int terroristTop = 0;
    int counterTerroristTop = 0;
    int terroristsShown = 0;
    int counterTerroristsShown = 0;
};

Bands bandsFor(int spectators, int terrorists, int counterTerrorists, int pitch, int cell, int height)
{
    Bands bands;
    bands.terroristTop = spectators * pitch + (spectators > 0 ? 34 : 0);
    // The teams share what is left by need: halves, as the design draws
    // them, while both fit there; otherwise the Counter-Terrorists' header
    // moves so that the team needing more gets what the other leaves, and a
    // row is hidden only when the two together cannot fit.
    const auto need = [&](int rows) {
        return rows == 0 ? PlayerListPainter::HeaderHeight : PlayerListPainter::FirstRowOffset + (rows - 1) * pitch + cell;
    };
    const int half = (height + bands.terroristTop) / 2;
    const int lowest = bands.terroristTop + need(terrorists);
    const int highest = height - need(counterTerrorists);
    if (lowest <= highest)
        bands.counterTerroristTop = std::clamp(half, lowest, highest);
    else
        bands.counterTerroristTop = lowest < half ? lowest : (highest > half ? highest : half);
    bands.terroristsShown = std::min(terrorists, fittingRows(bands.terroristTop, bands.counterTerroristTop, pitch, cell));
    bands.counterTerroristsShown =
        std::min(counterTerrorists, fittingRows(bands.counterTerroristTop, height, pitch, cell));
    return bands;
}

} // namespace

PlayerListLayout PlayerListPainter::layout(int height) const
{
    PlayerListLayout result;
    const int spectators = static_cast<int>(spectatorCount_);
    const int terrorists = static_cast<int>(terroristCount_);
    const int counterTerrorists = static_cast<int>(counterTerroristCount_);
    result.threshold = spectators == 0 ? 7 : 6 - spectators;
    result.crowded = terrorists > result.threshold || counterTerrorists > result.threshold;
    result.veryCrowded = terrorists > result.threshold + 4 || counterTerrorists > result.threshold + 4;
    result.digitWidth = result.crowded ? 6 : 8;
    result.cellHeight = (result.crowded ? PlayerListSmallFont : PlayerListLargeFont).cellHeight;
    const int designPitch = 16 - 4 * int(result.crowded) - 2 * int(result.veryCrowded);

    // A taller list first opens the squeezed rows up to the font's height,
    // keeping every row the design size shows; the room left shows more.
    // Until the rows have their full height, the list shows the rows the
    // design size shows, no more: a list a little taller shows the same rows
    // a little wider apart.
    int pitch = designPitch;
    Bands bands = bandsFor(spectators, terrorists, counterTerrorists, pitch, result.cellHeight, height);
    const int full = std::max(designPitch, result.cellHeight);
    if (height > DesignHeight && full > designPitch) {
        const Bands design =
            bandsFor(spectators, terrorists, counterTerrorists, designPitch, result.cellHeight, DesignHeight);
        for (pitch = full; pitch > designPitch; --pitch) {
            bands = bandsFor(spectators, terrorists, counterTerrorists, pitch, result.cellHeight, height);
            if (bands.terroristsShown >= design.terroristsShown &&
                bands.counterTerroristsShown >= design.counterTerroristsShown)
                break;
        }
        if (pitch < full) {
            bands = bandsFor(spectators, terrorists, counterTerrorists, pitch, result.cellHeight, height);
            bands.terroristsShown = std::min(bands.terroristsShown, design.terroristsShown);
            bands.counterTerroristsShown = std::min(bands.counterTerroristsShown, design.counterTerroristsShown);
        }
    }
    result.rowHeight = pitch;
    result.terroristTop = bands.terroristTop;
    result.counterTerroristTop = bands.counterTerroristTop;
    result.terroristsCut = terrorists - bands.terroristsShown;
    result.counterTerroristsCut = counterTerrorists - bands.counterTerroristsShown;
    result.spectatorsCut = spectators - std::min(spectators, fittingRows(0, height, pitch, result.cellHeight));
    return result;
}

std::array<PlayerListPainter::Shown, 3> PlayerListPainter::shownBlocks(const PlayerListLayout& layout) const
{
    const auto shown = [](std::size_t count, int cut) { return count - static_cast<std::size_t>(cut); };
    std::array<Shown, 3> blocks = {{
        {&spectators_, spectatorCount_, shown(spectatorCount_, layout.spectatorsCut), 0, 0},
        {&terrorists_, terroristCount_, shown(terroristCount_, layout.terroristsCut), 0, layout.terroristTop},
        {&counterTerrorists_, counterTerroristCount_, shown(counterTerroristCount_, layout.counterTerroristsCut),
         0, layout.counterTerroristTop},
    }};
    // A block that shrank since it was scrolled shows its last rows.
    for (std::size_t b = 0; b < blocks.size(); ++b)
        blocks[b].first = std::min(scroll_[b], blocks[b].count - blocks[b].shown);
    return blocks;
}

bool PlayerListPainter::placeRow(std::size_t row, const PlayerListLayout& layout, const PlayerEntry*& entry,
                                 int& top) const
{
    for (const Shown& block : shownBlocks(layout)) {
        if (row < block.shown) {
            entry = (*block.block)[block.first + row];
            top = block.top + FirstRowOffset + static_cast<int>(row) * layout.rowHeight;
            return true;
        }
        row -= block.shown;
    }
    return false;
}

bool PlayerListPainter::scrollAt(std::size_t row, int step, int height)
{
    const std::array<Shown, 3> blocks = shownBlocks(layout(height));
    for (std::size_t b = 0; b < blocks.size(); ++b) {
        const Shown& block = blocks[b];
        if (row >= block.shown) {
            row -= block.shown;
            continue;
        }
        if (step > 0 && row + 1 == block.shown && block.first + block.shown < block.count) {
            scroll_[b] = block.first + 1;
            return true;
        }
        if (step < 0 && row == 0 && block.first > 0) {
            scroll_[b] = block.first - 1;
            return true;
        }
        return false;
    }
    return false;
}

std::size_t PlayerListPainter::visibleRowCount(int height) const
{
    const PlayerListLayout layout = this->layout(height);
    return spectatorCount_ - static_cast<std::size_t>(layout.spectatorsCut) + terroristCount_ -
           static_cast<std::size_t>(layout.terroristsCut) +
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
    const int shift = std::max(0, width - DesignWidth);

    canvas.setTextColor(White);
    canvas.selectFont(PlayerListLargeFont);

    if (spectatorCount_ > 0) {
        drawHeader(canvas, SpectatorBandColor, width, shift, 0, teamBandName(Team::None), nullptr);
        if (layout.spectatorsCut > 0) {
            std::string more = "+";
            formatNumber(more, layout.spectatorsCut);
            canvas.drawText(CutMarkX + shift, LabelY, more);
        }
        canvas.selectFont(rowFont);
        int y = FirstRowOffset;
        const Shown spectators = shownBlocks(layout)[0];
        for (std::size_t i = 0; i < spectators.shown; ++i) {
            canvas.drawText(NameX, y, nameOf(canvas, rowFont, *spectators_[spectators.first + i], width - 2 * NameX));
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
        std::size_t first;
    } teams[] = {
        {TerroristBandColor, layout.terroristTop, teamBandName(Team::Terrorist), tScore_, terrorists_, terroristCount_,
         layout.terroristsCut, shownBlocks(layout)[1].first},
        {CounterTerroristBandColor, layout.counterTerroristTop, teamBandName(Team::CounterTerrorist), ctScore_, counterTerrorists_,
         counterTerroristCount_, layout.counterTerroristsCut, shownBlocks(layout)[2].first},
    };
    for (const auto& team : teams) {
        canvas.selectFont(PlayerListLargeFont);
        drawHeader(canvas, team.band, width, shift, team.top, team.label, &team.score);
        if (team.cut > 0) {
            std::string more = "+";
            formatNumber(more, team.cut);
            canvas.drawText(CutMarkX + shift, team.top + LabelY, more);
        }
        canvas.selectFont(rowFont);
        drawTeamRows(canvas, layout, rowFont, width, shift, team.top + FirstRowOffset, team.block.data() + team.first,
                     team.count - static_cast<std::size_t>(team.cut));
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
