// The commands that span every day of the folder: grep and player.

#include <chrono>

#include <iostream>
#include <optional>
#include <string>
#include <vector>

#if defined(__unix__) || defined(__APPLE__)
#include <unistd.h>
#endif

#include "cli/cli_commands.h"
#include "cli/cli_dates.h"
#include "cli/cli_json.h"
#include "cli/cli_servers.h"
#include "cli/cli_steps.h"
#include "cli/cli_usage.h"
#include "cli/cli_warnings.h"
#include "history/all_days_search.h"
#include "history/day_windows.h"
#include "history/player_record.h"
#include "investigate/player_query.h"
#include "replay/search.h"
#include "text/text_encoding.h"
#include "text/text_out.h"

namespace zelkam::cli {
namespace {

bool standardErrorIsTerminal()
{
#if defined(__unix__) || defined(__APPLE__)
    return ::isatty(STDERR_FILENO) == 1;
#else
    return false;
#endif
}

// A progress line on standard error for searches that take a while: shown
// only on a terminal, once a second has passed, and rewritten in place. It
// is wiped before results are printed, so they never run into it, and
// ended with a line feed when the search ends with it on screen.
class Progress {
public:
    explicit Progress(std::string command)
        : command_(std::move(command)), enabled_(standardErrorIsTerminal()), start_(std::chrono::steady_clock::now())
    {
    }
    ~Progress()
    {
        if (width_ > 0)
            std::cerr << '\n';
    }
    Progress(const Progress&) = delete;
    Progress& operator=(const Progress&) = delete;

    void update(std::size_t day, std::size_t days, std::int32_t date)
    {
        if (!enabled_)
            return;
        const auto now = std::chrono::steady_clock::now();
        if (now - start_ < std::chrono::seconds(1) || (width_ > 0 && now - lastShown_ < std::chrono::milliseconds(200)))
            return;
        std::cout.flush();
        const std::string line = "zelkam-cli " + command_ + ": searched " + dateText(date) + " (day " +
                                 std::to_string(day + 1) + " of " + std::to_string(days) + ")";
        wipe();
        std::cerr << line << std::flush;
        width_ = line.size();
        lastShown_ = now;
    }

    // Takes the line off the screen until the next update.
    void wipe()
    {
        if (width_ == 0)
            return;
        std::cerr << '\r' << std::string(width_, ' ') << '\r' << std::flush;
        width_ = 0;
    }

private:
    std::string command_;
    bool enabled_;
    std::chrono::steady_clock::time_point start_;
    std::chrono::steady_clock::time_point lastShown_;
    std::size_t width_ = 0;
};

} // namespace

int runGrep(const std::vector<std::string>& args)
{
    std::optional<std::string> folderPath;
    std::optional<std::string> pattern;
    SearchKind kind = SearchKind::Chat;
    bool matchCase = false;
    bool optionsEnded = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (!optionsEnded && arg == "--") {
            optionsEnded = true;
        } else if (!optionsEnded && arg == "--case") {
            matchCase = true;
        } else if (!optionsEnded && (arg == "--kind" || arg.rfind("--kind=", 0) == 0)) {
            std::string value;
            if (arg == "--kind") {
                if (++i == args.size())
                    return usageError("--kind needs a KIND: player, chat, rconuser or rconcmd");
                value = args[i];
            } else {
                value = arg.substr(7);
            }
            if (!parseSearchKind(value, kind))
                return usageError(quotedArgument(value) + " is not a search kind (player, chat, rconuser or rconcmd)");
        } else if (!optionsEnded && arg.size() > 2 && arg.rfind("--", 0) == 0) {
            return usageError("unknown option " + quotedArgument(arg) + " (grep takes --kind KIND and --case)");
        } else if (!folderPath) {
            folderPath = arg;
        } else if (!pattern) {
            pattern = arg;
        } else {
            return usageError("grep: unexpected argument " + quotedArgument(arg));
        }
    }
    if (!folderPath)
        return usageError("grep: missing FOLDER");
    if (!pattern)
        return usageError("grep: missing PATTERN");

    std::vector<ServerFolder> servers;
    if (!serversToSearch(*folderPath, servers))
        return UsageError;
    std::vector<ServerDays> opened;
    if (!openServersToSearch(*folderPath, servers, opened))
        return NothingToShow;
    Progress progress("grep");
    std::size_t hits = 0;
    std::size_t walked = 0;
    std::size_t total = 0;
    for (const ServerDays& server : opened)
        total += server.days.days.size();
    std::string line;
    // Every server's days in one walk on every core, each server's hits
    // printed in its turn, labelled with it on a community.
    searchAllServers(opened, kind, *pattern, matchCase, nullptr, [&](const ServerDays&, const DayHits& day) {
        if (!day.hits.empty())
            progress.wipe();
        for (const HistoryHit& hit : day.hits) {
            line.clear();
            if (!hit.server.empty()) {
                appendTerminalText(line, hit.server);
                line += ' ';
            }
            line += dateText(hit.time);
            line += ' ';
            line += formatTimeOfDay(hit.time);
            line += ' ';
            appendTerminalText(line, hit.text);
            line += '\n';
            std::cout << line;
            ++hits;
        }
        progress.update(walked++, total, day.day);
    });
    for (const ServerDays& server : opened)
        warnAboutFilesCutShort(server.days.filesCutShort);
    progress.wipe();
    if (hits == 0) {
        progress.wipe();
        // The pattern is not echoed: it may be something the user would
        // rather not see in a log of scripts, such as a password.
        complain("nothing to show: no hit");
        return NothingToShow;
    }
    return Done;
}

int runPlayer(const std::vector<std::string>& args)
{
    std::optional<std::string> folderPath;
    std::optional<std::string> id;
    std::optional<std::string> namePattern;
    bool matchCase = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--case") {
            matchCase = true;
        } else if (arg == "--id" || arg == "--name") {
            if (++i == args.size())
                return usageError(arg + " needs a value");
            if (id || namePattern)
                return usageError("player takes one of --id and --name, once");
            (arg == "--id" ? id : namePattern) = args[i];
        } else if (arg.rfind("--", 0) == 0) {
            return usageError("unknown option " + quotedArgument(arg) + " (player takes --id, --name and --case)");
        } else if (folderPath) {
            return usageError("player: unexpected argument " + quotedArgument(arg));
        } else {
            folderPath = arg;
        }
    }
    if (!folderPath)
        return usageError("player: missing FOLDER");
    if (!id && !namePattern)
        return usageError("player needs --id UNIQUEID or --name PATTERN");

    std::vector<ServerFolder> servers;
    if (!serversToSearch(*folderPath, servers))
        return UsageError;
    // Sessions are the player's by the one test every investigation uses:
    // his account in either spelling, or names by the rules of Find's
    // player search.
    PlayerQuery query;
    query.byId = id.has_value();
    query.text = id ? *id : *namePattern;
    query.matchCase = matchCase;
    SessionTest test(query);
    const auto matches = [&test](const PlayerSession& session) { return test.matches(session); };

    std::vector<ServerDays> opened;
    if (!openServersToSearch(*folderPath, servers, opened))
        return NothingToShow;
    std::size_t shown = 0;
    Progress progress("player");
    // Where the walk's progress stands: the server and day last walked.
    std::size_t progressServer = 0;
    std::size_t progressDay = 0;
    walkServersPlayerSessions(opened, nullptr, matches, [&](PlayerSession&& session) {
        progress.wipe();
        Json json = Json::object();
        if (!session.server.empty())
            json["server"] = logTextToUtf8(session.server);
        json["date"] = dateText(session.day);
        json["start"] = formatTimeOfDay(session.start);
        json["end"] = formatTimeOfDay(session.end);
        Json names = Json::array();
        for (const std::string& name : session.names)
            names.push_back(logTextToUtf8(name));
        json["names"] = std::move(names);
        json["uniqueId"] = logTextToUtf8(session.uniqueId);
        json["teams"] = session.teams;
        json["frags"] = session.frags;
        json["deaths"] = session.deaths;
        json["chat"] = session.chat;
        std::cout << jsonLine(json) << '\n';
        ++shown;
    }, [&](std::size_t walked, std::size_t total) {
        while (progressDay >= opened[progressServer].days.days.size()) {
            ++progressServer;
            progressDay = 0;
        }
        progress.update(walked - 1, total, opened[progressServer].days.days[progressDay++]);
    });
    progress.wipe();
    for (const ServerDays& server : opened)
        warnAboutFilesCutShort(server.days.filesCutShort);
    if (shown == 0) {
        complain("nothing to show: no session of that player");
        return NothingToShow;
    }
    return Done;
}

} // namespace zelkam::cli
