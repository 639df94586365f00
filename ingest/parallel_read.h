#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "ingest/log_file_list.h"
#include "ingest/mark_read.h"
#include "ingest/piece_source.h"
#include "parse/log_parser.h"

namespace zelkam {

// Room in events for what logBytes of log text may hold, at once: a list
// doubled up to a heavy day's size from its start moves every event several
// times and touches twice the memory it ends with. Room never filled is
// never backed by memory; an estimate too large for the system is only a
// hint not taken.
void reserveForLogBytes(EventList& events, std::uint64_t logBytes);

// One task of a threaded read: a whole file, or a piece of a large plain
// one (its lines that begin in [begin, end)).
struct ReadTask {
    std::size_t entry = 0;
    bool piece = false;
    // An archive, read whole: its events may be many megabytes.
    bool archive = false;
    std::uint64_t begin = 0;
    std::uint64_t end = ToTheEnd;
    bool lastOfFile = true;
    // What the task holds as log text, as far as the sizes tell (an archive
    // counted at archiveWeight times its stored size).
    std::uint64_t logBytes = 0;
};

// How to share a window's files among threads.
struct ReadPlan {
    // The files and pieces to read, in reading order.
    std::vector<ReadTask> tasks;
    // What the files hold, an archive counted at archiveWeight times its
    // stored size.
    std::uint64_t logBytes = 0;
    // How many threads to read on; 1 when the files are few or small.
    unsigned threads = 1;
};

// Plans the read of the window's files (files.windowFirst up to
// files.windowStop): plain files larger than pieceBytes are cut into pieces
// of about that size; a window smaller than inlineBelow is read on one
// thread. threads 0 leaves the count to threadCount().
ReadPlan planWindowRead(const LogFileList& files, unsigned threads, std::uint64_t inlineBelow,
                        std::uint64_t pieceBytes, std::uint64_t archiveWeight);

// What one thread of a threaded read reads with, kept from read to read: a
// parser (its time stamp memory, player token cache and arena), a read
// buffer, and event lists that take turns holding a task's events while
// they wait to join. With only two, a thread often waited for the calling
// thread to finish a piece of its own before it could join the thread's
// lists.
struct ReadWorker {
    static constexpr std::size_t ListCount = 4;
    std::unique_ptr<LogParser> parser = std::make_unique<LogParser>();
    std::unique_ptr<char[]> buffer{new char[ReadBufferSize]};
    std::unique_ptr<EventList> lists[ListCount] = {std::make_unique<EventList>(), std::make_unique<EventList>(),
                                                   std::make_unique<EventList>(), std::make_unique<EventList>()};
    // The lists not holding a task's events; guarded by the read's lock.
    std::vector<EventList*> free;
    // Whether it takes part in the read at hand.
    bool started = false;
};

// Reads the plan's tasks on plan.threads threads into parser, which ends up
// with the same events, texts and marks as a read on one thread would give
// it: each thread parses into lists and an arena of its own, the lists join
// the parser's in reading order and the arenas join its arena. finish is
// called, in reading order on the calling thread, for each file read (the
// pieces of a file joined into one read of the whole file). The archives
// spend budget in reading order, as a read on one thread spends it.
// joined (may be empty) is called on the calling thread with the parser's
// events each time a task's events have joined them: a caller can take up
// the events read so far while the threads read on.
void readInParallel(const LogFileList& files, const ReadPlan& plan, ArchiveBudget& budget,
                    std::vector<std::unique_ptr<ReadWorker>>& workers, LogParser& parser, char* buffer,
                    const std::function<void(FileRead&)>& finish,
                    const std::function<void(const EventList&)>& joined = {});

} // namespace zelkam
