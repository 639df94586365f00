#pragma once

#include <array>
#include <cstdint>
#include <limits>
#include <memory>
#include <optional>
#include <string_view>

#include "ingest/log_folder.h"
#include "parse/containers.h"
#include "parse/log_event.h"
#include "replay/day_replay.h"
#include "replay/loaded_day.h"
#include "replay/playback.h"
#include "state/chat_lines.h"
#include "state/live_state.h"

namespace zelkam {

// What one look at a followed log folder changed.
struct LiveUpdate {
    // The folder is gone: nothing more will come.
    bool folderGone = false;
    // days gained or lost entries: the date list needs refilling.
    bool daysChanged = false;
    // New events joined the loaded day.
    bool grew = false;
    // The view was published anew (the day was read again, or playback moved
    // on to a new day): the controls need refreshing.
    bool viewChanged = false;
};

// The playback buttons: what each sets.
enum class PlaybackCommand {
    // Only clears rewinding.
    None,
    // Back 5 seconds a tick.
    Rewind,
    Pause,
    // 1, 5 and 60 seconds of log time a tick.
    Play,
    Fast,
    Fastest,
};

// What the Find dialog and "RScan" search for.
enum class SearchKind : std::int32_t { Player = 0, Chat = 1, RconUser = 2, RconCmd = 3 };

// The replay model: a loaded day (the folder's days, the day's events and
// snapshots; LoadedDay) and its playback (the clock, the live state the
// events build and the published copy of what the views show; Playback),
// changed together by the model's own operations only. One exists for the
// whole run; a day read elsewhere joins it whole (takeOver).
//
// Times are calendar seconds of local time; minutes count from dayStart.
// Event positions (cursor, lastEvent, dayFirstEvent, dayEndEvent, a
// snapshot's event) are indices into events(), valid until the next day
// load, folder load, hand-over or unload. Names and texts in the live and published
// state point into the loaded window's storage and share that lifetime.
//
// Without a loaded day (after unload, a failed load, or a day with no event
// from its midnight on) the model is an empty day at dayStart: nothing to
// play, nothing found, every seek lands on dayStart.
class ViewerState {
public:
    ViewerState();

    // Scans the folder and loads its earliest day. False when the scan finds
    // no log (nothing else changes then).
    bool loadFolder(std::string_view folderPath);
    // Scans the folder and lists its days without loading any: the model is
    // then an empty day at the current dayStart, for a caller that loads the
    // day it wants next. False when the scan finds no log (nothing else
    // changes then).
    bool scanFolder(std::string_view folderPath);
    // Loads days[index]; false for an index outside days (the model is then
    // an empty day at the current dayStart) or a failed read.
    bool loadDayAt(std::size_t index);
    // Loads day D (a local midnight): reads the two-day window from the
    // midnight before D to the one after it (a day is 23 to 25 hours long
    // where the clocks change), takes the snapshots and stands paused at the
    // day's first event. Events from the next midnight on lie past the
    // day's end; without any, the day ends one second after its last event,
    // so that every event of its last second is played. False
    // when the window cannot be read (the model is then an empty day at D);
    // a window read without any event from D on is an empty day too, but
    // true. rewinding is left as it was.
    bool loadDay(std::int32_t day);
    // Forgets the folder: days, files and events; pauses (speed 0, rewinding
    // cleared) and leaves an empty day at the current dayStart.
    void unload();

    // One timer step: forward by speed seconds, applying every event before
    // the new clock (never beyond the last loaded event, or one second past
    // it when the day ends with the window), or back by a seek
    // while rewinding. True when the view was published; false when paused
    // or on an empty day. A replay that is not shown as it happens (the
    // terminal's, the tests') steps without a wall clock.
    bool tick();
    // The viewer's step, wallNow the calendar second it is made at. On a
    // growing day forward play never runs the clock past wallNow (unless
    // the newest line is stamped later), and once every loaded line has
    // been played the clock is the wall clock at any speed: the live edge,
    // where a line that arrives is played at the next step. Otherwise as
    // tick().
    bool tick(std::int32_t wallNow);
    static constexpr std::int32_t NoWallClock = std::numeric_limits<std::int32_t>::min();

    // What playback is doing, for the window to say: paused (or nothing to
    // play), rewinding, playing at speed, or live: playing forward on a
    // growing day with every line that has arrived played.
    enum class PlayMode { Paused, Rewinding, Playing, Live };
    PlayMode playMode() const;
    // Seconds from the clock to the newest line of a growing day while that
    // line is not played yet; 0 otherwise.
    std::int32_t lag() const;
    // A playback command; every command clears rewinding first.
    void command(PlaybackCommand command);
    // Rebuilds the state at time t (clamped to the day) from the nearest
    // earlier snapshot and publishes. Keeps speed and rewinding.
    void seek(std::int32_t t);
    // seek(dayStart + 60 * minute), then paused.
    void seekMinute(std::int32_t minute);
    // Moves forward to the next matching event of the day, starting with
    // the event under the cursor (not applied yet): true on a hit (paused
    // just after it, published), false on a miss (everything as it was,
    // playing on as before). Never searches past the day's end.
    bool find(SearchKind kind, std::string_view pattern, bool matchCase);

    // One look at the log folder, made on every timer tick while a server
    // may be writing to it. New whole lines of the loaded day's files join
    // the day as if it had been loaded now (its snapshots, end and last
    // event move on; search and play see them), and the day becomes a
    // growing day. A change that is not growth (a file shortened, replaced,
    // removed, or a file dated into the day out of order) reads the day
    // again at the current clock instead, keeping speed and rewinding. New
    // days join days; when playback runs forward at the newest line of what
    // was the newest day, it moves on to the new newest day at the same
    // speed. Cheap when nothing changed: a few status queries, no reading.
    LiveUpdate follow();
    // Goes live: loads the newest day unless it is shown, seeks to its
    // newest line and plays at 1 second per tick. False without any day.
    bool goLive();
    // Whether the loaded day has changed since it was loaded. On a growing
    // day forward play applies every event before the clock, the newest one
    // included, and runs at most one second past the newest line, waiting
    // there for the next; a line that arrives while it waits is played at
    // once. A finished day's play stops at the same second when no loaded
    // event lies past its midnight, and at its last event otherwise.
    bool isGrowing() const { return day_->isGrowing(); }
    // Treats the loaded day as growing from now on (until the next load).
    void markGrowing() { day_->markGrowing(); }
    // Loads day D as a day being followed: growing from the start, so that
    // an unterminated last line is left until it is whole and play and
    // search reach the newest line. Otherwise as loadDay.
    bool followDay(std::int32_t day);
    // Where the day ends for search and transcripts: dayEndEvent, the first
    // event of the next day or, when none is loaded, one past the newest
    // event, since that event is played too.
    std::size_t dayPlayEnd() const;

    // Drops chat lines whose time + 15 is below now.
    void expireChatLines(std::int32_t now);
    // Copies the live state into the published view.
    void publishView() { playback_.publish(dayStart()); }

    const EventList& events() const { return day_->events(); }
    const LogFolder& folder() const { return day_->folder(); }
    // See LogFolder::setReadThreads: loads give the same events on any
    // number of threads, only sooner.
    void setReadThreads(unsigned threads, std::uint64_t inlineBelow = WindowReader::DefaultInlineBelow,
                        std::uint64_t pieceBytes = WindowReader::DefaultPieceBytes)
    {
        day_->setReadThreads(threads, inlineBelow, pieceBytes);
    }

    // Shows loaded, a day read whole elsewhere (on another thread): the
    // model stands paused at its first event, as after loadDay (rewinding
    // cleared), and the day shown before is handed back. Every pointer into
    // loaded's events stays valid, as the day itself does not move.
    std::unique_ptr<LoadedDay> takeOver(std::unique_ptr<LoadedDay> loaded);
    // The loaded day: the folder's days, the window, the day's bounds. A day
    // of the same folder is read elsewhere from its listing (listAs).
    const LoadedDay& loadedDay() const { return *day_; }
    // True when there is nothing to play: no folder or day loaded, a failed
    // read, or a day without any event from its midnight on.
    bool isEmptyDay() const { return !day_->hasDay(); }

    // What the applied events built: roster, recent players, chat lines,
    // round start, map and scores. Only the model's own operations change it.
    const LiveState& live() const { return playback_.live; }

    // Where the replay stands. clock: the playback time; cursor: the next
    // event not yet applied (every event before it has been). speed: seconds
    // of log time a tick, 0 when paused; rewinding: each tick goes back.
    std::int32_t clock() const { return playback_.at.clock; }
    std::int32_t speed() const { return playback_.at.speed; }
    bool rewinding() const { return playback_.at.rewinding; }
    std::size_t cursor() const { return playback_.at.cursor; }
    // The loaded day's local midnight (also of an empty day).
    std::int32_t dayStart() const { return day_->dayStart(); }
    // The loaded day: its window, bounds and snapshots. Its positions are
    // unused on an empty day.
    const DayReplay& day() const { return day_->replay(); }
    std::size_t lastEvent() const { return day().lastEvent(); }
    std::size_t dayFirstEvent() const { return day().firstEvent(); }
    std::size_t dayEndEvent() const { return day().endEvent(); }
    const GrowArray<Snapshot>& snapshots() const { return day().snapshots(); }

    // Applies the event at the cursor and moves the cursor on, leaving the
    // clock and the published view as they are: a transcript's step. True
    // when that added a chat line (the newest of chatLines). Nothing at or
    // past the day's end.
    bool applyNext();
    // Stands just after event as Find leaves it on a hit there: every event
    // up to and including it applied, the clock at the next event, paused,
    // published. False, with nothing changed, when Find could not stop
    // there (before the cursor, at or past the day's end, or no day).
    bool standAfterEvent(std::size_t event);

    // The published view: what the window and zelkam-cli show, as it stood
    // when the model last published (after a tick, a seek or a load).
    const PublishedView& view() const { return playback_.view; }
    std::int32_t viewClock() const { return playback_.view.clock; }
    std::int32_t viewMinute() const { return playback_.view.minute; }
    const char* viewMapName() const { return playback_.view.mapName; }
    const GrowArray<PlayerEntry>& viewPlayers() const { return playback_.view.players; }
    const GrowArray<ChatLine>& viewChatLines() const { return playback_.view.chatLines; }
    // The folder's days (local midnights), oldest first, as the last scan
    // or look at the folder listed them.
    const GrowArray<std::int32_t>& days() const { return day_->days(); }

private:
    // Makes the model an empty day at the current dayStart, the folder still
    // listed: paused, clock at the midnight, live and published state
    // emptied, no event position in use.
    void enterEmptyDay();
    // Paused at the loaded day's first event, or at an empty day's midnight:
    // where a load leaves the model. Rewinding is left as it was.
    void standAtDayStart();
    // Where a read of the loaded day leaves the model (standAtDayStart,
    // nothing of an earlier play kept); returns read.
    bool standAtRead(bool read);
    // Applies the event at cursor and moves cursor on by one.
    void applyAtCursor();
    // Pauses with the clock at the event under the cursor (every event
    // before it applied) and publishes: where a hit leaves the replay.
    void standAfterApplied();
    // Takes in the events appended since the list held `before` (after
    // `retracted` were taken off its end). False when they cannot simply
    // join and the day must be read again.
    bool takeGrowth(std::size_t before, std::size_t retracted);
    // Reads the loaded day again, whole lines only, and seeks back to the
    // clock with speed and rewinding kept.
    void reloadAtClock();
    // Moves a forward play that waits at the newest line of what was the
    // newest day on to the newest day. True when it did.
    bool moveOnToNewestDay();
    bool atLiveEdge() const;

    // Held apart, so that a day read elsewhere is handed over without
    // moving the events its pointers refer to.
    std::unique_ptr<LoadedDay> day_ = std::make_unique<LoadedDay>();
    Playback playback_;
    // The playback a reload of the followed day found no day for; the next
    // reload that finds it goes on from there.
    std::optional<PlayPosition> interrupted_;
    // The live state as it stood when a search began (made once, so that a
    // search allocates nothing).
    LiveState beforeSearch_;
};

} // namespace zelkam
