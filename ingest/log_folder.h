#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "ingest/live_window.h"
#include "ingest/log_file_list.h"
#include "ingest/window_reader.h"
#include "parse/log_parser.h"

namespace zelkam {

// Everything the program knows about its log folder: the log files, the
// ascending list of days they cover, and the events of the window last read.
// One exists for the whole run; the replay model asks it for days and
// windows. Nothing in the folder is ever written.
class LogFolder {
public:
    static constexpr std::size_t InitialDayCapacity = 2;

    // Scans the folder and rebuilds the day list from its files. False when
    // the scan fails (no such folder, no log files); the days, files and
    // events are then as they were.
    bool buildDayIndex(std::string_view folderPath);
    // Takes the files and days other has listed, and what following its
    // folder needs, without listing the folder again: a day of a folder the
    // program shows is read as its date list stands. No window is read.
    void listAs(const LogFolder& other);

    // Reads the window of `days` days that begins at `start` into events().
    // False when the window has no file to read; events() is then empty.
    // Every event, name and text of the previous window becomes invalid.
    // With wholeLinesOnly, an unterminated last line of the window's newest
    // file is left out, as it is while a day is followed.
    bool readWindow(std::int32_t start, int days, bool wholeLinesOnly = false);
    // How many windows this folder has read since it was made: what a day
    // pick costs, for a caller that must not read more than it shows.
    std::size_t windowsRead() const { return windowsRead_; }
    // How many times this folder has listed its folder from scratch
    // (buildDayIndex): a day of a folder already listed needs none.
    std::size_t scansMade() const { return scansMade_; }

    // Forgets the folder: days, files and events.
    void clear();

    // The files whose content could not be read to its end in the windows
    // read since the folder was scanned (damaged, truncated or bomb-like
    // archives, read errors), once each.
    const std::vector<WindowReader::FileCutShort>& filesCutShort() const { return reader_.cutShort(); }

    // How many bytes of content one archive may give before it is cut off.
    void setOutputBound(std::uint64_t bound) { reader_.setOutputBound(bound); }
    // How many bytes of content the archives of one window may give together.
    void setWindowBound(std::uint64_t bound) { reader_.setWindowBound(bound); }
    // How many threads a window read may use (0: threadCount() decides), the
    // size of files below which it uses the calling thread alone, and the
    // size of the pieces large plain files are cut into.
    void setReadThreads(unsigned threads, std::uint64_t inlineBelow = WindowReader::DefaultInlineBelow,
                        std::uint64_t pieceBytes = WindowReader::DefaultPieceBytes)
    {
        reader_.setThreads(threads);
        reader_.setInlineBelow(inlineBelow);
        reader_.setPieceBytes(pieceBytes);
    }
    // One look at a folder that a server may be writing to: refreshes files
    // and days when files came or went, and appends the new whole lines of
    // the window last read to events(). Events keep their positions and
    // their names and texts stay valid: only growth is applied here;
    // anything else is reported for the caller to read the window again.
    FolderChanges followChanges() { return live_.follow(files_, days_, parser_); }
    // Takes the unterminated last line of the window's newest file back off
    // events() (see LiveWindow); the number of events removed.
    std::size_t dropUnterminatedTail() { return live_.dropUnterminatedTail(parser_); }

    const GrowArray<std::int32_t>& days() const { return days_; }
    const EventList& events() const { return parser_.events(); }
    const LogFileList& files() const { return files_; }

private:
    LogFileList files_;
    GrowArray<std::int32_t> days_{InitialDayCapacity};
    LogParser parser_;
    WindowReader reader_;
    std::size_t windowsRead_ = 0;
    std::size_t scansMade_ = 0;
    LiveWindow live_;
};

} // namespace zelkam
