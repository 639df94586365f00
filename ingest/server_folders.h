#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

namespace zelkam {

// A folder of server folders. Admins rarely run one server, and the
// receiver files each sending server into a folder of its own
// ("<address>_<port>"), so a folder may be one server or a community of
// them:
// - it holds log files itself: it is one server, read exactly as a server
//   folder always was (even when it has subfolders with logs too);
// - else each direct subfolder that holds log files is a server, named by
//   the subfolder's name; subfolders without logs are passed over.
// Only one level is looked at: a subfolder's own subfolders are never
// servers, so an archive of backups inside a server folder cannot pose as
// more servers. A log file is what the folder lister takes for one
// (isLogFileName), judged by name only: listing a community must stay cheap
// however many files each server holds; a server's files are dated when
// it is opened.

struct ServerFolder {
    // The subfolder's name as UTF-8 (pathFromUtf8/utf8FromPath), the name a
    // user gives to pick it; empty for a single-server folder.
    std::string name;
    std::filesystem::path path;
    // The server's hostname as its newest plain log states it, raw as
    // logged (a stranger's text); empty until readServerHostnames, or when
    // no log states one.
    std::string hostname{};
};

struct ServerFolders {
    bool community = false;
    // Sorted by name byte by byte; one entry, named "", for a single server;
    // none when the folder holds no logs at any level looked at.
    std::vector<ServerFolder> servers;

    // The server of that name, or null.
    const ServerFolder* find(std::string_view name) const;
};

// Lists folder as above. A folder that appears later is found by listing
// again. False, with the reason in error, when the folder cannot be listed.
bool listServerFolders(const std::filesystem::path& folder, ServerFolders& found, std::error_code& error);

// The index of the server whose newest log was written last, by the file
// clock (a log's modification is when its newest line was written): the
// server a viewer opening the community shows when it remembers none. 0
// when no server's logs can be looked at.
std::size_t newestServer(const ServerFolders& found);

// The log file of serverFolder written last, by the file clock (a log's
// modification is when its newest line was written), ties going to the
// later name: with plainOnly, among the "*.log" files only, the file a
// server writes now (an old log compressed later is not it). Only names
// are listed and files' status asked, none opened, so a server of
// thousands of files is looked at cheaply. False when the folder holds no
// such file whose status can be had.
bool newestLogFile(const std::filesystem::path& serverFolder, bool plainOnly, std::filesystem::path& newest,
                   std::int64_t& modified);

// The server's "hostname" as its log states it (the line
// `Server cvar "hostname" = "..."` written when a map starts), the last
// such statement among the first bytes of the plain log file at path, raw
// as logged: a stranger's text, shown only through the sanitizing path.
// False when the file cannot be read or states no hostname there.
bool readServerHostname(const std::filesystem::path& logFile, std::string& hostname);

// Fills each server's hostname from its newest plain log (newestLogFile,
// then readServerHostname); a server whose hostname is known already is
// not looked at again. One listing and the head of one file a server.
void readServerHostnames(std::vector<ServerFolder>& servers);

// The last part of a plain file, at most maxBytes, starting at the first
// whole line within it (the whole file when it is shorter). What "now"
// reads of a server: the newest lines, never the whole file. False when
// the file cannot be opened as a regular file.
bool readFileTail(const std::filesystem::path& path, std::uint64_t maxBytes, std::string& text);

} // namespace zelkam
