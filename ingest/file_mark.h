#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>

namespace zelkam {

// What the program has read of one log file, and how the file looked then:
// enough to tell at a glance whether it has grown, shrunk or been replaced
// since, without reading it again.
struct FileMark {
    std::string name;
    // The file's identity on its file system; a file replaced under the same
    // name gets another. Zero where the platform cannot tell.
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    // Last modification, in nanoseconds of the platform's file clock.
    std::int64_t modified = 0;
    // Bytes read from the start when the file was last read to its end.
    std::uint64_t size = 0;
    // Bytes handed to the parser; beyond `complete` only when an unterminated
    // last line was taken as it stood.
    std::uint64_t consumed = 0;
    // Where the last whole line read ends (just past its line feed).
    std::uint64_t complete = 0;
    // Whether the unterminated last line taken made an event, which is then
    // the newest event read from this file.
    bool tailEvent = false;
    // The last bytes read (at most MarkedLastBytes), those just before
    // `size`: a file that grew must still hold them there, or it was written
    // anew in place rather than added to. Not known of archives, nor of a
    // file read in pieces one of which could not be read.
    std::string lastBytes;
    bool lastBytesKnown = false;
};

// As many as a few log lines: a file written anew is told by them.
inline constexpr std::size_t MarkedLastBytes = 256;

// Keeps in lastBytes the last MarkedLastBytes bytes of what it held
// followed by block.
void keepLastBytes(std::string& lastBytes, std::string_view block);

// Fills identity, modification time and size of the mark from the file at
// path (following links). False when there is no such file.
bool statFileMark(const std::filesystem::path& path, FileMark& mark);

// The same for a file already open; size is left alone, since the caller
// knows how much it read.
bool statOpenFileMark(std::FILE* file, FileMark& mark);

// Whether a modification time (as in FileMark) is too young to be trusted:
// file systems stamp changes with a coarse clock, so a file changed within
// the same step as a look at it may still look as it did.
bool isRacyStamp(std::int64_t modified);

// The folder's last modification (a file created, removed or renamed in it),
// or false when the folder is gone.
bool folderModified(const std::filesystem::path& folder, std::int64_t& modified);

} // namespace zelkam
