#include "ingest/window_reader.h"

#include <algorithm>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <system_error>
#include <thread>

#include "ingest/open_file.h"
#include "ingest/thread_count.h"
#include "parse/time_stamp.h"

#if defined(__unix__) || defined(__APPLE__)
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace zelkam {
namespace {

constexpr std::size_t ReadBufferSize = 1 << 17;

// Opens a log file for reading only, refusing anything but a regular file:
// a FIFO named like a log would block the read forever, and merely opening a
// device can act on it (a tape rewinds, a terminal becomes ours). So the
// path is looked at before it is opened; and since it may be swapped for
// something else between the look and the open, the open neither waits nor
// takes a terminal, and what was opened is checked again.
std::FILE* openForReading(const std::filesystem::path& path)
{
#if defined(__unix__) || defined(__APPLE__)
    struct stat before {};
    if (::stat(path.c_str(), &before) != 0 || !S_ISREG(before.st_mode))
        return nullptr;
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return nullptr;
    struct stat status {};
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
        ::close(fd);
        return nullptr;
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    std::FILE* file = ::fdopen(fd, "rb");
    if (!file)
        ::close(fd);
    return file;
#elif defined(_WIN32)
    return openSharedForReading(path);
#else
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error))
        return nullptr;
    return std::fopen(path.string().c_str(), "rb");
#endif
}

void writeTwoDigits(char* at, int value)
{
    at[0] = static_cast<char>('0' + value / 10 % 10);
    at[1] = static_cast<char>('0' + value % 10);
}

// Feeds every line of source to parser, noting in mark how far it was read.
void readFile(BlockSource& source, LogParser& parser, FileMark& mark, char* buffer)
{
    // The whole lines of each read go to the parser as one block; a line
    // that straddles two reads is gathered in `line`. Only the first 255
    // characters of a line count: the rest, up to its line feed, is dropped
    // so that player text beyond that point can never pose as a line.
    constexpr std::size_t maxLine = LogParser::MaxLineLength;
    char line[maxLine];
    std::size_t lineLength = 0;
    bool gathering = false;
    const auto gather = [&](std::string_view piece) {
        const std::size_t take = std::min(piece.size(), maxLine - lineLength);
        std::memcpy(line + lineLength, piece.data(), take);
        lineLength += take;
        gathering = true;
    };

    std::size_t got;
    while ((got = source.read(buffer, ReadBufferSize)) > 0) {
        std::string_view chunk(buffer, got);
        const std::size_t lastFeedInRead = chunk.rfind('\n');
        if (lastFeedInRead != std::string_view::npos)
            mark.complete = mark.size + lastFeedInRead + 1;
        mark.size += got;
        if (gathering) {
            const std::size_t feed = chunk.find('\n');
            gather(chunk.substr(0, feed == std::string_view::npos ? chunk.size() : feed + 1));
            if (feed == std::string_view::npos)
                continue;
            parser.processLine(std::string_view(line, lineLength));
            lineLength = 0;
            gathering = false;
            chunk.remove_prefix(feed + 1);
        }
        const std::size_t lastFeed = chunk.rfind('\n');
        if (lastFeed != std::string_view::npos) {
            parser.processLines(chunk.substr(0, lastFeed + 1));
            chunk.remove_prefix(lastFeed + 1);
        }
        if (!chunk.empty())
            gather(chunk);
    }
    mark.consumed = mark.size;
    if (gathering && lineLength > 0) {
        const std::size_t before = parser.events().size();
        parser.processLine(std::string_view(line, lineLength));
        mark.tailEvent = parser.events().size() != before;
    }
}

// One file of the window as a read leaves it: how far it was read and how
// its content ended. False when it could not be opened (it is then passed
// over, so one bad file does not hide the rest of the day).
struct FileRead {
    FileMark mark;
    ReadEnd end = ReadEnd::Complete;
    std::uint64_t delivered = 0;
};

bool readEntry(const LogFileList& files, std::size_t index, std::uint64_t outputBound, LogParser& parser,
               char* buffer, FileRead& read)
{
    const std::string& name = files.entries[index].name;
    std::FILE* file = openForReading(files.pathOf(name));
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
    }
    return true;
}

// The window's files read on several threads. Each thread takes the next
// file in reading order and parses it with a parser of its own into a list
// of its own; the calling thread, between files, appends the finished lists
// to the window's list in reading order and hands them back for reuse.
// Threads run at most a few files ahead of the joined ones, so the lists
// waiting to join stay few however long the window.
class ParallelRead {
public:
    ParallelRead(const LogFileList& files, std::uint64_t outputBound, unsigned threads)
        : files_(files), outputBound_(outputBound), first_(files.windowFirst),
          reads_(files.windowStop - files.windowFirst), ahead_(2 * std::size_t{threads} + 2)
    {
        for (unsigned t = 0; t < threads; ++t)
            workers_.push_back(std::make_unique<Worker>());
    }

    std::size_t threadCount() const { return workers_.size(); }

    // Reads files on a thread of the pool until none is left.
    void work(std::size_t worker)
    {
        std::unique_lock lock(mutex_);
        while (startNext(lock, *workers_[worker]))
            ;
    }

    // Runs on the calling thread: reads files too and joins every file, in
    // order, into parser through join.
    template <typename Join>
    void joinAll(Join join)
    {
        std::unique_lock lock(mutex_);
        while (joined_ < reads_.size()) {
            Slot& slot = reads_[joined_];
            if (slot.done) {
                ++joined_;
                changed_.notify_all();
                lock.unlock();
                join(slot);
                lock.lock();
                if (slot.events) {
                    spare_.push_back(std::move(slot.events));
                    spare_.back()->clear();
                }
                continue;
            }
            if (!startNext(lock, *workers_[0]))
                changed_.wait(lock);
        }
    }

    // The arenas every worker parsed into, for the window's arena to adopt
    // once every thread has ended.
    void adoptArenas(StringArena& arena)
    {
        for (const auto& worker : workers_)
            arena.adopt(worker->parser.arena());
    }

    struct Slot {
        bool done = false;
        bool opened = false;
        FileRead read;
        std::unique_ptr<EventList> events;
    };

private:
    struct Worker {
        LogParser parser;
        std::unique_ptr<char[]> buffer{new char[ReadBufferSize]};
    };

    // Reads the next file when one is left and the joins are not too far
    // behind; false (without waiting) otherwise. Called with the lock held;
    // it is let go while the file is read.
    bool startNext(std::unique_lock<std::mutex>& lock, Worker& worker)
    {
        while (next_ < reads_.size() && next_ >= joined_ + ahead_ && &worker != workers_[0].get())
            changed_.wait(lock);
        if (next_ >= reads_.size() || next_ >= joined_ + ahead_)
            return false;
        const std::size_t i = next_++;
        std::unique_ptr<EventList> events;
        if (!spare_.empty()) {
            events = std::move(spare_.back());
            spare_.pop_back();
        }
        lock.unlock();

        if (!events)
            events = std::make_unique<EventList>();
        Slot slot;
        worker.parser.events().swap(*events);
        slot.opened = readEntry(files_, first_ + i, outputBound_, worker.parser, worker.buffer.get(), slot.read);
        worker.parser.events().swap(*events);
        slot.events = std::move(events);

        lock.lock();
        slot.done = true;
        reads_[i] = std::move(slot);
        changed_.notify_all();
        return true;
    }

    const LogFileList& files_;
    const std::uint64_t outputBound_;
    const std::size_t first_;
    std::vector<Slot> reads_;
    const std::size_t ahead_;
    std::vector<std::unique_ptr<Worker>> workers_;
    std::vector<std::unique_ptr<EventList>> spare_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::size_t next_ = 0;
    std::size_t joined_ = 0;
};

} // namespace

bool probeLogFile(const std::filesystem::path& path, std::int32_t& time)
{
    TimeStampConverter stamps;
    return probeLogFile(path, stamps, time);
}

bool probeLogFile(const std::filesystem::path& path, TimeStampConverter& stamps, std::int32_t& time)
{
    std::FILE* file = openForReading(path);
    if (!file)
        return false;
    // An archive is dated by its content's first line too; a small input
    // chunk is enough to reach it.
    char head[TimeStampOffset + TimeStampLength + 1];
    const std::size_t got =
        readUpTo(*makeBlockSource(file, compressionOfName(path.filename().string()), DefaultOutputBound, 4096), head,
                 sizeof head);
    if (got < sizeof head)
        return false;
    const std::int32_t stamp = stamps.convert(std::string_view(head + TimeStampOffset, TimeStampLength));
    if (stamp == -1)
        return false;
    time = stamp;
    return true;
}


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

    const unsigned threads = threadsFor(files);
    if (threads > 1) {
        ParallelRead read(files, outputBound_, threads);
        std::vector<std::thread> pool;
        pool.reserve(threads - 1);
        // Without a further thread (the system refused one) the calling
        // thread reads every file itself.
        for (std::size_t worker = 1; worker < read.threadCount(); ++worker) {
            try {
                pool.emplace_back([&read, worker] { read.work(worker); });
            } catch (const std::system_error&) {
                break;
            }
        }
        read.joinAll([&](ParallelRead::Slot& slot) {
            if (!slot.opened)
                return;
            parser.events().appendRange(slot.events->data(), slot.events->size());
            finish(slot.read);
        });
        for (std::thread& thread : pool)
            thread.join();
        read.adoptArenas(parser.arena());
    } else {
        for (std::size_t i = files.windowFirst; i < files.windowStop; ++i) {
            FileRead read;
            if (readEntry(files, i, outputBound_, parser, buffer_.get(), read))
                finish(read);
        }
    }
    files.windowFirst = files.windowStop;
    return opened;
}

unsigned WindowReader::threadsFor(const LogFileList& files) const
{
    const std::size_t fileCount = files.windowStop - files.windowFirst;
    const unsigned wanted = threads_ > 0 ? threads_ : threadCount();
    if (wanted <= 1 || fileCount <= 1)
        return 1;
    std::uint64_t bytes = 0;
    for (std::size_t i = files.windowFirst; i < files.windowStop && bytes < inlineBelow_; ++i) {
        const std::string& name = files.entries[i].name;
        std::error_code error;
        const std::uint64_t size = std::filesystem::file_size(files.pathOf(name), error);
        if (!error)
            bytes += compressionOfName(name) == Compression::None ? size : size * ArchiveWeight;
    }
    if (bytes < inlineBelow_)
        return 1;
    return static_cast<unsigned>(std::min<std::size_t>(wanted, fileCount));
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
