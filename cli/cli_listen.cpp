#include "cli/cli_listen.h"

#include <algorithm>
#include <charconv>
#include <chrono>
#include <iostream>
#include <memory>
#include <optional>

#include "cli/cli_commands.h"
#include "cli/cli_usage.h"
#include "receive/archive_writer.h"
#include "receive/listener.h"
#include "receive/rate_limit.h"
#include "views/display_text.h"

namespace zelkam::cli {
namespace {

using namespace zelkam::receive;

constexpr std::uint16_t DefaultPort = 27500;
// Enough of a dropped datagram to tell what it was.
constexpr std::size_t ShownDatagramBytes = 160;
constexpr int DropLinesPerSecond = 10;

struct ListenArguments {
    std::string archive;
    std::string bindAddress;
    std::uint16_t port = DefaultPort;
    ReceivePolicy policy;
    bool verbose = false;
};

bool parsePort(const std::string& text, std::uint16_t& port)
{
    unsigned value = 0;
    const auto [end, status] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || status != std::errc() || end != text.data() + text.size() || value > 65535)
        return false;
    port = static_cast<std::uint16_t>(value);
    return true;
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
        if (option == "--verbose") {
            parsed.verbose = true;
            continue;
        }
        static constexpr std::string_view valued[] = {"--archive", "--port", "--bind", "--secret", "--allow"};
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
        } else if (option == "--secret") {
            if (value.empty()) {
                complain("listen: the secret must not be empty");
                return std::nullopt;
            }
            parsed.policy.secret = value;
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
    if (!parsed.policy.isConfigured()) {
        complain("listen: refusing to start without --secret, --allow or --allow-any: anyone who can reach the "
                 "port could write lines into the archive");
        return std::nullopt;
    }
    return parsed;
}

std::string sourceText(const SourceAddress& source)
{
    const std::string address = addressText(source);
    return (source.isV6 ? "[" + address + "]" : address) + ":" + std::to_string(source.port);
}

void printCounts(const ReceiveCounts& counts)
{
    std::cout << "received: " << counts.received << '\n' << "written: " << counts.written << '\n';
    for (int reason = 0; reason < DropReasonCount; ++reason) {
        std::cout << "dropped, " << dropReasonText(static_cast<DropReason>(reason)) << ": "
                  << counts.dropped[static_cast<std::size_t>(reason)] << '\n';
    }
}

} // namespace

int runListen(const std::vector<std::string>& args)
{
    const std::optional<ListenArguments> parsed = parseArguments(args);
    if (!parsed)
        return UsageError;

    ArchiveWriter writer(parsed->archive);
    std::string error;
    if (!writer.prepare(error)) {
        complain(terminalTextFromUtf8(error));
        return NothingToShow;
    }
    writer.setReporter([](const std::string& problem) { complain(terminalTextFromUtf8(problem)); });

    Listener listener(parsed->policy, writer);
    if (!listener.open(parsed->bindAddress, parsed->port, true, error)) {
        complain(terminalTextFromUtf8(error));
        return NothingToShow;
    }
    if (parsed->verbose) {
        auto limit = std::make_shared<RateLimit>(DropLinesPerSecond);
        listener.setDropObserver([limit](const DropNotice& drop) {
            const auto now = std::chrono::duration_cast<std::chrono::seconds>(
                std::chrono::steady_clock::now().time_since_epoch());
            std::uint64_t heldBack = 0;
            if (!limit->allow(now.count(), heldBack))
                return;
            if (heldBack)
                complain(std::to_string(heldBack) + " more drops not shown");
            // The bytes are a stranger's: shown through the one sanitising
            // path, and only their start.
            std::string shown = terminalText(drop.datagram.substr(0, ShownDatagramBytes));
            if (drop.datagram.size() > ShownDatagramBytes)
                shown += "...";
            complain("dropped (" + std::string(dropReasonText(drop.reason)) + ", "
                     + std::to_string(drop.datagram.size()) + " bytes) from " + sourceText(drop.source) + ": "
                     + shown);
        });
    }
    complain("listening on " + listener.boundText() + ", writing under "
             + terminalTextFromUtf8(writer.archive().string()));
    std::cerr.flush();
    listener.run();
    printCounts(listener.counts());
    return Done;
}

} // namespace zelkam::cli
