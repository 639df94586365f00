#include "ingest/window_reader.h"

#include <algorithm>
#include <ctime>

#include "ingest/parallel_read.h"
#include "parse/stamp_order.h"
#include "parse/time_stamp.h"

namespace zelkam {
namespace {

void writeTwoDigits(char* at, int value)
{
    at[0] = static_cast<char>('0' + value / 10 % 10);
    at[1] = static_cast<char>('0' + value % 10);
}

} // namespace

WindowReader::WindowReader() : buffer_(new char[ReadBufferSize]) {}

WindowReader::~WindowReader() = default;

bool WindowReader::readWindow(LogFileList& files, LogParser& parser, std::int32_t start, int days,
                              bool setAsideStrays, const JoinedRun& joined)
{
    parser.reset();
    marks_.clear();
    if (!selectWindow(files, start, days))
        return false;
    const std::size_t first = files.windowFirst;
    const std::size_t stop = files.windowStop;
    ArchiveBudget budget{outputBound_, windowBound_, 0};
    bool opened = false;

    // The window is read to show its last day; the days before it are
    // context. Archives are cut where the budget or the process's text pool
    // runs out, so when an earlier day has archives, the last day's own
    // files are read first and take what they need; the earlier days get
    // what is left, and are the ones cut.
    std::size_t own = first;
    if (days > 1) {
        const std::int64_t lastDay = addLocalDays(start, days - 1);
        while (own < stop && files.entries[own].startTime < lastDay)
            ++own;
    }
    bool earlierArchive = false;
    for (std::size_t i = first; i < own; ++i)
        earlierArchive = earlierArchive || compressionOfName(files.entries[i].name) != Compression::None;
    if (earlierArchive && own < stop) {
        if (!ownParser_)
            ownParser_ = std::make_unique<LogParser>();
        ownParser_->reset();
        ownParser_->setAllKinds(parser.allKinds());
        std::vector<FileMark> ownMarks;
        opened = readFiles(files, own, stop, *ownParser_, budget, ownMarks);
        opened = readFiles(files, first, own, parser, budget, marks_) || opened;
        // Joined in reading order, as the pieces of a parallel read join.
        parser.events().appendRange(ownParser_->events().data(), ownParser_->events().size());
        ownParser_->events().clear();
        parser.arena().adopt(ownParser_->arena());
        parser.textHolding().adopt(ownParser_->textHolding());
        for (FileMark& mark : ownMarks)
            marks_.push_back(std::move(mark));
    } else {
        // The runs joined so far that the judgement below will keep: an
        // event is handed on once the events that decide it have joined.
        StrayStampJudge judge;
        std::size_t handed = 0;
        const auto handTo = [&](const EventList& events, std::size_t end) {
            if (end > handed)
                joined(events, handed, end);
            handed = end;
        };
        const auto joinedEvents = [&](const EventList& events) {
            if (!setAsideStrays) {
                handTo(events, events.size());
                return;
            }
            handTo(events, judge.judge(events, false, [&](std::size_t strayFirst, std::size_t strayLast) {
                handTo(events, strayFirst);
                handed = strayLast;
                return true;
            }));
        };
        opened = readFiles(files, first, stop, parser, budget, marks_,
                           joined ? std::function<void(const EventList&)>(joinedEvents) : nullptr);
    }
    files.windowFirst = files.windowStop = stop;
    // Every reader of a window (the replay, the walks over all days, the
    // followed day's reloads) sees it without its stray lines.
    if (setAsideStrays)
        setAsideStrayStamps(parser.events());
    return opened;
}

bool WindowReader::readFiles(LogFileList& files, std::size_t first, std::size_t stop, LogParser& parser,
                             ArchiveBudget& budget, std::vector<FileMark>& marks,
                             const std::function<void(const EventList&)>& joined)
{
    bool opened = false;
    const auto finish = [&](FileRead& read) {
        opened = true;
        if (read.end != ReadEnd::Complete)
            noteCutShort(files, read.mark.name, read.end, read.delivered);
        marks.push_back(std::move(read.mark));
    };
    files.windowFirst = first;
    files.windowStop = stop;
    const ReadPlan plan = planWindowRead(files, threads_, inlineBelow_, pieceBytes_, ArchiveWeight);
    // Room for the window's events at once, as far as its files' sizes tell.
    reserveForLogBytes(parser.events(), plan.logBytes);
    if (plan.threads > 1) {
        readInParallel(files, plan, budget, readWorkers_, parser, buffer_.get(), finish, joined);
    } else {
        for (std::size_t i = first; i < stop; ++i) {
            FileRead read;
            const bool archive = compressionOfName(files.entries[i].name) != Compression::None;
            if (readWholeFile(files, i, archive ? budget.next() : outputBound_, parser, buffer_.get(), read)) {
                if (archive)
                    budget.spent += read.delivered;
                finish(read);
            }
        }
    }
    return opened;
}

void WindowReader::noteCutShort(const LogFileList& files, const std::string& name, ReadEnd end,
                                std::uint64_t delivered)
{
    std::int32_t day = 0;
    for (const LogFileEntry& entry : files.entries) {
        if (entry.name == name)
            day = dayStartOf(entry.startTime);
    }
    const FileCutShort cut{name, end, delivered, day};
    for (FileCutShort& known : cutShort_) {
        if (known.name == name) {
            known = cut;
            return;
        }
    }
    cutShort_.push_back(cut);
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
