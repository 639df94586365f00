#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>

namespace zelkam {

// Paths cross the model as UTF-8 text (folder arguments, settings, file
// names of a scan). These turn such text into a path the file system takes
// and back. On Windows the path is wide and the conversion is UTF-8 <-> UTF-16,
// so no character of a folder or profile name is lost to the ANSI code page;
// elsewhere the bytes are the file system's own and pass unchanged. Text
// that is not valid UTF-8 is converted as far as it goes (each bad byte
// becomes U+FFFD) and then names no existing file.
std::filesystem::path pathFromUtf8(std::string_view text);
std::string utf8FromPath(const std::filesystem::path& path);

// Opens a log file for reading only, refusing anything but a regular file:
// a FIFO named like a log would block the read forever, and merely opening a
// device can act on it (a tape rewinds, a terminal becomes ours). The path
// is looked at before it is opened and what was opened is checked again,
// since it may be swapped between the two. Null when it cannot be opened or
// is not a regular file. On Windows the server may go on writing, renaming
// and deleting the file while it is open.
std::FILE* openLogForReading(const std::filesystem::path& path);

// Moves an open file's read position to offset from its start, past 2 GiB
// too. False when the position cannot be set.
bool seekTo(std::FILE* file, std::uint64_t offset);

#ifdef _WIN32
// Opens a regular file for binary reading so that the server can go on
// writing, renaming and deleting it while it is read: read, write and delete
// sharing, which the C runtime's fopen does not grant. Null when the file
// cannot be opened or is not a regular file (a device or pipe named like a
// log would block the read).
std::FILE* openSharedForReading(const std::filesystem::path& path);
#endif

} // namespace zelkam
