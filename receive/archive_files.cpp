#include "receive/archive_files.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>

#include "receive/filing.h"
#include "receive/trusted_owner.h"

namespace zelkam::receive {
namespace {

// Descriptors of files under the archive never block (a pipe put in a
// file's place), never follow a link and are not handed down.
constexpr int FileFlags = O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC;

int closeFailing(int descriptor, int error)
{
    ::close(descriptor);
    errno = error;
    return -1;
}

std::string octalMode(mode_t mode)
{
    std::string text;
    for (int shift = 9; shift >= 0; shift -= 3)
        text += static_cast<char>('0' + ((mode >> shift) & 7));
    return text;
}

// Why the folder at shown, opened and described by status, may not be on
// the archive's way (or be the archive, when isArchive); empty when it may.
std::string untrustedFolder(const std::string& shown, const struct stat& status, bool isArchive)
{
    if (!S_ISDIR(status.st_mode))
        return shown + " is not a folder";
    if (!isTrustedOwner(status.st_uid))
        return shown + " belongs to another user (uid " + std::to_string(status.st_uid)
               + "), who could move the archive's files away or put his own in their place; use a folder of "
                 "your own";
    const bool othersWrite = (status.st_mode & (S_IWGRP | S_IWOTH)) != 0;
    if (isArchive && othersWrite)
        return "group or others can write in " + shown + " (mode " + octalMode(status.st_mode & 07777)
               + "), so they could replace the folders of the archive; make it yours alone (chmod 700 " + shown
               + ")";
    // In a folder with the sticky bit others may add names but never move
    // or remove one that is not theirs.
    if (othersWrite && !(status.st_mode & S_ISVTX))
        return "group or others can write in " + shown + " (mode " + octalMode(status.st_mode & 07777)
               + "), on the way to the archive, so they could move it away and put their own in its place; "
                 "use a folder they cannot change (or chmod go-w "
               + shown + ")";
    return {};
}

} // namespace

int openArchiveFolder(const std::filesystem::path& path, mode_t mode, std::string& error)
{
    std::error_code code;
    const std::filesystem::path whole = std::filesystem::absolute(path, code);
    if (code) {
        error = "cannot tell where " + path.string() + " is: " + code.message();
        return -1;
    }
    std::vector<std::string> names;
    for (const std::filesystem::path& part : whole.relative_path()) {
        if (!part.empty() && part != ".")
            names.push_back(part.string());
    }
    std::filesystem::path shown = whole.root_path();
    int current = ::open(shown.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    struct stat status {};
    if (current < 0 || ::fstat(current, &status) != 0) {
        error = "cannot open " + shown.string() + ": " + std::generic_category().message(errno);
        if (current >= 0)
            ::close(current);
        return -1;
    }
    error = untrustedFolder(shown.string(), status, names.empty());
    for (std::size_t i = 0; error.empty() && i < names.size(); ++i) {
        const std::string& name = names[i];
        const bool isArchive = i + 1 == names.size();
        shown /= name;
        bool created = ::mkdirat(current, name.c_str(), isArchive ? mode : 0755) == 0;
        if (!created && errno != EEXIST) {
            error = "cannot make " + shown.string() + ": " + std::generic_category().message(errno);
            break;
        }
        // Never through a link: one anywhere on the way may have been put
        // there by whoever can write in its folder.
        const int next = ::openat(current, name.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NOFOLLOW);
        if (next < 0) {
            const int reason = errno;
            const bool isLink = reason == ELOOP
                                || (::fstatat(current, name.c_str(), &status, AT_SYMLINK_NOFOLLOW) == 0
                                    && S_ISLNK(status.st_mode));
            error = isLink ? shown.string()
                                 + (isArchive ? " is a link; give the path of the folder itself"
                                              : " is a link on the way to the archive; give the path without links")
                           : "cannot open " + shown.string() + ": " + std::generic_category().message(reason);
            break;
        }
        ::close(current);
        current = next;
        // The mask may have taken bits away from what the archive is to be.
        if (created && isArchive)
            ::fchmod(current, mode);
        if (::fstat(current, &status) != 0)
            error = "cannot open " + shown.string() + ": " + std::generic_category().message(errno);
        else
            error = untrustedFolder(shown.string(), status, isArchive);
    }
    if (!error.empty()) {
        ::close(current);
        return -1;
    }
    return current;
}

int openSubfolder(int parent, const std::string& name, mode_t mode, bool& created)
{
    created = ::mkdirat(parent, name.c_str(), mode) == 0;
    if (!created && errno != EEXIST)
        return -1;
    const int folder = ::openat(parent, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    // A link to a folder fails with ELOOP; either way it is not a folder.
    if (folder < 0 && errno == ELOOP)
        errno = ENOTDIR;
    // The mask may have taken bits away from what was asked for.
    if (folder >= 0 && created)
        ::fchmod(folder, mode);
    return folder;
}

int createLogFile(int folder, const std::string& name, mode_t mode, FileIdentity& identity)
{
    const int file = ::openat(folder, name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_APPEND | FileFlags, mode);
    if (file < 0)
        return -1;
    struct stat status {};
    if (::fstat(file, &status) != 0)
        return closeFailing(file, errno);
    identity = {static_cast<std::uint64_t>(status.st_dev), static_cast<std::uint64_t>(status.st_ino)};
    if ((status.st_mode & 07777) != mode && ::fchmod(file, mode) != 0)
        return closeFailing(file, errno);
    return file;
}

int reopenLogFile(int folder, const std::string& name, const FileIdentity& identity)
{
    const int file = ::openat(folder, name.c_str(), O_WRONLY | O_APPEND | FileFlags);
    if (file < 0)
        return -1;
    struct stat status {};
    if (::fstat(file, &status) != 0)
        return closeFailing(file, errno);
    if (!S_ISREG(status.st_mode) || static_cast<std::uint64_t>(status.st_dev) != identity.device
        || static_cast<std::uint64_t>(status.st_ino) != identity.inode)
        return closeFailing(file, ESTALE);
    return file;
}

bool isUnlinked(int descriptor)
{
    struct stat status {};
    return ::fstat(descriptor, &status) == 0 && status.st_nlink == 0;
}

std::vector<std::string> namesIn(int folder)
{
    std::vector<std::string> names;
    const int copy = ::openat(folder, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (copy < 0)
        return names;
    DIR* listing = ::fdopendir(copy);
    if (!listing) {
        ::close(copy);
        return names;
    }
    while (const dirent* entry = ::readdir(listing)) {
        const std::string name = entry->d_name;
        if (name != "." && name != "..")
            names.push_back(name);
    }
    ::closedir(listing);
    return names;
}

std::string endTornLine(int folder, const std::vector<std::string>& names)
{
    const std::string* newest = nullptr;
    struct timespec newestTime {};
    for (const std::string& name : names) {
        struct stat status {};
        if (!isLogFileName(name) || ::fstatat(folder, name.c_str(), &status, AT_SYMLINK_NOFOLLOW) != 0
            || !S_ISREG(status.st_mode))
            continue;
        const struct timespec changed = status.st_mtim;
        if (!newest || changed.tv_sec > newestTime.tv_sec
            || (changed.tv_sec == newestTime.tv_sec && changed.tv_nsec > newestTime.tv_nsec)) {
            newest = &name;
            newestTime = changed;
        }
    }
    if (!newest)
        return {};
    const int file = ::openat(folder, newest->c_str(), O_RDWR | O_APPEND | FileFlags);
    if (file < 0)
        return {};
    struct stat status {};
    char last = '\n';
    bool ended = false;
    if (::fstat(file, &status) == 0 && S_ISREG(status.st_mode) && status.st_size > 0
        && ::pread(file, &last, 1, status.st_size - 1) == 1 && last != '\n')
        ended = ::write(file, "\n", 1) == 1;
    ::close(file);
    return ended ? *newest : std::string();
}

} // namespace zelkam::receive
