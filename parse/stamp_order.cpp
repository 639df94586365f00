#include "parse/stamp_order.h"

#include <algorithm>

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

// The one walk both entry points share: calls setAside(first, last) for
// each stray run [first, last) found from `from` on. The first event of the
// list anchors the walk; with from > 0 the event before from does.
template <typename SetAside>
void findStrayRuns(const EventList& events, std::size_t from, SetAside setAside)
{
    const std::size_t n = events.size();
    if (n == 0)
        return;
    std::size_t i = from > 0 ? from : 1;
    std::int32_t anchor = events[i - 1].time;
    while (i < n) {
        const int side = sideOf(events[i].time, anchor);
        if (side == 0) {
            anchor = events[i++].time;
            continue;
        }
        std::size_t end = i + 1;
        while (end < n && end - i < StrayRunLimit && sideOf(events[end].time, anchor) == side)
            ++end;
        // The line after the run stands with the kept lines and not with
        // the run: the run is what lies. A line that stands with both (a
        // clock set back by a little over the gap, then running on) keeps
        // the run.
        if (end < n && sideOf(events[end].time, anchor) == 0 && sideOf(events[end].time, events[end - 1].time) != 0) {
            if (!setAside(i, end))
                return;
            i = end;
            continue;
        }
        // The log does not come back: the clock moved, or the run is the
        // newest lines, which nothing yet contradicts.
        anchor = events[i++].time;
    }
}

} // namespace

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
    findStrayRuns(events, from, [&](std::size_t first, std::size_t last) {
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
    findStrayRuns(events, from, [&](std::size_t, std::size_t) {
        found = true;
        return false;
    });
    return found;
}

} // namespace zelkam
