#pragma once

#include <string>
#include <vector>

namespace zelkam::cli {

// "zelkam-cli overview FOLDER DATE [--csv]": the day's series, one record a
// minute from its midnight to the next, as JSON lines or as CSV with a
// header. Exit statuses as the other commands (cli_commands.h).
int runOverview(const std::vector<std::string>& args);

} // namespace zelkam::cli
