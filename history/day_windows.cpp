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
    Walk(const FolderDays& folder, const std::atomic<bool>* stop, const std::function<void(const DayWindow&)>& work,
         const DayFilesLook& look, unsigned readerThreads, std::size_t keepDays)
        : folder_(folder), stop_(stop), work_(work), look_(look), readerThreads_(readerThreads),
          keepDays_(keepDays), slots_(folder.days.size())
    {
    }

    // Whether day index d's window begins with the day before's files: only
    // when the day before is itself a day of the folder.
    bool hasDayBefore(std::size_t d) const
    {
        return d > 0 && folder_.days[d - 1] == addLocalDays(folder_.days[d], -1);
    }

    using HandOver = std::function<void(std::size_t, const EventList*)>;

    // Works days until none is left. With alone, this is the walk's only
    // thread: it hands each day over as soon as it is worked, so it never
    // waits for room.
    void runWorker(std::size_t aheadLimit, const HandOver* alone = nullptr)
    {
        EventList window;
        LogFileList dayFiles;
        dayFiles.folder = folder_.files.folder;
        WindowReader reader;
        // The walk keeps a thread per core busy with a day each; a folder of
        // fewer days than cores lends the rest to each day's read.
        reader.setThreads(readerThreads_);
        for (;;) {
            std::size_t d;
            {
                std::unique_lock lock(mutex_);
                // Keep at most aheadLimit days in memory beyond those handed
                // over, so a slow receiver never makes the walk hold a year.
                waitUntil(lock, [&] { return next_ >= slots_.size() || next_ < handedOver_ + aheadLimit || stopped(); });
                if (next_ >= slots_.size() || stopped())
                    return;
                d = next_++;
                slots_[d].users = 2 + (d + 1 < slots_.size() && hasDayBefore(d + 1) ? 1 : 0);
            }
            workDay(d, window, dayFiles, reader);
            if (alone && !handOver(*alone, d + 1))
                return;
        }
    }

    // Runs on the calling thread: hands each finished day before upTo over
    // in order. False when the walk stopped first.
    bool handOver(const HandOver& done, std::size_t upTo)
    {
        for (std::size_t d = handedOver_; d < upTo; ++d) {
            const LogParser* own = nullptr;
            {
                std::unique_lock lock(mutex_);
                waitUntil(lock, [&] { return slots_[d].worked || (stopped() && d >= next_); });
                if (!slots_[d].worked)
                    return false;
                if (slots_[d].parsed && slots_[d].readable)
                    own = slots_[d].parser.get();
            }
            done(d, own ? &own->events() : nullptr);
            std::lock_guard lock(mutex_);
            // A day done keeps is let go once done has had keepDays more.
            kept_.push_back(d);
            while (kept_.size() > keepDays_) {
                release(kept_.front());
                kept_.pop_front();
            }
            handedOver_ = d + 1;
            changed_.notify_all();
        }
        // Every day asked for was handed over: a stop that came after the
        // last one cut nothing short.
        return true;
    }

    std::size_t dayCount() const { return slots_.size(); }

    // Lets go of the days done kept, once nothing more is handed over.
    void releaseKept()
    {
        std::lock_guard lock(mutex_);
        for (const std::size_t d : kept_)
            release(d);
        kept_.clear();
        changed_.notify_all();
    }

    void wakeAll()
    {
        std::lock_guard lock(mutex_);
        changed_.notify_all();
    }

    std::vector<WindowReader::FileCutShort> takeCutShort()
    {
        std::lock_guard lock(mutex_);
        std::sort(cutShort_.begin(), cutShort_.end(),
                  [](const auto& a, const auto& b) { return a.name < b.name; });
        return std::move(cutShort_);
    }

private:
    std::vector<WindowReader::FileCutShort> cutShort_;

    // Day d's window: its look, its parse and the day before's, and work.
    void workDay(std::size_t d, EventList& window, LogFileList& dayFiles, WindowReader& reader)
    {
        const bool mayMatter = lookAt(d, dayFiles);
        const bool withDayBefore = hasDayBefore(d);
        const bool beforeMayMatter = withDayBefore && lookAt(d - 1, dayFiles);

        if (!work_) {
            // The day's own events are what the day's window and the next
            // day's would hold of it: wanted when either may matter.
            if (mayMatter || beforeMayMatter ||
                (d + 1 < slots_.size() && hasDayBefore(d + 1) && lookAt(d + 1, dayFiles)))
                ensureParsed(d, dayFiles, reader);
            finishWindow(d, withDayBefore);
            return;
        }
        DayWindow view;
        view.index = d;
        view.day = folder_.days[d];
        if (!mayMatter && !beforeMayMatter) {
            view.passedOver = true;
            work_(view);
            finishWindow(d, withDayBefore);
            return;
        }
        ensureParsed(d, dayFiles, reader);
        const LogParser* before = nullptr;
        bool beforeReadable = false;
        if (withDayBefore) {
            ensureParsed(d - 1, dayFiles, reader);
            std::lock_guard lock(mutex_);
            before = slots_[d - 1].parser.get();
            beforeReadable = slots_[d - 1].readable;
        }
        const DaySlot& own = slots_[d];
        // Joining copies the day's events. When they came from archives, the
        // copy costs what their text took from the process's pool a second
        // time; when the pool cannot give that, the day is handed over as
        // its own files read it, without the day before: its own lines are
        // never lost for the day before's.
        TextHolding copyShare;
        const std::uint64_t copyCost = own.readable ? own.parser->textHolding().held() : 0;
        if (copyCost > 0 && copyShare.take(copyCost) < copyCost) {
            copyShare.release();
            view.ownFirst = 0;
            view.window = &own.parser->events();
        } else if (own.readable || beforeReadable) {
            // The viewer reads the window as one list: the day before's
            // files, then the day's. An unreadable day before is simply
            // missing from it, as it would be from the viewer's read.
            window.clear();
            if (before && beforeReadable) {
                for (const LogEvent& event : before->events())
                    window.append(event);
            }
            view.ownFirst = window.size();
            if (own.readable) {
                for (const LogEvent& event : own.parser->events())
                    window.append(event);
            }
            // Each part was judged on its own; where they meet, a stray line
            // at the end of the day before is judged again as the viewer's
            // read of the whole window judges it.
            setAsideStrayStamps(window, 0, &view.ownFirst);
            view.window = &window;
        }
        work_(view);
        finishWindow(d, withDayBefore);
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

    // Day d's look, taken once: here, unless it was taken or is under way
    // on another worker (then its answer is waited for; a look waits for
    // nothing itself). True without a look.
    bool lookAt(std::size_t d, LogFileList& dayFiles)
    {
        if (!look_)
            return true;
        {
            std::unique_lock lock(mutex_);
            changed_.wait(lock, [&] { return !slots_[d].looking; });
            if (slots_[d].looked)
                return slots_[d].mayMatter;
            slots_[d].looking = true;
        }
        selectDayFiles(d, dayFiles);
        const bool mayMatter = look_(dayFiles);
        std::lock_guard lock(mutex_);
        slots_[d].looking = false;
        slots_[d].looked = true;
        slots_[d].mayMatter = mayMatter;
        changed_.notify_all();
        return mayMatter;
    }

    // Only the day's own files: the reader picks those beginning inside the
    // one-day window.
    void selectDayFiles(std::size_t d, LogFileList& dayFiles) const
    {
        const std::int32_t day = folder_.days[d];
        const std::int64_t nextDay = addLocalDays(day, 1);
        dayFiles.entries.clear();
        for (const LogFileEntry& entry : folder_.files.entries) {
            if (entry.startTime >= day && entry.startTime < nextDay)
                dayFiles.entries.append(entry);
        }
    }

    // Parses day d's files unless that is done or under way on another
    // worker, in which case it waits for it. Only a user of the day that has
    // not released it calls this, so the parse cannot come too late.
    void ensureParsed(std::size_t d, LogFileList& dayFiles, WindowReader& reader)
    {
        {
            std::unique_lock lock(mutex_);
            changed_.wait(lock, [&] { return !slots_[d].parsing; });
            if (slots_[d].parsed)
                return;
            slots_[d].parsing = true;
        }
        selectDayFiles(d, dayFiles);
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
        parser->setAllKinds(folder_.allKinds);
        const bool readable = reader.readWindow(dayFiles, *parser, folder_.days[d], 1);
        std::lock_guard lock(mutex_);
        for (const WindowReader::FileCutShort& file : reader.cutShort())
            cutShort_.push_back(file);
        reader.forgetCutShort();
        slots_[d].parser = std::move(parser);
        slots_[d].readable = readable;
        slots_[d].parsing = false;
        slots_[d].parsed = true;
        changed_.notify_all();
    }

    // Day d's window is done: its uses of its own parse and the day
    // before's end.
    void finishWindow(std::size_t d, bool withDayBefore)
    {
        std::lock_guard lock(mutex_);
        slots_[d].worked = true;
        if (withDayBefore)
            release(d - 1);
        release(d);
        changed_.notify_all();
    }

    // Called with the lock held.
    void release(std::size_t d)
    {
        if (--slots_[d].users == 0 && slots_[d].parser)
            spare_.push_back(std::move(slots_[d].parser));
    }

    const FolderDays& folder_;
    const std::atomic<bool>* stop_;
    const std::function<void(const DayWindow&)>& work_;
    const DayFilesLook& look_;
    const unsigned readerThreads_;
    const std::size_t keepDays_;
    std::vector<DaySlot> slots_;
    // The days handed over that done still keeps, oldest first.
    std::deque<std::size_t> kept_;
    std::vector<std::unique_ptr<LogParser>> spare_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::size_t next_ = 0;
    std::size_t handedOver_ = 0;
};

} // namespace

bool walkDayWindows(FolderDays& folder, const std::atomic<bool>* stop,
                    const std::function<void(const DayWindow&)>& work,
                    const std::function<void(std::size_t index, const EventList* ownEvents)>& done, unsigned threads,
                    const DayFilesLook& look, std::size_t keepDays)
{
    if (threads == 0)
        threads = threadCount();
    const unsigned cores = threads;
    threads = static_cast<unsigned>(std::min<std::size_t>(threads, std::max<std::size_t>(1, folder.days.size())));
    Walk walk(folder, stop, work, look, std::max(1u, cores / threads), keepDays);
    const std::size_t aheadLimit = 4 * std::size_t{threads};
    // One thread is this one: it works each day and hands it over. So is a
    // walk the system gives no further thread to.
    ThreadGroup workers;
    if (threads > 1)
        workers.start(threads, [&](unsigned) { walk.runWorker(aheadLimit); });
    bool complete;
    if (workers.size() == 0) {
        walk.runWorker(aheadLimit, &done);
        complete = walk.handOver(done, walk.dayCount());
        walk.releaseKept();
    } else {
        complete = walk.handOver(done, walk.dayCount());
        walk.releaseKept();
        // A stop set while a worker waits for room must wake it.
        walk.wakeAll();
        workers.join();
    }
    folder.filesCutShort = walk.takeCutShort();
    return complete;
}

} // namespace zelkam
