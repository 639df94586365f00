#pragma once

#include <algorithm>
#include <cstddef>

#include <QString>

namespace zelkam {

// How many rows a result list of the viewer makes at most (Find All's hits,
// the player record's lists, the Admin Log's, each Rankings table): a
// flooded day, a stranger's million lines, would otherwise make a row
// object for each, gigabytes of them from a few small archives, in a list
// no one reads to its end. Past it the rows are counted, not made, and the
// window says how many it left out; zelkam-cli lists every one.
// ZELKAM_MOST_ROWS raises (or lowers) it.
inline constexpr std::size_t DefaultMostRowsShown = 100000;
std::size_t mostRowsShown();

// Counts a list's rows against mostRowsShown, read when the list begins.
class ShownRows {
public:
    ShownRows() : most_(mostRowsShown()) {}

    // Whether one more row may be made; when not, it is counted as left out.
    bool take() { return takeSome(1) == 1; }
    // Of count rows more, how many may be made (the first ones); the rest
    // are counted as left out.
    std::size_t takeSome(std::size_t count)
    {
        const std::size_t taken = std::min(count, most_ - std::min(most_, shown_));
        shown_ += taken;
        leftOut_ += count - taken;
        return taken;
    }
    // Rows known to be left out without being offered (counted elsewhere).
    void leaveOut(std::size_t count) { leftOut_ += count; }
    std::size_t shown() const { return shown_; }
    std::size_t leftOut() const { return leftOut_; }
    // What the window says of the rows left out: "" when none was;
    // otherwise "; the first N are shown (zelkam-cli COMMAND lists every
    // one)".
    QString leftOutText(const char* command) const;

private:
    std::size_t most_;
    std::size_t shown_ = 0;
    std::size_t leftOut_ = 0;
};

} // namespace zelkam
