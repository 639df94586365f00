#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <limits>
#include <memory>
#include <optional>
#include <string>

#include "ingest/log_folder.h"
#include "parse/log_event.h"
#include "replay/loaded_day.h"
#include "state/live_state.h"

namespace zelkam {

// Where a transcript of a followed folder has got to, by what survives the
// day being read again: the day (a local midnight), and when any of its
// events was taken (any), the time of the last one and how many events of
// that second came before it. An index would not do: a file
// emptied and written again, or moved away and back, gives the same events
// other indices for a while.
struct TranscriptMark {
    bool any = false;
    std::int32_t day = 0;
    std::int32_t time = 0;
    std::size_t ordinal = 0;
};

// A server's log folder followed as a running server writes it, each event
// of its live days handed on once: the one follower of `zelkam-cli follow`
// and of the watcher. It waits for the first log, starts at the newest day
// (or the first from a given day on, or where an earlier run's mark says),
// takes each new event in order, moves on to the server's next day when one
// begins, and after a change that is not growth (a file replaced, shortened,
// emptied, moved away and back) passes over the events already taken until
// the first one that was not.
class LiveTranscript {
public:
    enum class Look {
        // The folder holds no log yet: nothing was taken.
        Waiting,
        // New events (if any) were taken.
        Taken,
        // The path is not a folder (any more), or the followed folder went.
        NotAFolder,
        Gone,
    };

    // Called for each new event in order, with whether it added a chat line
    // (the newest of live().chatLines). The live state stands just after
    // the event.
    using Visit = std::function<void(const LogEvent& event, bool addedChatLine)>;
    // Asked before each event: false stops taking for this look.
    using KeepGoing = std::function<bool()>;

    // folder: UTF-8 path. fromDay: start at the first day from this local
    // midnight on instead of the newest (or, when the folder holds none yet,
    // take only events from it on). resumeAfter: an earlier run's mark;
    // the run goes on from its day, passing over what it had taken.
    // takeFrom: events before this time (calendar seconds) are passed over,
    // not taken, and a day that a later day not after it follows is not
    // read at all: how far back a restart may catch up.
    LiveTranscript(std::string folder, std::optional<std::int32_t> fromDay = std::nullopt,
                   std::optional<TranscriptMark> resumeAfter = std::nullopt,
                   std::int32_t takeFrom = std::numeric_limits<std::int32_t>::min());

    // One look at the folder (after the first, a look for changes) and
    // every event that is new since the last look handed to visit.
    Look look(const Visit& visit, const KeepGoing& keepGoing = {});

    // Where taking has got to: what a later run resumes after. None before
    // a day was loaded.
    std::optional<TranscriptMark> mark() const;
    // What the events taken so far built, as the viewer would show it.
    const LiveState& live() const { return live_; }
    // The day being taken, with the folder's files and days.
    const LoadedDay& day() const { return *day_; }
    const std::string& folder() const { return folder_; }

private:
    void take(const Visit& visit, const KeepGoing& keepGoing);
    void takeDay(const Visit& visit, const KeepGoing& keepGoing);
    void startDay();
    void notePrinted();
    void resume();
    // Reads the day at index_ as a followed day and stands at its first event.
    void followDay();
    // Stands where a day load leaves the viewer: the state rebuilt at the
    // day's first event.
    void standAtDayStart();
    // The end of the day's events: where the viewer's play and search stop.
    std::size_t dayEnd() const { return day_->hasDay() ? day_->replay().endEvent() : 0; }

    std::string folder_;
    std::optional<std::int32_t> fromDay_;
    std::optional<TranscriptMark> resumeAfter_;
    std::int32_t takeFrom_;
    // The day is large: on the heap. Only this transcript walks it.
    std::unique_ptr<LoadedDay> day_ = std::make_unique<LoadedDay>();
    LiveState live_;
    // The next event of the day to take.
    std::size_t cursor_ = 0;
    bool started_ = false;
    bool loaded_ = false;
    std::size_t index_ = 0;
    TranscriptMark printed_;
    bool catchingUp_ = false;
    // A day was loaded: printed_ names it.
    bool anyDay_ = false;
};

} // namespace zelkam
