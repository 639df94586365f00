#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

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

// The form of a path the system's own calls take. On Windows a path as long
// as a folder's limit (248 characters) or longer opens only in its extended
// form, \\?\C:\... or \\?\UNC\server\share\..., made from the
// absolute path; log folders deep in a profile or a share reach that. Shorter
// paths, and every path elsewhere, pass unchanged. Every file and folder the
// model looks at goes through this on its way to the system.
std::filesystem::path systemPath(const std::filesystem::path& path);

enum class PathKind {
    Missing, // nothing of that name, or a folder on the way is missing
    Folder,  // a folder, or a link to one
    File,    // anything else that exists
    Unknown, // could not be told (no permission to look, say)
};

// What a path names, following links. An empty path names nothing.
PathKind pathKind(const std::filesystem::path& path);

// The names (UTF-8) of the entries of a folder that are files, or links to
// files, and that wanted accepts; folders are left out. wanted sees each name
// before anything more is asked of the system about it, so a folder of
// thousands of other files costs no more than its listing. False, with the
// reason in error, when the folder cannot be opened for listing. An error
// part way ends the listing with the names found so far, and is kept in
// error.
bool listFiles(const std::filesystem::path& folder, const std::function<bool(std::string_view)>& wanted,
               std::vector<std::string>& names, std::error_code& error);

// The names (UTF-8) of the entries of a folder that are folders, or links
// to folders: where a community keeps its servers. False, with the reason
// in error, as listFiles.
bool listFolders(const std::filesystem::path& folder, std::vector<std::string>& names, std::error_code& error);

// Opens a log file for reading only, refusing anything but a regular file:
// a FIFO named like a log would block the read forever, and merely opening a
// device can act on it (a tape rewinds, a terminal becomes ours). The path
// is looked at before it is opened and what was opened is checked again,
// since it may be swapped between the two. Null when it cannot be opened or
// is not a regular file. On Windows the server may go on writing, renaming
// and deleting the file while it is open.
std::FILE* openLogForReading(const std::filesystem::path& path);
// openLogForReading for a file whose status the caller has just looked at
// and found a regular file (a folder listing dates each file it found):
// the path is not looked at again before it is opened, which saves a
// folder of thousands of logs a system call a file. What was opened is
// still checked.
std::FILE* openLookedAtLog(const std::filesystem::path& path);

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
