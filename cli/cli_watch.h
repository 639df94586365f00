#pragma once

#include <string>
#include <vector>

namespace zelkam::cli {

// zelkam-cli watch FOLDER... --rules FILE [--community DIR] [--state DIR]
// [--once] [--catch-up DAYS], and zelkam-cli watch --check FILE: follows
// each server folder's live day and tells what the rules find. Runs until
// SIGINT or SIGTERM (Done), or with --once catches up, tells and ends
// (NothingToShow when notices are left waiting). A rules file or state that
// is refused ends it with UsageError before anything is watched.
int runWatch(const std::vector<std::string>& args);

} // namespace zelkam::cli
