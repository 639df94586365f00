#include "ingest/window_reader.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <system_error>

#include "parse/time_stamp.h"

namespace zelkam {
namespace {

constexpr std::size_t ReadBufferSize = 1 << 17;
// Lines longer than this are cut: the rest of the physical line is dropped.
constexpr std::size_t MaxLineLength = 255;

// Opens a log file for reading only, refusing anything but a regular file
// (a FIFO named like a log would block the read forever).
std::FILE* openForReading(const std::filesystem::path& path)
{
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error))
        return nullptr;
    return std::fopen(path.string().c_str(), "rb");
}

void writeTwoDigits(char* at, int value)
{
    at[0] = static_cast<char>('0' + value / 10 % 10);
    at[1] = static_cast<char>('0' + value % 10);
}

} // namespace

bool probeLogFile(const std::filesystem::path& path, std::int32_t& time)
{
    std::FILE* file = openForReading(path);
    if (!file)
        return false;
    char head[TimeStampOffset + TimeStampLength + 1];
    const std::size_t got = std::fread(head, 1, sizeof head, file);
    std::fclose(file);
    if (got < sizeof head)
        return false;
    const std::int32_t stamp = parseTimeStamp(std::string_view(head + TimeStampOffset, TimeStampLength));
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
    if (!selectWindow(files, start, days))
        return false;
    std::FILE* file = openNext(files);
    if (!file)
        return false;
    while (file) {
        readFile(file, parser);
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
    for (int d = 0; d < days; ++d) {
        std::tm fields{};
        if (!toLocalTime(std::int64_t{start} + std::int64_t{d} * 86400, fields))
            continue;
        writeTwoDigits(pattern + 1, fields.tm_mon + 1);
        writeTwoDigits(pattern + 3, fields.tm_mday);
        for (LogFileEntry& entry : files.entries) {
            if (!matchesFileNamePattern(pattern, entry.name))
                continue;
            std::int32_t time = 0;
            entry.startTime = probeLogFile(files.pathOf(entry.name), time) ? time : 0;
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
    const std::int64_t end = std::int64_t{start} + std::int64_t{days} * 86400;
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

void WindowReader::readFile(std::FILE* file, LogParser& parser)
{
    // Lines wholly inside the read buffer are handed over in place; a line
    // that straddles two reads is gathered in `line`. Only the first 255
    // characters of a line count: the rest, up to its line feed, is dropped
    // so that player text beyond that point can never pose as a line.
    char line[MaxLineLength];
    std::size_t lineLength = 0;
    bool gathering = false;
    char* buffer = buffer_.get();
    std::size_t got;
    while ((got = std::fread(buffer, 1, ReadBufferSize, file)) > 0) {
        const char* p = buffer;
        const char* const end = buffer + got;
        while (p < end) {
            const char* feed = static_cast<const char*>(std::memchr(p, '\n', static_cast<std::size_t>(end - p)));
            const char* pieceEnd = feed ? feed + 1 : end;
            const std::size_t pieceLength = static_cast<std::size_t>(pieceEnd - p);
            if (feed && !gathering) {
                parser.processLine(std::string_view(p, std::min(pieceLength, MaxLineLength)));
            } else {
                const std::size_t take = std::min(pieceLength, MaxLineLength - lineLength);
                std::memcpy(line + lineLength, p, take);
                lineLength += take;
                gathering = true;
                if (feed) {
                    parser.processLine(std::string_view(line, lineLength));
                    lineLength = 0;
                    gathering = false;
                }
            }
            p = pieceEnd;
        }
    }
    if (gathering && lineLength > 0)
        parser.processLine(std::string_view(line, lineLength));
}

} // namespace zelkam
