#include "tests/cli/run_cli.h"

// Windows: run_cli_windows.cpp.
#ifndef _WIN32

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <fstream>
#include <sstream>

#include "tests/support/temp_folder.h"

extern char** environ;

namespace zelkam::test {
namespace {

std::string readAll(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

} // namespace

std::vector<std::string> CliResult::lines() const
{
    std::vector<std::string> result;
    std::istringstream in(out);
    for (std::string line; std::getline(in, line);)
        result.push_back(line);
    return result;
}

CliResult runCli(const std::vector<std::string>& args, const char* zone)
{
    TempFolder outputs;
    const std::string outPath = (outputs.path() / "out").string();
    const std::string errPath = (outputs.path() / "err").string();

    std::vector<std::string> environment;
    for (char** entry = environ; *entry; ++entry) {
        if (std::strncmp(*entry, "TZ=", 3) != 0)
            environment.emplace_back(*entry);
    }
    environment.push_back(std::string("TZ=") + zone);
    std::vector<char*> envp;
    for (std::string& entry : environment)
        envp.push_back(entry.data());
    envp.push_back(nullptr);

    std::vector<std::string> argvStrings;
    argvStrings.push_back(cliPath());
    argvStrings.insert(argvStrings.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& arg : argvStrings)
        argv.push_back(arg.data());
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    CliResult result;
    pid_t child = 0;
    if (posix_spawn(&child, argv[0], &actions, nullptr, argv.data(), envp.data()) == 0) {
        int status = 0;
        if (waitpid(child, &status, 0) == child && WIFEXITED(status))
            result.status = WEXITSTATUS(status);
    }
    posix_spawn_file_actions_destroy(&actions);
    result.out = readAll(outPath);
    result.err = readAll(errPath);
    return result;
}

} // namespace zelkam::test

#endif
