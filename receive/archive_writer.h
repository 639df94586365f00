#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <tuple>

#include "receive/datagram.h"

namespace zelkam::receive {

// Files accepted lines under the archive folder, a folder per source and
// files named as the server names them (see filing.h). Each line goes out
// with its line feed in one write, straight to the system, so a reader sees
// it at once and never half of it; a write the disk cuts short is taken
// back. The writer creates files and never opens one it did not create
// in this run, so the admin's history is never overwritten or added to.
//
// Nothing here throws or stops: a line that cannot be written is lost (the
// caller counts it), the problem is reported once, and the next line tries
// again.
class ArchiveWriter {
public:
    // At most this many files are kept open; past it the longest idle one is
    // closed and reopened (for appending, being this run's) when its source
    // sends again.
    static constexpr std::size_t MaxOpenFiles = 64;

    explicit ArchiveWriter(std::filesystem::path archive);
    ~ArchiveWriter();
    ArchiveWriter(const ArchiveWriter&) = delete;
    ArchiveWriter& operator=(const ArchiveWriter&) = delete;

    // Called with one line of text each time writing fails in a new way and
    // when it works again. The text names paths under the archive and the
    // system's reason.
    void setReporter(std::function<void(const std::string&)> reporter) { reporter_ = std::move(reporter); }

    // Creates the archive folder when missing. False, with the reason in
    // error, when it cannot be made or is not a folder.
    bool prepare(std::string& error);

    // Writes line (a line that acceptDatagram took, without its line feed)
    // to the source's file, starting a new file first when the filing rules
    // say so. False when the line was not written.
    bool write(const SourceAddress& source, std::string_view line);

    // Closes every file; a later line starts new ones.
    void closeAll();

    const std::filesystem::path& archive() const { return archive_; }

private:
    using SourceKey = std::tuple<bool, std::array<std::uint8_t, 16>, std::uint16_t>;
    struct SourceFile {
        std::string folder;   // relative to the archive
        std::string fileName; // empty until this run starts a file
        int descriptor = -1;
        std::uint64_t lastUse = 0;
        std::string problem; // the last failure reported, empty when writing works
    };

    bool startFile(SourceFile& file, std::string_view line);
    bool reopen(SourceFile& file);
    bool append(SourceFile& file, std::string_view line);
    void closeFile(SourceFile& file);
    void makeRoomForOneMore();
    void fail(SourceFile& file, const std::string& problem);
    void succeed(SourceFile& file);

    std::filesystem::path archive_;
    std::map<SourceKey, SourceFile> sources_;
    std::function<void(const std::string&)> reporter_;
    std::string buffer_;
    std::size_t openCount_ = 0;
    std::uint64_t useClock_ = 0;
};

} // namespace zelkam::receive
