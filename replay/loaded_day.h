#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "ingest/log_folder.h"
#include "parse/containers.h"
#include "parse/log_event.h"
#include "replay/day_replay.h"

namespace zelkam {

// One day of a log folder, read and ready to be replayed: the folder's files
// and days, the two-day window read for the day and the DayReplay over it.
// It is built whole (scan or listAs, then read), on any thread, and handed
// to the model that shows it as one owning pointer; from then on only live
// follow changes it, by growth (or by reading the same day again when the
// change is not growth). It never moves once made: the replay and every
// name and text handed out point into the window it holds.
//
// Without a day (before a read, after a failed one, or when the window holds
// no event from the day's midnight on) it is an empty day at dayStart.
class LoadedDay {
public:
    LoadedDay() = default;
    LoadedDay(const LoadedDay&) = delete;
    LoadedDay& operator=(const LoadedDay&) = delete;

    // Lists the folder's days and reads no window: an empty day at the
    // dayStart it had. False when the scan finds no log (nothing changes
    // then).
    bool scan(std::string_view folderPath);
    // Takes the folder, files and days shown lists, as its last look left
    // them, without listing the folder again, and reads no window: a day of
    // the folder shown costs one read. Shown must not change meanwhile.
    void listAs(const LoadedDay& shown);
    // Reads day D (a local midnight): the window from the midnight before D
    // to the one after it (the day before rebuilds who is on the server and
    // which map runs when the day begins), then the day's bounds and
    // snapshots. False when the window cannot be read; an empty day (no
    // event from D on) is read, true. Either way dayStart is D. With
    // wholeLinesOnly an unterminated last line of the newest file is left
    // out, and the day is growing from the start, as a followed day is.
    bool read(std::int32_t day, bool wholeLinesOnly = false);
    // Reads the day again as a followed day (whole lines only, growing),
    // when what changed is not growth. Still the newest day's when it was
    // read as the newest: the day after it was only listed meanwhile.
    bool readAgain();
    // Forgets the folder: days, files and events; an empty day at dayStart.
    void clear();
    // An empty day at dayStart, the folder still listed.
    void leaveDay();

    // One look at the folder (see LogFolder::followChanges): new whole
    // lines of the day's files are appended to events(), and the changes
    // say what became of the window.
    FolderChanges look() { return folder_.followChanges(); }
    // Lets the events appended since events() held `before` (after
    // `retracted` were taken off its end) join the day, which becomes a
    // growing day. False when they cannot simply join (or there is no day)
    // and the day must be read again.
    bool takeGrowth(std::size_t before, std::size_t retracted);

    // The folder path the last scan was given ("" before any).
    const std::string& path() const { return path_; }
    const LogFolder& folder() const { return folder_; }
    // See LogFolder::setReadThreads.
    void setReadThreads(unsigned threads, std::uint64_t inlineBelow, std::uint64_t pieceBytes)
    {
        folder_.setReadThreads(threads, inlineBelow, pieceBytes);
    }
    const EventList& events() const { return folder_.events(); }
    // The folder's days (local midnights), oldest first, as the last scan
    // or look listed them.
    const GrowArray<std::int32_t>& days() const { return folder_.days(); }
    // The day's bounds and snapshots; unused on an empty day.
    const DayReplay& replay() const { return replay_; }
    bool hasDay() const { return hasDay_; }
    std::int32_t dayStart() const { return dayStart_; }
    // The day has changed since it was read: a running server writes it.
    bool isGrowing() const { return growing_; }
    void markGrowing() { growing_ = true; }
    // The day was the folder's newest when it was read.
    bool wasNewest() const { return wasNewest_; }

private:
    void becomeEmpty(std::int32_t day);

    std::string path_;
    LogFolder folder_;
    DayReplay replay_;
    bool hasDay_ = false;
    std::int32_t dayStart_ = 0;
    bool growing_ = false;
    bool wasNewest_ = false;
};

} // namespace zelkam
