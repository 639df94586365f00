#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <vector>

#include "ingest/file_mark.h"
#include "ingest/log_file_list.h"
#include "parse/log_parser.h"
#include "parse/time_stamp.h"

namespace zelkam {

// The calendar time of a log file's first line, read from its first 24
// bytes. False when the file cannot be opened, is not a regular file, holds
// fewer than 24 bytes or its stamp does not convert. Probing many files,
// pass one converter to them all: it converts each hour once.
bool probeLogFile(const std::filesystem::path& path, std::int32_t& time);
bool probeLogFile(const std::filesystem::path& path, TimeStampConverter& stamps, std::int32_t& time);

// Reads the log lines of a window of days from the folder's files into a
// parser. A window starts at a calendar time and spans a number of local
// calendar days (23 to 25 hours each where the clocks change); its files are
// those whose first line falls inside it (plus,
// at the end of the list, every file after the first one), read whole and in
// list order.
class WindowReader {
public:
    WindowReader();
    ~WindowReader();
    WindowReader(const WindowReader&) = delete;
    WindowReader& operator=(const WindowReader&) = delete;

    // Resets the parser, picks the window's files (re-dating the files named
    // for the window's days by their first lines and re-sorting the list)
    // and feeds every line of them to the parser. False when no file starts
    // inside the window or none of its files can be opened; the parser is
    // then empty. A file that cannot be opened is passed over.
    bool readWindow(LogFileList& files, LogParser& parser, std::int32_t start, int days);

    // What the last readWindow read of each file, in reading order: how far,
    // and how each file looked when it was read to its end. A following
    // reader takes up from here when the files grow.
    const std::vector<FileMark>& marks() const { return marks_; }

private:
    bool selectWindow(LogFileList& files, std::int32_t start, int days);
    std::FILE* openNext(LogFileList& files);
    void readFile(std::FILE* file, LogParser& parser, FileMark& mark);

    std::unique_ptr<char[]> buffer_;
    std::vector<FileMark> marks_;
};

} // namespace zelkam
