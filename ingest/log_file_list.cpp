#include "ingest/log_file_list.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <map>
#include <set>
#include <unordered_set>
#include <system_error>
#include <vector>

#include "ingest/block_source.h"
#include "ingest/open_file.h"
#include "parse/time_stamp.h"

namespace zelkam {
namespace {

char lowered(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

} // namespace

std::filesystem::path LogFileList::pathOf(const std::string& name) const
{
    return folder / pathFromUtf8(name);
}

bool entryBefore(const LogFileEntry& a, const LogFileEntry& b)
{
    if (a.startTime != b.startTime)
        return a.startTime < b.startTime;
    return a.name < b.name;
}

void sortEntries(LogFileList& list)
{
    std::sort(list.entries.begin(), list.entries.end(), entryBefore);
}

bool matchesFileNamePattern(std::string_view pattern, std::string_view name)
{
    // Classic wildcard matching with backtracking to the last "*".
    std::size_t p = 0;
    std::size_t n = 0;
    std::size_t star = std::string_view::npos;
    std::size_t resume = 0;
    while (n < name.size()) {
        if (p < pattern.size() && pattern[p] == '*') {
            star = p++;
            resume = n;
        } else if (p < pattern.size() && (pattern[p] == '?' || lowered(pattern[p]) == lowered(name[n]))) {
            ++p;
            ++n;
        } else if (star != std::string_view::npos) {
            p = star + 1;
            n = ++resume;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*')
        ++p;
    return p == pattern.size();
}

bool isLogFileName(std::string_view name)
{
    return matchesFileNamePattern("L*.log", uncompressedName(name));
}

namespace {

constexpr std::size_t HeadBytes = 4096;
// Enough for several log lines: the last whole one with a time stamp is
// looked for in them.
constexpr std::size_t TailBytes = 4096;
constexpr std::size_t StampedHead = TimeStampOffset + TimeStampLength + 1;

// Whether the last whole line of text that carries a time stamp is stamped
// on the local day after the file's first line's (`first` its stamp text,
// `start` its time). Lines come in time order, so the last one tells. text
// holds the file's last bytes; fromStart when they begin at the file's
// start (otherwise their first line is cut and not looked at).
bool lastLineOnNextDay(std::string_view text, bool fromStart, std::string_view first, std::int32_t start,
                        TimeStampConverter& stamps)
{
    std::size_t end = text.rfind('\n');
    while (end != std::string_view::npos && end > 0) {
        const std::size_t feed = text.rfind('\n', end - 1);
        if (feed == std::string_view::npos && !fromStart)
            return false;
        const std::size_t begin = feed == std::string_view::npos ? 0 : feed + 1;
        const std::string_view line = text.substr(begin, end - begin);
        if (line.size() >= StampedHead && line[0] == 'L' && line[1] == ' ') {
            const std::string_view stamp = line.substr(TimeStampOffset, TimeStampLength);
            // The same date as the first line: the same day, no conversion.
            if (stamp.substr(0, 10) == first.substr(0, 10))
                return false;
            const std::int32_t time = stamps.convert(stamp);
            if (time == -1)
                return false;
            // Stamped on the next day itself: a last line days or years on
            // says nothing sure of that day.
            const std::int64_t next = addLocalDays(dayStartOf(start), 1);
            return time >= next && time < addLocalDays(next, 1);
        }
        if (feed == std::string_view::npos)
            return false;
        end = feed;
    }
    return false;
}

// Dates a plain log file by its first line and looks at its last whole
// line: one read at its start, and one at its end when it is longer.
bool probePlainEnds(const std::filesystem::path& path, std::uint64_t size, TimeStampConverter& stamps,
                    ListedFile& file)
{
    // Every caller has just taken the file's mark, which found it regular.
    std::FILE* handle = openLookedAtLog(path);
    if (!handle)
        return false;
    // Read straight into our own buffers, and a file smaller than the head
    // in one read of its size: dating a server of thousands of small files
    // costs their system calls, not their bytes. A file that grew since its
    // size was taken is dated by what it held then, as below.
    std::setvbuf(handle, nullptr, _IONBF, 0);
    char head[HeadBytes];
    const std::size_t wanted = size >= StampedHead && size < sizeof head ? static_cast<std::size_t>(size) : sizeof head;
    const std::size_t got = std::fread(head, 1, wanted, handle);
    bool dated = false;
    if (got >= StampedHead) {
        const std::string_view first(head + TimeStampOffset, TimeStampLength);
        const std::int32_t stamp = stamps.convert(first);
        if (stamp != -1) {
            dated = true;
            file.startTime = stamp;
            if (got < sizeof head || size <= got) {
                file.reachesNextDay = lastLineOnNextDay(std::string_view(head, got), true, first, stamp, stamps);
            } else {
                char tail[TailBytes];
                const std::uint64_t from = size > TailBytes ? size - TailBytes : 0;
                const std::size_t read = seekTo(handle, from) ? std::fread(tail, 1, sizeof tail, handle) : 0;
                file.reachesNextDay =
                    lastLineOnNextDay(std::string_view(tail, read), from == 0, first, stamp, stamps);
            }
        }
    }
    std::fclose(handle);
    return dated;
}

// Dates a listed file. An archive's end would have to be decompressed to be
// seen: it is dated by its first line alone and never reaches the next day.
void probeListed(const std::filesystem::path& path, const std::string& name, TimeStampConverter& stamps,
                 ListedFile& file)
{
    file.reachesNextDay = false;
    file.dated = compressionOfName(name) == Compression::None
        ? probePlainEnds(path, file.mark.size, stamps, file)
        : probeLogFile(path, stamps, file.startTime);
    if (!file.dated) {
        file.startTime = 0;
        file.reachesNextDay = false;
    }
}

constexpr std::size_t WholeLineLook = 1 << 16;

// Whether the file holds a whole first line with a time stamp. A first line
// longer than anything a server writes counts as begun.
bool hasWholeLine(const std::filesystem::path& path)
{
    std::FILE* file = openLogForReading(path);
    if (!file)
        return false;
    char head[4096];
    bool found = false;
    std::size_t total = 0;
    std::size_t got;
    while (!found && total < WholeLineLook && (got = std::fread(head, 1, sizeof head, file)) > 0) {
        for (std::size_t at = 0; at < got && !found; ++at)
            found = head[at] == '\n' && total + at + 1 >= StampedHead;
        total += got;
    }
    std::fclose(file);
    return found || total >= WholeLineLook;
}

} // namespace

bool probeLogFile(const std::filesystem::path& path, std::int32_t& time)
{
    TimeStampConverter stamps;
    return probeLogFile(path, stamps, time);
}

bool probeLogFile(const std::filesystem::path& path, TimeStampConverter& stamps, std::int32_t& time)
{
    std::FILE* file = openLogForReading(path);
    if (!file)
        return false;
    // An archive is dated by its content's first line too; a small input
    // chunk is enough to reach it.
    char head[StampedHead];
    const std::size_t got =
        readUpTo(*makeBlockSource(file, compressionOfName(utf8FromPath(path.filename())), DefaultOutputBound, 4096),
                 head, sizeof head);
    if (got < sizeof head)
        return false;
    const std::int32_t stamp = stamps.convert(std::string_view(head + TimeStampOffset, TimeStampLength));
    if (stamp == -1)
        return false;
    time = stamp;
    return true;
}

bool FolderListing::list(const std::filesystem::path& folder, LogFileList& files, Options options)
{
    // An empty path is the current directory; any other path must name an
    // existing directory, or another folder's logs would be shown as this one's.
    if (!folder.empty() && pathKind(folder) != PathKind::Folder)
        return false;
    std::vector<std::string> names;
    std::error_code error;
    if (!listFiles(folder, isLogFileName, names, error))
        return false;

    // Of a log and its twins exactly one is read, or every event in them
    // would count twice. Twins are the same name in any letter case (a
    // folder copied from a system that ignores case may hold both
    // L0706000.log and l0706000.LOG), archived or not. The plain file wins,
    // as it is the one the server may still be writing; of archives, .gz,
    // then .xz, then .zst; between names of the same kind, the one that
    // sorts first byte by byte (upper case before lower).
    const auto twinKey = [](std::string_view name) {
        std::string key(uncompressedName(name));
        std::transform(key.begin(), key.end(), key.begin(), lowered);
        return key;
    };
    std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
        const Compression ca = compressionOfName(a);
        const Compression cb = compressionOfName(b);
        return ca != cb ? ca < cb : a < b;
    });
    std::vector<std::string> plainNames;
    std::unordered_set<std::string> taken;
    for (std::string& name : names) {
        if (taken.emplace(twinKey(name)).second)
            plainNames.push_back(std::move(name));
    }

    LogFileList scanned;
    scanned.folder = folder;
    std::unordered_map<std::string, ListedFile> listed;
    TimeStampConverter stamps;
    for (std::string& name : plainNames) {
        const std::filesystem::path path = scanned.pathOf(name);
        ListedFile file;
        if (!statFileMark(path, file.mark))
            continue;
        const auto found = options.reuseKnown ? known_.find(name) : known_.end();
        const FileMark& was = found != known_.end() ? found->second.mark : file.mark;
        // A stamp as young as the listing may hide a change within the same
        // clock step: such a file is dated again.
        if (found != known_.end() && !isRacyStamp(file.mark.modified) && was.device == file.mark.device
            && was.inode == file.mark.inode && was.size == file.mark.size && was.modified == file.mark.modified)
            file = found->second;
        else
            probeListed(path, name, stamps, file);
        listed.emplace(std::move(name), std::move(file));
    }
    // A file reached by several names (links) is one log: it is listed once,
    // under the name that sorts first, or its events would count again for
    // each name.
    std::map<std::pair<std::uint64_t, std::uint64_t>, const std::string*> byIdentity;
    const auto knowsIdentity = [](const ListedFile& file) { return file.mark.device != 0 || file.mark.inode != 0; };
    for (const auto& [name, file] : listed) {
        if (!file.dated || !knowsIdentity(file))
            continue;
        const auto [at, added] = byIdentity.try_emplace({file.mark.device, file.mark.inode}, &name);
        if (!added && name < *at->second)
            at->second = &name;
    }
    for (const auto& [name, file] : listed) {
        if (file.dated && (!knowsIdentity(file) || *byIdentity.at({file.mark.device, file.mark.inode}) == name))
            scanned.entries.append(LogFileEntry{name, file.startTime, file.reachesNextDay});
    }
    sortEntries(scanned);
    newest_.clear();
    if (!scanned.entries.empty()) {
        newest_ = scanned.entries.back().name;
        // An archive is never being written: only a plain file can hold
        // half a first line.
        if (options.wholeFirstLineOfNewest && compressionOfName(newest_) == Compression::None
            && !hasWholeLine(scanned.pathOf(newest_)))
            scanned.entries.removeLast();
    }
    folder_ = folder;
    known_ = std::move(listed);
    files = std::move(scanned);
    return true;
}

bool FolderListing::relook(LogFileList& files, const std::string& name)
{
    const auto found = known_.find(name);
    if (found == known_.end())
        return false;
    ListedFile file;
    if (!statFileMark(folder_ / pathFromUtf8(name), file.mark))
        return false;
    TimeStampConverter stamps;
    probeListed(folder_ / pathFromUtf8(name), name, stamps, file);
    const ListedFile was = std::exchange(found->second, file);
    if (was.dated != file.dated || was.startTime != file.startTime || was.reachesNextDay != file.reachesNextDay) {
        for (LogFileEntry& entry : files.entries) {
            if (entry.name == name && file.dated && entry.startTime == was.startTime) {
                entry.startTime = file.startTime;
                entry.reachesNextDay = file.reachesNextDay;
                sortEntries(files);
                return true;
            }
        }
    }
    return false;
}

std::vector<std::pair<std::string, std::uint64_t>> FolderListing::undated() const
{
    std::vector<std::pair<std::string, std::uint64_t>> names;
    for (const auto& [name, file] : known_) {
        if (!file.dated)
            names.emplace_back(name, file.mark.size);
    }
    return names;
}

void FolderListing::clear()
{
    folder_.clear();
    known_.clear();
    newest_.clear();
}

bool scanFolder(std::string_view folderPath, LogFileList& list)
{
    FolderListing listing;
    LogFileList scanned;
    if (!listing.list(pathFromUtf8(folderPath), scanned, {}) || scanned.entries.empty())
        return false;
    list.folder = scanned.folder;
    for (const LogFileEntry& entry : scanned.entries)
        list.entries.append(entry);
    sortEntries(list);
    return true;
}

void appendDays(const LogFileList& list, GrowArray<std::int32_t>& days)
{
    std::int64_t last = -1;
    // The day after an entry's own, when it reaches it; listed before any
    // later day (entries come in time order, so it only grows).
    std::int64_t pending = -1;
    const auto add = [&](std::int64_t day) {
        if (day > last) {
            days.append(static_cast<std::int32_t>(day));
            last = day;
        }
    };
    // A day's stamp depends on its local date alone, and the sorted entries
    // of one date come together: convert each date once.
    std::tm lastDate{};
    std::int32_t lastDay = -1;
    bool known = false;
    for (const LogFileEntry& entry : list.entries) {
        std::tm fields{};
        if (!toLocalTime(entry.startTime, fields))
            continue;
        if (!known || fields.tm_year != lastDate.tm_year || fields.tm_mon != lastDate.tm_mon
            || fields.tm_mday != lastDate.tm_mday) {
            lastDate = fields;
            lastDay = dayStartOf(entry.startTime);
            known = true;
        }
        const std::int32_t day = lastDay;
        if (pending != -1 && pending < day) {
            add(pending);
            pending = -1;
        }
        if (day != -1)
            add(day);
        if (entry.reachesNextDay && day != -1) {
            const std::int64_t next = addLocalDays(day, 1);
            if (next > pending && next <= INT32_MAX)
                pending = next;
        }
    }
    if (pending != -1)
        add(pending);
}

} // namespace zelkam
