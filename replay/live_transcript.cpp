#include "replay/live_transcript.h"

#include <algorithm>
#include <filesystem>

#include "ingest/open_file.h"

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
                               std::optional<TranscriptMark> resumeAfter)
    : folder_(std::move(folder)), fromDay_(fromDay), resumeAfter_(resumeAfter)
{
}

LiveTranscript::Look LiveTranscript::look(const Visit& visit, const KeepGoing& keepGoing)
{
    ViewerState& state = *state_;
    if (!started_) {
        if (!isFolder(folder_))
            return Look::NotAFolder;
        // A server that has not logged anything yet is waited for.
        if (!state.loadFolder(folder_) && state.days().empty())
            return Look::Waiting;
        started_ = true;
        // The first day: the newest, or the first from the given day on.
        index_ = state.days().empty() ? 0 : state.days().size() - 1;
        const std::optional<std::int32_t> from = resumeAfter_ ? std::optional(resumeAfter_->day) : fromDay_;
        if (from) {
            index_ = 0;
            while (index_ + 1 < state.days().size() && state.days()[index_] < *from)
                ++index_;
        }
        take(visit, keepGoing);
        return Look::Taken;
    }
    notePrinted();
    const LiveUpdate update = state.follow();
    if (update.folderGone)
        return Look::Gone;
    if (update.viewChanged)
        resume();
    if (!loaded_ && !state.days().empty())
        index_ = std::min(index_, state.days().size() - 1);
    take(visit, keepGoing);
    return Look::Taken;
}

void LiveTranscript::take(const Visit& visit, const KeepGoing& keepGoing)
{
    ViewerState& state = *state_;
    while (goOn(keepGoing)) {
        if (!loaded_ && index_ < state.days().size()) {
            state.followDay(state.days()[index_]);
            startDay();
            loaded_ = true;
        }
        takeDay(visit, keepGoing);
        // The server's next day has begun: what was left of this one has
        // been taken, so go on with the day after it.
        if (loaded_ && !state.days().empty() && state.days()[state.days().size() - 1] > state.dayStart()) {
            index_ = 0;
            while (state.days()[index_] <= state.dayStart())
                ++index_;
            loaded_ = false;
            continue;
        }
        return;
    }
}

void LiveTranscript::takeDay(const Visit& visit, const KeepGoing& keepGoing)
{
    ViewerState& state = *state_;
    while (goOn(keepGoing) && !state.isEmptyDay() && state.cursor() < state.dayPlayEnd()) {
        const std::size_t at = state.cursor();
        const LogEvent& event = state.events()[at];
        const bool composed = state.applyNext();
        if (catchingUp_) {
            if (isTaken(printed_, event.time, ordinalInSecond(state.events(), at, state.dayFirstEvent())))
                continue;
            catchingUp_ = false;
        }
        visit(event, composed);
    }
}

void LiveTranscript::startDay()
{
    // An earlier run's mark counts on its own day only: a later day has
    // nothing taken yet.
    if (resumeAfter_ && resumeAfter_->day == state_->dayStart()) {
        printed_ = *resumeAfter_;
        catchingUp_ = printed_.any;
    } else {
        printed_ = {false, state_->dayStart(), 0, 0};
        catchingUp_ = false;
    }
    resumeAfter_.reset();
    anyDay_ = true;
}

void LiveTranscript::notePrinted()
{
    const ViewerState& state = *state_;
    if (catchingUp_ || state.isEmptyDay() || state.cursor() <= state.dayFirstEvent())
        return;
    const std::size_t last = state.cursor() - 1;
    printed_ = {true, state.dayStart(), state.events()[last].time,
                ordinalInSecond(state.events(), last, state.dayFirstEvent())};
}

void LiveTranscript::resume()
{
    catchingUp_ = printed_.any;
    state_->replayTo(state_->isEmptyDay() ? 0 : state_->dayFirstEvent());
}

std::optional<TranscriptMark> LiveTranscript::mark() const
{
    if (!anyDay_)
        return resumeAfter_;
    if (catchingUp_ || state_->isEmptyDay() || state_->cursor() <= state_->dayFirstEvent())
        return printed_;
    const std::size_t last = state_->cursor() - 1;
    return TranscriptMark{true, state_->dayStart(), state_->events()[last].time,
                          ordinalInSecond(state_->events(), last, state_->dayFirstEvent())};
}

} // namespace zelkam
