#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "ingest/block_source.h"
#include "ingest/file_mark.h"
#include "ingest/log_file_list.h"
#include "parse/log_parser.h"

namespace zelkam {

// The size of the buffers log files are read through.
inline constexpr std::size_t ReadBufferSize = std::size_t{1} << 17;

// Feeds the content of source, which stands at mark.consumed, to parser
// and moves the mark on: how far the file was read (size), where its last
// whole line ends (complete), what the parser took (consumed), the last
// bytes read and whether an unterminated last line made an event. With
// wholeLinesOnly such a line is left for later, as the server may still be
// writing it; otherwise it is taken as it stands. Every reader of a log
// file, from its start or on from where it stopped, reads through here.
void readOnFromMark(BlockSource& source, LogParser& parser, FileMark& mark, char* buffer, std::size_t capacity,
                    bool wholeLinesOnly);

// One file as a read leaves it: how far it was read and how its content
// ended.
struct FileRead {
    FileMark mark;
    ReadEnd end = ReadEnd::Complete;
    std::uint64_t delivered = 0;
};

// Reads the whole file of entry index (an archive as the content it holds,
// at most outputBound bytes of it) into parser, through buffer
// (ReadBufferSize bytes). False when it could not be opened (it is then
// passed over, so one bad file does not hide the rest of the day).
bool readWholeFile(const LogFileList& files, std::size_t index, std::uint64_t outputBound, LogParser& parser,
                   char* buffer, FileRead& read);

// What the archives of one window may still give: each at most the
// per-file bound, all of them together at most the window's bound, spent
// in reading order.
struct ArchiveBudget {
    std::uint64_t perFile = DefaultOutputBound;
    std::uint64_t window = DefaultOutputBound;
    std::uint64_t spent = 0;

    std::uint64_t next() const { return std::min(perFile, window - std::min(window, spent)); }
};

} // namespace zelkam
