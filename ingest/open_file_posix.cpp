// The folder and file access of a POSIX system: paths are the system's own
// bytes, and a log is opened without waiting on or taking a terminal.
#include "ingest/open_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <system_error>

namespace zelkam {

std::filesystem::path pathFromUtf8(std::string_view text)
{
    return std::filesystem::path(std::string(text));
}

std::string utf8FromPath(const std::filesystem::path& path)
{
    return path.native();
}

std::filesystem::path systemPath(const std::filesystem::path& path)
{
    return path;
}

PathKind pathKind(const std::filesystem::path& path)
{
    std::error_code error;
    switch (std::filesystem::status(path, error).type()) {
    case std::filesystem::file_type::not_found:
        return PathKind::Missing;
    case std::filesystem::file_type::directory:
        return PathKind::Folder;
    case std::filesystem::file_type::none:
    case std::filesystem::file_type::unknown:
        return PathKind::Unknown;
    default:
        return PathKind::File;
    }
}

namespace {

enum class EntryKind { File, Folder };

// The one walk over a folder's entries: names first (wanted sees each before
// the system is asked anything more about it), then the kind of entry.
bool listEntries(const std::filesystem::path& folder, EntryKind kind,
                 const std::function<bool(std::string_view)>& wanted, std::vector<std::string>& names,
                 std::error_code& error)
{
    std::filesystem::directory_iterator it(folder.empty() ? std::filesystem::path(".") : folder, error);
    if (error)
        return false;
    for (; it != std::filesystem::directory_iterator(); it.increment(error)) {
        if (error)
            break;
        std::string name = utf8FromPath(it->path().filename());
        if (wanted && !wanted(name))
            continue;
        // Only regular files (or links to them) are listed as files: opening
        // a FIFO would block the reader.
        std::error_code statusError;
        if (kind == EntryKind::File ? it->is_regular_file(statusError) : it->is_directory(statusError))
            names.push_back(std::move(name));
    }
    return true;
}

} // namespace

bool listFiles(const std::filesystem::path& folder, const std::function<bool(std::string_view)>& wanted,
               std::vector<std::string>& names, std::error_code& error)
{
    return listEntries(folder, EntryKind::File, wanted, names, error);
}

bool listFolders(const std::filesystem::path& folder, std::vector<std::string>& names, std::error_code& error)
{
    return listEntries(folder, EntryKind::Folder, {}, names, error);
}

namespace {

// Opens path and keeps it when it is a regular file.
std::FILE* openRegular(const std::filesystem::path& path)
{
    // Neither waits nor takes a terminal, in case the path was swapped.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return nullptr;
    struct stat status {};
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
        ::close(fd);
        return nullptr;
    }
    // O_NONBLOCK changes nothing for a regular file's reads, so it stays:
    // a folder of thousands of logs is opened file by file.
    std::FILE* file = ::fdopen(fd, "rb");
    if (!file)
        ::close(fd);
    return file;
}

} // namespace

std::FILE* openLogForReading(const std::filesystem::path& path)
{
    struct stat before {};
    if (::stat(path.c_str(), &before) != 0 || !S_ISREG(before.st_mode))
        return nullptr;
    return openRegular(path);
}

std::FILE* openLookedAtLog(const std::filesystem::path& path)
{
    return openRegular(path);
}

bool seekTo(std::FILE* file, std::uint64_t offset)
{
    return ::fseeko(file, static_cast<off_t>(offset), SEEK_SET) == 0;
}

} // namespace zelkam
