#pragma once

#include <cstdint>

namespace zelkam::receive {

// Lets through at most `perSecond` reports in each whole second of a
// caller's clock and counts the rest, so a flood of bad datagrams cannot
// flood the terminal. The caller says how many were held back when a new
// second lets it speak again.
class RateLimit {
public:
    explicit RateLimit(int perSecond) : perSecond_(perSecond) {}

    // True when a report at second `now` may be shown. heldBack is set to
    // the number of reports refused since the last one shown.
    bool allow(std::int64_t now, std::uint64_t& heldBack)
    {
        heldBack = 0;
        if (now != second_) {
            second_ = now;
            shownThisSecond_ = 0;
        }
        if (shownThisSecond_ >= perSecond_) {
            ++refused_;
            return false;
        }
        ++shownThisSecond_;
        heldBack = refused_;
        refused_ = 0;
        return true;
    }

    // Refused since the last report shown.
    std::uint64_t refused() const { return refused_; }

private:
    int perSecond_;
    std::int64_t second_ = -1;
    int shownThisSecond_ = 0;
    std::uint64_t refused_ = 0;
};

} // namespace zelkam::receive
