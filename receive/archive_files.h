#pragma once

#include <sys/types.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace zelkam::receive {

// The system calls the archive writer makes under the archive folder. Other
// users of the machine may plant links, pipes or devices there, or remove
// a file while it is written; every open here is relative to a folder
// already open, never follows a link, never waits for a reader and takes
// only what it asked for (a folder, or a regular file it can name by its
// identity). Each returns a descriptor, or -1 with errno set.

// What a file is, to tell the file a run made from one put in its place.
// A removed file's inode number may be given to the next file made, so the
// time the file was made is part of it where the system tells it (Linux,
// on most file systems; 0 elsewhere).
struct FileIdentity {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    std::int64_t bornNanoseconds = 0;

    bool operator==(const FileIdentity&) const = default;
};

// The archive folder at path, opened one name at a time from the root (the
// current folder's path put in front of a relative one), never through a
// link another user could have put there, and made where missing: the
// folders above it as the user's mask says (0755 at most), the archive
// itself with exactly mode. Refused, with the reason and the fix in error,
// when:
// - the archive itself, or anything on the way to it, is a link (give the
//   path the links lead to instead);
// - the archive or a folder on the way belongs to someone other than the
//   user or root;
// - group or others may write in the archive, or in a folder on the way
//   that lacks the sticky bit (as /tmp has): they could move the archive
//   or its folders away and put their own in their place.
// A descriptor, or -1.
int openArchiveFolder(const std::filesystem::path& path, mode_t mode, std::string& error);

// The folder name inside parent, made with exactly mode when missing
// (created then says so). A link or anything else that is not a folder fails (ENOTDIR).
int openSubfolder(int parent, const std::string& name, mode_t mode, bool& created);

// A new file name inside folder, for appending, with exactly mode; fails
// (EEXIST) when the name is taken by anything, a dangling link included.
int createLogFile(int folder, const std::string& name, mode_t mode, FileIdentity& identity);

// The file name inside folder again, for appending, when it still is the
// file of that identity; anything else fails (ESTALE).
int reopenLogFile(int folder, const std::string& name, const FileIdentity& identity);

// True when the file behind descriptor has no name left (someone removed
// it): lines written to it would be lost.
bool isUnlinked(int descriptor);

// The names in folder, "." and ".." left out.
std::vector<std::string> namesIn(int folder);

// A receiver keeps, in each server folder, a record of the file it writes
// there now: its name and identity, in a small file of its own whose name
// no log file can have. Only that file can have been left with a cut last
// line by a receiver that was stopped while writing; any other file may be
// the admin's, and is never changed. A missing, unreadable or half-written
// record names no file that still is what it says, and changes nothing.
inline constexpr const char* ReceiverRecordName = ".zelkam-receiving";

// Records name, of that identity, as the file this receiver writes in
// folder. False when the record could not be replaced.
bool recordCurrentFile(int folder, const std::string& name, const FileIdentity& identity);

// The file the folder's record names, when it still is that very file and
// ends without a line feed (the receiver was stopped while writing it):
// ends it with one, so a reader never joins the part with a line after it.
// The name it ended, or empty.
std::string endTornLine(int folder);

} // namespace zelkam::receive
