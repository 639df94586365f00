// A community of servers on the command line: which server a command
// reads, and "zelkam-cli servers".

#include "cli/cli_servers.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <ctime>
#include <filesystem>
#include <iostream>
#include <vector>

#include "cli/cli_dates.h"
#include "cli/cli_json.h"
#include "cli/cli_usage.h"
#include "history/day_windows.h"
#include "ingest/file_mark.h"
#include "ingest/log_file_list.h"
#include "ingest/open_file.h"
#include "ingest/thread_count.h"
#include "ingest/thread_group.h"
#include "parse/calendar_date.h"
#include "replay/server_now.h"
#include "text/text_out.h"
#include "text/text_encoding.h"

namespace zelkam::cli {
namespace {

// The server the run was asked for (--server), if any.
std::optional<std::string>& chosenServer()
{
    static std::optional<std::string> chosen;
    return chosen;
}

// A server counts as live when it wrote a line this recently.
constexpr std::int64_t LiveSeconds = 5 * 60;
// How much of the newest file is read for its newest line.
constexpr std::uint64_t NewestLineBytes = 64 * 1024;

int unknownServer(const std::string& folder, const ServerFolders& found)
{
    std::string names;
    for (const ServerFolder& server : found.servers)
        names += (names.empty() ? "" : ", ") + server.name;
    const std::string& chosen = *chosenServer();
    if (chosen.empty() || !found.community)
        return usageError(folder + " is a community of servers: name one with --server NAME (" + names + ")");
    return usageError(quotedArgument(chosen) + " is not a server of " + folder + " (" + names + ")");
}

// Lists folder's servers; false when it cannot be listed (the command then
// tells why as for any folder it cannot read).
bool listed(const std::string& folder, ServerFolders& found)
{
    std::error_code error;
    return listServerFolders(pathFromUtf8(folder), found, error);
}

// The one FOLDER argument of `servers` and `now`, checked and listed: Done
// with its servers in found, else the exit status, with the reason told.
int openServers(const char* command, const std::vector<std::string>& args, ServerFolders& found)
{
    if (!checkArgumentCount(command, std::min<std::size_t>(args.size(), 2), {"FOLDER"},
                            args.size() > 1 ? &args[1] : nullptr))
        return UsageError;
    const std::string& folder = args[0];
    if (!checkLogFolder(folder))
        return NothingToShow;
    if (!listed(folder, found) || found.servers.empty()) {
        complainNoLogs(folder);
        return NothingToShow;
    }
    return Done;
}

// When the file was last written, in calendar seconds (the file clock
// read as the system's, as the folder watch reads it); -1 when unknown.
std::int64_t modifiedTime(const std::filesystem::path& file)
{
    FileMark mark;
    if (!statFileMark(file, mark))
        return -1;
    return mark.modified / 1'000'000'000;
}

// The name of the folder itself ("." and "dir/" named as the folder they
// mean), which a single server is known by.
std::string ownName(const std::string& folder)
{
    std::error_code error;
    std::filesystem::path path = std::filesystem::absolute(pathFromUtf8(folder), error).lexically_normal();
    if (!path.has_filename())
        path = path.parent_path();
    return utf8FromPath(path.filename());
}

} // namespace

bool takesServerOption(const std::string& command)
{
    for (const char* name : {"days",  "events", "replay", "chat",  "overview", "follow", "grep",
                             "player", "stats", "timeline", "alts", "audit", "report"}) {
        if (command == name)
            return true;
    }
    return false;
}

bool takeServerOption(std::vector<std::string>& args)
{
    std::vector<std::string> kept;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--") {
            kept.insert(kept.end(), args.begin() + static_cast<std::ptrdiff_t>(i), args.end());
            break;
        }
        std::optional<std::string> value;
        if (arg == "--server") {
            if (++i == args.size()) {
                usageError("--server needs a NAME (see zelkam-cli servers FOLDER)");
                return false;
            }
            value = args[i];
        } else if (arg.rfind("--server=", 0) == 0) {
            value = arg.substr(9);
        } else {
            kept.push_back(arg);
            continue;
        }
        if (chosenServer()) {
            usageError("--server is given once");
            return false;
        }
        chosenServer() = std::move(value);
    }
    args = std::move(kept);
    return true;
}

bool resolveServerFolder(std::string& folder)
{
    ServerFolders found;
    if (!listed(folder, found) || found.servers.empty()) {
        // Not a folder, unreadable or without logs: the command says so.
        return true;
    }
    const std::optional<std::string>& chosen = chosenServer();
    if (!found.community) {
        if (!chosen)
            return true;
        // A single server answers only to its own folder's name.
        if (*chosen == ownName(folder))
            return true;
        usageError(quotedArgument(*chosen) + ": " + folder + " is one server, not a community; leave out --server");
        return false;
    }
    const ServerFolder* server = chosen ? found.find(*chosen) : nullptr;
    if (!server) {
        unknownServer(folder, found);
        return false;
    }
    folder = utf8FromPath(server->path);
    return true;
}

bool serversToSearch(const std::string& folder, std::vector<ServerFolder>& servers)
{
    servers.clear();
    ServerFolders found;
    if (!listed(folder, found) || !found.community) {
        std::string single = folder;
        if (!resolveServerFolder(single))
            return false;
        servers.push_back({std::string(), pathFromUtf8(single)});
        return true;
    }
    if (!chosenServer()) {
        servers = std::move(found.servers);
        return true;
    }
    const ServerFolder* server = found.find(*chosenServer());
    if (!server) {
        unknownServer(folder, found);
        return false;
    }
    servers.push_back(*server);
    return true;
}

bool openServersToSearch(const std::string& folderPath, const std::vector<ServerFolder>& servers,
                         std::vector<ServerDays>& opened)
{
    const bool single = servers.size() == 1 && servers[0].name.empty();
    // One server: told as any folder always was.
    if (single && !checkLogFolder(folderPath))
        return false;
    openServers(servers, nullptr, opened);
    if (single && !opened[0].opened) {
        complainNoLogs(folderPath);
        return false;
    }
    return true;
}

int runServers(const std::vector<std::string>& args)
{
    ServerFolders found;
    if (const int status = openServers("servers", args, found); status != Done)
        return status;
    const std::string& folder = args[0];
    const std::int64_t now = static_cast<std::int64_t>(std::time(nullptr));
    // Each server's files are dated by their first lines, which costs a
    // server of thousands of files most of the listing: the servers are
    // looked at on every core, then shown in their order.
    std::vector<Json> rows(found.servers.size());
    std::vector<char> listed(found.servers.size(), 0);
    shareItems(found.servers.size(), threadCount(), [&](std::size_t i) {
        const ServerFolder& server = found.servers[i];
        FolderDays days;
        if (!days.scan(utf8FromPath(server.path)) || days.days.empty())
            return true;
        const std::filesystem::path newest =
            days.files.pathOf(days.files.entries[days.files.entries.size() - 1].name);
        Json json = Json::object();
        json["name"] = found.community ? logTextToUtf8(server.name) : logTextToUtf8(ownName(folder));
        std::string hostname;
        if (readServerHostname(newest, hostname))
            json["hostname"] = logTextToUtf8(hostname);
        else
            json["hostname"] = nullptr;
        json["days"] = days.days.size();
        json["first"] = dateText(days.days[0]);
        json["last"] = dateText(days.days[days.days.size() - 1]);
        std::string tail;
        const std::int32_t newestLine = readFileTail(newest, NewestLineBytes, tail) ? newestLineTime(tail) : -1;
        if (newestLine >= 0)
            json["newest"] = dateText(newestLine) + " " + formatTimeOfDay(newestLine);
        else
            json["newest"] = nullptr;
        const std::int64_t written = std::max<std::int64_t>(modifiedTime(newest), newestLine);
        json["live"] = written >= 0 && now - written <= LiveSeconds;
        rows[i] = std::move(json);
        listed[i] = 1;
        return true;
    });
    std::size_t shown = 0;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        if (!listed[i])
            continue;
        std::cout << jsonLine(rows[i]) << '\n';
        ++shown;
    }
    if (shown == 0) {
        complainNoLogs(folder);
        return NothingToShow;
    }
    return Done;
}

int runNow(const std::vector<std::string>& args)
{
    ServerFolders found;
    if (const int status = openServers("now", args, found); status != Done)
        return status;
    const std::string& folder = args[0];
    const std::int64_t now = static_cast<std::int64_t>(std::time(nullptr));
    std::size_t shown = 0;
    for (const ServerFolder& server : found.servers) {
        ServerNow current;
        if (!readServerNow(server.path, current))
            continue;
        Json json = Json::object();
        json["server"] = logTextToUtf8(found.community ? server.name : ownName(folder));
        json["map"] = logTextToUtf8(current.map);
        json["terrorists"] = current.terrorists;
        json["cts"] = current.cts;
        json["spectators"] = current.spectators;
        if (current.hasChat) {
            json["chatTime"] = formatTimeOfDay(current.chatTime);
            json["chat"] = logTextToUtf8(current.chat);
        } else {
            json["chatTime"] = nullptr;
            json["chat"] = nullptr;
        }
        const std::int32_t newestLine = current.newestLine;
        if (newestLine >= 0) {
            json["newest"] = dateText(newestLine) + " " + formatTimeOfDay(newestLine);
            json["secondsAgo"] = std::max<std::int64_t>(0, now - newestLine);
        } else {
            json["newest"] = nullptr;
            json["secondsAgo"] = nullptr;
        }
        std::cout << jsonLine(json) << '\n';
        ++shown;
    }
    if (shown == 0) {
        complainNoLogs(folder);
        return NothingToShow;
    }
    return Done;
}

} // namespace zelkam::cli
