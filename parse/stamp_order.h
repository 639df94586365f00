#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>

#include "parse/log_event.h"

namespace zelkam {

// A server writes its lines in time order; a line whose stamp lies an hour or
// more away from the lines around it (a clock glitch, a damaged or forged
// line) is not where its stamp says. Taken at its word it would end the day
// in its middle (a line stamped tomorrow) or stall playback and seeks, which
// rely on the order of the stamps.
inline constexpr std::int32_t StrayStampGap = 3600;
// The longest run of lines that may be judged stray together. A longer one
// is the clock itself moving (set forward or back, or a server that stood
// still for hours): its lines are kept and the lines after it follow it.
inline constexpr std::size_t StrayRunLimit = 64;

// Sets aside, in place and keeping the order of the rest, every stray run of
// events: up to StrayRunLimit events in a row, each at least StrayStampGap
// away from the last kept event on the same side (all ahead or all behind),
// after which the log comes back to within the gap of that kept event and
// stays the gap away from the run's last event. The return is what confirms
// that the run, not the clock, is wrong: a run at
// the very start or end of the list, or one the log does not come back
// from, is kept. A real change of the clocks (the hour repeated or skipped
// when daylight saving starts or ends) is less than the gap and never
// stray. Returns how many events were set aside. When keep is given, it is
// an index into the list before the call and is moved to the same event's
// index after it (or where that event would have stood).
std::size_t setAsideStrayStamps(EventList& events, std::size_t from = 0, std::size_t* keep = nullptr);

// The judgement setAsideStrayStamps makes, made as a list grows at its end:
// a read that hands its events on while more are being read judges each
// once the events after it that could change the judgement are there.
class StrayStampJudge {
public:
    // Judges from event from on; the event before it anchors the walk (the
    // first event when from is 0, which is always kept).
    explicit StrayStampJudge(std::size_t from = 0) : next_(from) {}

    // Judges the events from where the last call stopped: to the list's end
    // when complete, otherwise up to where events still to come could change
    // a judgement. Calls setAside(first, last) for each stray run, in order,
    // and stops judging when it returns false. Returns the index before
    // which every event is judged.
    std::size_t judge(const EventList& events, bool complete,
                      const std::function<bool(std::size_t first, std::size_t last)>& setAside);

private:
    std::size_t next_;
    std::int32_t anchor_ = 0;
    bool anchored_ = false;
};

// Whether setAsideStrayStamps would set aside any event at or after from,
// without changing anything.
bool hasStrayStamps(const EventList& events, std::size_t from = 0);

} // namespace zelkam
