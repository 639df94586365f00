#include "ingest/window_reader.h"

#include <algorithm>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <new>
#include <system_error>
#include <thread>

#include "ingest/line_feeder.h"
#include "ingest/open_file.h"
#include "ingest/thread_count.h"
#include "parse/time_stamp.h"

namespace zelkam {
namespace {

constexpr std::size_t ReadBufferSize = 1 << 17;
// A logged line is rarely under 100 bytes and not every line is an event.
constexpr std::uint64_t BytesPerEventAtLeast = 100;
constexpr std::uint64_t MaxReservedEvents = std::uint64_t{1} << 22;

// Room in events for what logBytes of log text may hold. Room never filled
// is never backed by memory; an estimate too large for the system is only a
// hint not taken.
void reserveForLogBytes(EventList& events, std::uint64_t logBytes)
{
    try {
        events.reserveDoubling(
            static_cast<std::size_t>(std::min<std::uint64_t>(logBytes / BytesPerEventAtLeast, MaxReservedEvents)));
    } catch (const std::bad_alloc&) {
    }
}

void writeTwoDigits(char* at, int value)
{
    at[0] = static_cast<char>('0' + value / 10 % 10);
    at[1] = static_cast<char>('0' + value % 10);
}

// Feeds every line of source to parser, noting in mark how far it was read.
void readFile(BlockSource& source, LogParser& parser, FileMark& mark, char* buffer)
{
    LineFeeder lines(parser);
    std::size_t got;
    while ((got = source.read(buffer, ReadBufferSize)) > 0) {
        if (const std::size_t wholeEnd = lines.feed(std::string_view(buffer, got)))
            mark.complete = mark.size + wholeEnd;
        mark.size += got;
        keepLastBytes(mark.lastBytes, std::string_view(buffer, got));
    }
    mark.consumed = mark.size;
    mark.lastBytesKnown = true;
    if (lines.inLine())
        mark.tailEvent = lines.finishLine();
}

// One file of the window as a read leaves it: how far it was read and how
// its content ended.
struct FileRead {
    FileMark mark;
    ReadEnd end = ReadEnd::Complete;
    std::uint64_t delivered = 0;
};

// Reads a whole file. False when it could not be opened (it is then passed
// over, so one bad file does not hide the rest of the day).
bool readEntry(const LogFileList& files, std::size_t index, std::uint64_t outputBound, LogParser& parser,
               char* buffer, FileRead& read)
{
    const std::string& name = files.entries[index].name;
    std::FILE* file = openLogForReading(files.pathOf(name));
    if (!file)
        return false;
    const std::unique_ptr<BlockSource> source = makeBlockSource(file, compressionOfName(name), outputBound);
    read.mark.name = name;
    readFile(*source, parser, read.mark, buffer);
    read.end = source->end();
    read.delivered = source->delivered();
    statOpenFileMark(source->file(), read.mark);
    if (compressionOfName(name) != Compression::None) {
        std::error_code error;
        const auto stored = std::filesystem::file_size(files.pathOf(name), error);
        read.mark.size = read.mark.consumed = read.mark.complete = error ? 0 : stored;
        read.mark.tailEvent = false;
        read.mark.lastBytes.clear();
        read.mark.lastBytesKnown = false;
    }
    return true;
}

constexpr std::uint64_t ToTheEnd = ~std::uint64_t{0};

// The lines of a plain file that begin in [begin, end), as one stream of
// content: from the first line start at or after begin through the line
// feed of the line that holds byte end - 1 (through the file's end when end
// is ToTheEnd). Pieces cut at the same offsets thus hand out every line of
// the file once, whole, whatever their sizes and wherever the line feeds
// fall.
class PieceSource final : public BlockSource {
public:
    PieceSource(std::FILE* file, std::uint64_t begin, std::uint64_t end)
        : BlockSource(file), until_(end), skipping_(begin > 0), position_(begin > 0 ? begin - 1 : 0)
    {
        if (!seekTo(file, position_)) {
            until_ = 0;
            end_ = ReadEnd::Unreadable;
            stopped_ = true;
        }
    }

    std::size_t read(char* buffer, std::size_t capacity) override
    {
        while (!stopped_) {
            const std::size_t got = std::fread(buffer, 1, capacity, file_);
            if (got == 0) {
                if (std::ferror(file_))
                    end_ = ReadEnd::Unreadable;
                stopped_ = true;
                break;
            }
            const std::uint64_t at = position_;
            position_ += got;
            read_ = true;
            const std::string_view chunk(buffer, got);
            if (const std::size_t feed = chunk.rfind('\n'); feed != std::string_view::npos)
                feedEnd_ = at + feed + 1;
            std::size_t from = 0;
            if (skipping_) {
                const std::size_t feed = chunk.find('\n');
                if (feed == std::string_view::npos)
                    continue;
                skipping_ = false;
                from = feed + 1;
                if (at + from >= until_) {
                    stopped_ = true;
                    break;
                }
            }
            std::size_t to = got;
            if (until_ != ToTheEnd) {
                const std::uint64_t lastByte = std::max<std::uint64_t>(at + from, until_ - 1) - at;
                if (lastByte < got) {
                    if (const std::size_t feed = chunk.find('\n', lastByte); feed != std::string_view::npos) {
                        to = feed + 1;
                        stopped_ = true;
                    }
                }
            }
            if (to == from)
                continue;
            if (from > 0)
                std::memmove(buffer, buffer + from, to - from);
            delivered_ += to - from;
            return to - from;
        }
        return 0;
    }

    // Just past the last byte read from the file, 0 when none was.
    std::uint64_t position() const { return read_ ? position_ : 0; }
    // Just past the last line feed read from the file, skipped bytes
    // included; 0 when there was none.
    std::uint64_t feedEnd() const { return feedEnd_; }

private:
    std::uint64_t until_;
    bool skipping_;
    bool stopped_ = false;
    bool read_ = false;
    std::uint64_t position_;
    std::uint64_t feedEnd_ = 0;
};

// One task of a threaded read: a whole file, or a piece of a large plain
// one (its lines that begin in [begin, end)).
struct Task {
    std::size_t entry = 0;
    bool piece = false;
    // An archive, read whole: its events may be many megabytes.
    bool archive = false;
    std::uint64_t begin = 0;
    std::uint64_t end = ToTheEnd;
    bool lastOfFile = true;
    // What the task holds as log text, as far as the sizes tell (an archive
    // counted at ArchiveWeight times its stored size).
    std::uint64_t logBytes = 0;
};

// What reading a task left, besides its events.
struct TaskRead {
    bool opened = false;
    FileRead read;
    // Of a piece: how far it read, its last line feed, and whether its
    // unterminated last line (the file's) made an event.
    std::uint64_t position = 0;
    std::uint64_t feedEnd = 0;
    bool tailEvent = false;
    // Of a piece: the last bytes it handed to the parser.
    std::string lastBytes;
};

void readTask(const LogFileList& files, const Task& task, std::uint64_t outputBound, LogParser& parser,
              char* buffer, TaskRead& result)
{
    if (!task.piece) {
        result.opened = readEntry(files, task.entry, outputBound, parser, buffer, result.read);
        return;
    }
    const std::string& name = files.entries[task.entry].name;
    std::FILE* file = openLogForReading(files.pathOf(name));
    if (!file)
        return;
    result.opened = true;
    PieceSource source(file, task.begin, task.end);
    FileMark relative;
    readFile(source, parser, relative, buffer);
    result.tailEvent = relative.tailEvent;
    result.position = source.position();
    result.feedEnd = source.feedEnd();
    result.read.end = source.end();
    result.read.delivered = task.begin + source.delivered();
    result.lastBytes = std::move(relative.lastBytes);
    if (task.lastOfFile)
        statOpenFileMark(source.file(), result.read.mark);
}

// How many threads to read the window's files on, 1 when they are few or
// small; for more than 1, the files and pieces to read, in reading order.
// logBytes is what the files hold, an archive counted at ArchiveWeight
// times its stored size.
unsigned planThreads(const LogFileList& files, unsigned threads, std::uint64_t inlineBelow, std::uint64_t pieceBytes,
                     std::vector<Task>& tasks, std::uint64_t& logBytes)
{
    const unsigned wanted = threads > 0 ? threads : threadCount();
    std::uint64_t bytes = 0;
    for (std::size_t i = files.windowFirst; i < files.windowStop; ++i) {
        const std::string& name = files.entries[i].name;
        std::error_code error;
        std::uint64_t size = std::filesystem::file_size(files.pathOf(name), error);
        if (error)
            size = 0;
        if (compressionOfName(name) != Compression::None || size <= pieceBytes) {
            const bool archive = compressionOfName(name) != Compression::None;
            const std::uint64_t text = archive ? size * WindowReader::ArchiveWeight : size;
            bytes += text;
            tasks.push_back(Task{i, false, archive, 0, ToTheEnd, true, text});
            continue;
        }
        // Pieces of about equal size; the last one reads on to whatever the
        // file holds by then.
        bytes += size;
        const std::uint64_t pieces = (size + pieceBytes - 1) / pieceBytes;
        for (std::uint64_t k = 0; k < pieces; ++k) {
            const bool last = k + 1 == pieces;
            const std::uint64_t begin = size * k / pieces;
            const std::uint64_t end = size * (k + 1) / pieces;
            tasks.push_back(Task{i, true, false, begin, last ? ToTheEnd : end, last, end - begin});
        }
    }
    logBytes = bytes;
    if (wanted <= 1 || bytes < inlineBelow || tasks.size() <= 1)
        return 1;
    return static_cast<unsigned>(std::min<std::size_t>(wanted, tasks.size()));
}

} // namespace

// What one thread of a threaded read reads with: a parser (its time stamp
// memory, player token cache and arena), a read buffer, and event lists that
// take turns holding a task's events while they wait to join. With only two,
// a thread often waited for the calling thread to finish a piece of its own
// before it could join the thread's lists.
struct WindowReader::ReadThread {
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

namespace {

// The window's tasks read on several threads. Each thread takes the next
// task in reading order and parses it with a parser of its own into one of
// its own event lists; the calling thread, between tasks, appends the
// finished lists to the window's list in reading order and gives each back
// to its thread. A thread whose lists all wait to join waits too, so the
// memory in flight is a few pieces a thread however long the window, and a
// list is only ever grown and freed by the thread it belongs to (each
// thread allocates from a heap of its own).
class ParallelRead {
public:
    struct Slot {
        bool done = false;
        TaskRead result;
        EventList* events = nullptr;
        std::size_t worker = 0;
    };

    using Worker = WindowReader::ReadThread;

    ParallelRead(const LogFileList& files, const std::vector<Task>& tasks, std::uint64_t outputBound,
                 std::vector<std::unique_ptr<Worker>>& workers, unsigned threads)
        : files_(files), tasks_(tasks), outputBound_(outputBound), reads_(tasks.size()), workers_(workers),
          threads_(threads)
    {
    }

    std::size_t threadCount() const { return threads_; }

    // Reads tasks on thread `worker` (1 and up) until none is left.
    void work(std::size_t worker)
    {
        Worker& self = start(worker);
        std::unique_lock lock(mutex_);
        for (;;) {
            changed_.wait(lock, [&] { return next_ >= reads_.size() || canTakeNext(self); });
            if (next_ >= reads_.size())
                return;
            readNext(lock, worker);
        }
    }

    // Runs on the calling thread, as worker 0: reads tasks too, and joins
    // every task, in order, through join(task, slot).
    template <typename Join>
    void joinAll(Join join)
    {
        Worker& self = start(0);
        std::unique_lock lock(mutex_);
        while (joined_ < reads_.size()) {
            Slot& slot = reads_[joined_];
            if (slot.done) {
                const Task& task = tasks_[joined_++];
                lock.unlock();
                join(task, slot);
                // A list that grew to a large archive's events would keep
                // its memory while the rest of the window is read into the
                // window's list: the room stays, the memory goes.
                slot.events->clearDiscardingMemory();
                lock.lock();
                workers_[slot.worker]->free.push_back(slot.events);
                changed_.notify_all();
                continue;
            }
            if (next_ < reads_.size() && canTakeNext(self))
                readNext(lock, 0);
            else
                changed_.wait(lock);
        }
    }

    // The arenas every thread parsed into, for the window's arena to adopt
    // once every thread has ended.
    void adoptArenas(StringArena& arena)
    {
        for (const auto& worker : workers_) {
            if (worker && worker->started)
                arena.adopt(worker->parser->arena());
        }
    }

private:
    // Readies thread `worker` for this read. What a thread reads with is
    // made on the thread itself the first time, so that it lives in that
    // thread's heap, and is kept for the next read: its lists keep the
    // room they grew to.
    Worker& start(std::size_t worker)
    {
        std::unique_ptr<Worker>& self = workers_[worker];
        if (!self)
            self = std::make_unique<Worker>();
        // The time zone may have changed since the last read.
        self->parser->reset();
        self->free.clear();
        for (auto& list : self->lists)
            self->free.push_back(list.get());
        self->started = true;
        return *self;
    }

    // Whether the thread has a list for the next task. An archive is read
    // whole, so its list may hold a large file's events: a thread starts one
    // only with nothing of its own waiting to join, which keeps the
    // archives' lists in flight to one a thread.
    bool canTakeNext(const Worker& self) const
    {
        return self.free.size() >= (tasks_[next_].archive ? Worker::ListCount : 1);
    }

    // Reads the next task into a free list of the worker's. Called with the
    // lock held; it is let go while the task is read.
    void readNext(std::unique_lock<std::mutex>& lock, std::size_t worker)
    {
        Worker& self = *workers_[worker];
        const std::size_t i = next_++;
        // An archive's events go to the roomiest free list, so only one list
        // a thread grows to a whole archive's events. Anything else goes to
        // the list given back last, whose memory is the one most surely
        // backed and cached already: the further lists are touched only
        // when the join falls behind.
        const auto byRoom = [](const EventList* a, const EventList* b) { return a->capacity() < b->capacity(); };
        const auto chosen = tasks_[i].archive ? std::max_element(self.free.begin(), self.free.end(), byRoom)
                                              : self.free.end() - 1;
        EventList* events = *chosen;
        self.free.erase(chosen);
        lock.unlock();

        Slot slot;
        slot.events = events;
        slot.worker = worker;
        // Room for the task's events at once, as for the window's list: a
        // list doubled from its start touches twice the memory it ends with,
        // and a fresh process pays for every page of it.
        reserveForLogBytes(*events, tasks_[i].logBytes);
        self.parser->events().swap(*events);
        readTask(files_, tasks_[i], outputBound_, *self.parser, self.buffer.get(), slot.result);
        self.parser->events().swap(*events);

        lock.lock();
        slot.done = true;
        reads_[i] = std::move(slot);
        changed_.notify_all();
    }

    const LogFileList& files_;
    const std::vector<Task>& tasks_;
    const std::uint64_t outputBound_;
    std::vector<Slot> reads_;
    std::vector<std::unique_ptr<Worker>>& workers_;
    const std::size_t threads_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::size_t next_ = 0;
    std::size_t joined_ = 0;
};

} // namespace

WindowReader::WindowReader() : buffer_(new char[ReadBufferSize]) {}

WindowReader::~WindowReader() = default;

bool WindowReader::readWindow(LogFileList& files, LogParser& parser, std::int32_t start, int days)
{
    parser.reset();
    marks_.clear();
    if (!selectWindow(files, start, days))
        return false;
    bool opened = false;
    const auto finish = [&](FileRead& read) {
        opened = true;
        if (read.end != ReadEnd::Complete)
            noteCutShort(read.mark.name, read.end, read.delivered);
        marks_.push_back(std::move(read.mark));
    };

    // Content the window's archives gave so far, and what the next may give.
    std::uint64_t decoded = 0;
    const auto archiveBound = [&](std::uint64_t given) {
        return std::min(outputBound_, windowBound_ - std::min(windowBound_, given));
    };
    std::vector<Task> tasks;
    std::uint64_t logBytes = 0;
    const unsigned threads = planThreads(files, threads_, inlineBelow_, pieceBytes_, tasks, logBytes);
    // Room for the window's events at once, as far as its files' sizes tell:
    // a list doubled up to a heavy day's size from its start moves every
    // event several times and touches twice the memory it ends with.
    reserveForLogBytes(parser.events(), logBytes);
    if (threads > 1) {
        if (readThreads_.size() < threads)
            readThreads_.resize(threads);
        for (auto& thread : readThreads_) {
            if (thread)
                thread->started = false;
        }
        // Every archive is read against the whole window's bound at most;
        // the join then cuts, in reading order, what the bound leaves room
        // for, reading again the one archive it cuts into, so the window is
        // what a read on one thread makes of it.
        ParallelRead read(files, tasks, std::min(outputBound_, windowBound_), readThreads_, threads);
        std::vector<std::thread> pool;
        pool.reserve(threads - 1);
        // Without a further thread (the system refused one) the calling
        // thread reads everything itself.
        for (std::size_t worker = 1; worker < read.threadCount(); ++worker) {
            try {
                pool.emplace_back([&read, worker] { read.work(worker); });
            } catch (const std::system_error&) {
                break;
            }
        }
        // The pieces of a file join into one read of the whole file: its
        // size and identity as its last piece found them, its last line
        // feed wherever a piece saw it.
        FileRead whole;
        bool wholeOpened = false;
        bool everyPieceOpened = true;
        read.joinAll([&](const Task& task, ParallelRead::Slot& slot) {
            TaskRead& result = slot.result;
            if (task.archive && result.opened) {
                const std::uint64_t allowed = archiveBound(decoded);
                if (result.read.delivered > allowed) {
                    FileRead again;
                    if (readEntry(files, task.entry, allowed, parser, buffer_.get(), again)) {
                        decoded += again.delivered;
                        finish(again);
                    }
                    return;
                }
                decoded += result.read.delivered;
            }
            if (result.opened)
                parser.events().appendRange(slot.events->data(), slot.events->size());
            if (!task.piece) {
                if (result.opened)
                    finish(result.read);
                return;
            }
            if (task.begin == 0) {
                whole = FileRead{};
                whole.mark.name = files.entries[task.entry].name;
                wholeOpened = false;
                everyPieceOpened = true;
            }
            everyPieceOpened = everyPieceOpened && result.opened;
            if (result.opened) {
                wholeOpened = true;
                // The pieces hand out the file's lines once each, in order.
                keepLastBytes(whole.mark.lastBytes, result.lastBytes);
                whole.mark.complete = std::max(whole.mark.complete, result.feedEnd);
                whole.mark.size = std::max(whole.mark.size, result.position);
                whole.mark.tailEvent = whole.mark.tailEvent || result.tailEvent;
                if (whole.end == ReadEnd::Complete && result.read.end != ReadEnd::Complete) {
                    whole.end = result.read.end;
                    whole.delivered = result.read.delivered;
                }
            }
            if (!task.lastOfFile)
                return;
            whole.mark.consumed = whole.mark.size;
            whole.mark.device = result.read.mark.device;
            whole.mark.inode = result.read.mark.inode;
            whole.mark.modified = result.read.mark.modified;
            whole.mark.lastBytesKnown = everyPieceOpened
                && whole.mark.lastBytes.size() == std::min<std::uint64_t>(whole.mark.size, MarkedLastBytes);
            if (wholeOpened)
                finish(whole);
        });
        for (std::thread& thread : pool)
            thread.join();
        read.adoptArenas(parser.arena());
    } else {
        for (std::size_t i = files.windowFirst; i < files.windowStop; ++i) {
            FileRead read;
            const bool archive = compressionOfName(files.entries[i].name) != Compression::None;
            if (readEntry(files, i, archive ? archiveBound(decoded) : outputBound_, parser, buffer_.get(), read)) {
                if (archive)
                    decoded += read.delivered;
                finish(read);
            }
        }
    }
    files.windowFirst = files.windowStop;
    return opened;
}

void WindowReader::noteCutShort(const std::string& name, ReadEnd end, std::uint64_t delivered)
{
    for (FileCutShort& known : cutShort_) {
        if (known.name == name) {
            known = FileCutShort{name, end, delivered};
            return;
        }
    }
    cutShort_.push_back(FileCutShort{name, end, delivered});
}

bool WindowReader::selectWindow(LogFileList& files, std::int32_t start, int days)
{
    // Re-date the files named for the window's days by their first lines, so
    // a file begun late on one day and named for it sorts by its real start.
    char pattern[] = "L0000*.log";
    TimeStampConverter stamps;
    for (int d = 0; d < days; ++d) {
        std::tm fields{};
        if (!toLocalTime(addLocalDays(start, d), fields))
            continue;
        writeTwoDigits(pattern + 1, fields.tm_mon + 1);
        writeTwoDigits(pattern + 3, fields.tm_mday);
        for (LogFileEntry& entry : files.entries) {
            if (!matchesFileNamePattern(pattern, uncompressedName(entry.name)))
                continue;
            std::int32_t time = 0;
            entry.startTime = probeLogFile(files.pathOf(entry.name), stamps, time) ? time : 0;
        }
    }
    sortEntries(files);

    const auto& entries = files.entries;
    const auto startsAtOrAfter = [&](std::int64_t t) {
        return static_cast<std::size_t>(
            std::find_if(entries.begin(), entries.end(),
                         [t](const LogFileEntry& e) { return e.startTime >= t; })
            - entries.begin());
    };
    files.windowFirst = startsAtOrAfter(start);
    if (files.windowFirst == entries.size())
        return false;
    // When no file starts after the window, every file from the first one on
    // is read: otherwise the folder's last file could never be shown.
    // Calendar days: the day the clocks go back has 25 hours, and a file
    // begun in its last hour belongs to it.
    const std::int64_t end = addLocalDays(start, days);
    files.windowStop = files.windowFirst;
    while (files.windowStop < entries.size() && entries[files.windowStop].startTime < end)
        ++files.windowStop;
    return true;
}

} // namespace zelkam
