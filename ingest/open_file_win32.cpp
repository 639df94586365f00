// The folder and file access of Windows: paths are wide text, long ones go
// to the system in their extended form, and a log is opened shared so the
// server can go on writing, renaming and deleting it.
#include "ingest/open_file.h"

#include <system_error>

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <fcntl.h>
#include <io.h>
#include <windows.h>

namespace zelkam {

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

namespace {

enum class EntryKind { File, Folder };

// The one walk over a folder's entries, as the system lists them (long
// folder paths in their extended form); wanted sees each name first.
bool listEntries(const std::filesystem::path& folder, EntryKind kind,
                 const std::function<bool(std::string_view)>& wanted, std::vector<std::string>& names,
                 std::error_code& error)
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
        const bool isFolder = (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        if (isFolder != (kind == EntryKind::Folder))
            continue;
        const std::wstring_view wide(entry.cFileName);
        if (wide == L"." || wide == L"..")
            continue;
        std::string name = utf8FromPath(std::filesystem::path(entry.cFileName));
        if (!wanted || wanted(name))
            names.push_back(std::move(name));
    } while (FindNextFileW(find, &entry));
    const DWORD code = GetLastError();
    FindClose(find);
    if (code != ERROR_NO_MORE_FILES)
        error.assign(static_cast<int>(code), std::system_category());
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

std::FILE* openLogForReading(const std::filesystem::path& path)
{
    return openSharedForReading(path);
}

std::FILE* openLookedAtLog(const std::filesystem::path& path)
{
    return openSharedForReading(path);
}

bool seekTo(std::FILE* file, std::uint64_t offset)
{
    return ::_fseeki64(file, static_cast<long long>(offset), SEEK_SET) == 0;
}

} // namespace zelkam
