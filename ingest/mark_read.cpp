#include "ingest/mark_read.h"

#include <memory>
#include <string_view>

#include "ingest/file_mark.h"
#include "ingest/line_feeder.h"
#include "ingest/open_file.h"

namespace zelkam {

void readOnFromMark(BlockSource& source, LogParser& parser, FileMark& mark, char* buffer, std::size_t capacity,
                    bool wholeLinesOnly)
{
    LineFeeder lines(parser);
    const std::uint64_t start = mark.consumed;
    std::uint64_t position = start;
    std::size_t got;
    while ((got = source.read(buffer, capacity)) > 0) {
        const std::string_view block(buffer, got);
        if (const std::size_t wholeEnd = lines.feed(block))
            mark.complete = position + wholeEnd;
        position += got;
        keepLastBytes(mark.lastBytes, block);
    }
    mark.size = position;
    if (lines.inLine() && wholeLinesOnly) {
        // The server is still writing this line: it is read again once whole.
        mark.consumed = mark.complete;
        mark.tailEvent = false;
    } else if (lines.inLine()) {
        mark.tailEvent = lines.finishLine();
        mark.consumed = position;
    } else if (position > start) {
        mark.consumed = position;
        mark.tailEvent = false;
    }
}

bool readWholeFile(const LogFileList& files, std::size_t index, std::uint64_t outputBound, LogParser& parser,
                   char* buffer, FileRead& read)
{
    const std::string& name = files.entries[index].name;
    std::FILE* file = openLogForReading(files.pathOf(name));
    if (!file)
        return false;
    const std::unique_ptr<BlockSource> source = makeBlockSource(file, compressionOfName(name), outputBound);
    source->countAgainst(parser.textHolding());
    read.mark.name = name;
    readOnFromMark(*source, parser, read.mark, buffer, ReadBufferSize, false);
    read.mark.lastBytesKnown = true;
    read.end = source->end();
    read.delivered = source->delivered();
    statOpenFileMark(source->file(), read.mark);
    if (compressionOfName(name) != Compression::None) {
        // An archive's mark holds its stored size: it never grows, so any
        // change to it is a change.
        FileMark stored;
        read.mark.size = read.mark.consumed = read.mark.complete =
            statFileMark(files.pathOf(name), stored) ? stored.size : 0;
        read.mark.tailEvent = false;
        read.mark.lastBytes.clear();
        read.mark.lastBytesKnown = false;
    }
    return true;
}

} // namespace zelkam
