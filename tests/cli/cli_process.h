#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <sys/types.h>
#include <vector>

namespace zelkam::test {

// The built zelkam-cli running in the background, for commands that do not
// end by themselves: its standard output is read line by line as it comes,
// with a time limit on every wait. A process still running when the object
// goes is killed.
class CliProcess {
public:
    CliProcess(const std::vector<std::string>& args, const char* zone = "UTC");
    ~CliProcess();
    CliProcess(const CliProcess&) = delete;
    CliProcess& operator=(const CliProcess&) = delete;

    // The next line of standard output, without its line feed, or none when
    // none came within the timeout (or the output ended).
    std::optional<std::string> readLine(std::chrono::milliseconds timeout = std::chrono::seconds(5));
    // Sends the signal (0 for none) and waits up to the timeout for the exit:
    // the exit status, or -1 when the process did not exit by itself.
    int stop(int signal, std::chrono::milliseconds timeout = std::chrono::seconds(5));
    pid_t pid() const { return pid_; }
    // What it wrote to standard error so far.
    std::string errors() const;

private:
    pid_t pid_ = -1;
    int out_ = -1;
    std::string pending_;
    std::string errPath_;
};

} // namespace zelkam::test
