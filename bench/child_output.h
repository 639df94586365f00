#pragma once

#include <sys/resource.h>

#include <string>

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

} // namespace zelkam::bench
