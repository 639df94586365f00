#include "ingest/live_window.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <string_view>
#include <system_error>
#include <unordered_map>

#include "ingest/line_feeder.h"
#include "ingest/open_file.h"
#include "ingest/window_reader.h"
#include "parse/time_stamp.h"

namespace zelkam {
namespace {

constexpr std::size_t FollowBufferSize = 1 << 16;
// File systems stamp changes with a coarse clock: a file created within the
// same step as the last listing leaves the folder's stamp as it was. A stamp
// younger than this is not trusted to tell "unchanged".
constexpr std::int64_t RacyStampNanoseconds = 2'000'000'000;

bool isRacy(std::int64_t modified)
{
    const std::int64_t now = std::chrono::duration_cast<std::chrono::nanoseconds>(
                                 std::chrono::system_clock::now().time_since_epoch())
                                 .count();
    return now - modified < RacyStampNanoseconds;
}

// Reads the up to MarkedLastBytes bytes that end at `end`.
bool readBytesBefore(std::FILE* file, std::uint64_t end, std::string& bytes)
{
    const std::size_t length = static_cast<std::size_t>(std::min<std::uint64_t>(end, MarkedLastBytes));
    bytes.resize(length);
    return seekTo(file, end - length) && std::fread(bytes.data(), 1, length, file) == length;
}

// Whether the file would still be a datable log with its unfinished last
// line cut off: its whole lines hold at least the first line's time stamp.
// A file the server has just begun has at most part of its first line: it
// is not taken before that line is complete, as a line is not.
bool hasWholeLine(const std::filesystem::path& path)
{
    std::FILE* file = openLogForReading(path);
    if (!file)
        return false;
    char head[4096];
    bool found = false;
    std::size_t total = 0;
    std::size_t got;
    while (!found && total < FollowBufferSize && (got = std::fread(head, 1, sizeof head, file)) > 0) {
        for (std::size_t at = 0; at < got && !found; ++at)
            found = head[at] == '\n' && total + at + 1 >= TimeStampOffset + TimeStampLength + 1;
        total += got;
    }
    std::fclose(file);
    // A first line longer than anything a server writes counts as begun.
    return found || total >= FollowBufferSize;
}

} // namespace

LiveWindow::LiveWindow() : buffer_(new char[FollowBufferSize]) {}

LiveWindow::~LiveWindow() = default;

void LiveWindow::watch(const std::filesystem::path& folder, bool stamped, std::int64_t stamp, const LogFileList& files)
{
    active_ = true;
    folder_ = folder;
    watching_ = stamped;
    folderModified_ = stamp;
    folderRacy_ = !watching_ || isRacy(folderModified_);
    newestName_ = files.entries.empty() ? std::string() : files.entries.back().name;
    noteUndated(files);
}

void LiveWindow::noteUndated(const LogFileList& files)
{
    // Every log file of the folder with how it looked when it was dated, so
    // that a later listing dates only what is new or changed.
    std::unordered_map<std::string_view, std::int32_t> dated;
    for (const LogFileEntry& entry : files.entries)
        dated.emplace(entry.name, entry.startTime);
    known_.clear();
    std::error_code error;
    std::filesystem::directory_iterator it(folder_.empty() ? std::filesystem::path(".") : folder_, error);
    for (; !error && it != std::filesystem::directory_iterator(); it.increment(error)) {
        const std::string name = utf8FromPath(it->path().filename());
        KnownFile known;
        if (!isLogFileName(name) || !statFileMark(it->path(), known.mark))
            continue;
        const auto found = dated.find(name);
        known.dated = found != dated.end();
        known.startTime = known.dated ? found->second : 0;
        known_.emplace(name, known);
    }
    noteUndatedSizes();
}

void LiveWindow::noteUndatedSizes()
{
    undated_.clear();
    for (const auto& [name, known] : known_) {
        if (!known.dated)
            undated_.emplace_back(name, known.mark.size);
    }
}

void LiveWindow::adopt(const std::vector<FileMark>& marks, std::int32_t start, int days)
{
    following_ = false;
    marks_ = marks;
    windowStart_ = start;
    windowDays_ = days;
    windowEnd_ = addLocalDays(start, days);
}

void LiveWindow::clear()
{
    active_ = false;
    watching_ = false;
    folder_.clear();
    undated_.clear();
    known_.clear();
    newestName_.clear();
    marks_.clear();
    windowDays_ = 0;
}

std::vector<std::string> LiveWindow::windowNames(const LogFileList& files) const
{
    // The list is sorted by start, so the window's files are one run of it,
    // exactly those a window read picks.
    std::vector<std::string> names;
    for (const LogFileEntry& entry : files.entries) {
        if (entry.startTime >= windowStart_ && entry.startTime < windowEnd_)
            names.push_back(entry.name);
    }
    return names;
}

bool LiveWindow::rescan(LogFileList& files, GrowArray<std::int32_t>& days, bool& daysChanged)
{
    watching_ = folderModified(folder_, folderModified_);
    folderRacy_ = !watching_ || isRacy(folderModified_);
    // As a scan lists the folder, except that a file that looks as it did at
    // the last listing keeps the date found then: a server's folder holds
    // years of logs, and only the newest change.
    LogFileList scanned;
    scanned.folder = folder_;
    std::unordered_map<std::string, KnownFile> listed;
    TimeStampConverter stamps;
    std::error_code error;
    std::filesystem::directory_iterator it(folder_.empty() ? std::filesystem::path(".") : folder_, error);
    for (; !error && it != std::filesystem::directory_iterator(); it.increment(error)) {
        const std::string name = utf8FromPath(it->path().filename());
        KnownFile file;
        if (!isLogFileName(name) || !statFileMark(it->path(), file.mark))
            continue;
        // A stamp as young as the listing may hide a change within the same
        // clock step: such a file is dated again.
        const auto found = known_.find(name);
        if (found != known_.end() && !isRacy(file.mark.modified) && found->second.mark.device == file.mark.device
            && found->second.mark.inode == file.mark.inode && found->second.mark.size == file.mark.size
            && found->second.mark.modified == file.mark.modified) {
            file = found->second;
        } else {
            file.dated = probeLogFile(it->path(), stamps, file.startTime);
            if (!file.dated)
                file.startTime = 0;
        }
        if (file.dated)
            scanned.entries.append(LogFileEntry{name, file.startTime});
        listed.emplace(name, file);
    }
    known_ = std::move(listed);
    noteUndatedSizes();
    sortEntries(scanned);
    newestName_.clear();
    if (!scanned.entries.empty()) {
        // The file the server writes to joins, or stays, once it holds a
        // whole line: a fresh load of the folder, with the line being
        // written cut off, would not find it otherwise.
        newestName_ = scanned.entries.back().name;
        if (!hasWholeLine(scanned.pathOf(newestName_)))
            scanned.entries.removeLast();
    }
    GrowArray<std::int32_t> newDays(days.capacity());
    appendDays(scanned, newDays);
    daysChanged = newDays.size() != days.size() || !std::equal(newDays.begin(), newDays.end(), days.begin());
    files = std::move(scanned);
    days = std::move(newDays);
    return true;
}

FolderChanges LiveWindow::follow(LogFileList& files, GrowArray<std::int32_t>& days, LogParser& parser)
{
    FolderChanges changes;
    if (!active_)
        return changes;
    std::int64_t modified = 0;
    if (!folderModified(folder_, modified)) {
        changes.folderGone = true;
        return changes;
    }

    bool relist = !watching_ || folderRacy_ || modified != folderModified_;
    for (std::size_t i = 0; !relist && i < undated_.size(); ++i) {
        FileMark mark;
        relist = !statFileMark(folder_ / pathFromUtf8(undated_[i].first), mark) || mark.size != undated_[i].second;
    }

    const auto changed = [&]() {
        // Whatever a new read of the window finds, the days must already
        // be those of the folder as it is now.
        if (!relist) {
            bool daysChanged = false;
            rescan(files, days, daysChanged);
            changes.daysChanged = changes.daysChanged || daysChanged;
        }
        changes.window = WindowChange::Changed;
        return changes;
    };

    std::vector<std::string> extra;
    if (relist) {
        rescan(files, days, changes.daysChanged);
        if (hasWindow()) {
            const std::vector<std::string> names = windowNames(files);
            if (names.size() < marks_.size())
                return changed();
            for (std::size_t i = 0; i < marks_.size(); ++i) {
                if (names[i] != marks_[i].name)
                    return changed();
            }
            extra.assign(names.begin() + static_cast<std::ptrdiff_t>(marks_.size()), names.end());
            // An archive that comes into the window is read whole with a
            // fresh load: only plain files are followed line by line.
            for (const std::string& name : extra) {
                if (compressionOfName(name) != Compression::None)
                    return changed();
            }
        }
    }
    if (!hasWindow())
        return changes;

    // Only the newest file of the window can grow; the others are looked at
    // when the folder changed and on every sixteenth look, which keeps a
    // quiet look to two status queries however many maps the day had.
    bool lastGrew = false;
    const bool lookAtAll = relist || ++looks_ % 16 == 0;
    for (std::size_t i = lookAtAll || marks_.empty() ? 0 : marks_.size() - 1; i < marks_.size(); ++i) {
        const FileMark& mark = marks_[i];
        FileMark now;
        if (!statFileMark(folder_ / pathFromUtf8(mark.name), now) || now.device != mark.device || now.inode != mark.inode
            || now.size < mark.size || (now.size == mark.size && now.modified != mark.modified))
            return changed();
        // An archive never grows: any change to one is read again whole.
        if (compressionOfName(mark.name) != Compression::None && now.size != mark.size)
            return changed();
        if (now.size > mark.size) {
            // Lines added to a file that another follows belong before that
            // file's lines: not something appending can express.
            if (i + 1 < marks_.size())
                return changed();
            lastGrew = true;
        }
    }
    // Only the folder's newest file is still being written: its unterminated
    // last line waits until it is whole. Any other file's last line counts as
    // it stands, as in any window read.
    const auto isNewest = [&](const std::string& name) { return name == newestName_; };
    bool takeTail = false;
    if (!marks_.empty()) {
        const FileMark& last = marks_.back();
        // The newest file again (a later one went): its last line, taken as
        // it stood, may be unfinished after all.
        if (following_ && isNewest(last.name) && last.consumed > last.complete)
            return changed();
        // No longer the newest (a later day's file came): its unfinished
        // last line now counts as it stands.
        takeTail = !isNewest(last.name) && last.consumed < last.size;
    }
    if (!lastGrew && extra.empty() && !takeTail)
        return changes;

    if (!marks_.empty()) {
        FileMark& last = marks_.back();
        if (lastGrew && last.consumed > last.complete) {
            // The load took the file's unterminated last line as it stood;
            // the server has written on since, so that line is read again
            // whole.
            if (last.tailEvent) {
                parser.events().removeLast();
                changes.retracted = 1;
            }
            last.consumed = last.complete;
            last.tailEvent = false;
        }
        if (!readOn(files, last, parser, extra.empty() && isNewest(last.name)))
            return changed();
    }
    for (std::size_t i = 0; i < extra.size(); ++i) {
        FileMark mark;
        mark.name = extra[i];
        if (!readOn(files, mark, parser, isNewest(mark.name)))
            return changed();
        marks_.push_back(std::move(mark));
    }
    following_ = true;
    changes.window = WindowChange::Grew;
    return changes;
}

bool LiveWindow::readOn(const LogFileList& files, FileMark& mark, LogParser& parser, bool wholeLinesOnly)
{
    std::FILE* file = openLogForReading(files.pathOf(mark.name));
    if (!file)
        return false;
    // A file that grew is read on only while the bytes read last are still
    // where they were; otherwise it was written anew, and the window is read
    // again. An archive is never read on (any change to one reads the window
    // again), so only a plain file's bytes are looked at.
    std::string before;
    const bool added = mark.size == 0 || compressionOfName(mark.name) != Compression::None
        || (mark.lastBytesKnown && readBytesBefore(file, mark.size, before) && before == mark.lastBytes);
    if (!added || !seekTo(file, mark.consumed)) {
        std::fclose(file);
        return false;
    }
    LineFeeder lines(parser);
    std::uint64_t position = mark.consumed;
    char* buffer = buffer_.get();
    std::size_t got;
    while ((got = std::fread(buffer, 1, FollowBufferSize, file)) > 0) {
        if (const std::size_t wholeEnd = lines.feed(std::string_view(buffer, got)))
            mark.complete = position + wholeEnd;
        position += got;
    }
    const std::uint64_t start = mark.consumed;
    mark.size = position;
    if (lines.inLine() && wholeLinesOnly) {
        // The server is still writing this line: it is read again once whole.
        mark.consumed = mark.complete;
        mark.tailEvent = false;
    } else if (lines.inLine()) {
        mark.tailEvent = lines.finishLine();
        mark.consumed = position;
    } else if (position > start) {
        mark.consumed = position;
        mark.tailEvent = false;
    }
    statOpenFileMark(file, mark);
    mark.lastBytesKnown = readBytesBefore(file, mark.size, mark.lastBytes);
    std::fclose(file);
    return true;
}

std::size_t LiveWindow::dropUnterminatedTail(LogParser& parser)
{
    following_ = true;
    if (marks_.empty())
        return 0;
    FileMark& last = marks_.back();
    if (last.consumed <= last.complete || last.name != newestName_)
        return 0;
    const std::size_t removed = last.tailEvent ? 1 : 0;
    if (last.tailEvent)
        parser.events().removeLast();
    last.consumed = last.complete;
    last.tailEvent = false;
    return removed;
}

} // namespace zelkam
