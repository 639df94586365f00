#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <list>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <tuple>

#include "receive/archive_files.h"
#include "receive/datagram.h"
#include "receive/filing.h"

namespace zelkam::receive {

// Files accepted lines under the archive folder, a folder per source and
// files named as the server names them (see filing.h). Each line goes out
// with its line feed in one write, straight to the system, so a reader sees
// it at once and never half of it; a write the disk cuts short is taken
// back. The writer creates files and never writes into one it did not
// create in this run, so the admin's history is never overwritten or added
// to; the one exception ends a line a stopped receiver left cut off, in the
// file a receiver recorded as its own (see recordCurrentFile), never in any
// other.
//
// Everything below the archive folder is opened without following links
// (see archive_files.h): another user of the machine cannot send the lines
// elsewhere or make the writer wait; the archive folder itself, and the way
// to it, must be the user's (or root's) and closed to others' changes.
// Folders are made 0700 and files 0600 (0750 and 0640 when group-readable):
// the lines hold rcon passwords.
//
// Nothing here throws or stops: a line that cannot be written is lost (the
// caller counts it), the problem is reported once, and the next line tries
// again.
class ArchiveWriter {
public:
    // At most this many files are kept open (fewer when the process may
    // open fewer); past it the one unused longest is closed and reopened,
    // being this run's, when its source sends again.
    static constexpr std::size_t MaxOpenFiles = 512;
    // A source silent this long is forgotten: its next line starts a file.
    static constexpr std::chrono::hours ForgetAfter{1};

    using Clock = std::function<std::chrono::steady_clock::time_point()>;

    explicit ArchiveWriter(std::filesystem::path archive, bool groupReadable = false);
    ~ArchiveWriter();
    ArchiveWriter(const ArchiveWriter&) = delete;
    ArchiveWriter& operator=(const ArchiveWriter&) = delete;

    // Called with one line of text each time writing fails in a new way and
    // when it works again. The text names paths under the archive and the
    // system's reason.
    void setReporter(std::function<void(const std::string&)> reporter) { reporter_ = std::move(reporter); }
    // Where the writer reads the time to forget idle sources; the steady
    // clock unless set.
    void setClock(Clock clock) { clock_ = std::move(clock); }

    // Opens the archive folder, creating it (and the folders above it) when
    // missing, and again when it goes missing later. False, with the reason
    // and the fix in error, when it cannot be made or is refused: a link,
    // another user's, or open to others' changes, itself or on the way to
    // it (see openArchiveFolder).
    bool prepare(std::string& error);

    // Writes line (a line that acceptDatagram took, without its line feed)
    // to the source's file, starting a new file first when the filing rules
    // say so. False when the line was not written.
    bool write(const SourceAddress& source, std::string_view line);

    // Closes every file; a later line starts new ones.
    void closeAll();

    const std::filesystem::path& archive() const { return archive_; }
    // The sources remembered now (those heard within ForgetAfter).
    std::size_t sourceCount() const { return sources_.size(); }
    std::size_t openFileCount() const { return open_.size(); }

private:
    using SourceKey = std::tuple<bool, std::array<std::uint8_t, 16>, std::uint16_t>;
    struct SourceFile {
        std::string folder;   // relative to the archive
        std::string fileName; // empty until this run starts a file
        FileIdentity identity;
        int descriptor = -1;
        std::list<SourceFile*>::iterator openPlace; // in open_, while open
        std::chrono::steady_clock::time_point lastHeard;
        std::unique_ptr<RunningNumbers> numbers; // read from the folder at its first file
        std::string problem; // the last failure reported, empty when writing works
    };

    bool startFile(SourceFile& file, std::string_view line);
    bool reopen(SourceFile& file);
    bool append(SourceFile& file, std::string_view line);
    int openSourceFolder(SourceFile& file);
    int openFolder(SourceFile& file);
    void opened(SourceFile& file, int descriptor);
    void closeFile(SourceFile& file);
    void makeRoomForOneMore();
    void forgetIdle(std::chrono::steady_clock::time_point now);
    std::string pathOf(const SourceFile& file) const;
    void report(const std::string& text);
    void fail(SourceFile& file, const std::string& problem);
    void succeed(SourceFile& file);

    std::filesystem::path archive_;
    mode_t folderMode_;
    mode_t fileMode_;
    int archiveDescriptor_ = -1;
    std::size_t maxOpen_;
    std::map<SourceKey, SourceFile> sources_;
    std::list<SourceFile*> open_; // the open files, the one used last first
    std::function<void(const std::string&)> reporter_;
    Clock clock_;
    std::chrono::steady_clock::time_point lastSweep_;
    std::string buffer_;
    std::string refusal_; // why the archive folder was refused when made again, or empty
};

} // namespace zelkam::receive
