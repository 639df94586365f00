#include "ingest/open_file.h"

#include <system_error>

#if defined(__unix__) || defined(__APPLE__)
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#ifdef _WIN32
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <fcntl.h>
#include <io.h>
#include <windows.h>
#endif

namespace zelkam {

#ifdef _WIN32

std::filesystem::path pathFromUtf8(std::string_view text)
{
    if (text.empty())
        return {};
    const int size = static_cast<int>(text.size());
    const int wide = MultiByteToWideChar(CP_UTF8, 0, text.data(), size, nullptr, 0);
    std::wstring result(static_cast<std::size_t>(wide), L'\0');
    if (wide > 0)
        MultiByteToWideChar(CP_UTF8, 0, text.data(), size, result.data(), wide);
    return std::filesystem::path(result);
}

std::string utf8FromPath(const std::filesystem::path& path)
{
    const std::wstring& wide = path.native();
    if (wide.empty())
        return {};
    const int size = static_cast<int>(wide.size());
    const int bytes = WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, nullptr, 0, nullptr, nullptr);
    std::string result(static_cast<std::size_t>(bytes), '\0');
    if (bytes > 0)
        WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, result.data(), bytes, nullptr, nullptr);
    return result;
}

std::filesystem::path systemPath(const std::filesystem::path& path)
{
    // Below a folder's limit the system takes any form (relative, with /
    // or ..). The extended form is taken literally, so it is made from the
    // absolute path the system itself would have made.
    constexpr std::size_t FolderPathLimit = MAX_PATH - 12;
    const std::wstring& text = path.native();
    if (text.size() < FolderPathLimit || text.starts_with(L"\\\\?\\") || text.starts_with(L"\\\\.\\"))
        return path;
    const DWORD wanted = GetFullPathNameW(text.c_str(), 0, nullptr, nullptr);
    if (wanted == 0)
        return path;
    std::wstring full(wanted, L'\0');
    const DWORD written = GetFullPathNameW(text.c_str(), wanted, full.data(), nullptr);
    if (written == 0 || written >= wanted)
        return path;
    full.resize(written);
    if (full.size() < FolderPathLimit)
        return full;
    if (full.starts_with(L"\\\\"))
        return L"\\\\?\\UNC\\" + full.substr(2);
    return L"\\\\?\\" + full;
}

PathKind pathKind(const std::filesystem::path& path)
{
    if (path.empty())
        return PathKind::Missing;
    const DWORD attributes = GetFileAttributesW(systemPath(path).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        const DWORD error = GetLastError();
        return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND || error == ERROR_INVALID_NAME
                       || error == ERROR_BAD_NETPATH
                   ? PathKind::Missing
                   : PathKind::Unknown;
    }
    // A link to a folder (a junction, a symbolic link) carries the folder
    // mark itself.
    return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ? PathKind::Folder : PathKind::File;
}

bool listFiles(const std::filesystem::path& folder, const std::function<bool(std::string_view)>& wanted,
               std::vector<std::string>& names, std::error_code& error)
{
    error.clear();
    const std::filesystem::path pattern = (folder.empty() ? std::filesystem::path(L".") : folder) / L"*";
    WIN32_FIND_DATAW entry {};
    const HANDLE find = FindFirstFileExW(systemPath(pattern).c_str(), FindExInfoBasic, &entry, FindExSearchNameMatch,
                                         nullptr, FIND_FIRST_EX_LARGE_FETCH);
    if (find == INVALID_HANDLE_VALUE) {
        error.assign(static_cast<int>(GetLastError()), std::system_category());
        return false;
    }
    do {
        if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
            continue;
        std::string name = utf8FromPath(std::filesystem::path(entry.cFileName));
        if (wanted(name))
            names.push_back(std::move(name));
    } while (FindNextFileW(find, &entry));
    const DWORD code = GetLastError();
    FindClose(find);
    if (code != ERROR_NO_MORE_FILES)
        error.assign(static_cast<int>(code), std::system_category());
    return true;
}

bool listFolders(const std::filesystem::path& folder, std::vector<std::string>& names, std::error_code& error)
{
    error.clear();
    const std::filesystem::path pattern = (folder.empty() ? std::filesystem::path(L".") : folder) / L"*";
    WIN32_FIND_DATAW entry {};
    const HANDLE find = FindFirstFileExW(systemPath(pattern).c_str(), FindExInfoBasic, &entry, FindExSearchNameMatch,
                                         nullptr, FIND_FIRST_EX_LARGE_FETCH);
    if (find == INVALID_HANDLE_VALUE) {
        error.assign(static_cast<int>(GetLastError()), std::system_category());
        return false;
    }
    do {
        if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0)
            continue;
        const std::wstring_view wide(entry.cFileName);
        if (wide == L"." || wide == L"..")
            continue;
        names.push_back(utf8FromPath(std::filesystem::path(entry.cFileName)));
    } while (FindNextFileW(find, &entry));
    const DWORD code = GetLastError();
    FindClose(find);
    if (code != ERROR_NO_MORE_FILES)
        error.assign(static_cast<int>(code), std::system_category());
    return true;
}

std::FILE* openSharedForReading(const std::filesystem::path& path)
{
    HANDLE handle = CreateFileW(systemPath(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return nullptr;
    // Directories do not open without backup semantics; pipes, consoles and
    // devices do, and are turned away here.
    if (GetFileType(handle) != FILE_TYPE_DISK) {
        CloseHandle(handle);
        return nullptr;
    }
    const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_RDONLY | _O_BINARY);
    if (fd < 0) {
        CloseHandle(handle);
        return nullptr;
    }
    // From here the descriptor owns the handle, and the stream the descriptor.
    std::FILE* file = _fdopen(fd, "rb");
    if (!file)
        _close(fd);
    return file;
}

#else

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

bool listFiles(const std::filesystem::path& folder, const std::function<bool(std::string_view)>& wanted,
               std::vector<std::string>& names, std::error_code& error)
{
    std::filesystem::directory_iterator it(folder.empty() ? std::filesystem::path(".") : folder, error);
    if (error)
        return false;
    for (; it != std::filesystem::directory_iterator(); it.increment(error)) {
        if (error)
            break;
        std::string name = utf8FromPath(it->path().filename());
        if (!wanted(name))
            continue;
        // Only regular files (or links to them) are listed: opening a FIFO
        // would block the reader.
        std::error_code statusError;
        if (it->is_regular_file(statusError))
            names.push_back(std::move(name));
    }
    return true;
}

bool listFolders(const std::filesystem::path& folder, std::vector<std::string>& names, std::error_code& error)
{
    std::filesystem::directory_iterator it(folder.empty() ? std::filesystem::path(".") : folder, error);
    if (error)
        return false;
    for (; it != std::filesystem::directory_iterator(); it.increment(error)) {
        if (error)
            break;
        std::error_code statusError;
        if (it->is_directory(statusError))
            names.push_back(utf8FromPath(it->path().filename()));
    }
    return true;
}

#endif

std::FILE* openLogForReading(const std::filesystem::path& path)
{
#if defined(__unix__) || defined(__APPLE__)
    struct stat before {};
    if (::stat(path.c_str(), &before) != 0 || !S_ISREG(before.st_mode))
        return nullptr;
    // Neither waits nor takes a terminal, in case the path was swapped.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return nullptr;
    struct stat status {};
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
        ::close(fd);
        return nullptr;
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    std::FILE* file = ::fdopen(fd, "rb");
    if (!file)
        ::close(fd);
    return file;
#elif defined(_WIN32)
    return openSharedForReading(path);
#else
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error))
        return nullptr;
    return std::fopen(path.string().c_str(), "rb");
#endif
}

bool seekTo(std::FILE* file, std::uint64_t offset)
{
#if defined(__unix__) || defined(__APPLE__)
    return ::fseeko(file, static_cast<off_t>(offset), SEEK_SET) == 0;
#elif defined(_WIN32)
    return ::_fseeki64(file, static_cast<long long>(offset), SEEK_SET) == 0;
#else
    return std::fseek(file, static_cast<long>(offset), SEEK_SET) == 0;
#endif
}

} // namespace zelkam
