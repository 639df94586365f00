#pragma once

#include <string>
#include <vector>

namespace zelkam::cli {

// zelkam-cli listen: receives a game server's log lines over UDP into a log
// folder per server under --archive, until SIGINT or SIGTERM, then prints
// what it received, wrote and dropped. Returns an ExitStatus.
int runListen(const std::vector<std::string>& args);

} // namespace zelkam::cli
