#include "receive/archive_writer.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <system_error>
#include <vector>

#include "receive/filing.h"

namespace zelkam::receive {
namespace {

std::string systemReason(int code) { return std::generic_category().message(code); }

std::vector<std::string> namesIn(const std::filesystem::path& folder)
{
    std::vector<std::string> names;
    std::error_code error;
    for (std::filesystem::directory_iterator it(folder, error), end; !error && it != end; it.increment(error))
        names.push_back(it->path().filename().string());
    return names;
}

} // namespace

ArchiveWriter::ArchiveWriter(std::filesystem::path archive) : archive_(std::move(archive)) {}

ArchiveWriter::~ArchiveWriter() { closeAll(); }

bool ArchiveWriter::prepare(std::string& error)
{
    std::error_code code;
    std::filesystem::create_directories(archive_, code);
    if (!std::filesystem::is_directory(archive_, code)) {
        error = "cannot make the archive folder " + archive_.string() + ": "
                + (code ? code.message() : std::string("it is not a folder"));
        return false;
    }
    return true;
}

bool ArchiveWriter::write(const SourceAddress& source, std::string_view line)
{
    SourceFile& file = sources_[SourceKey(source.isV6, source.bytes, source.port)];
    if (file.folder.empty())
        file.folder = sourceFolderName(source);
    file.lastUse = ++useClock_;
    if (startsNewFile(!file.fileName.empty(), line)) {
        closeFile(file);
        file.fileName.clear();
        if (!startFile(file, line))
            return false;
    } else if (file.descriptor < 0 && !reopen(file)) {
        // The file is gone (moved away by the admin, say): the line starts
        // a new one rather than being lost.
        file.fileName.clear();
        if (!startFile(file, line))
            return false;
    }
    return append(file, line);
}

bool ArchiveWriter::startFile(SourceFile& file, std::string_view line)
{
    int month = 0;
    int day = 0;
    if (!readLineDate(line, month, day))
        return false;
    const std::filesystem::path folder = archive_ / file.folder;
    std::error_code code;
    std::filesystem::create_directories(folder, code);
    if (code) {
        fail(file, "cannot make " + folder.string() + ": " + code.message());
        return false;
    }
    makeRoomForOneMore();
    // Another program may make a file of the same name between the listing
    // and the open; the exclusive open then fails and the next number is
    // tried, so nothing is ever opened that this run did not create.
    for (int attempt = 0; attempt < 16; ++attempt) {
        const int number = nextRunningNumber(namesIn(folder), month, day);
        if (number < 0) {
            fail(file, "no running number left for a new file of " + logFileName(month, day, 0).substr(1, 4)
                           + " in " + folder.string());
            return false;
        }
        const std::string name = logFileName(month, day, number);
        const std::filesystem::path path = folder / name;
        const int descriptor =
            ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_APPEND | O_NOFOLLOW | O_CLOEXEC, 0644);
        if (descriptor >= 0) {
            file.fileName = name;
            file.descriptor = descriptor;
            ++openCount_;
            return true;
        }
        if (errno != EEXIST) {
            fail(file, "cannot create " + path.string() + ": " + systemReason(errno));
            return false;
        }
    }
    fail(file, "cannot find a free file name in " + folder.string());
    return false;
}

bool ArchiveWriter::reopen(SourceFile& file)
{
    makeRoomForOneMore();
    const std::filesystem::path path = archive_ / file.folder / file.fileName;
    const int descriptor = ::open(path.c_str(), O_WRONLY | O_APPEND | O_NOFOLLOW | O_CLOEXEC);
    if (descriptor < 0)
        return false;
    file.descriptor = descriptor;
    ++openCount_;
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
        fail(file, "cannot take back a part line from " + (archive_ / file.folder / file.fileName).string() + ": "
                       + systemReason(errno));
        return false;
    }
    fail(file, "cannot write to " + (archive_ / file.folder / file.fileName).string() + ": " + systemReason(reason));
    return false;
}

void ArchiveWriter::closeFile(SourceFile& file)
{
    if (file.descriptor >= 0) {
        ::close(file.descriptor);
        file.descriptor = -1;
        --openCount_;
    }
}

void ArchiveWriter::makeRoomForOneMore()
{
    if (openCount_ < MaxOpenFiles)
        return;
    SourceFile* idlest = nullptr;
    for (auto& [key, file] : sources_) {
        if (file.descriptor >= 0 && (!idlest || file.lastUse < idlest->lastUse))
            idlest = &file;
    }
    if (idlest)
        closeFile(*idlest);
}

void ArchiveWriter::closeAll()
{
    for (auto& [key, file] : sources_) {
        closeFile(file);
        file.fileName.clear();
    }
}

void ArchiveWriter::fail(SourceFile& file, const std::string& problem)
{
    if (problem == file.problem)
        return;
    file.problem = problem;
    if (reporter_)
        reporter_(problem + "; its lines are counted as lost until it works again");
}

void ArchiveWriter::succeed(SourceFile& file)
{
    if (file.problem.empty())
        return;
    file.problem.clear();
    if (reporter_)
        reporter_("writing " + (archive_ / file.folder / file.fileName).string() + " again");
}

} // namespace zelkam::receive
