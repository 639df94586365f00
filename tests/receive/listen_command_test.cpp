// zelkam-cli listen as an admin runs it, and a whole log folder streamed
// through the receiver reading back as the same events.

#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "tests/cli/run_cli.h"
#include "tests/receive/receiving_listener.h"
#include "tests/receive/udp_sender.h"
#include "tests/support/temp_folder.h"
#include "tests/support/time_zone.h"
#include "tools/loggen/log_generator.h"

extern char** environ;

namespace zelkam {
namespace {

using namespace std::string_literals;
using namespace zelkam::test;
using Strings = std::vector<std::string>;

std::string readAll(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

// Waits, at most ten seconds, until ready() holds.
template <typename Ready>
bool waitUntil(Ready ready)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!ready()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

// Where the receiver's messages go: a file, or a pipe the test reads and
// may close.
enum class Messages { ToFile, ToPipe };

// zelkam-cli listen running as a process of its own, its outputs in files.
class ListenProcess {
public:
    explicit ListenProcess(const Strings& options, Messages messages = Messages::ToFile)
    {
        Strings argvStrings = {cliPath(), "listen"};
        argvStrings.insert(argvStrings.end(), options.begin(), options.end());
        std::vector<char*> argv;
        for (std::string& arg : argvStrings)
            argv.push_back(arg.data());
        argv.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, out().c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        int pipeEnds[2] = {-1, -1};
        if (messages == Messages::ToPipe && pipe2(pipeEnds, O_CLOEXEC) == 0)
            posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], STDERR_FILENO);
        else
            posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, err().c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                             0600);
        if (posix_spawn(&child_, argv[0], &actions, nullptr, argv.data(), environ) != 0)
            child_ = -1;
        posix_spawn_file_actions_destroy(&actions);
        if (pipeEnds[1] >= 0)
            close(pipeEnds[1]);
        messageReader_ = pipeEnds[0];
    }

    // With Messages::ToPipe: closes the reading end, as "| head" does when
    // it has had its lines (port() has copied what came before into err()).
    void closeMessagePipe()
    {
        close(messageReader_);
        messageReader_ = -1;
    }

    ~ListenProcess()
    {
        if (child_ > 0) {
            kill(child_, SIGKILL);
            waitpid(child_, nullptr, 0);
        }
        if (messageReader_ >= 0)
            close(messageReader_);
    }

    // The port it says it listens on, once it says so.
    std::optional<std::uint16_t> port() const
    {
        std::optional<std::uint16_t> found;
        waitUntil([&] {
            copyMessages();
            const std::string text = readAll(err());
            const std::size_t at = text.find(" port ");
            if (at != std::string::npos && text.find(',', at) != std::string::npos)
                found = static_cast<std::uint16_t>(std::stoi(text.substr(at + 6)));
            return found.has_value() || child_ <= 0;
        });
        return found;
    }

    // Sends the signal and waits, at most ten seconds, for the exit status.
    std::optional<int> stop(int signal)
    {
        kill(child_, signal);
        int status = 0;
        const bool ended = waitUntil([&] { return waitpid(child_, &status, WNOHANG) == child_; });
        if (!ended)
            return std::nullopt;
        child_ = -1;
        return WIFEXITED(status) ? std::optional<int>(WEXITSTATUS(status)) : std::nullopt;
    }

    std::filesystem::path out() const { return outputs_.path() / "out"; }
    std::filesystem::path err() const { return outputs_.path() / "err"; }

private:
    // What the pipe holds now, added to the err() file.
    void copyMessages() const
    {
        if (messageReader_ < 0)
            return;
        std::ofstream copy(err(), std::ios::binary | std::ios::app);
        char bytes[4096];
        for (;;) {
            pollfd ready{messageReader_, POLLIN, 0};
            if (poll(&ready, 1, 0) != 1 || !(ready.revents & POLLIN))
                return;
            const ssize_t size = read(messageReader_, bytes, sizeof bytes);
            if (size <= 0)
                return;
            copy.write(bytes, size);
        }
    }

    TempFolder outputs_;
    pid_t child_ = -1;
    int messageReader_ = -1;
};

TEST(ListenCommand, RefusesWhatItCannotRunSafely)
{
    TempFolder folder;
    const std::string archive = (folder.path() / "archive").string();
    const std::string shared = folder.write("shared-secret", "8731946205\n").string();
    std::filesystem::permissions(shared, std::filesystem::perms(0640));
    const std::string empty = folder.write("empty-secret", "\n").string();
    std::filesystem::permissions(empty, std::filesystem::perms(0600));
    // Others could rewrite these: their own lines would pass for the server's.
    std::string writable[3];
    for (int i = 0; const unsigned mode : {0602u, 0620u, 0622u}) {
        writable[i] = folder.write("writable-secret-" + std::to_string(mode), "8731946205\n").string();
        std::filesystem::permissions(writable[i++], std::filesystem::perms(mode));
    }
    struct Row {
        const char* what;
        Strings args;
        const char* says;
    };
    const Row rows[] = {
        {"no secret and no allowed source", {"listen", "--archive", archive}, "refusing to start"},
        {"no archive", {"listen", "--allow-any"}, "--archive"},
        {"an empty secret", {"listen", "--archive", archive, "--secret", ""}, "empty"},
        {"a network that is none", {"listen", "--archive", archive, "--allow", "10.0.0.0/40"}, "not an address"},
        {"a port out of range", {"listen", "--archive", archive, "--allow-any", "--port", "65536"}, "not a port"},
        {"an unknown option", {"listen", "--archive", archive, "--allow-any", "--daemon"}, "not an option"},
        {"every IPv4 address", {"listen", "--archive", archive, "--allow", "0.0.0.0/0"}, "--allow-any"},
        {"every IPv6 address", {"listen", "--archive", archive, "--allow", "::/0"}, "--allow-any"},
        {"every address in halves",
         {"listen", "--archive", archive, "--allow", "0.0.0.0/1", "--allow", "128.0.0.0/1"},
         "--allow-any"},
        {"a secret file others can read", {"listen", "--archive", archive, "--secret-file", shared}, "chmod 600"},
        {"a secret file others can write (602)", {"listen", "--archive", archive, "--secret-file", writable[0]}, "chmod 600"},
        {"a secret file the group can write (620)", {"listen", "--archive", archive, "--secret-file", writable[1]}, "chmod 600"},
        {"a secret file both can write (622)", {"listen", "--archive", archive, "--secret-file", writable[2]}, "chmod 600"},
        {"a secret file that is not there",
         {"listen", "--archive", archive, "--secret-file", folder.string() + "/none"},
         "cannot read"},
        {"an empty secret file", {"listen", "--archive", archive, "--secret-file", empty}, "no secret"},
        {"two secrets", {"listen", "--archive", archive, "--secret", "a", "--secret-file", empty}, "one secret"},
    };
    for (const Row& row : rows) {
        const CliResult result = runCli(row.args);
        EXPECT_EQ(result.status, 2) << row.what;
        EXPECT_NE(result.err.find(row.says), std::string::npos) << row.what << ": " << result.err;
        EXPECT_FALSE(std::filesystem::exists(archive)) << row.what;
    }
}

TEST(ListenCommand, WritesUntilSignalledThenPrintsTheCounts)
{
    for (const int signal : {SIGTERM, SIGINT}) {
        TempFolder folder;
        const std::filesystem::path archive = folder.path() / "archive";
        ListenProcess listen({"--archive", archive.string(), "--bind", "127.0.0.1", "--port", "0", "--secret",
                              "s3cret", "--allow", "127.0.0.1", "--verbose"});
        const std::optional<std::uint16_t> port = listen.port();
        ASSERT_TRUE(port) << readAll(listen.err());
        UdpSender sender;
        const std::string line = "L 07/06/2001 - 20:00:00: \"Bob<1><STEAM_0:1:2><CT>\" say \"hi\"";
        ASSERT_TRUE(sender.send(*port, "garbage\x1b[2J"));
        ASSERT_TRUE(sender.send(*port, "\xFF\xFF\xFF\xFFSguess" + line));
        ASSERT_TRUE(sender.send(*port, "\xFF\xFF\xFF\xFFSs3cret" + line + "\n\0"s));
        const std::filesystem::path file = archive / ("127.0.0.1_" + std::to_string(sender.port())) / "L0706000.log";
        ASSERT_TRUE(waitUntil([&] { return readAll(file) == line + "\n"; })) << readAll(listen.err());

        EXPECT_EQ(listen.stop(signal), 0);
        const std::string out = readAll(listen.out());
        for (const char* count : {"received: 3\n", "written: 1\n", "dropped, not a log datagram: 1\n",
                                  "dropped, wrong secret: 1\n", "dropped, source not allowed: 0\n",
                                  "dropped, lost (not written): 0\n"})
            EXPECT_NE(out.find(count), std::string::npos) << count << " in\n" << out;
        // A stranger's bytes reach the terminal with their controls escaped.
        const std::string err = readAll(listen.err());
        EXPECT_NE(err.find("garbage\\x1b[2J"), std::string::npos) << err;
        EXPECT_EQ(err.find('\x1b'), std::string::npos) << err;
    }
}

TEST(ListenCommand, AMessagePipeWhoseReaderHasGoneDoesNotStopReceiving)
{
    TempFolder folder;
    const std::filesystem::path archive = folder.path() / "archive";
    ListenProcess listen({"--archive", archive.string(), "--bind", "127.0.0.1", "--port", "0", "--allow", "127.0.0.1",
                          "--verbose"},
                         Messages::ToPipe);
    const std::optional<std::uint16_t> port = listen.port();
    ASSERT_TRUE(port) << readAll(listen.err());
    listen.closeMessagePipe();
    UdpSender sender;
    const std::string line = "L 07/06/2001 - 20:00:00: \"Bob<1><STEAM_0:1:2><CT>\" say \"hi\"";
    // The drop's message is written into the pipe no one reads any more.
    ASSERT_TRUE(sender.send(*port, "garbage"));
    ASSERT_TRUE(sender.send(*port, "\xFF\xFF\xFF\xFFR" + line + "\n"));
    const std::filesystem::path file = archive / ("127.0.0.1_" + std::to_string(sender.port())) / "L0706000.log";
    EXPECT_TRUE(waitUntil([&] { return readAll(file) == line + "\n"; }));
    EXPECT_EQ(listen.stop(SIGTERM), 0);
    EXPECT_NE(readAll(listen.out()).find("written: 1\n"), std::string::npos) << readAll(listen.out());
}

// Sets an environment variable for the life of the object (the programs
// started meanwhile inherit it).
struct ScopedVariable {
    ScopedVariable(const char* name, const std::string& value) : name(name) { setenv(name, value.c_str(), 1); }
    ~ScopedVariable() { unsetenv(name); }
    const char* name;
};

TEST(ListenCommand, TheSecretComesFromAFileOrTheEnvironmentAndIsNeverShown)
{
    const std::string secret = "8731946205";
    const std::string line = "L 07/06/2001 - 20:00:00: \"Bob<1><STEAM_0:1:2><CT>\" say \"hi\"";
    enum class Way { File, Environment, Argument, AddressOnly };
    for (const Way way : {Way::File, Way::Environment, Way::Argument, Way::AddressOnly}) {
        TempFolder folder;
        const std::filesystem::path archive = folder.path() / "archive";
        Strings options = {"--archive", archive.string(), "--bind", "127.0.0.1", "--port", "0", "--verbose"};
        std::optional<ScopedVariable> variable;
        if (way == Way::File) {
            const std::filesystem::path file = folder.write("secret", secret + "\n");
            std::filesystem::permissions(file, std::filesystem::perms(0600));
            options.insert(options.end(), {"--secret-file", file.string()});
        } else if (way == Way::Environment) {
            variable.emplace("ZELKAM_LISTEN_SECRET", secret);
        } else if (way == Way::Argument) {
            options.insert(options.end(), {"--secret", secret});
        } else {
            options.insert(options.end(), {"--allow", "127.0.0.1"});
        }
        ListenProcess listen(options);
        variable.reset();
        const std::optional<std::uint16_t> port = listen.port();
        ASSERT_TRUE(port) << readAll(listen.err());
        UdpSender sender;
        const std::string framing = way == Way::AddressOnly ? "\xFF\xFF\xFF\xFFR" : "\xFF\xFF\xFF\xFFS" + secret;
        // The right secret with a line that is no log line: dropped, and
        // shown without the secret it carried.
        ASSERT_TRUE(sender.send(*port, framing + "L 07/06/2001 - no time, " + secret + "\n"));
        ASSERT_TRUE(sender.send(*port, framing + line + "\n"));
        const std::filesystem::path file = archive / ("127.0.0.1_" + std::to_string(sender.port())) / "L0706000.log";
        ASSERT_TRUE(waitUntil([&] { return readAll(file) == line + "\n"; })) << readAll(listen.err());
        EXPECT_EQ(listen.stop(SIGTERM), 0);

        const std::string err = readAll(listen.err());
        const std::string out = readAll(listen.out());
        EXPECT_NE(out.find("dropped, line without a valid time stamp: 1\n"), std::string::npos) << out;
        EXPECT_NE(out.find("lost before the receiver, socket buffer full: 0\n"), std::string::npos) << out;
        if (way != Way::AddressOnly) {
            EXPECT_EQ(err.find(secret), std::string::npos) << err;
            EXPECT_EQ(out.find(secret), std::string::npos) << out;
        }
        const bool warned = err.find("warning") != std::string::npos;
        EXPECT_EQ(warned, way == Way::Argument || way == Way::AddressOnly) << err;
        if (way == Way::Argument) {
            EXPECT_NE(err.find("ps"), std::string::npos) << err;
        }
        if (way == Way::AddressOnly) {
            EXPECT_NE(err.find("source"), std::string::npos) << err;
        }
    }
}

TEST(ListenCommand, ANewSecretGoesIntoANewFileAndTheServersLineIsPrinted)
{
    TempFolder folder;
    const std::string file = (folder.path() / "secret").string();
    const CliResult made = runCli({"listen", "--new-secret", file});
    ASSERT_EQ(made.status, 0) << made.err;
    const std::string secret = readAll(file).substr(0, readAll(file).find('\n'));
    EXPECT_GE(secret.size(), 39u) << "at least 128 bits of digits";
    EXPECT_EQ(made.out, "sv_logsecret " + secret + "\n");
    EXPECT_EQ(std::filesystem::status(file).permissions(), std::filesystem::perms(0600));

    // Never over an existing file, nor mixed with the receiver's options.
    EXPECT_EQ(runCli({"listen", "--new-secret", file}).status, 1);
    EXPECT_EQ(readAll(file), secret + "\n");
    EXPECT_EQ(runCli({"listen", "--new-secret", file + "2", "--archive", folder.string()}).status, 2);
    EXPECT_FALSE(std::filesystem::exists(file + "2"));

    // The file made is one the receiver takes.
    const std::filesystem::path archive = folder.path() / "archive";
    ListenProcess listen({"--archive", archive.string(), "--bind", "127.0.0.1", "--port", "0", "--secret-file", file});
    const std::optional<std::uint16_t> port = listen.port();
    ASSERT_TRUE(port) << readAll(listen.err());
    UdpSender sender;
    const std::string line = "L 07/06/2001 - 20:00:00: \"Bob<1><STEAM_0:1:2><CT>\" say \"hi\"";
    ASSERT_TRUE(sender.send(*port, "\xFF\xFF\xFF\xFFS" + secret + line + "\n"));
    const std::filesystem::path written = archive / ("127.0.0.1_" + std::to_string(sender.port())) / "L0706000.log";
    EXPECT_TRUE(waitUntil([&] { return readAll(written) == line + "\n"; })) << readAll(listen.err());
    EXPECT_EQ(listen.stop(SIGTERM), 0);
}

TEST(ListenCommand, AGuesserIsWarnedAboutAndHeldBackAloneWhileTheServerIsHeard)
{
    TempFolder folder;
    const std::filesystem::path archive = folder.path() / "archive";
    ListenProcess listen({"--archive", archive.string(), "--bind", "127.0.0.1", "--port", "0", "--secret", "s3cret"});
    const std::optional<std::uint16_t> port = listen.port();
    ASSERT_TRUE(port) << readAll(listen.err());
    UdpSender guesser;
    UdpSender server;
    const std::string line = "L 07/06/2001 - 20:00:00: \"Bob<1><STEAM_0:1:2><CT>\" say \"hi\"";
    // Sent in far less than the seconds it takes to earn one more judged
    // datagram.
    for (int guess = 0; guess < 20; ++guess)
        ASSERT_TRUE(guesser.send(*port, "\xFF\xFF\xFF\xFFS" + std::to_string(guess) + line));
    // Right at last, but no longer judged.
    ASSERT_TRUE(guesser.send(*port, "\xFF\xFF\xFF\xFFSs3cret" + line));
    ASSERT_TRUE(server.send(*port, "\xFF\xFF\xFF\xFFSs3cret" + line));
    const std::filesystem::path file = archive / ("127.0.0.1_" + std::to_string(server.port())) / "L0706000.log";
    ASSERT_TRUE(waitUntil([&] { return readAll(file) == line + "\n"; })) << readAll(listen.err());
    EXPECT_EQ(listen.stop(SIGTERM), 0);

    EXPECT_FALSE(std::filesystem::exists(archive / ("127.0.0.1_" + std::to_string(guesser.port()))));
    const std::string guesserText = "127.0.0.1:" + std::to_string(guesser.port());
    const std::string err = readAll(listen.err());
    const std::size_t warning = err.find(guesserText + " sent 16 datagrams with a wrong secret");
    EXPECT_NE(warning, std::string::npos) << err;
    EXPECT_EQ(err.find(guesserText, warning + 1), std::string::npos) << "warned about once\n" << err;
    const std::string out = readAll(listen.out());
    for (const std::string& count : {"written: 1\n"s, "dropped, wrong secret: 16\n"s,
                                     "dropped, held back, its source kept sending wrong secrets: 5\n"s,
                                     "wrong secrets from " + guesserText + ": 16, held back after them: 5\n"})
        EXPECT_NE(out.find(count), std::string::npos) << count << " in\n" << out;
}

TEST(ListenCommand, AllowAnyOpensEverythingOnlyWhenAsked)
{
    TempFolder folder;
    ListenProcess listen({"--archive", (folder.path() / "archive").string(), "--bind", "127.0.0.1", "--port", "0",
                          "--allow", "0.0.0.0/0", "--allow-any"});
    EXPECT_TRUE(listen.port()) << readAll(listen.err());
    EXPECT_NE(readAll(listen.err()).find("socket buffer"), std::string::npos) << readAll(listen.err());
    EXPECT_EQ(listen.stop(SIGTERM), 0);
}

TEST(ListenCommand, AStreamedFolderReadsAsTheSameEvents)
{
    ScopedTimeZone zone("UTC");
    TempFolder original;
    LogGenOptions options;
    options.seed = 11;
    options.days = 2;
    options.linesPerDay = 1000;
    options.maxPlayers = 10;
    ASSERT_TRUE(generateLogFolder(original.path(), options));

    // The server sends its files' lines in the order it writes them.
    Strings names;
    for (const auto& entry : std::filesystem::directory_iterator(original.path()))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    TempFolder archive;
    UdpSender sender;
    {
        receive::ReceivePolicy policy;
        policy.secret = "s3cret";
        ReceivingListener receiver(archive.path(), policy);
        std::uint64_t sent = 0;
        for (const std::string& name : names) {
            std::istringstream lines(readAll(original.path() / name));
            for (std::string line; std::getline(lines, line);) {
                ASSERT_TRUE(sender.send(receiver.port(), "\xFF\xFF\xFF\xFFSs3cret" + line + "\n\0"s));
                // Small bursts, so the test never depends on the socket's
                // buffer.
                if (++sent % 32 == 0) {
                    ASSERT_TRUE(receiver.waitForOutcomes(sent));
                }
            }
        }
        ASSERT_TRUE(receiver.waitForOutcomes(sent));
        receiver.stop();
        EXPECT_EQ(receiver.counts().written, sent);
    }

    const std::filesystem::path received = archive.path() / ("127.0.0.1_" + std::to_string(sender.port()));
    Strings receivedNames;
    for (const auto& entry : std::filesystem::directory_iterator(received)) {
        if (entry.path().filename() != receive::ReceiverRecordName)
            receivedNames.push_back(entry.path().filename().string());
    }
    std::sort(receivedNames.begin(), receivedNames.end());
    EXPECT_EQ(receivedNames, names);

    const CliResult days = runCli({"days", original.string()});
    ASSERT_EQ(days.status, 0) << days.err;
    EXPECT_EQ(runCli({"days", received.string()}).out, days.out);
    ASSERT_FALSE(days.lines().empty());
    for (const std::string& day : days.lines()) {
        const CliResult expected = runCli({"events", original.string(), day});
        const CliResult got = runCli({"events", received.string(), day});
        ASSERT_EQ(expected.status, 0) << expected.err;
        EXPECT_GT(expected.lines().size(), 100u) << day;
        EXPECT_EQ(got.status, 0) << got.err;
        EXPECT_EQ(got.out, expected.out) << day;
    }
}

} // namespace
} // namespace zelkam
