#pragma once

#include <string>
#include <vector>

namespace zelkam::cli {

// zelkam-cli follow FOLDER [--from DATE] [--kind chat|events]: prints what
// the server writes into its log folder as it writes it, like tail -f.
// Ends with Done on SIGINT or SIGTERM, with NothingToShow when the folder is
// or becomes missing.
int runFollow(const std::vector<std::string>& args);

} // namespace zelkam::cli
