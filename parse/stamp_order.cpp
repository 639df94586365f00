#include "parse/stamp_order.h"

#include <algorithm>
#include <utility>

namespace zelkam {
namespace {

// -1: at least the gap behind the anchor, 1: at least the gap ahead, 0:
// within it.
int sideOf(std::int32_t time, std::int32_t anchor)
{
    const std::int64_t gap = std::int64_t{time} - anchor;
    if (gap >= StrayStampGap)
        return 1;
    if (gap <= -StrayStampGap)
        return -1;
    return 0;
}

// Where the stray run that event i begins ends, the last kept event's time
// being anchor; i itself when event i is kept. Reads no event past
// i + StrayRunLimit.
std::size_t strayRunEnd(const EventList& events, std::size_t i, std::int32_t anchor)
{
    const std::size_t n = events.size();
    const int side = sideOf(events[i].time, anchor);
    if (side == 0)
        return i;
    std::size_t end = i + 1;
    while (end < n && end - i < StrayRunLimit && sideOf(events[end].time, anchor) == side)
        ++end;
    // The line after the run stands with the kept lines and not with the
    // run: the run is what lies. A line that stands with both (a clock set
    // back by a little over the gap, then running on) keeps the run.
    if (end < n && sideOf(events[end].time, anchor) == 0 && sideOf(events[end].time, events[end - 1].time) != 0)
        return end;
    // The log does not come back: the clock moved, or the run is the
    // newest lines, which nothing yet contradicts.
    return i;
}

} // namespace

std::size_t StrayStampJudge::judge(const EventList& events, bool complete,
                                   const std::function<bool(std::size_t first, std::size_t last)>& setAside)
{
    const std::size_t n = events.size();
    if (!anchored_) {
        // The first event of the list anchors the walk; from further on,
        // the event before where it starts does.
        if (n == 0 || n < next_)
            return next_;
        next_ = std::max<std::size_t>(next_, 1);
        anchor_ = events[next_ - 1].time;
        anchored_ = true;
    }
    // An event is judged once the events that could decide it are there:
    // a run reaches StrayRunLimit events past its first, and the line after
    // it decides.
    while (next_ < n && (complete || next_ + StrayRunLimit < n)) {
        const std::size_t end = strayRunEnd(events, next_, anchor_);
        if (end == next_) {
            anchor_ = events[next_++].time;
            continue;
        }
        const std::size_t first = std::exchange(next_, end);
        if (!setAside(first, end))
            break;
    }
    return next_;
}

std::size_t setAsideStrayStamps(EventList& events, std::size_t from, std::size_t* keep)
{
    std::size_t write = from;
    std::size_t read = from;
    std::size_t removed = 0;
    const std::size_t keepAt = keep ? *keep : 0;
    std::size_t removedBeforeKeep = 0;
    const auto copyUpTo = [&](std::size_t end) {
        for (; read < end; ++read, ++write) {
            if (write != read)
                events[write] = events[read];
        }
    };
    StrayStampJudge(from).judge(events, true, [&](std::size_t first, std::size_t last) {
        copyUpTo(first);
        removed += last - first;
        if (first < keepAt)
            removedBeforeKeep += std::min(last, keepAt) - first;
        read = last;
        return true;
    });
    if (removed == 0)
        return 0;
    copyUpTo(events.size());
    while (events.size() > write)
        events.removeLast();
    if (keep)
        *keep -= removedBeforeKeep;
    return removed;
}

bool hasStrayStamps(const EventList& events, std::size_t from)
{
    bool found = false;
    StrayStampJudge(from).judge(events, true, [&](std::size_t, std::size_t) {
        found = true;
        return false;
    });
    return found;
}

} // namespace zelkam
