#pragma once

// What the player list shows and how it is laid out: the players of the
// published view split into Spectators, Terrorists and Counter-Terrorists,
// the two team scores, and the paint that draws them on a canvas. The
// control widget only forwards its size and a canvas here.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

#include "parse/log_event.h"
#include "views/canvas.h"

namespace zelkam {

inline constexpr Rgb TerroristBandColor{255, 64, 0};
inline constexpr Rgb CounterTerroristBandColor{0, 128, 255};
inline constexpr Rgb SpectatorBandColor{64, 64, 64};
inline constexpr Rgb DeadLabelColor{160, 32, 0};
inline constexpr Rgb UnknownLabelColor{128, 128, 128};
inline constexpr FontChoice PlayerListLargeFont{"Arial", 16, false};
inline constexpr FontChoice PlayerListSmallFont{"Arial", 12, false};

// Appends value to text: "-" for a negative value, then at most three
// digits of the magnitude without leading zeros (1234 reads "234"), "0" for
// zero.
void formatNumber(std::string& text, std::int32_t value);

// The name of the list's band for a team: "Terrorists",
// "Counter-Terrorists", or "Spectators" for any other code. Every window
// that names a team names it so.
const char* teamBandName(std::int32_t team);

// Where the paint puts things; recomputed for every paint from the three
// block counts and the control's outer height.
struct PlayerListLayout {
    int threshold = 7;
    bool crowded = false;
    bool veryCrowded = false;
    // The distance from one row to the next: the crowding's pitch in a list
    // of the window's design height, growing toward the row font's full
    // height as the list grows, as long as no row is lost by it.
    int rowHeight = 16;
    // The row font's cell: a row is shown only when its whole cell fits in
    // its team's band.
    int cellHeight = 16;
    int digitWidth = 8;
    int terroristTop = 0;
    int counterTerroristTop = 0;
    // Rows of each team that do not fit above the next header (Terrorists)
    // or the control's bottom (Counter-Terrorists); the team's header band
    // shows "+N" for them rather than losing them silently.
    int terroristsCut = 0;
    int counterTerroristsCut = 0;
    // Spectator rows past the control's bottom, counted the same way.
    int spectatorsCut = 0;
};

class PlayerListPainter {
public:
    // Players per block; further players of a full block are not shown.
    static constexpr std::size_t BlockCapacity = 32;
    static constexpr int HeaderHeight = 24;
    static constexpr int FirstRowOffset = 28;
    // The list's outer size in the window's design size. A wider list gives
    // the room to the names: everything right of them keeps its distance to
    // the right edge. A taller one gives it to the rows.
    static constexpr int DesignWidth = 468;
    static constexpr int DesignHeight = 332;

    // Empties the three blocks; the scores stay.
    void clear();
    // Files the entry by team: 0 Terrorists, 1 Counter-Terrorists, any other
    // code Spectators. The pointer is kept, not the record: it must outlive
    // the next paint (the published view does, until the next refill).
    // False when the block is full and the entry was ignored.
    bool add(const PlayerEntry* entry);
    void setScores(std::int32_t ctScore, std::int32_t tScore);
    // Orders both teams by frags, most first, then by deaths, fewest first.
    // Spectators keep the order they were added in.
    void sortTeams();

    PlayerListLayout layout(int height) const;
    // Draws everything but the black background, which the widget clears.
    // width and height are the control's outer size, border included.
    void paint(Canvas& canvas, int width, int height) const;

    // The rows the keyboard walks, in the order they are drawn from the top:
    // spectators, Terrorists, Counter-Terrorists, leaving out the rows a
    // team's "+N" counts. height is the control's outer height, as for paint.
    static constexpr std::size_t NoRow = static_cast<std::size_t>(-1);
    std::size_t visibleRowCount(int height) const;
    // Null for a row past the last.
    const PlayerEntry* visibleRow(std::size_t row, int height) const;
    // The visible row drawn at y (client coordinates), NoRow over a header
    // band or empty space.
    std::size_t rowAt(int y, int height) const;
    // The row the keyboard stands on, framed by the paint as a list frames
    // its focused item; NoRow (the default) draws no frame, so a list the
    // keyboard never entered looks as it always has.
    void setFocusRow(std::size_t row) { focusRow_ = row; }
    // The rows a band's "+N" counts are reached by scrolling its block: when
    // row is the block's last row shown and rows lie hidden below it (step
    // 1), or its first shown with rows hidden above (step -1), the block
    // moves by one row and true is returned; the same visible row then
    // holds the next player. False, with nothing changed, otherwise.
    bool scrollAt(std::size_t row, int step, int height);
    std::size_t focusRow() const { return focusRow_; }

    std::size_t terroristCount() const { return terroristCount_; }
    std::size_t counterTerroristCount() const { return counterTerroristCount_; }
    std::size_t spectatorCount() const { return spectatorCount_; }
    const PlayerEntry* terrorist(std::size_t i) const { return terrorists_[i]; }
    const PlayerEntry* counterTerrorist(std::size_t i) const { return counterTerrorists_[i]; }
    const PlayerEntry* spectator(std::size_t i) const { return spectators_[i]; }

private:
    using Block = std::array<const PlayerEntry*, BlockCapacity>;

    // Where visible row row is drawn: its entry and the top of its line.
    // False past the last visible row.
    bool placeRow(std::size_t row, const PlayerListLayout& layout, const PlayerEntry*& entry, int& top) const;

    // How far each block (spectators, Terrorists, Counter-Terrorists) is
    // scrolled: the index of its first row shown, kept across refills.
    struct Shown {
        const Block* block;
        std::size_t count;
        std::size_t shown;
        std::size_t first;
        int top;
    };
    std::array<Shown, 3> shownBlocks(const PlayerListLayout& layout) const;
    std::array<std::size_t, 3> scroll_{};

    std::size_t focusRow_ = NoRow;
    std::int32_t ctScore_ = 0;
    std::int32_t tScore_ = 0;
    Block terrorists_{};
    Block counterTerrorists_{};
    Block spectators_{};
    std::size_t terroristCount_ = 0;
    std::size_t counterTerroristCount_ = 0;
    std::size_t spectatorCount_ = 0;
};

} // namespace zelkam
