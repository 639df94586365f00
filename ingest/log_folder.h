#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

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

    // Reads the window of `days` days that begins at `start` into events().
    // False when the window has no file to read; events() is then empty.
    // Every event, name and text of the previous window becomes invalid.
    bool readWindow(std::int32_t start, int days);

    // Forgets the folder: days, files and events.
    void clear();

    // The files whose content could not be read to its end in the windows
    // read since the folder was scanned (damaged, truncated or bomb-like
    // archives, read errors), once each.
    const std::vector<WindowReader::FileCutShort>& filesCutShort() const { return reader_.cutShort(); }

    // How many bytes of content one archive may give before it is cut off.
    void setOutputBound(std::uint64_t bound) { reader_.setOutputBound(bound); }

    const GrowArray<std::int32_t>& days() const { return days_; }
    const EventList& events() const { return parser_.events(); }
    const LogFileList& files() const { return files_; }

private:
    LogFileList files_;
    GrowArray<std::int32_t> days_{InitialDayCapacity};
    LogParser parser_;
    WindowReader reader_;
};

} // namespace zelkam
