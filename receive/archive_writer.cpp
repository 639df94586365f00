#include "receive/archive_writer.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <system_error>

namespace zelkam::receive {
namespace {

std::string systemReason(int code) { return std::generic_category().message(code); }

std::string folderReason(int code) { return code == ENOTDIR ? "it is a link or not a folder" : systemReason(code); }

// Half of what the process may open, the rest left for the socket, the
// terminal and the folders opened on the way.
std::size_t openFileLimit()
{
    rlimit limit{};
    if (::getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY)
        return ArchiveWriter::MaxOpenFiles;
    return std::clamp<std::size_t>(limit.rlim_cur / 2, 8, ArchiveWriter::MaxOpenFiles);
}

} // namespace

ArchiveWriter::ArchiveWriter(std::filesystem::path archive, bool groupReadable)
    : archive_(std::move(archive)),
      folderMode_(groupReadable ? 0750 : 0700),
      fileMode_(groupReadable ? 0640 : 0600),
      maxOpen_(openFileLimit())
{
}

ArchiveWriter::~ArchiveWriter()
{
    closeAll();
    if (archiveDescriptor_ >= 0)
        ::close(archiveDescriptor_);
}

bool ArchiveWriter::prepare(std::string& error)
{
    const int folder = openArchiveFolder(archive_, folderMode_, error);
    if (folder < 0) {
        error = "refusing the archive folder " + archive_.string() + ": " + error;
        return false;
    }
    if (archiveDescriptor_ >= 0)
        ::close(archiveDescriptor_);
    archiveDescriptor_ = folder;
    return true;
}

bool ArchiveWriter::write(const SourceAddress& source, std::string_view line)
{
    const auto now = clock_ ? clock_() : std::chrono::steady_clock::now();
    if (now - lastSweep_ >= std::chrono::minutes(1)) {
        forgetIdle(now);
        lastSweep_ = now;
    }
    SourceFile& file = sources_[SourceKey(source.isV6, source.bytes, source.port)];
    if (file.folder.empty())
        file.folder = sourceFolderName(source);
    file.lastHeard = now;
    if (startsNewFile(!file.fileName.empty(), line)) {
        closeFile(file);
        file.fileName.clear();
        if (!startFile(file, line))
            return false;
    } else if (file.descriptor >= 0) {
        open_.splice(open_.begin(), open_, file.openPlace);
    } else if (!reopen(file)) {
        // The file is gone or something else stands in its place: the line
        // starts a new one rather than being lost.
        file.fileName.clear();
        if (!startFile(file, line))
            return false;
    }
    if (isUnlinked(file.descriptor)) {
        report(pathOf(file) + " was removed while being written; the lines go to a new file");
        closeFile(file);
        file.fileName.clear();
        if (!startFile(file, line))
            return false;
    }
    return append(file, line);
}

int ArchiveWriter::openSourceFolder(SourceFile& file)
{
    bool created = false;
    refusal_.clear();
    int folder = openSubfolder(archiveDescriptor_, file.folder, folderMode_, created);
    // The archive folder itself was removed or moved away: it is made
    // again where it was asked for, under the same checks as at start.
    if (folder < 0 && errno == ENOENT) {
        if (prepare(refusal_))
            folder = openSubfolder(archiveDescriptor_, file.folder, folderMode_, created);
        else
            errno = ENOENT;
    }
    // A folder made anew holds no numbers yet.
    if (created)
        file.numbers.reset();
    return folder;
}

int ArchiveWriter::openFolder(SourceFile& file)
{
    const int folder = openSourceFolder(file);
    if (folder < 0)
        fail(file, !refusal_.empty() ? refusal_
                                     : "cannot make " + (archive_ / file.folder).string() + ": " + folderReason(errno));
    return folder;
}

bool ArchiveWriter::startFile(SourceFile& file, std::string_view line)
{
    int month = 0;
    int day = 0;
    if (!readLineDate(line, month, day))
        return false;
    const int folder = openFolder(file);
    if (folder < 0)
        return false;
    if (!file.numbers) {
        // Listed once: a busy folder of thousands of files costs nothing
        // at the next file the server starts.
        const std::vector<std::string> names = namesIn(folder);
        file.numbers = std::make_unique<RunningNumbers>();
        for (const std::string& name : names)
            file.numbers->note(name);
        const std::string ended = endTornLine(folder);
        if (!ended.empty())
            report("ended the last line of " + (archive_ / file.folder / ended).string()
                   + " with a line feed: it was cut off when a receiver stopped");
    }
    makeRoomForOneMore();
    // Another program may make a file of the same name meanwhile; the
    // exclusive open then fails and the next number is tried, so nothing
    // is ever opened that this run did not create.
    for (int attempt = 0; attempt < 16; ++attempt) {
        const int number = file.numbers->next(month, day);
        if (number < 0) {
            fail(file, "no running number left for a new file of " + logFileName(month, day, 0).substr(1, 4)
                           + " in " + (archive_ / file.folder).string());
            break;
        }
        file.numbers->take(month, day, number);
        const std::string name = logFileName(month, day, number);
        const int descriptor = createLogFile(folder, name, fileMode_, file.identity);
        if (descriptor >= 0) {
            file.fileName = name;
            opened(file, descriptor);
            // Before its first line, so a line cut by a stop is always in
            // a recorded file. Without the record a cut line is left as it
            // is at the next start: the safe side.
            if (!recordCurrentFile(folder, name, file.identity))
                report("cannot record " + pathOf(file) + " as this receiver's file in "
                       + (archive_ / file.folder / ReceiverRecordName).string() + ": " + systemReason(errno));
            ::close(folder);
            return true;
        }
        if (errno != EEXIST) {
            fail(file, "cannot create " + (archive_ / file.folder / name).string() + ": " + systemReason(errno));
            break;
        }
    }
    if (file.problem.empty())
        fail(file, "cannot find a free file name in " + (archive_ / file.folder).string());
    ::close(folder);
    return false;
}

bool ArchiveWriter::reopen(SourceFile& file)
{
    const int folder = openSourceFolder(file);
    if (folder < 0)
        return false;
    makeRoomForOneMore();
    const int descriptor = reopenLogFile(folder, file.fileName, file.identity);
    ::close(folder);
    if (descriptor < 0) {
        report(pathOf(file) + " is no longer the file this receiver wrote (" + systemReason(errno)
               + "); the lines go to a new file");
        return false;
    }
    opened(file, descriptor);
    return true;
}

bool ArchiveWriter::append(SourceFile& file, std::string_view line)
{
    buffer_.assign(line);
    buffer_ += '\n';
    ssize_t written = 0;
    do {
        written = ::write(file.descriptor, buffer_.data(), buffer_.size());
    } while (written < 0 && errno == EINTR);
    if (written == static_cast<ssize_t>(buffer_.size())) {
        succeed(file);
        return true;
    }
    const int reason = written < 0 ? errno : ENOSPC;
    // A part of a line would glue itself to the next line written: cut it
    // off again, so the file holds whole lines only.
    struct stat after {};
    if (written > 0
        && (::fstat(file.descriptor, &after) != 0 || ::ftruncate(file.descriptor, after.st_size - written) != 0)) {
        fail(file, "cannot take back a part line from " + pathOf(file) + ": " + systemReason(errno));
        return false;
    }
    fail(file, "cannot write to " + pathOf(file) + ": " + systemReason(reason));
    return false;
}

void ArchiveWriter::opened(SourceFile& file, int descriptor)
{
    file.descriptor = descriptor;
    open_.push_front(&file);
    file.openPlace = open_.begin();
}

void ArchiveWriter::closeFile(SourceFile& file)
{
    if (file.descriptor < 0)
        return;
    ::close(file.descriptor);
    file.descriptor = -1;
    open_.erase(file.openPlace);
}

void ArchiveWriter::makeRoomForOneMore()
{
    while (!open_.empty() && open_.size() >= maxOpen_)
        closeFile(*open_.back());
}

void ArchiveWriter::forgetIdle(std::chrono::steady_clock::time_point now)
{
    for (auto it = sources_.begin(); it != sources_.end();) {
        if (now - it->second.lastHeard >= ForgetAfter) {
            closeFile(it->second);
            it = sources_.erase(it);
        } else {
            ++it;
        }
    }
}

void ArchiveWriter::closeAll()
{
    for (auto& [key, file] : sources_) {
        closeFile(file);
        file.fileName.clear();
    }
}

std::string ArchiveWriter::pathOf(const SourceFile& file) const
{
    return (archive_ / file.folder / file.fileName).string();
}

void ArchiveWriter::report(const std::string& text)
{
    if (reporter_)
        reporter_(text);
}

void ArchiveWriter::fail(SourceFile& file, const std::string& problem)
{
    if (problem == file.problem)
        return;
    file.problem = problem;
    report(problem + "; its lines are counted as lost until it works again");
}

void ArchiveWriter::succeed(SourceFile& file)
{
    if (file.problem.empty())
        return;
    file.problem.clear();
    report("writing " + pathOf(file) + " again");
}

} // namespace zelkam::receive
