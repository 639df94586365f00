#pragma once

#include <string>
#include <vector>

namespace zelkam::cli {

// The commands that look into one player or the admins across every day:
// timeline, alts, audit and report (cli_investigate.cpp, cli_report.cpp).
// Each takes --hide-addresses, which shows every address as its pseudonym
// (investigate/address_names), the key kept in the user's settings folder.
int runTimeline(const std::vector<std::string>& args);
int runAlts(const std::vector<std::string>& args);
int runAudit(const std::vector<std::string>& args);
int runReport(const std::vector<std::string>& args);

} // namespace zelkam::cli
