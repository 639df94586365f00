#include "cli/cli_watch.h"

#include <signal.h>

#include <algorithm>
#include <csignal>
#include <ctime>
#include <filesystem>
#include <iostream>
#include <optional>

#include "cli/cli_usage.h"
#include "ingest/open_file.h"
#include "ingest/server_folders.h"
#include "watch/watcher.h"

namespace zelkam::cli {
namespace {

// How often the folders are looked at: a notice must go out within two
// seconds of its line.
constexpr int PollMilliseconds = 250;
// How long a run made once tries its web hooks and commands before it
// leaves what is left to the next run.
constexpr double OnceTellSeconds = 60;

volatile std::sig_atomic_t stopRequested = 0;

extern "C" void requestWatchStop(int) { stopRequested = 1; }

void installStopHandlers()
{
    struct sigaction action {};
    action.sa_handler = requestWatchStop;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    // A command that does not read its notice must not end the watcher.
    signal(SIGPIPE, SIG_IGN);
}

std::string serverName(const std::string& folder);

// The servers of a community folder, as every command finds them
// (listServerFolders): each subfolder that holds logs, by its name; a
// folder that holds logs itself is the one server it is.
bool addCommunity(const std::string& community, std::vector<watch::WatchedServer>& servers)
{
    std::error_code error;
    ServerFolders found;
    if (!listServerFolders(pathFromUtf8(community), found, error)) {
        complain(community + ": " + error.message());
        return false;
    }
    for (const ServerFolder& server : found.servers) {
        if (found.community)
            servers.push_back({server.name, utf8FromPath(server.path)});
        else
            servers.push_back({serverName(community), community});
    }
    return true;
}

std::string serverName(const std::string& folder)
{
    std::filesystem::path path(folder);
    while (!path.empty() && path.filename().empty())
        path = path.parent_path();
    const std::string name = path.filename().string();
    return name.empty() ? folder : name;
}

} // namespace

int runWatch(const std::vector<std::string>& args)
{
    std::optional<std::string> rulesFile;
    std::optional<std::string> checkFile;
    std::optional<std::string> stateFolder;
    std::vector<std::string> communities;
    std::vector<std::string> folders;
    bool once = false;
    int catchUpDays = 2;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--rules" || arg == "--check" || arg == "--state" || arg == "--community" || arg == "--catch-up") {
            if (i + 1 == args.size())
                return usageError(arg + " needs a value");
            const std::string& value = args[++i];
            if (arg == "--rules")
                rulesFile = value;
            else if (arg == "--check")
                checkFile = value;
            else if (arg == "--state")
                stateFolder = value;
            else if (arg == "--community")
                communities.push_back(value);
            else if (value.size() != 1 || value[0] < '0' || value[0] > '9')
                return usageError("--catch-up takes a number of days from 0 to 9, not " + quotedArgument(value));
            else
                catchUpDays = value[0] - '0';
        } else if (arg == "--once") {
            once = true;
        } else if (arg.size() > 2 && arg.rfind("--", 0) == 0) {
            return usageError("unknown option " + quotedArgument(arg) + " for watch");
        } else {
            folders.push_back(arg);
        }
    }

    watch::Rules rules;
    std::string error;
    if (checkFile) {
        if (rulesFile || !folders.empty() || !communities.empty())
            return usageError("--check takes a rules file and nothing else");
        if (!watch::readRulesFile(*checkFile, rules, error))
            return usageError(error);
        std::cout << *checkFile << ": " << rules.rules.size() << " rules, " << rules.actions.size() << " actions\n";
        return Done;
    }
    if (!rulesFile)
        return usageError("watch needs --rules FILE");
    if (folders.empty() && communities.empty())
        return usageError("watch needs a server folder or --community DIR");
    if (!watch::readRulesFile(*rulesFile, rules, error))
        return usageError(error);

    watch::WatchOptions options;
    for (const std::string& folder : folders)
        options.servers.push_back({serverName(folder), folder});
    for (const std::string& community : communities) {
        if (!addCommunity(community, options.servers))
            return NothingToShow;
    }
    for (std::size_t i = 0; i < options.servers.size(); ++i) {
        for (std::size_t j = 0; j < i; ++j) {
            if (options.servers[i].name == options.servers[j].name)
                return usageError("two servers are named " + quotedArgument(options.servers[i].name)
                                  + ": a server is named by its folder's name");
        }
    }
    for (const watch::Rule& rule : rules.rules) {
        for (const std::string& server : rule.servers) {
            const bool watched = std::any_of(options.servers.begin(), options.servers.end(),
                                             [&](const auto& s) { return s.name == server; });
            if (!watched)
                complain("rule " + rule.name + " names the server " + server + ", which is not watched");
        }
    }
    options.rules = std::move(rules);
    options.rulesFolder = std::filesystem::path(*rulesFile).parent_path().string();
    options.stateFolder = stateFolder ? *stateFolder : watch::defaultStateFolder();
    options.catchUpDays = catchUpDays;
    options.out = &std::cout;
    options.report = [](const std::string& message) { complain(message); };
    options.clock = [] { return static_cast<std::int64_t>(std::time(nullptr)); };
    if (const char* first = std::getenv("ZELKAM_WATCH_BACKOFF_SECONDS")) {
        // Tests wait for retries in fractions of a second, not minutes.
        options.backoff.firstSeconds = std::atof(first);
        options.backoff.longestSeconds = options.backoff.firstSeconds * 4;
    }

    installStopHandlers();
    watch::Watcher watcher(std::move(options));
    if (!watcher.start(error)) {
        complain(error);
        return NothingToShow;
    }
    const std::size_t serverCount = folders.size() + communities.size();
    while (!stopRequested) {
        if (!watcher.round(error)) {
            complain(error);
            return NothingToShow;
        }
        if (once)
            break;
        if (serverCount > 0 && watcher.lostServers().size() >= serverCount && communities.empty())
            return NothingToShow;
        watcher.wait(PollMilliseconds);
    }
    if (once) {
        watcher.gatherAll();
        if (!watcher.tellWaiting(OnceTellSeconds)) {
            complain(std::to_string(watcher.waitingNotices()) + " notices wait for the next run");
            return NothingToShow;
        }
    }
    watcher.save(error);
    return Done;
}

} // namespace zelkam::cli
