#pragma once

#include <sys/resource.h>

#include <string>
#include <vector>

namespace zelkam::bench {

// What a program run to its end wrote on its standard output, and how it
// ended.
struct ChildRun {
    std::string output;
    // As wait gives it: WIFEXITED, WEXITSTATUS.
    int status = 0;
    rusage usage{};
};

// Runs arguments[0] (looked up on PATH unless it holds a slash) with the
// null-terminated arguments, reads its standard output through a pipe to
// the end and waits for it. Reading the output, rather than sending it to
// /dev/null, keeps a program from noticing that nobody reads it (GNU grep
// then stops at a file's first match). False, with problem told, when it
// cannot be started.
bool runReadingOutput(char* const arguments[], ChildRun& run, std::string& problem);

// zelkam-cli (the one this build made) run to its end, its output read
// and dropped.
class CliRun {
public:
    explicit CliRun(std::vector<std::string> arguments);
    CliRun(const CliRun&) = delete;
    CliRun& operator=(const CliRun&) = delete;

    // True when it ran and ended with status 0.
    bool run();

private:
    std::vector<std::string> texts_;
    std::vector<char*> arguments_;
};

} // namespace zelkam::bench
