#pragma once

#include <optional>
#include <string>
#include <vector>

#include "history/community_walk.h"
#include "history/day_windows.h"
#include "ingest/server_folders.h"

namespace zelkam::cli {

// The commands that take --server NAME: every one that reads one server
// (days, events, replay, chat, overview, follow) and the searches that read
// them all (grep, player, stats).
bool takesServerOption(const std::string& command);

// Takes "--server NAME" (or "--server=NAME") out of args, before any "--",
// and keeps NAME as the run's chosen server. False, the usage error told,
// when it has no value or is given twice.
bool takeServerOption(std::vector<std::string>& args);

// For a command that reads one server: on a community, folder becomes the
// chosen server's folder; without one, or with one the community does not
// have, the usage error lists its servers. On a single-server folder the
// folder stays, and --server is refused unless it names that folder. False
// with the usage error told.
bool resolveServerFolder(std::string& folder);

// For a search over every server: the servers of folder (narrowed to the
// chosen one), labelled by name on a community; the folder itself, with
// no label, on a single server. A folder that cannot be listed comes back
// as itself, so the command tells why as it always has. False with the
// usage error told, as resolveServerFolder.
bool serversToSearch(const std::string& folder, std::vector<ServerFolder>& servers);

// Opens the servers of serversToSearch for a walk over them all
// (openServers). The unlabelled single server tells, as any command always
// has, why there is nothing to show (false); a community's server without
// datable logs is opened empty and adds nothing.
bool openServersToSearch(const std::string& folderPath, const std::vector<ServerFolder>& servers,
                         std::vector<ServerDays>& opened);

// zelkam-cli servers FOLDER: one JSON object a server.
int runServers(const std::vector<std::string>& args);

// zelkam-cli now FOLDER: what each server is playing now, one JSON object
// a server, from the end of its newest file.
int runNow(const std::vector<std::string>& args);

} // namespace zelkam::cli
