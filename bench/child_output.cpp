#include "bench/child_output.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

extern char** environ;

namespace zelkam::bench {

bool runReadingOutput(char* const arguments[], ChildRun& run, std::string& problem)
{
    int pipeEnds[2];
    if (pipe2(pipeEnds, O_CLOEXEC) != 0) {
        problem = std::string("pipe: ") + std::strerror(errno);
        return false;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], STDOUT_FILENO);
    pid_t child = 0;
    const int spawned = posix_spawnp(&child, arguments[0], &actions, nullptr, arguments, environ);
    posix_spawn_file_actions_destroy(&actions);
    close(pipeEnds[1]);
    if (spawned != 0) {
        close(pipeEnds[0]);
        problem = std::string("posix_spawn ") + arguments[0] + ": " + std::strerror(spawned);
        return false;
    }

    run.output.clear();
    char buffer[65536];
    ssize_t got;
    while ((got = read(pipeEnds[0], buffer, sizeof buffer)) > 0 || (got < 0 && errno == EINTR)) {
        if (got > 0)
            run.output.append(buffer, static_cast<std::size_t>(got));
    }
    close(pipeEnds[0]);
    run.status = 0;
    run.usage = rusage{};
    while (wait4(child, &run.status, 0, &run.usage) < 0 && errno == EINTR) {
    }
    return true;
}

CliRun::CliRun(std::vector<std::string> arguments) : texts_(std::move(arguments))
{
    texts_.insert(texts_.begin(), ZELKAM_CLI);
    for (std::string& text : texts_)
        arguments_.push_back(text.data());
    arguments_.push_back(nullptr);
}

bool CliRun::run()
{
    ChildRun child;
    std::string problem;
    return runReadingOutput(arguments_.data(), child, problem) && WIFEXITED(child.status)
           && WEXITSTATUS(child.status) == 0;
}

GrepCounter::GrepCounter(const std::vector<std::filesystem::path>& files, const char* pattern)
{
    for (const auto& file : files)
        texts_.push_back(file.string());
    arguments_ = {const_cast<char*>("grep"), const_cast<char*>("-ci"), const_cast<char*>(pattern)};
    for (std::string& text : texts_)
        arguments_.push_back(text.data());
    arguments_.push_back(nullptr);
}

bool GrepCounter::run()
{
    ChildRun grep;
    std::string problem;
    return runReadingOutput(arguments_.data(), grep, problem) && WIFEXITED(grep.status) && WEXITSTATUS(grep.status) <= 1
           && static_cast<std::size_t>(std::count(grep.output.begin(), grep.output.end(), '\n')) == texts_.size();
}

} // namespace zelkam::bench
