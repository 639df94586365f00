#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>

namespace zelkam {

// Seconds of the local wall clock counted from 1970-01-01 00:00, as the
// generator keeps time. It is only ever turned back into calendar fields, so
// no time zone is involved.
using WallTime = std::int64_t;

// Writes one log file the way the server does: every line starts with
// "L MM/DD/YYYY - HH:MM:SS: " and ends with a line feed. Lines gather in a
// large buffer that goes out in big blocks, since a heavy generated day is
// about a hundred megabytes.
class LogWriter {
public:
    LogWriter();
    ~LogWriter();
    LogWriter(const LogWriter&) = delete;
    LogWriter& operator=(const LogWriter&) = delete;

    // Creates or truncates the file. False when it cannot be opened.
    bool open(const std::filesystem::path& path);
    // Writes what is buffered and closes the file. False when any write since
    // open() failed (the file is closed either way); true when none was open.
    bool close();
    bool isOpen() const { return file_ != nullptr; }

    // Begins a line stamped with time, which must not be earlier than the
    // previous line's. Finish it with appends and endLine().
    void startLine(WallTime time);
    void append(std::string_view text) { buffer_.append(text); }
    void append(char c) { buffer_.push_back(c); }
    void appendNumber(std::int64_t value);
    void endLine();

    // Lines written since this writer was made, over all files.
    std::int64_t lineCount() const { return lines_; }

private:
    void flush();

    std::FILE* file_ = nullptr;
    std::string buffer_;
    bool failed_ = false;
    std::int64_t lines_ = 0;
    std::size_t lineStart_ = 0;
    // The stamp text is rebuilt only when the second changes: most lines of
    // a busy server share their second with the line before.
    WallTime stampTime_ = -1;
    char stamp_[25] = {};
};

} // namespace zelkam
