#include "replay/live_transcript.h"

#include <algorithm>
#include <filesystem>

#include "ingest/open_file.h"
#include "replay/playback.h"

namespace zelkam {
namespace {

bool isFolder(const std::string& folder)
{
    return pathKind(folder.empty() ? std::filesystem::path(".") : pathFromUtf8(folder)) == PathKind::Folder;
}

// The position of events[at] within its second.
std::size_t ordinalInSecond(const EventList& events, std::size_t at, std::size_t first)
{
    std::size_t ordinal = 0;
    while (at > first + ordinal && events[at - ordinal - 1].time == events[at].time)
        ++ordinal;
    return ordinal;
}

bool isTaken(const TranscriptMark& taken, std::int32_t time, std::size_t ordinal)
{
    return taken.any && (time < taken.time || (time == taken.time && ordinal <= taken.ordinal));
}

bool goOn(const LiveTranscript::KeepGoing& keepGoing) { return !keepGoing || keepGoing(); }

} // namespace

LiveTranscript::LiveTranscript(std::string folder, std::optional<std::int32_t> fromDay,
                               std::optional<TranscriptMark> resumeAfter, std::int32_t takeFrom)
    : folder_(std::move(folder)), fromDay_(fromDay), resumeAfter_(resumeAfter), takeFrom_(takeFrom)
{
}

LiveTranscript::Look LiveTranscript::look(const Visit& visit, const KeepGoing& keepGoing)
{
    const GrowArray<std::int32_t>& days = day_->days();
    if (!started_) {
        if (!isFolder(folder_))
            return Look::NotAFolder;
        // A server that has not logged anything yet is waited for. Only the
        // days are listed: the day taken first is read next, alone.
        if (!day_->scan(folder_))
            return Look::Waiting;
        started_ = true;
        // The first day: the newest, or the first from the given day on.
        index_ = days.size() - 1;
        const std::optional<std::int32_t> from = resumeAfter_ ? std::optional(resumeAfter_->day) : fromDay_;
        if (from) {
            index_ = 0;
            while (index_ + 1 < days.size() && days[index_] < *from)
                ++index_;
            // Asked for a day after every day the folder holds: what it
            // holds is before that day, and only what comes is taken.
            if (!resumeAfter_ && days[index_] < *from)
                takeFrom_ = std::max(takeFrom_, *from);
        }
        // A day whose next day begins before anything may be taken holds
        // nothing to take (its files end where the next day's begin).
        while (index_ + 1 < days.size() && days[index_ + 1] <= takeFrom_)
            ++index_;
        take(visit, keepGoing);
        return Look::Taken;
    }
    notePrinted();
    const std::size_t before = day_->events().size();
    const FolderChanges changes = day_->look();
    bool readAgain = changes.window == WindowChange::Changed;
    if (changes.window == WindowChange::Grew)
        readAgain = cursor_ > day_->events().size() || !day_->takeGrowth(before, changes.retracted);
    if (readAgain) {
        // Not growth: the day is read again and taken from its start,
        // passing over what was taken before.
        day_->readAgain();
        resume();
    }
    if (changes.folderGone)
        return Look::Gone;
    if (!loaded_ && !days.empty())
        index_ = std::min(index_, days.size() - 1);
    take(visit, keepGoing);
    return Look::Taken;
}

void LiveTranscript::followDay()
{
    day_->read(day_->days()[index_], true);
    standAtDayStart();
}

void LiveTranscript::standAtDayStart()
{
    if (!day_->hasDay()) {
        DayReplay::restore(live_, Snapshot{day_->dayStart(), day_->dayStart(), 0, nullptr, 0, ""});
        cursor_ = 0;
        return;
    }
    const DayReplay& day = day_->replay();
    cursor_ = day.rebuild(live_, day.firstTime());
    expireChatLines(live_, day.firstTime());
}

void LiveTranscript::take(const Visit& visit, const KeepGoing& keepGoing)
{
    const GrowArray<std::int32_t>& days = day_->days();
    while (goOn(keepGoing)) {
        if (!loaded_ && index_ < days.size()) {
            followDay();
            startDay();
            loaded_ = true;
        }
        takeDay(visit, keepGoing);
        // The server's next day has begun: what was left of this one has
        // been taken, so go on with the day after it.
        if (loaded_ && !days.empty() && days[days.size() - 1] > day_->dayStart()) {
            index_ = 0;
            while (days[index_] <= day_->dayStart())
                ++index_;
            loaded_ = false;
            continue;
        }
        return;
    }
}

void LiveTranscript::takeDay(const Visit& visit, const KeepGoing& keepGoing)
{
    const EventList& events = day_->events();
    while (goOn(keepGoing) && day_->hasDay() && cursor_ < dayEnd()) {
        const std::size_t at = cursor_;
        const LogEvent& event = events[at];
        const bool composed = day_->replay().applyNext(live_, cursor_);
        if (catchingUp_) {
            if (isTaken(printed_, event.time, ordinalInSecond(events, at, day_->replay().firstEvent())))
                continue;
            catchingUp_ = false;
        }
        if (event.time < takeFrom_)
            continue;
        visit(event, composed);
    }
}

void LiveTranscript::startDay()
{
    // An earlier run's mark counts on its own day only: a later day has
    // nothing taken yet.
    if (resumeAfter_ && resumeAfter_->day == day_->dayStart()) {
        printed_ = *resumeAfter_;
        catchingUp_ = printed_.any;
    } else {
        printed_ = {false, day_->dayStart(), 0, 0};
        catchingUp_ = false;
    }
    resumeAfter_.reset();
    anyDay_ = true;
}

void LiveTranscript::notePrinted()
{
    if (catchingUp_ || !day_->hasDay() || cursor_ <= day_->replay().firstEvent())
        return;
    const std::size_t last = cursor_ - 1;
    printed_ = {true, day_->dayStart(), day_->events()[last].time,
                ordinalInSecond(day_->events(), last, day_->replay().firstEvent())};
}

void LiveTranscript::resume()
{
    catchingUp_ = printed_.any;
    standAtDayStart();
    if (day_->hasDay())
        cursor_ = day_->replay().firstEvent();
}

std::optional<TranscriptMark> LiveTranscript::mark() const
{
    if (!anyDay_)
        return resumeAfter_;
    if (catchingUp_ || !day_->hasDay() || cursor_ <= day_->replay().firstEvent())
        return printed_;
    const std::size_t last = cursor_ - 1;
    return TranscriptMark{true, day_->dayStart(), day_->events()[last].time,
                          ordinalInSecond(day_->events(), last, day_->replay().firstEvent())};
}

} // namespace zelkam
