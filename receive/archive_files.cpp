#include "receive/archive_files.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <system_error>

#include "receive/filing.h"
#include "receive/trusted_owner.h"

namespace zelkam::receive {
namespace {

// Descriptors of files under the archive never block (a pipe put in a
// file's place), never follow a link and are not handed down.
constexpr int FileFlags = O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC;

// The identity of the regular file behind descriptor; false when it is not
// one.
bool identityOf(int descriptor, const struct stat& status, FileIdentity& identity)
{
    if (!S_ISREG(status.st_mode))
        return false;
    identity = {static_cast<std::uint64_t>(status.st_dev), static_cast<std::uint64_t>(status.st_ino), 0};
#ifdef STATX_BTIME
    struct statx extended {};
    if (::statx(descriptor, "", AT_EMPTY_PATH, STATX_BTIME, &extended) == 0 && (extended.stx_mask & STATX_BTIME))
        identity.bornNanoseconds = extended.stx_btime.tv_sec * 1'000'000'000LL + extended.stx_btime.tv_nsec;
#else
    (void)descriptor;
#endif
    return true;
}

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
    if (!identityOf(file, status, identity))
        return closeFailing(file, ESTALE);
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
    FileIdentity found;
    if (!identityOf(file, status, found) || found != identity)
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

bool recordCurrentFile(int folder, const std::string& name, const FileIdentity& identity)
{
    // Every record has the same length and is written over the last in one
    // write, not renamed into place: a file start costs a few calls and no
    // flush of the disk. A stop in the middle of that write leaves a record
    // that names one file with another's identity, or none at all; either
    // matches no file, so nothing is changed: the safe side.
    char record[128];
    const int length = std::snprintf(record, sizeof record, "%-16s %020llu %020llu %020lld\n", name.c_str(),
                                     static_cast<unsigned long long>(identity.device),
                                     static_cast<unsigned long long>(identity.inode),
                                     static_cast<long long>(identity.bornNanoseconds));
    if (length <= 0 || static_cast<std::size_t>(length) >= sizeof record) {
        errno = ENAMETOOLONG;
        return false;
    }
    const int file = ::openat(folder, ReceiverRecordName, O_WRONLY | O_CREAT | FileFlags, 0600);
    if (file < 0)
        return false;
    struct stat status {};
    bool written = ::fstat(file, &status) == 0;
    if (written && !S_ISREG(status.st_mode)) {
        errno = EINVAL;
        written = false;
    }
    written = written && ::pwrite(file, record, static_cast<std::size_t>(length), 0) == length
              && (status.st_size <= length || ::ftruncate(file, length) == 0);
    const int reason = errno;
    ::close(file);
    errno = reason;
    return written;
}

namespace {

// The name and identity the folder's record holds; false when there is no
// record or it is not one this writer made.
bool readRecord(int folder, std::string& name, FileIdentity& identity)
{
    const int file = ::openat(folder, ReceiverRecordName, O_RDONLY | FileFlags);
    if (file < 0)
        return false;
    char bytes[256];
    struct stat status {};
    ssize_t size = -1;
    if (::fstat(file, &status) == 0 && S_ISREG(status.st_mode))
        size = ::read(file, bytes, sizeof bytes - 1);
    ::close(file);
    if (size <= 0)
        return false;
    bytes[size] = '\0';
    char recorded[64] = {};
    unsigned long long device = 0;
    unsigned long long inode = 0;
    long long born = 0;
    if (std::sscanf(bytes, "%63s %llu %llu %lld", recorded, &device, &inode, &born) != 4 || !isLogFileName(recorded))
        return false;
    name = recorded;
    identity = {device, inode, born};
    return true;
}

} // namespace

std::string endTornLine(int folder)
{
    std::string name;
    FileIdentity identity;
    if (!readRecord(folder, name, identity))
        return {};
    const int file = ::openat(folder, name.c_str(), O_RDWR | O_APPEND | FileFlags);
    if (file < 0)
        return {};
    struct stat status {};
    FileIdentity found;
    char last = '\n';
    bool ended = false;
    // Only the very file recorded: one the admin put under that name since
    // is not the receiver's.
    if (::fstat(file, &status) == 0 && identityOf(file, status, found) && found == identity && status.st_size > 0
        && ::pread(file, &last, 1, status.st_size - 1) == 1 && last != '\n')
        ended = ::write(file, "\n", 1) == 1;
    ::close(file);
    return ended ? name : std::string();
}

} // namespace zelkam::receive
