#include "ingest/log_file_list.h"

#include <algorithm>
#include <set>
#include <system_error>
#include <vector>

#include "ingest/block_source.h"
#include "ingest/open_file.h"
#include "ingest/window_reader.h"
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

bool scanFolder(std::string_view folderPath, LogFileList& list)
{
    const std::filesystem::path folder = pathFromUtf8(folderPath);
    std::error_code error;
    // An empty path is the current directory; any other path must name an
    // existing directory, or another folder's logs would be shown as this one's.
    if (!folder.empty() && !std::filesystem::is_directory(folder, error))
        return false;
    std::filesystem::directory_iterator it(folder.empty() ? std::filesystem::path(".") : folder, error);
    if (error)
        return false;

    GrowArray<LogFileEntry> found(LogFileList::InitialCapacity);
    TimeStampConverter stamps;
    std::vector<std::string> plainNames;
    std::vector<std::string> archiveNames;
    for (; it != std::filesystem::directory_iterator(); it.increment(error)) {
        if (error)
            break;
        const std::string name = utf8FromPath(it->path().filename());
        if (!isLogFileName(name))
            continue;
        // Only regular files (or links to them) are logs: opening a FIFO
        // would block the program.
        std::error_code statusError;
        if (!it->is_regular_file(statusError))
            continue;
        if (compressionOfName(name) != Compression::None) {
            archiveNames.push_back(name);
            continue;
        }
        plainNames.push_back(name);
        std::int32_t start = 0;
        if (!probeLogFile(it->path(), stamps, start))
            continue;
        found.append(LogFileEntry{name, start});
    }
    // Of a log and its archived twins exactly one is read, or every event
    // in them would count twice: the plain file, which the server may still
    // be writing, else the archive whose name sorts first.
    if (!archiveNames.empty()) {
        std::set<std::string, std::less<>> taken(plainNames.begin(), plainNames.end());
        std::sort(archiveNames.begin(), archiveNames.end());
        for (const std::string& name : archiveNames) {
            if (!taken.emplace(uncompressedName(name)).second)
                continue;
            std::int32_t start = 0;
            if (probeLogFile(folder / name, stamps, start))
                found.append(LogFileEntry{name, start});
        }
    }
    if (found.empty())
        return false;

    list.folder = folder;
    for (const LogFileEntry& entry : found)
        list.entries.append(entry);
    sortEntries(list);
    return true;
}

std::int32_t dayStartOf(std::int32_t time)
{
    std::tm fields{};
    if (!toLocalTime(time, fields))
        return -1;
    fields.tm_hour = 0;
    fields.tm_min = 0;
    fields.tm_sec = 0;
    // fromLocalTime lets the conversion decide about daylight saving: the
    // flag of the file's own time would put midnight an hour off on the days
    // the clocks change.
    return fromLocalTime(fields);
}

std::int64_t addLocalDays(std::int64_t time, int days)
{
    std::tm fields{};
    if (toLocalTime(time, fields)) {
        fields.tm_mday += days;
        const std::int32_t moved = fromLocalTime(fields);
        if (moved != -1)
            return moved;
    }
    return time + std::int64_t{days} * 86400;
}

void appendDays(const LogFileList& list, GrowArray<std::int32_t>& days)
{
    std::int64_t last = -1;
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
        if (day > last) {
            days.append(day);
            last = day;
        }
    }
}

} // namespace zelkam
