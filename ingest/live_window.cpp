#include "ingest/live_window.h"

#include <algorithm>
#include <cstring>
#include <string_view>
#include <system_error>
#include <unordered_map>

#include "ingest/block_source.h"
#include "ingest/mark_read.h"
#include "ingest/open_file.h"
#include "parse/time_stamp.h"

namespace zelkam {
namespace {

constexpr std::size_t FollowBufferSize = 1 << 16;

// Reads the up to MarkedLastBytes bytes that end at `end`.
bool readBytesBefore(std::FILE* file, std::uint64_t end, std::string& bytes)
{
    const std::size_t length = static_cast<std::size_t>(std::min<std::uint64_t>(end, MarkedLastBytes));
    bytes.resize(length);
    return seekTo(file, end - length) && std::fread(bytes.data(), 1, length, file) == length;
}

} // namespace

LiveWindow::LiveWindow() : buffer_(new char[FollowBufferSize]) {}

LiveWindow::~LiveWindow() = default;

void LiveWindow::watch(const std::filesystem::path& folder, bool stamped, std::int64_t stamp, const LogFileList& files,
                       FolderListing listing)
{
    active_ = true;
    folder_ = folder;
    watching_ = stamped;
    folderModified_ = stamp;
    folderRacy_ = !watching_ || isRacyStamp(folderModified_);
    newestName_ = files.entries.empty() ? std::string() : files.entries.back().name;
    listing_ = std::move(listing);
    undated_ = listing_.undated();
}

void LiveWindow::watchAs(const LiveWindow& other)
{
    clear();
    active_ = other.active_;
    folder_ = other.folder_;
    watching_ = other.watching_;
    folderModified_ = other.folderModified_;
    folderRacy_ = other.folderRacy_;
    newestName_ = other.newestName_;
    listing_ = other.listing_;
    undated_ = other.undated_;
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
    listing_.clear();
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

void LiveWindow::rescan(LogFileList& files, GrowArray<std::int32_t>& days, bool& daysChanged)
{
    watching_ = folderModified(folder_, folderModified_);
    folderRacy_ = !watching_ || isRacyStamp(folderModified_);
    // The file the server writes to joins, or stays, once it holds a whole
    // line: a fresh load of the folder, with the line being written cut off,
    // would not find it otherwise.
    LogFileList scanned;
    FolderListing::Options options;
    options.reuseKnown = true;
    options.wholeFirstLineOfNewest = true;
    if (!listing_.list(folder_, scanned, options))
        scanned.folder = folder_;
    undated_ = listing_.undated();
    newestName_ = listing_.newest();
    files = std::move(scanned);
    refreshDays(files, days, daysChanged);
}

void LiveWindow::refreshDays(const LogFileList& files, GrowArray<std::int32_t>& days, bool& daysChanged)
{
    GrowArray<std::int32_t> newDays(days.capacity());
    appendDays(files, newDays);
    daysChanged = newDays.size() != days.size() || !std::equal(newDays.begin(), newDays.end(), days.begin());
    days = std::move(newDays);
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
        // A file that grew may now reach past midnight, which lists the
        // next day; the listing did not look at it if the folder is as it was.
        if (lastGrew && !relist && listing_.relook(files, last.name)) {
            bool daysChanged = false;
            refreshDays(files, days, daysChanged);
            changes.daysChanged = changes.daysChanged || daysChanged;
        }
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
    const std::unique_ptr<BlockSource> source = makeBlockSource(file, Compression::None);
    readOnFromMark(*source, parser, mark, buffer_.get(), FollowBufferSize, wholeLinesOnly);
    // What the read kept of its last bytes is what it read from where it
    // went on; the file's own are the ones to compare with next time.
    statOpenFileMark(file, mark);
    mark.lastBytesKnown = readBytesBefore(file, mark.size, mark.lastBytes);
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
