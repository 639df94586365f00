#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string_view>

#include <vector>

#include "ingest/log_file_list.h"
#include "ingest/window_reader.h"
#include "parse/containers.h"
#include "parse/log_event.h"

namespace zelkam {

// The folder as the all-days tools see it: its log files and the ascending
// list of days they begin on, exactly as the viewer's date selector lists
// them. Scanned once; nothing in the folder is written.
struct FolderDays {
    LogFileList files;
    GrowArray<std::int32_t> days{50};
    // The files the last walk over the folder could not read to their end
    // (damaged or truncated archives, read errors), sorted by name. Written
    // by walkDayWindows, which reads the files, so that callers can warn.
    std::vector<WindowReader::FileCutShort> filesCutShort;
    // Whether walks parse every kind of line (LogParser::setAllKinds), as
    // rankings need, rather than only what the replay plays.
    bool allKinds = false;

    // False when the folder has no datable log file (or is not a folder).
    bool scan(std::string_view folderPath);
    // Takes the files and days a loaded folder already knows, so a search
    // started from the viewer need not date every file again.
    void assign(const LogFileList& knownFiles, const GrowArray<std::int32_t>& knownDays);
};

// One day as a worker hands it over. window holds the events of the two-day
// window the viewer reads to load the day (the day before, then the day;
// null when none of its files could be read); ownFirst is where the day's
// own files begin in it. The events and their texts live until the call
// that receives them returns.
struct DayWindow {
    std::size_t index = 0;
    std::int32_t day = 0;
    const EventList* window = nullptr;
    std::size_t ownFirst = 0;
    // True when the look at the files (see walkDayWindows) showed that
    // nothing of the day's window can matter: window is then null although
    // the files could be read.
    bool passedOver = false;
    // True when window is the day's own events list itself (nothing of the
    // day before to join, ownFirst 0): the very list done gets for the day,
    // which lives on until done returns.
    bool ownList = false;
};

// A quick look at a day's own files (dayFiles holds them, nothing else)
// that may tell, without parsing them, that none of their events can matter
// to the walk's work. False only when nothing can; called on the worker
// threads, concurrently for different days.
using DayFilesLook = std::function<bool(const LogFileList& dayFiles)>;

// Reads every day of the folder once and hands each day's window to work,
// on worker threads (one per core, days taken in ascending order), then
// calls done with the day's index on the calling thread, in day order, as
// soon as that day and all before it are finished; done also gets the day's
// own events (those of the files that begin on it, null when unreadable),
// which live until done returns. Each file is read once: a day's parse
// serves its own window and the next day's. With one thread, or when the
// system gives the walk no thread, the calling thread works each day and
// then hands it over.
//
// work may be empty when only the days' own events are wanted. It runs
// concurrently for different days, so it may only write what
// belongs to its day. stop (may be null) is checked between days: once it
// is set no further day is started and the call returns false after the
// days already started. True when every day was walked. The files it
// could not read to their end replace folder.filesCutShort.
//
// With look, a day's files are parsed only when they may matter: to the
// day's own window, when its own files or the day before's may; to the next
// day's window, when that one's may. A day whose window cannot matter is
// handed to work with passedOver set, and to done without its events.
// Without work, done gets the events of every day one of those two windows
// may need (the day before's files, the day's own or the next day's may
// matter), and null for the others: a caller that reads the days in turn
// sees where the windows it would have had break off.
//
// With keepDays, the own events done gets for a day live on until done
// returns for the keepDays-th day after it (or the walk ends), so that
// done can still read a day it has gone past.
bool walkDayWindows(FolderDays& folder, const std::atomic<bool>* stop,
                    const std::function<void(const DayWindow&)>& work,
                    const std::function<void(std::size_t index, const EventList* ownEvents)>& done,
                    unsigned threads = 0, const DayFilesLook& look = {}, std::size_t keepDays = 0);

// One folder's part of a walk over several folders (walkFolders): the
// folder and what walkDayWindows would be given for it. Any callback may
// be empty.
struct FolderWalk {
    FolderDays* folder = nullptr;
    std::function<void(const DayWindow&)> work;
    std::function<void(std::size_t index, const EventList* ownEvents)> done;
    DayFilesLook look;
    // A day's own events as the day's read joins them, ahead of done, for a
    // walk without work whose days are read on the calling thread (a walk
    // of one day): called there with each run [first, last) of the events
    // read so far whose stamps are judged and kept, a day's runs in their
    // order; events is the list being read, which lives on only for the
    // call. done's own events then begin with those follow was given for
    // the day, in the same order. A day read otherwise (on a worker, or on
    // one thread) is not followed: done gets all of it.
    std::function<void(std::size_t index, const EventList& events, std::size_t first, std::size_t last)> follow;
    // Called on the calling thread once the folder's last day was handed
    // to done (true), or once the walk stopped before that (false): once
    // for every folder, in their order, even one without days.
    std::function<void(bool complete)> finished;
};

// walkDayWindows over several folders as one walk: the days of the first
// folder, then those of the second, and so on, taken by one set of worker
// threads (one per core), so that no core waits for a folder's last days
// while the next folder has days to read. Each folder's days are handed to
// its own done in its day order, the folders in their order; a folder's
// window never reaches into another folder. Each folder's filesCutShort is
// replaced by the files of its own that could not be read to their end.
// True when every day of every folder was walked.
// keepDays is walkDayWindows', counted over the row of every folder's days.
bool walkFolders(const std::vector<FolderWalk>& folders, const std::atomic<bool>* stop, unsigned threads = 0,
                 std::size_t keepDays = 0);

} // namespace zelkam
