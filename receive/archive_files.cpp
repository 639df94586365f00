#include "receive/archive_files.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "receive/filing.h"

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

} // namespace

int openSubfolder(int parent, const std::string& name, mode_t mode, bool& created)
{
    created = ::mkdirat(parent, name.c_str(), mode) == 0;
    if (!created && errno != EEXIST)
        return -1;
    const int folder = ::openat(parent, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    // A link to a folder fails with ELOOP; either way it is not a folder.
    if (folder < 0 && errno == ELOOP)
        errno = ENOTDIR;
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
