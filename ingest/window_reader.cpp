#include "ingest/window_reader.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <system_error>

#include "ingest/open_file.h"
#include "parse/time_stamp.h"

namespace zelkam {
namespace {

constexpr std::size_t ReadBufferSize = 1 << 17;

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
    std::FILE* file = openLogForReading(path);
    if (!file)
        return false;
    // An archive is dated by its content's first line too; a small input
    // chunk is enough to reach it.
    char head[TimeStampOffset + TimeStampLength + 1];
    const std::size_t got =
        readUpTo(*makeBlockSource(file, compressionOfName(utf8FromPath(path.filename())), DefaultOutputBound, 4096), head,
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
    std::unique_ptr<BlockSource> source = openNext(files);
    if (!source)
        return false;
    while (source) {
        FileMark& mark = marks_.emplace_back();
        mark.name = files.entries[files.windowFirst - 1].name;
        readFile(*source, parser, mark);
        if (source->end() != ReadEnd::Complete)
            noteCutShort(mark.name, source->end(), source->delivered());
        statOpenFileMark(source->file(), mark);
        if (compressionOfName(mark.name) != Compression::None) {
            std::error_code error;
            const auto stored = std::filesystem::file_size(files.pathOf(mark.name), error);
            mark.size = mark.consumed = mark.complete = error ? 0 : stored;
            mark.tailEvent = false;
        }
        source = openNext(files);
    }
    return true;
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

std::unique_ptr<BlockSource> WindowReader::openNext(LogFileList& files)
{
    // A file that vanished or became unreadable since the scan is passed
    // over, so one bad file does not hide the rest of the day.
    while (files.windowFirst < files.windowStop) {
        const LogFileEntry& entry = files.entries[files.windowFirst++];
        if (std::FILE* file = openLogForReading(files.pathOf(entry.name)))
            return makeBlockSource(file, compressionOfName(entry.name), outputBound_);
    }
    return nullptr;
}

void WindowReader::readFile(BlockSource& source, LogParser& parser, FileMark& mark)
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

} // namespace zelkam
