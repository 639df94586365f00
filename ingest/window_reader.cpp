#include "ingest/window_reader.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <system_error>

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
// a FIFO named like a log would block the read forever. Where the platform
// allows, the file is opened without waiting and checked once open, so a
// FIFO swapped in after a look at the name cannot block either.
std::FILE* openForReading(const std::filesystem::path& path)
{
#if defined(__unix__) || defined(__APPLE__)
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
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
    char head[TimeStampOffset + TimeStampLength + 1];
    const std::size_t got = std::fread(head, 1, sizeof head, file);
    std::fclose(file);
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
    std::FILE* file = openNext(files);
    if (!file)
        return false;
    while (file) {
        FileMark& mark = marks_.emplace_back();
        mark.name = files.entries[files.windowFirst - 1].name;
        readFile(file, parser, mark);
        statOpenFileMark(file, mark);
        std::fclose(file);
        file = openNext(files);
    }
    return true;
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
            if (!matchesFileNamePattern(pattern, entry.name))
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

std::FILE* WindowReader::openNext(LogFileList& files)
{
    // A file that vanished or became unreadable since the scan is passed
    // over, so one bad file does not hide the rest of the day.
    while (files.windowFirst < files.windowStop) {
        const LogFileEntry& entry = files.entries[files.windowFirst++];
        if (std::FILE* file = openForReading(files.pathOf(entry.name)))
            return file;
    }
    return nullptr;
}

void WindowReader::readFile(std::FILE* file, LogParser& parser, FileMark& mark)
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

    char* buffer = buffer_.get();
    std::size_t got;
    while ((got = std::fread(buffer, 1, ReadBufferSize, file)) > 0) {
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

} // namespace zelkam
