#pragma once

#include <string>
#include <vector>

namespace zelkam::test {

struct CliResult {
    int status = -1;
    std::string out;
    std::string err;
    std::vector<std::string> lines() const;
};

// Where the built zelkam-cli is.
std::string cliPath();

// Runs the built zelkam-cli with these arguments and TZ set to zone in its
// environment, and collects its exit status and both outputs.
CliResult runCli(const std::vector<std::string>& args, const char* zone = "UTC");

} // namespace zelkam::test
