#include "ingest/file_mark.h"

#include <system_error>

#if defined(__unix__) || defined(__APPLE__)
#include <sys/stat.h>
#endif

namespace zelkam {
namespace {

#if defined(__unix__) || defined(__APPLE__)
std::int64_t nanoseconds(const struct stat& status)
{
#if defined(__APPLE__)
    const struct timespec& at = status.st_mtimespec;
#else
    const struct timespec& at = status.st_mtim;
#endif
    return std::int64_t{at.tv_sec} * 1000000000 + at.tv_nsec;
}

void fill(const struct stat& status, FileMark& mark)
{
    mark.device = static_cast<std::uint64_t>(status.st_dev);
    mark.inode = static_cast<std::uint64_t>(status.st_ino);
    mark.modified = nanoseconds(status);
}
#endif

} // namespace

bool statFileMark(const std::filesystem::path& path, FileMark& mark)
{
#if defined(__unix__) || defined(__APPLE__)
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0 || !S_ISREG(status.st_mode))
        return false;
    fill(status, mark);
    mark.size = static_cast<std::uint64_t>(status.st_size);
    return true;
#else
    std::error_code error;
    const auto size = std::filesystem::file_size(path, error);
    if (error)
        return false;
    const auto modified = std::filesystem::last_write_time(path, error);
    if (error)
        return false;
    mark.device = 0;
    mark.inode = 0;
    mark.modified = std::chrono::duration_cast<std::chrono::nanoseconds>(modified.time_since_epoch()).count();
    mark.size = size;
    return true;
#endif
}

bool statOpenFileMark(std::FILE* file, FileMark& mark)
{
#if defined(__unix__) || defined(__APPLE__)
    struct stat status {};
    if (::fstat(::fileno(file), &status) != 0)
        return false;
    fill(status, mark);
    return true;
#else
    (void)file;
    (void)mark;
    return false;
#endif
}

bool folderModified(const std::filesystem::path& folder, std::int64_t& modified)
{
#if defined(__unix__) || defined(__APPLE__)
    struct stat status {};
    const std::filesystem::path at = folder.empty() ? std::filesystem::path(".") : folder;
    if (::stat(at.c_str(), &status) != 0 || !S_ISDIR(status.st_mode))
        return false;
    modified = nanoseconds(status);
    return true;
#else
    std::error_code error;
    const std::filesystem::path at = folder.empty() ? std::filesystem::path(".") : folder;
    if (!std::filesystem::is_directory(at, error))
        return false;
    const auto time = std::filesystem::last_write_time(at, error);
    if (error)
        return false;
    modified = std::chrono::duration_cast<std::chrono::nanoseconds>(time.time_since_epoch()).count();
    return true;
#endif
}

} // namespace zelkam
