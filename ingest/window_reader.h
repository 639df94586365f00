#pragma once

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "ingest/block_source.h"
#include "ingest/file_mark.h"
#include "ingest/log_file_list.h"
#include "parse/log_parser.h"

namespace zelkam {

struct ArchiveBudget;
struct ReadWorker;

// Reads the log lines of a window of days from the folder's files into a
// parser. A window starts at a calendar time and spans a number of local
// calendar days (23 to 25 hours each where the clocks change); its files are
// those whose first line falls inside it (plus,
// at the end of the list, every file after the first one), read whole and in
// list order. Archives (".gz", ".xz", ".zst") are read as the plain files
// they hold.
//
// A large window is read on several threads, each taking the next file, or
// the next piece of a large plain file (cut where lines begin), and parsing
// it with its own time stamp memory and player token cache into an event
// list and an arena of its own; the lists join the parser's in reading
// order and the arenas join its arena, so the parser ends up with the same
// events, texts and marks as a read on one thread would give it.
class WindowReader {
public:
    // Below this many bytes of files (an archive counted at ArchiveWeight
    // times its stored size) a window is read on the calling thread alone:
    // it parses in about a millisecond, which starting threads would eat.
    static constexpr std::uint64_t DefaultInlineBelow = std::uint64_t{2} << 20;
    static constexpr std::uint64_t ArchiveWeight = 8;
    // Plain files larger than this are read in pieces of about this size,
    // so one large file neither waits on one thread nor needs a large list
    // of its own in flight.
    static constexpr std::uint64_t DefaultPieceBytes = std::uint64_t{2} << 20;

    WindowReader();
    ~WindowReader();
    WindowReader(const WindowReader&) = delete;
    WindowReader& operator=(const WindowReader&) = delete;

    // Resets the parser, picks the window's files (re-dating the files named
    // for the window's days by their first lines and re-sorting the list)
    // and feeds every line of them to the parser. False when no file starts
    // inside the window or none of its files can be opened; the parser is
    // then empty. A file that cannot be opened is passed over. Lines whose
    // stamps lie away from the lines around them are set aside
    // (setAsideStrayStamps) unless setAsideStrays is false, for a caller
    // that takes lines off the window's end first.
    //
    // joined (may be empty) is called on the calling thread as a read on
    // several threads joins its pieces, with each run [first, last) of the
    // events joined so far that the read keeps: judged as the stray lines
    // are judged at its end (every event when setAsideStrays is false), the
    // runs in order, so that they are where the parser's list begins once
    // read. events lives on only for the call. A caller can take up the
    // events read so far while the rest is read. A window read on one
    // thread, or whose last day's files are read ahead of earlier days'
    // archives, calls it never.
    using JoinedRun = std::function<void(const EventList& events, std::size_t first, std::size_t last)>;
    bool readWindow(LogFileList& files, LogParser& parser, std::int32_t start, int days,
                    bool setAsideStrays = true, const JoinedRun& joined = {});

    // A file whose content could not be read to its end: a damaged or
    // truncated archive, one that expanded past the output bound, or a read
    // error. What came before the fault was read.
    struct FileCutShort {
        std::string name;
        ReadEnd end = ReadEnd::Complete;
        // Bytes of content read from it.
        std::uint64_t delivered = 0;
        // The local midnight of the day the file begins on: the day whose
        // lines were lost.
        std::int32_t day = 0;
    };
    // Every file cut short in the windows read since forgetCutShort, once
    // each, with how it ended the last time it was read.
    const std::vector<FileCutShort>& cutShort() const { return cutShort_; }
    void forgetCutShort() { cutShort_.clear(); }

    // How many bytes of content one archive may give (DefaultOutputBound
    // unless lowered).
    void setOutputBound(std::uint64_t bound) { outputBound_ = bound; }
    // How many bytes of content the archives of one window may give
    // together (DefaultWindowBound unless lowered): a small archive can
    // expand to gigabytes of lines, and a day's window holds many archives.
    // The window's last day takes it first, then the days before in reading
    // order. An archive reached past it is cut there, as one past its own
    // bound is. Beyond that, all the archive text the process holds at once
    // is bounded by its TextPool.
    static constexpr std::uint64_t DefaultWindowBound = std::uint64_t{1} << 30;
    void setWindowBound(std::uint64_t bound) { windowBound_ = bound; }

    // How many threads a window read may use; 0 (the default) leaves it to
    // threadCount() at every read, 1 reads on the calling thread only.
    void setThreads(unsigned threads) { threads_ = threads; }
    // The size below which a window is read on the calling thread alone
    // (DefaultInlineBelow unless changed).
    void setInlineBelow(std::uint64_t bytes) { inlineBelow_ = bytes; }
    // The size of the pieces large plain files are cut into (at least 1;
    // DefaultPieceBytes unless changed).
    void setPieceBytes(std::uint64_t bytes) { pieceBytes_ = std::max<std::uint64_t>(bytes, 1); }

    // What the last readWindow read of each file, in reading order: how far,
    // and how each file looked when it was read to its end. A following
    // reader takes up from here when the files grow. An archive's mark
    // holds its stored size as read, consumed and complete alike: archives
    // never grow, so any change to one is a change, never growth.
    const std::vector<FileMark>& marks() const { return marks_; }

private:
    bool selectWindow(LogFileList& files, std::int32_t start, int days);
    // Reads files [first, stop) of the list into parser, in order, noting
    // each file's mark; true when any could be opened.
    bool readFiles(LogFileList& files, std::size_t first, std::size_t stop, LogParser& parser, ArchiveBudget& budget,
                   std::vector<FileMark>& marks, const std::function<void(const EventList&)>& joined = {});
    void noteCutShort(const LogFileList& files, const std::string& name, ReadEnd end, std::uint64_t delivered);

    std::unique_ptr<char[]> buffer_;
    std::uint64_t outputBound_ = DefaultOutputBound;
    std::uint64_t windowBound_ = DefaultWindowBound;
    unsigned threads_ = 0;
    std::uint64_t inlineBelow_ = DefaultInlineBelow;
    std::uint64_t pieceBytes_ = DefaultPieceBytes;
    // Kept from read to read, one for each thread a read used.
    std::vector<std::unique_ptr<ReadWorker>> readWorkers_;
    std::vector<FileCutShort> cutShort_;
    std::vector<FileMark> marks_;
    // The last day's own files, read first when earlier days have archives.
    std::unique_ptr<LogParser> ownParser_;
};

} // namespace zelkam
