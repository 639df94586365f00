#pragma once

#include <sys/resource.h>

#include <filesystem>
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

// GNU grep -ci over the given files, its counts read and dropped: the
// reference a search over the same files is held to. Sent to /dev/null,
// "gg" on a year of logs took 0.3 s of grep's 2.2 s, the counting left out.
class GrepCounter {
public:
    GrepCounter(const std::vector<std::filesystem::path>& files, const char* pattern);
    GrepCounter(const GrepCounter&) = delete;
    GrepCounter& operator=(const GrepCounter&) = delete;

    // grep exits 1 when nothing matched; only 2 and up are failures. Every
    // file must have its count line, or grep did not count them all.
    bool run();

private:
    std::vector<std::string> texts_;
    std::vector<char*> arguments_;
};

} // namespace zelkam::bench
