#include "ingest/server_folders.h"

#include <algorithm>
#include <cstdio>
#include <limits>

#include "ingest/file_mark.h"
#include "ingest/log_file_list.h"
#include "ingest/open_file.h"

namespace zelkam {
namespace {

// Whether the folder holds at least one file named as a log. The listing
// stops asking about names after the first: wanted is seen first.
bool holdsLogs(const std::filesystem::path& folder, std::error_code& error)
{
    std::vector<std::string> names;
    bool seen = false;
    const bool listed = listFiles(folder, [&](std::string_view name) {
        if (seen || !isLogFileName(name))
            return false;
        seen = true;
        return true;
    }, names, error);
    return listed && !names.empty();
}

// How many bytes of a log's head are looked at for its hostname: the cvars
// are written when the map of the file's start loads, in its first lines.
constexpr std::size_t HostnameHeadBytes = 64 * 1024;

} // namespace

const ServerFolder* ServerFolders::find(std::string_view name) const
{
    for (const ServerFolder& server : servers) {
        if (server.name == name)
            return &server;
    }
    return nullptr;
}

bool listServerFolders(const std::filesystem::path& folder, ServerFolders& found, std::error_code& error)
{
    found = ServerFolders();
    if (holdsLogs(folder, error)) {
        found.servers.push_back({std::string(), folder});
        return true;
    }
    if (error)
        return false;
    std::vector<std::string> names;
    if (!listFolders(folder, names, error))
        return false;
    std::sort(names.begin(), names.end());
    for (const std::string& name : names) {
        std::filesystem::path path = folder / pathFromUtf8(name);
        std::error_code subError;
        if (holdsLogs(path, subError))
            found.servers.push_back({name, std::move(path)});
    }
    found.community = !found.servers.empty();
    return true;
}

bool newestLogFile(const std::filesystem::path& serverFolder, bool plainOnly, std::filesystem::path& newest,
                   std::int64_t& modified)
{
    std::vector<std::string> names;
    std::error_code error;
    const auto wanted = [plainOnly](std::string_view name) {
        return isLogFileName(name) && (!plainOnly || name.ends_with(".log"));
    };
    if (!listFiles(serverFolder, wanted, names, error))
        return false;
    bool found = false;
    const std::string* newestName = nullptr;
    for (const std::string& name : names) {
        FileMark mark;
        if (!statFileMark(serverFolder / pathFromUtf8(name), mark))
            continue;
        if (!found || mark.modified > modified || (mark.modified == modified && name > *newestName)) {
            found = true;
            modified = mark.modified;
            newestName = &name;
        }
    }
    if (found)
        newest = serverFolder / pathFromUtf8(*newestName);
    return found;
}

std::size_t newestServer(const ServerFolders& found)
{
    std::size_t newest = 0;
    std::int64_t newestWritten = std::numeric_limits<std::int64_t>::min();
    for (std::size_t i = 0; i < found.servers.size(); ++i) {
        std::filesystem::path file;
        std::int64_t written = 0;
        if (newestLogFile(found.servers[i].path, false, file, written) && written > newestWritten) {
            newestWritten = written;
            newest = i;
        }
    }
    return newest;
}

bool readServerHostname(const std::filesystem::path& logFile, std::string& hostname)
{
    std::FILE* file = openLogForReading(logFile);
    if (!file)
        return false;
    std::string head(HostnameHeadBytes, '\0');
    head.resize(std::fread(head.data(), 1, head.size(), file));
    std::fclose(file);
    constexpr std::string_view Key = "Server cvar \"hostname\" = \"";
    bool stated = false;
    for (std::size_t at = head.find(Key); at != std::string::npos; at = head.find(Key, at + 1)) {
        // Only the server's own line: the statement right after the stamp
        // ("L MM/DD/YYYY - HH:MM:SS: "), not a player saying its words.
        constexpr std::size_t StampLength = 25;
        if (at < StampLength || (at > StampLength && head[at - StampLength - 1] != '\n'))
            continue;
        const std::size_t start = at + Key.size();
        const std::size_t lineEnd = std::min(head.find('\n', start), head.size());
        // The value runs to the line's last quote, so a quote inside a
        // hostname stays part of it.
        const std::size_t close = head.rfind('"', lineEnd - 1);
        if (lineEnd == head.size() || close == std::string::npos || close < start)
            continue;
        hostname.assign(head, start, close - start);
        stated = true;
    }
    return stated;
}

void readServerHostnames(std::vector<ServerFolder>& servers)
{
    for (ServerFolder& server : servers) {
        std::filesystem::path newest;
        std::int64_t modified = 0;
        if (server.hostname.empty() && newestLogFile(server.path, true, newest, modified))
            readServerHostname(newest, server.hostname);
    }
}

bool readFileTail(const std::filesystem::path& path, std::uint64_t maxBytes, std::string& text)
{
    text.clear();
    std::FILE* file = openLogForReading(path);
    if (!file)
        return false;
    std::uint64_t size = 0;
    std::error_code error;
    size = std::filesystem::file_size(systemPath(path), error);
    if (error)
        size = 0;
    const std::uint64_t start = size > maxBytes ? size - maxBytes : 0;
    if (start > 0 && !seekTo(file, start)) {
        std::fclose(file);
        return false;
    }
    text.resize(static_cast<std::size_t>(size - start));
    text.resize(std::fread(text.data(), 1, text.size(), file));
    std::fclose(file);
    if (start > 0) {
        // The first line is cut: it begins before what was read.
        const std::size_t lineEnd = text.find('\n');
        text.erase(0, lineEnd == std::string::npos ? text.size() : lineEnd + 1);
    }
    return true;
}

} // namespace zelkam
