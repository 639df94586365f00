#include "tests/cli/cli_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "tests/cli/run_cli.h"

extern char** environ;

namespace zelkam::test {

CliProcess::CliProcess(const std::vector<std::string>& args, const char* zone)
{
    errPath_ = (std::filesystem::temp_directory_path() / ("zelkam-cli-err-" + std::to_string(::getpid()) + "-"
                                                           + std::to_string(reinterpret_cast<std::uintptr_t>(this))))
                   .string();
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

    std::vector<std::string> argvStrings{cliPath()};
    argvStrings.insert(argvStrings.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& arg : argvStrings)
        argv.push_back(arg.data());
    argv.push_back(nullptr);

    int pipeFds[2];
    if (::pipe2(pipeFds, O_CLOEXEC) != 0)
        return;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDOUT_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, errPath_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), envp.data()) != 0)
        pid_ = -1;
    posix_spawn_file_actions_destroy(&actions);
    ::close(pipeFds[1]);
    out_ = pipeFds[0];
}

CliProcess::~CliProcess()
{
    if (pid_ > 0)
        stop(SIGKILL);
    if (out_ >= 0)
        ::close(out_);
    std::error_code error;
    std::filesystem::remove(errPath_, error);
}

std::optional<std::string> CliProcess::readLine(std::chrono::milliseconds timeout)
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        const std::size_t feed = pending_.find('\n');
        if (feed != std::string::npos) {
            std::string line = pending_.substr(0, feed);
            pending_.erase(0, feed + 1);
            return line;
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (out_ < 0 || left.count() <= 0)
            return std::nullopt;
        struct pollfd wait {};
        wait.fd = out_;
        wait.events = POLLIN;
        if (::poll(&wait, 1, static_cast<int>(left.count())) <= 0)
            continue;
        char buffer[4096];
        const ssize_t got = ::read(out_, buffer, sizeof buffer);
        if (got <= 0)
            return std::nullopt;
        pending_.append(buffer, static_cast<std::size_t>(got));
    }
}

int CliProcess::stop(int signal, std::chrono::milliseconds timeout)
{
    if (pid_ <= 0)
        return -1;
    if (signal != 0)
        ::kill(pid_, signal);
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    int status = 0;
    while (::waitpid(pid_, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > deadline) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, &status, 0);
            pid_ = -1;
            return -1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    pid_ = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string CliProcess::errors() const
{
    std::ifstream in(errPath_, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

} // namespace zelkam::test
