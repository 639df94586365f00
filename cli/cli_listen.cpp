#include "cli/cli_listen.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <charconv>
#include <cstdlib>
#include <system_error>
#include <chrono>
#include <iostream>
#include <memory>
#include <optional>

#include "cli/cli_commands.h"
#include "cli/cli_usage.h"
#include "parse/decimal.h"
#include "receive/archive_writer.h"
#include "receive/listener.h"
#include "receive/rate_limit.h"
#include "receive/secret_file.h"
#include "text/text_out.h"

namespace zelkam::cli {
namespace {

using namespace zelkam::receive;

constexpr std::uint16_t DefaultPort = 27500;
// Enough of a dropped datagram to tell what it was.
constexpr std::size_t ShownDatagramBytes = 160;
constexpr int DropLinesPerSecond = 10;

// The environment variable that may hold the secret, out of sight of ps.
constexpr const char* SecretVariable = "ZELKAM_LISTEN_SECRET";

struct ListenArguments {
    std::string archive;
    std::string bindAddress;
    std::uint16_t port = DefaultPort;
    ReceivePolicy policy;
    bool verbose = false;
    bool groupReadable = false;
    std::vector<std::string> warnings;
};

bool parsePort(const std::string& text, std::uint16_t& port)
{
    return readNumber(text, port, {false, 0, 65535});
}

// Nothing when the arguments do not fit, with the reason told.
std::optional<ListenArguments> parseArguments(const std::vector<std::string>& args)
{
    ListenArguments parsed;
    bool haveArchive = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& option = args[i];
        if (option == "--allow-any") {
            parsed.policy.allowAny = true;
            continue;
        }
        if (option == "--verbose" || option == "--group-readable") {
            (option == "--verbose" ? parsed.verbose : parsed.groupReadable) = true;
            continue;
        }
        static constexpr std::string_view valued[] = {"--archive", "--port",  "--bind",
                                                      "--secret",  "--allow", "--secret-file"};
        if (std::find(std::begin(valued), std::end(valued), option) == std::end(valued)) {
            complain("listen: " + terminalText(option) + " is not an option");
            return std::nullopt;
        }
        if (i + 1 >= args.size()) {
            complain("listen: " + option + " needs a value");
            return std::nullopt;
        }
        const std::string& value = args[++i];
        if (option == "--archive") {
            parsed.archive = value;
            haveArchive = !value.empty();
        } else if (option == "--port") {
            if (!parsePort(value, parsed.port)) {
                complain("listen: not a port: " + terminalText(value));
                return std::nullopt;
            }
        } else if (option == "--bind") {
            parsed.bindAddress = value;
        } else if (option == "--secret" || option == "--secret-file") {
            std::string secret = value;
            std::string error;
            if (parsed.policy.secret) {
                complain("listen: give one secret, by --secret-file (or --secret)");
                return std::nullopt;
            }
            if (option == "--secret-file" && !readSecretFile(value, secret, error)) {
                complain("listen: " + terminalTextFromUtf8(error));
                return std::nullopt;
            }
            if (secret.empty()) {
                complain("listen: the secret must not be empty");
                return std::nullopt;
            }
            if (option == "--secret")
                parsed.warnings.push_back("--secret shows the secret to every user of this machine (ps); use "
                                          "--secret-file or ZELKAM_LISTEN_SECRET");
            parsed.policy.secret = secret;
        } else {
            AllowedNetwork network;
            if (!parseAllowedNetwork(value, network)) {
                complain("listen: not an address or ADDRESS/BITS: " + terminalText(value));
                return std::nullopt;
            }
            parsed.policy.allowed.push_back(network);
        }
    }
    if (!haveArchive) {
        complain("listen: --archive DIR is required");
        return std::nullopt;
    }
    if (const char* fromEnvironment = std::getenv(SecretVariable); fromEnvironment && !parsed.policy.secret) {
        if (!*fromEnvironment) {
            complain(std::string("listen: the secret must not be empty (") + SecretVariable + ")");
            return std::nullopt;
        }
        parsed.policy.secret = fromEnvironment;
    }
    if (!parsed.policy.allowAny && coversEveryAddress(parsed.policy.allowed)) {
        complain("listen: the --allow networks let every address in; give --allow-any if that is meant");
        return std::nullopt;
    }
    if (!parsed.policy.secret && !parsed.policy.allowed.empty())
        parsed.warnings.push_back("without a secret, anyone can send lines with an allowed server's address as "
                                  "their source: only the server's sv_logsecret (--secret-file) proves a line is "
                                  "the server's");
    if (!parsed.policy.isConfigured()) {
        complain("listen: refusing to start without a secret (--secret-file, ZELKAM_LISTEN_SECRET), --allow or "
                 "--allow-any: anyone who can reach the port could write lines into the archive");
        return std::nullopt;
    }
    return parsed;
}

// Sources held back for wrong secrets shown at most, the most first.
constexpr std::size_t ShownGuessers = 10;

void printCounts(const ReceiveCounts& counts, const std::vector<GuessLimit::Guesser>& guessers)
{
    std::cout << "received: " << counts.received << '\n' << "written: " << counts.written << '\n';
    for (int reason = 0; reason < DropReasonCount; ++reason) {
        std::cout << "dropped, " << dropReasonText(static_cast<DropReason>(reason)) << ": "
                  << counts.dropped[static_cast<std::size_t>(reason)] << '\n';
    }
    std::cout << "lost before the receiver, socket buffer full: " << counts.kernelDropped << '\n';
    for (std::size_t i = 0; i < guessers.size() && i < ShownGuessers; ++i) {
        std::cout << "wrong secrets from " << sourceText(guessers[i].source) << ": " << guessers[i].wrongSecrets
                  << ", held back after them: " << guessers[i].heldBack << '\n';
    }
    if (guessers.size() > ShownGuessers)
        std::cout << "wrong secrets from " << guessers.size() - ShownGuessers << " more sources\n";
}

std::string mebibytes(int bytes)
{
    const int tenths = static_cast<int>((static_cast<long long>(bytes) * 10 + (1 << 19)) >> 20);
    return std::to_string(tenths / 10) + (tenths % 10 ? "." + std::to_string(tenths % 10) : "") + " MiB";
}

// Each open file of the archive is a descriptor: the soft limit goes up to
// what the system lets this process have, so a few hundred busy servers
// keep their files open.
void raiseOpenFileLimit()
{
    rlimit limit{};
    if (::getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur >= 4096 || limit.rlim_cur == limit.rlim_max)
        return;
    limit.rlim_cur = std::min<rlim_t>(limit.rlim_max, 4096);
    ::setrlimit(RLIMIT_NOFILE, &limit);
}

// listen --new-secret FILE: a new secret into FILE, and the server's line
// for it on standard output.
int runNewSecret(const std::vector<std::string>& args)
{
    if (args.size() != 2 || args[0] != "--new-secret" || args[1].empty()) {
        complain("listen: --new-secret FILE takes no other option");
        return UsageError;
    }
    std::string secret;
    std::string error;
    if (!makeSecret(secret)) {
        complain("listen: the system gave no random bytes for a secret");
        return NothingToShow;
    }
    if (!writeNewSecretFile(args[1], secret, error)) {
        complain("listen: " + terminalTextFromUtf8(error));
        return NothingToShow;
    }
    std::cout << "sv_logsecret " << secret << '\n';
    complain("wrote a new secret into " + terminalTextFromUtf8(args[1])
             + "; give the server the line above (its console, and server.cfg) and start the receiver with "
               "--secret-file "
             + terminalTextFromUtf8(args[1]));
    return Done;
}

} // namespace

int runListen(const std::vector<std::string>& args)
{
    if (std::find(args.begin(), args.end(), "--new-secret") != args.end())
        return runNewSecret(args);
    // The receiver's messages may go to a pipe whose reader has gone (a
    // pager closed, "| head"): the write fails, and receiving goes on.
    ::signal(SIGPIPE, SIG_IGN);
    const std::optional<ListenArguments> parsed = parseArguments(args);
    if (!parsed)
        return UsageError;
    for (const std::string& warning : parsed->warnings)
        complain("listen: warning: " + warning);

    raiseOpenFileLimit();
    ArchiveWriter writer(parsed->archive, parsed->groupReadable);
    std::string error;
    if (!writer.prepare(error)) {
        complain(terminalTextFromUtf8(error));
        return NothingToShow;
    }
    writer.setReporter([](const std::string& problem) { complain(terminalTextFromUtf8(problem)); });

    Listener listener(parsed->policy, writer);
    listener.setReporter([](const std::string& notice) { complain("warning: " + notice); });
    if (!listener.open(parsed->bindAddress, parsed->port, true, error)) {
        complain(terminalTextFromUtf8(error));
        return NothingToShow;
    }
    if (parsed->verbose) {
        auto limit = std::make_shared<RateLimit>(DropLinesPerSecond);
        listener.setDropObserver([limit, policy = parsed->policy](const DropNotice& drop) {
            const auto now = std::chrono::duration_cast<std::chrono::seconds>(
                std::chrono::steady_clock::now().time_since_epoch());
            std::uint64_t heldBack = 0;
            if (!limit->allow(now.count(), heldBack))
                return;
            if (heldBack)
                complain(std::to_string(heldBack) + " more drops not shown");
            // The bytes are a stranger's: shown through the one sanitising
            // path, only their start, and never a secret they carried.
            const std::string raw = shownDatagram(policy, drop.datagram, ShownDatagramBytes + 1);
            std::string shown = terminalText(std::string_view(raw).substr(0, ShownDatagramBytes));
            if (raw.size() > ShownDatagramBytes)
                shown += "...";
            complain("dropped (" + std::string(dropReasonText(drop.reason)) + ", "
                     + std::to_string(drop.datagram.size()) + " bytes) from " + sourceText(drop.source) + ": "
                     + shown);
        });
    }
    const int granted = listener.receiveBufferBytes();
    complain("listening on " + listener.boundText() + ", writing under "
             + terminalTextFromUtf8(writer.archive().string()) + "; socket buffer " + mebibytes(granted)
             + (granted < Listener::askedReceiveBufferBytes()
                    ? " of " + mebibytes(Listener::askedReceiveBufferBytes()) + " asked (net.core.rmem_max limits it)"
                    : ""));
    std::cerr.flush();
    listener.run();
    printCounts(listener.counts(), listener.guessers());
    return Done;
}

} // namespace zelkam::cli
