#include "history/day_windows.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

#include "ingest/thread_count.h"
#include "ingest/thread_group.h"
#include "ingest/window_reader.h"
#include "parse/log_parser.h"
#include "parse/stamp_order.h"

namespace zelkam {

bool FolderDays::scan(std::string_view folderPath)
{
    LogFileList scanned;
    if (!scanFolder(folderPath, scanned))
        return false;
    files = std::move(scanned);
    days.clear();
    appendDays(files, days);
    return true;
}

void FolderDays::assign(const LogFileList& knownFiles, const GrowArray<std::int32_t>& knownDays)
{
    files = knownFiles;
    days = knownDays;
}

namespace {

// The pieces a followed day's large files are read in (see
// Walk::ensureParsedFollowed).
constexpr std::uint64_t FollowedPieceBytes = std::uint64_t{384} << 10;

// A day's own files, parsed once, when some window needs them. Its parse
// serves up to three users: the day's own window, the next day's window and
// the in-order hand-over to done; each user releases it when done with it.
struct DaySlot {
    std::unique_ptr<LogParser> parser;
    bool readable = false;
    bool parsing = false;
    bool parsed = false;
    // Whether the look at the day's files was taken (or is under way), and
    // its answer.
    bool looked = false;
    bool looking = false;
    bool mayMatter = true;
    bool worked = false;
    int users = 0;
};

class Walk {
public:
    // The days of every folder in one row: the first folder's, then the
    // second's, and so on.
    Walk(const std::vector<FolderWalk>& folders, const std::atomic<bool>* stop, unsigned readerThreads,
         std::size_t keepDays)
        : folders_(folders), stop_(stop), readerThreads_(readerThreads), keepDays_(keepDays), cutShort_(folders.size())
    {
        for (std::size_t f = 0; f < folders_.size(); ++f) {
            for (std::size_t d = 0; d < folders_[f].folder->days.size(); ++d)
                row_.push_back({f, d});
            folderEnds_.push_back(row_.size());
        }
        slots_ = std::vector<DaySlot>(row_.size());
    }

    // Whether day g's window begins with the day before's files: only when
    // the day before is itself a day of the same folder.
    bool hasDayBefore(std::size_t g) const
    {
        if (g == 0 || row_[g - 1].folder != row_[g].folder)
            return false;
        const GrowArray<std::int32_t>& days = folderOf(g).days;
        return days[row_[g].day - 1] == addLocalDays(days[row_[g].day], -1);
    }

    // Works days until none is left. With alone, this is the walk's only
    // thread: it hands each day over as soon as it is worked, so it never
    // waits for room.
    void runWorker(std::size_t aheadLimit, bool alone = false)
    {
        EventList window;
        LogFileList dayFiles;
        WindowReader reader;
        // The walk keeps a thread per core busy with a day each; a folder of
        // fewer days than cores lends the rest to each day's read.
        reader.setThreads(readerThreads_);
        for (;;) {
            std::size_t g;
            {
                std::unique_lock lock(mutex_);
                // Keep at most aheadLimit days in memory beyond those handed
                // over, so a slow receiver never makes the walk hold a year.
                waitUntil(lock, [&] { return next_ >= slots_.size() || next_ < handedOver_ + aheadLimit || stopped(); });
                if (next_ >= slots_.size() || stopped())
                    return;
                g = next_++;
                slots_[g].users = 2 + (g + 1 < slots_.size() && hasDayBefore(g + 1) ? 1 : 0);
            }
            workDay(g, window, dayFiles, reader, alone);
            if (alone && !handOver(g + 1))
                return;
        }
    }

    // Runs on the calling thread: hands each finished day before upTo over
    // in order, each folder's finished called once its last day is. False
    // when the walk stopped first.
    bool handOver(std::size_t upTo)
    {
        for (std::size_t g = handedOver_; g < upTo; ++g) {
            const LogParser* own = nullptr;
            {
                std::unique_lock lock(mutex_);
                waitUntil(lock, [&] { return slots_[g].worked || (stopped() && g >= next_); });
                if (!slots_[g].worked)
                    return false;
                if (slots_[g].parsed && slots_[g].readable)
                    own = slots_[g].parser.get();
            }
            finishFoldersBefore(row_[g].folder);
            const FolderWalk& part = folders_[row_[g].folder];
            if (part.done)
                part.done(row_[g].day, own ? &own->events() : nullptr);
            std::lock_guard lock(mutex_);
            // A day done keeps is let go once done has had keepDays more.
            kept_.push_back(g);
            while (kept_.size() > keepDays_) {
                release(kept_.front());
                kept_.pop_front();
            }
            handedOver_ = g + 1;
            changed_.notify_all();
        }
        // Every day asked for was handed over: a stop that came after the
        // last one cut nothing short.
        return true;
    }

    // Calls finished, on the calling thread, for every folder before
    // folder not told yet: complete when each of its days was handed over.
    void finishFoldersBefore(std::size_t folder)
    {
        for (; finishedFolders_ < folder; ++finishedFolders_) {
            const FolderWalk& part = folders_[finishedFolders_];
            part.folder->filesCutShort = takeCutShort(finishedFolders_);
            if (part.finished)
                part.finished(handedOver_ >= folderEnds_[finishedFolders_]);
        }
    }

    std::size_t dayCount() const { return slots_.size(); }

    // Lets go of the days done kept, once nothing more is handed over.
    void releaseKept()
    {
        std::lock_guard lock(mutex_);
        for (const std::size_t g : kept_)
            release(g);
        kept_.clear();
        changed_.notify_all();
    }
    void setReaderThreads(unsigned threads) { readerThreads_ = threads; }

    void wakeAll()
    {
        std::lock_guard lock(mutex_);
        changed_.notify_all();
    }

private:
    // Where day g of the row is: its folder and its index among the
    // folder's days.
    struct RowDay {
        std::size_t folder = 0;
        std::size_t day = 0;
    };

    const FolderDays& folderOf(std::size_t g) const { return *folders_[row_[g].folder].folder; }

    std::vector<WindowReader::FileCutShort> takeCutShort(std::size_t folder)
    {
        std::lock_guard lock(mutex_);
        std::vector<WindowReader::FileCutShort>& files = cutShort_[folder];
        std::sort(files.begin(), files.end(), [](const auto& a, const auto& b) { return a.name < b.name; });
        return std::move(files);
    }

    // Day g's window: its look, its parse and the day before's, and work.
    // alone: this is the walk's only thread, the calling one.
    void workDay(std::size_t g, EventList& window, LogFileList& dayFiles, WindowReader& reader, bool alone)
    {
        const FolderWalk& part = folders_[row_[g].folder];
        const bool mayMatter = lookAt(g, dayFiles);
        const bool withDayBefore = hasDayBefore(g);
        const bool beforeMayMatter = withDayBefore && lookAt(g - 1, dayFiles);

        if (!part.work) {
            // The day's own events are what the day's window and the next
            // day's would hold of it: wanted when either may matter.
            if (mayMatter || beforeMayMatter || (g + 1 < slots_.size() && hasDayBefore(g + 1) && lookAt(g + 1, dayFiles))) {
                // Every day before this one was handed over on this thread
                // already: follow may take the day up as it is read.
                if (alone && part.follow)
                    ensureParsedFollowed(g, dayFiles, reader, part);
                else
                    ensureParsed(g, dayFiles, reader);
            }
            finishWindow(g, withDayBefore);
            return;
        }
        DayWindow view;
        view.index = row_[g].day;
        view.day = folderOf(g).days[row_[g].day];
        if (!mayMatter && !beforeMayMatter) {
            view.passedOver = true;
            part.work(view);
            finishWindow(g, withDayBefore);
            return;
        }
        ensureParsed(g, dayFiles, reader);
        const LogParser* before = nullptr;
        bool beforeReadable = false;
        if (withDayBefore) {
            ensureParsed(g - 1, dayFiles, reader);
            std::lock_guard lock(mutex_);
            before = slots_[g - 1].parser.get();
            beforeReadable = slots_[g - 1].readable;
        }
        const DaySlot& own = slots_[g];
        // Joining copies the day's events. When they came from archives, the
        // copy costs what their text took from the process's pool a second
        // time; when the pool cannot give that, the day is handed over as
        // its own files read it, without the day before: its own lines are
        // never lost for the day before's.
        TextHolding copyShare;
        const std::uint64_t copyCost = own.readable ? own.parser->textHolding().held() : 0;
        const std::size_t beforeCount = before && beforeReadable ? before->events().size() : 0;
        const bool copyRefused = copyCost > 0 && copyShare.take(copyCost) < copyCost;
        // With nothing of the day before to join, the window is the day's
        // own list as read too, which a copy would only repeat in memory met
        // for the first time (a day of many events, the first of its folder,
        // would pay for every page of it).
        if (copyRefused || (beforeCount == 0 && own.readable && !hasStrayStamps(own.parser->events()))) {
            copyShare.release();
            view.ownFirst = 0;
            view.window = &own.parser->events();
            view.ownList = true;
        } else if (own.readable || beforeReadable) {
            // The viewer reads the window as one list: the day before's
            // files, then the day's. An unreadable day before is simply
            // missing from it, as it would be from the viewer's read.
            // Room for both parts is made at once: a day of many events
            // would otherwise be moved at each doubling on its way in.
            window.clear();
            const std::size_t ownCount = own.readable ? own.parser->events().size() : 0;
            window.reserveDoubling(beforeCount + ownCount);
            if (beforeCount > 0)
                window.appendRange(before->events().data(), beforeCount);
            view.ownFirst = window.size();
            if (ownCount > 0)
                window.appendRange(own.parser->events().data(), ownCount);
            // Each part was judged on its own; where they meet, a stray line
            // at the end of the day before is judged again as the viewer's
            // read of the whole window judges it.
            setAsideStrayStamps(window, 0, &view.ownFirst);
            view.window = &window;
        }
        part.work(view);
        finishWindow(g, withDayBefore);
    }

    // The stop flag is set from outside without a notification, so waits
    // that depend on it look again every few milliseconds.
    template <typename Predicate>
    void waitUntil(std::unique_lock<std::mutex>& lock, Predicate ready)
    {
        while (!ready())
            changed_.wait_for(lock, std::chrono::milliseconds(20));
    }

    bool stopped() const { return stop_ && stop_->load(std::memory_order_relaxed); }

    // Day g's look, taken once: here, unless it was taken or is under way
    // on another worker (then its answer is waited for; a look waits for
    // nothing itself). True without a look.
    bool lookAt(std::size_t g, LogFileList& dayFiles)
    {
        const DayFilesLook& look = folders_[row_[g].folder].look;
        if (!look)
            return true;
        {
            std::unique_lock lock(mutex_);
            changed_.wait(lock, [&] { return !slots_[g].looking; });
            if (slots_[g].looked)
                return slots_[g].mayMatter;
            slots_[g].looking = true;
        }
        selectDayFiles(g, dayFiles);
        const bool mayMatter = look(dayFiles);
        std::lock_guard lock(mutex_);
        slots_[g].looking = false;
        slots_[g].looked = true;
        slots_[g].mayMatter = mayMatter;
        changed_.notify_all();
        return mayMatter;
    }

    // Only the day's own files: the reader picks those beginning inside the
    // one-day window.
    void selectDayFiles(std::size_t g, LogFileList& dayFiles) const
    {
        const FolderDays& folder = folderOf(g);
        const std::int32_t day = folder.days[row_[g].day];
        const std::int64_t nextDay = addLocalDays(day, 1);
        dayFiles.folder = folder.files.folder;
        dayFiles.entries.clear();
        for (const LogFileEntry& entry : folder.files.entries) {
            if (entry.startTime >= day && entry.startTime < nextDay)
                dayFiles.entries.append(entry);
        }
    }

    // ensureParsed, handing the day's events to part.follow as its read
    // joins them.
    void ensureParsedFollowed(std::size_t g, LogFileList& dayFiles, WindowReader& reader, const FolderWalk& part)
    {
        // Folders before this day's are told they are finished before
        // any of its events is followed, as before done gets any.
        finishFoldersBefore(row_[g].folder);
        const std::size_t index = row_[g].day;
        // The read is cut into smaller pieces than a read no one follows:
        // each joins sooner and is taken up while it is still in the cache,
        // and the last one, which follow takes up alone once the threads
        // have nothing left to read, is short.
        reader.setPieceBytes(FollowedPieceBytes);
        ensureParsed(g, dayFiles, reader, [&](const EventList& events, std::size_t first, std::size_t last) {
            part.follow(index, events, first, last);
        });
        reader.setPieceBytes(WindowReader::DefaultPieceBytes);
    }

    // Parses day g's files unless that is done or under way on another
    // worker, in which case it waits for it. Only a user of the day that has
    // not released it calls this, so the parse cannot come too late.
    // joined: the read's (see WindowReader::readWindow).
    void ensureParsed(std::size_t g, LogFileList& dayFiles, WindowReader& reader,
                      const WindowReader::JoinedRun& joined = {})
    {
        {
            std::unique_lock lock(mutex_);
            changed_.wait(lock, [&] { return !slots_[g].parsing; });
            if (slots_[g].parsed)
                return;
            slots_[g].parsing = true;
        }
        selectDayFiles(g, dayFiles);
        // A parser of an earlier day keeps its event list's storage, so the
        // next day's events land in memory already mapped.
        std::unique_ptr<LogParser> parser;
        {
            std::lock_guard lock(mutex_);
            if (!spare_.empty()) {
                parser = std::move(spare_.back());
                spare_.pop_back();
            }
        }
        if (!parser)
            parser = std::make_unique<LogParser>();
        const FolderDays& folder = folderOf(g);
        parser->setAllKinds(folder.allKinds);
        const bool readable = reader.readWindow(dayFiles, *parser, folder.days[row_[g].day], 1, true, joined);
        std::lock_guard lock(mutex_);
        for (const WindowReader::FileCutShort& file : reader.cutShort())
            cutShort_[row_[g].folder].push_back(file);
        reader.forgetCutShort();
        slots_[g].parser = std::move(parser);
        slots_[g].readable = readable;
        slots_[g].parsing = false;
        slots_[g].parsed = true;
        changed_.notify_all();
    }

    // Day g's window is done: its uses of its own parse and the day
    // before's end.
    void finishWindow(std::size_t g, bool withDayBefore)
    {
        std::lock_guard lock(mutex_);
        slots_[g].worked = true;
        if (withDayBefore)
            release(g - 1);
        release(g);
        changed_.notify_all();
    }

    // Called with the lock held.
    void release(std::size_t g)
    {
        if (--slots_[g].users == 0 && slots_[g].parser)
            spare_.push_back(std::move(slots_[g].parser));
    }

    const std::vector<FolderWalk>& folders_;
    const std::atomic<bool>* stop_;
    unsigned readerThreads_;
    const std::size_t keepDays_;
    std::vector<RowDay> row_;
    // Where each folder's days end in the row.
    std::vector<std::size_t> folderEnds_;
    std::vector<DaySlot> slots_;
    std::vector<std::vector<WindowReader::FileCutShort>> cutShort_;
    // The days handed over that done still keeps, oldest first.
    std::deque<std::size_t> kept_;
    std::vector<std::unique_ptr<LogParser>> spare_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::size_t next_ = 0;
    std::size_t handedOver_ = 0;
    // Folders whose finished was called, from the first.
    std::size_t finishedFolders_ = 0;
};

} // namespace

bool walkFolders(const std::vector<FolderWalk>& folders, const std::atomic<bool>* stop, unsigned threads,
                 std::size_t keepDays)
{
    if (threads == 0)
        threads = threadCount();
    const unsigned cores = threads;
    Walk walk(folders, stop, 1, keepDays);
    threads = static_cast<unsigned>(std::min<std::size_t>(threads, std::max<std::size_t>(1, walk.dayCount())));
    // A walk of two days (a day and the day before it, as a day's rankings
    // read) gives each day's read every core: the two are seldom alike (the
    // day before may hold a few minutes past its midnight, the day itself a
    // flood), and a large day read on one core while the other day is done
    // costs far more than twice as many threads as cores. More days share
    // the cores out, so that many cores and a week never make a reader
    // thread for every core of every day.
    walk.setReaderThreads(walk.dayCount() <= 2 ? cores : std::max(1u, cores / threads));
    const std::size_t aheadLimit = 4 * std::size_t{threads};
    // One thread is this one: it works each day and hands it over. So is a
    // walk the system gives no further thread to.
    ThreadGroup workers;
    if (threads > 1)
        workers.start(threads, [&](unsigned) { walk.runWorker(aheadLimit); });
    bool complete;
    if (workers.size() == 0) {
        walk.runWorker(aheadLimit, true);
        complete = walk.handOver(walk.dayCount());
        walk.releaseKept();
    } else {
        complete = walk.handOver(walk.dayCount());
        walk.releaseKept();
        // A stop set while a worker waits for room must wake it.
        walk.wakeAll();
        workers.join();
    }
    // The folders whose days were all handed over are whole; the rest are
    // told they were cut short.
    walk.finishFoldersBefore(folders.size());
    return complete;
}

bool walkDayWindows(FolderDays& folder, const std::atomic<bool>* stop,
                    const std::function<void(const DayWindow&)>& work,
                    const std::function<void(std::size_t index, const EventList* ownEvents)>& done, unsigned threads,
                    const DayFilesLook& look, std::size_t keepDays)
{
    std::vector<FolderWalk> one(1);
    one[0].folder = &folder;
    one[0].work = work;
    one[0].done = done;
    one[0].look = look;
    return walkFolders(one, stop, threads, keepDays);
}

} // namespace zelkam
