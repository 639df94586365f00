#include "ingest/file_mark.h"

#ifdef _WIN32
#include "ingest/open_file.h"
#endif

#include <chrono>
#include <system_error>

#if defined(__unix__) || defined(__APPLE__)
#include <sys/stat.h>
#elif defined(_WIN32)
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <io.h>
#include <windows.h>
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
#elif defined(_WIN32)
// Nanoseconds since 1970 of a file time (100 ns steps since 1601), the
// scale the follower compares with the system clock.
std::int64_t nanoseconds(const FILETIME& time)
{
    const std::int64_t ticks = static_cast<std::int64_t>((std::uint64_t{time.dwHighDateTime} << 32) | time.dwLowDateTime);
    constexpr std::int64_t TicksFrom1601To1970 = 116444736000000000;
    return (ticks - TicksFrom1601To1970) * 100;
}

// What the handle's file looks like, read from the handle itself so that
// identity, time and size come from one moment. The volume serial number and
// file index are the identity a file keeps across renames and loses when it
// is replaced, as device and inode are elsewhere.
bool fill(HANDLE handle, FileMark& mark, std::uint64_t* size, bool folder)
{
    BY_HANDLE_FILE_INFORMATION info {};
    if (!GetFileInformationByHandle(handle, &info))
        return false;
    if (((info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) != folder)
        return false;
    mark.device = info.dwVolumeSerialNumber;
    mark.inode = (std::uint64_t{info.nFileIndexHigh} << 32) | info.nFileIndexLow;
    mark.modified = nanoseconds(info.ftLastWriteTime);
    if (size)
        *size = (std::uint64_t{info.nFileSizeHigh} << 32) | info.nFileSizeLow;
    return true;
}

// Opens only to ask about the file: every kind of sharing, so the server can
// go on writing, renaming and removing it meanwhile, and no data access.
bool fillFromPath(const std::filesystem::path& path, FileMark& mark, std::uint64_t* size, bool folder)
{
    const HANDLE handle = CreateFileW(systemPath(path).c_str(), FILE_READ_ATTRIBUTES,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                      FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return false;
    const bool filled = fill(handle, mark, size, folder);
    CloseHandle(handle);
    return filled;
}
#endif

} // namespace

void keepLastBytes(std::string& lastBytes, std::string_view block)
{
    if (block.size() >= MarkedLastBytes) {
        lastBytes.assign(block.substr(block.size() - MarkedLastBytes));
        return;
    }
    lastBytes.append(block);
    if (lastBytes.size() > MarkedLastBytes)
        lastBytes.erase(0, lastBytes.size() - MarkedLastBytes);
}

bool statFileMark(const std::filesystem::path& path, FileMark& mark)
{
#if defined(__unix__) || defined(__APPLE__)
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0 || !S_ISREG(status.st_mode))
        return false;
    fill(status, mark);
    mark.size = static_cast<std::uint64_t>(status.st_size);
    return true;
#elif defined(_WIN32)
    return fillFromPath(path, mark, &mark.size, false);
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
#elif defined(_WIN32)
    const HANDLE handle = reinterpret_cast<HANDLE>(::_get_osfhandle(::_fileno(file)));
    return handle != INVALID_HANDLE_VALUE && fill(handle, mark, nullptr, false);
#else
    (void)file;
    (void)mark;
    return false;
#endif
}

bool isRacyStamp(std::int64_t modified)
{
    // Two seconds covers the coarsest clock of the file systems in use.
    constexpr std::int64_t RacyStampNanoseconds = 2'000'000'000;
    const std::int64_t now = std::chrono::duration_cast<std::chrono::nanoseconds>(
                                 std::chrono::system_clock::now().time_since_epoch())
                                 .count();
    return now - modified < RacyStampNanoseconds;
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
#elif defined(_WIN32)
    FileMark mark;
    if (!fillFromPath(folder.empty() ? std::filesystem::path(L".") : folder, mark, nullptr, true))
        return false;
    modified = mark.modified;
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
