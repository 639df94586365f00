#include "ingest/parallel_read.h"

#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <new>

#include "ingest/file_mark.h"
#include "ingest/open_file.h"
#include "ingest/thread_count.h"
#include "ingest/thread_group.h"

namespace zelkam {
namespace {

// The shortest line that is an event ("L 01/01/2001 - 00:00:00: Log file
// closed") is 41 bytes; real servers' lines average 70 to 85, and a player
// renaming himself writes lines of 60. Room for each line being that short
// costs only address space, as room never filled is never backed, whereas
// room too small moves every event of the list once more and touches twice
// the memory.
constexpr std::uint64_t BytesPerEventAtLeast = 40;
constexpr std::uint64_t MaxReservedEvents = std::uint64_t{1} << 22;

} // namespace

void reserveForLogBytes(EventList& events, std::uint64_t logBytes)
{
    try {
        events.reserveDoubling(
            static_cast<std::size_t>(std::min<std::uint64_t>(logBytes / BytesPerEventAtLeast, MaxReservedEvents)));
    } catch (const std::bad_alloc&) {
    }
}

namespace {

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

void readTask(const LogFileList& files, const ReadTask& task, std::uint64_t outputBound, LogParser& parser,
              char* buffer, TaskRead& result)
{
    if (!task.piece) {
        result.opened = readWholeFile(files, task.entry, outputBound, parser, buffer, result.read);
        return;
    }
    const std::string& name = files.entries[task.entry].name;
    std::FILE* file = openLogForReading(files.pathOf(name));
    if (!file)
        return;
    result.opened = true;
    PieceSource source(file, task.begin, task.end);
    FileMark relative;
    readOnFromMark(source, parser, relative, buffer, ReadBufferSize, false);
    result.tailEvent = relative.tailEvent;
    result.position = source.position();
    result.feedEnd = source.feedEnd();
    result.read.end = source.end();
    result.read.delivered = task.begin + source.delivered();
    result.lastBytes = std::move(relative.lastBytes);
    if (task.lastOfFile)
        statOpenFileMark(source.file(), result.read.mark);
}

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

    using Worker = ReadWorker;

    ParallelRead(const LogFileList& files, const std::vector<ReadTask>& tasks, std::uint64_t outputBound,
                 std::vector<std::unique_ptr<Worker>>& workers, unsigned threads)
        : files_(files), tasks_(tasks), outputBound_(outputBound), reads_(tasks.size()), workers_(workers),
          threads_(threads)
    {
    }

    std::size_t threadCount() const { return threads_; }
    // The threads' parsers recognise what the window's own parser does.
    void setAllKinds(bool all) { allKinds_ = all; }

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
                const ReadTask& task = tasks_[joined_++];
                lock.unlock();
                join(task, slot);
                // A list that grew to a large archive's events would keep
                // its memory while the rest of the window is read into the
                // window's list: the room stays, the memory goes. A plain
                // file's or piece's list keeps its memory for the thread's
                // next task, which would otherwise have to have it backed
                // again, page by page, for every piece of a heavy day; the
                // read lets it go when it ends (releaseLists).
                if (task.archive)
                    slot.events->clearDiscardingMemory();
                else
                    slot.events->clear();
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

    // Once every thread has ended: the threads' lists keep their room for
    // the next read, but not the memory behind it, which was theirs only
    // while this read passed the tasks through them.
    void releaseLists()
    {
        for (const auto& worker : workers_) {
            if (worker && worker->started) {
                for (auto& list : worker->lists)
                    list->clearDiscardingMemory();
            }
        }
    }

    // The arenas every thread parsed into, for the window's arena to adopt
    // once every thread has ended, with their shares of the text pool.
    void adoptArenas(LogParser& parser)
    {
        for (const auto& worker : workers_) {
            if (worker && worker->started) {
                parser.arena().adopt(worker->parser->arena());
                parser.textHolding().adopt(worker->parser->textHolding());
            }
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
        self->parser->setAllKinds(allKinds_);
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
    const std::vector<ReadTask>& tasks_;
    const std::uint64_t outputBound_;
    std::vector<Slot> reads_;
    std::vector<std::unique_ptr<Worker>>& workers_;
    bool allKinds_ = false;
    const std::size_t threads_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::size_t next_ = 0;
    std::size_t joined_ = 0;
};

} // namespace

ReadPlan planWindowRead(const LogFileList& files, unsigned threads, std::uint64_t inlineBelow,
                        std::uint64_t pieceBytes, std::uint64_t archiveWeight)
{
    ReadPlan plan;
    const unsigned wanted = threads > 0 ? threads : threadCount();
    for (std::size_t i = files.windowFirst; i < files.windowStop; ++i) {
        const std::string& name = files.entries[i].name;
        FileMark mark;
        const std::uint64_t size = statFileMark(files.pathOf(name), mark) ? mark.size : 0;
        const bool archive = compressionOfName(name) != Compression::None;
        if (archive || size <= pieceBytes) {
            const std::uint64_t text = archive ? size * archiveWeight : size;
            plan.logBytes += text;
            plan.tasks.push_back(ReadTask{i, false, archive, 0, ToTheEnd, true, text});
            continue;
        }
        // Pieces of about equal size; the last one reads on to whatever the
        // file holds by then.
        plan.logBytes += size;
        const std::uint64_t pieces = (size + pieceBytes - 1) / pieceBytes;
        for (std::uint64_t k = 0; k < pieces; ++k) {
            const bool last = k + 1 == pieces;
            const std::uint64_t begin = size * k / pieces;
            const std::uint64_t end = size * (k + 1) / pieces;
            plan.tasks.push_back(ReadTask{i, true, false, begin, last ? ToTheEnd : end, last, end - begin});
        }
    }
    if (wanted > 1 && plan.logBytes >= inlineBelow && plan.tasks.size() > 1)
        plan.threads = static_cast<unsigned>(std::min<std::size_t>(wanted, plan.tasks.size()));
    return plan;
}

void readInParallel(const LogFileList& files, const ReadPlan& plan, ArchiveBudget& budget,
                    std::vector<std::unique_ptr<ReadWorker>>& workers, LogParser& parser, char* buffer,
                    const std::function<void(FileRead&)>& finish,
                    const std::function<void(const EventList&)>& joined)
{
    if (workers.size() < plan.threads)
        workers.resize(plan.threads);
    for (auto& worker : workers) {
        if (worker)
            worker->started = false;
    }
    // Every archive is read against the budget's whole room at most; the
    // join then cuts, in reading order, what the budget leaves room for,
    // reading again the one archive it cuts into.
    ParallelRead read(files, plan.tasks, budget.next(), workers, plan.threads);
    read.setAllKinds(parser.allKinds());
    // The calling thread is worker 0; without a further thread (the system
    // refused one) it reads everything itself.
    ThreadGroup pool;
    pool.start(static_cast<unsigned>(std::max<std::size_t>(read.threadCount(), 1) - 1),
               [&read](unsigned index) { read.work(index + 1); });
    // The pieces of a file join into one read of the whole file: its size
    // and identity as its last piece found them, its last line feed
    // wherever a piece saw it.
    FileRead whole;
    bool wholeOpened = false;
    bool everyPieceOpened = true;
    const auto join = [&](const ReadTask& task, ParallelRead::Slot& slot) {
        TaskRead& result = slot.result;
        if (task.archive && result.opened) {
            const std::uint64_t allowed = budget.next();
            if (result.read.delivered > allowed) {
                FileRead again;
                if (readWholeFile(files, task.entry, allowed, parser, buffer, again)) {
                    budget.spent += again.delivered;
                    finish(again);
                }
                return;
            }
            budget.spent += result.read.delivered;
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
    };
    read.joinAll([&](const ReadTask& task, ParallelRead::Slot& slot) {
        join(task, slot);
        if (joined)
            joined(parser.events());
    });
    pool.join();
    read.releaseLists();
    read.adoptArenas(parser);
}

} // namespace zelkam
