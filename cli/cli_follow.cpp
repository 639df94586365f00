#include "cli/cli_follow.h"

#include <chrono>
#include <csignal>
#include <filesystem>
#include <iostream>
#include <memory>
#include <optional>
#include <thread>

#include "cli/cli_commands.h"
#include "cli/cli_dates.h"
#include "cli/cli_json.h"
#include "cli/cli_options.h"
#include "cli/cli_servers.h"
#include "cli/cli_usage.h"
#include "cli/cli_warnings.h"
#include "ingest/open_file.h"
#include "parse/time_stamp.h"
#include "replay/live_transcript.h"
#include "text/text_out.h"

namespace zelkam::cli {
namespace {

// How often the folder is looked at: well within the second in which a
// new line must show.
constexpr long PollMilliseconds = 250;

volatile std::sig_atomic_t stopRequested = 0;

extern "C" void requestStop(int) { stopRequested = 1; }

void installStopHandlers()
{
#if defined(__unix__) || defined(__APPLE__)
    struct sigaction action {};
    action.sa_handler = requestStop;
    sigemptyset(&action.sa_mask);
    // No SA_RESTART: a signal cuts the wait short.
    action.sa_flags = 0;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
#else
    // The Windows runtime calls the handler on a thread of its own for
    // Ctrl+C; the wait below is short enough to notice the flag in time.
    std::signal(SIGINT, requestStop);
    std::signal(SIGTERM, requestStop);
#endif
}

void waitAWhile()
{
    if (stopRequested)
        return;
    std::this_thread::sleep_for(std::chrono::milliseconds(PollMilliseconds));
}

enum class Kind { Chat, Events };

// Prints one event as "chat" or "events" prints it, one flushed line.
void printEvent(const LiveState& live, Kind kind, const AddressNames& addresses, const LogEvent& event,
                bool composed)
{
    if (kind == Kind::Events) {
        std::cout << eventJson(event, addresses) << '\n' << std::flush;
        return;
    }
    if (!composed)
        return;
    const ChatLine& line = live.chatLines[live.chatLines.size() - 1];
    std::string text;
    appendTerminalText(text, addresses.textWithin(line.text));
    std::cout << formatTimeOfDay(line.time) << ' ' << text << '\n' << std::flush;
}

} // namespace

int runFollow(const std::vector<std::string>& given)
{
    // --hide-addresses may stand anywhere.
    std::vector<std::string> args = given;
    AddressNames addresses;
    if (!takeHideAddresses(args, addresses))
        return NothingToShow;
    std::optional<std::string> folder;
    std::optional<std::int32_t> fromDay;
    Kind kind = Kind::Chat;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--from" || arg == "--kind") {
            if (i + 1 == args.size())
                return usageError(arg + " needs a value");
            const std::string& value = args[++i];
            if (arg == "--from") {
                std::int32_t first = 0;
                std::int32_t last = 0;
                if (!readRangeDate(arg, value, first, last))
                    return UsageError;
                fromDay = first;
            } else if (value == "chat") {
                kind = Kind::Chat;
            } else if (value == "events") {
                kind = Kind::Events;
            } else {
                return usageError(quotedArgument(value) + " is not one of chat and events");
            }
        } else if (arg.size() > 2 && arg.rfind("--", 0) == 0) {
            return usageError("unknown option " + quotedArgument(arg)
                              + " (follow takes --from, --kind and --hide-addresses)");
        } else if (!folder) {
            folder = arg;
        } else {
            return usageError("follow: unexpected argument " + quotedArgument(arg));
        }
    }
    if (!folder)
        return usageError("follow: missing FOLDER");
    if (!resolveServerFolder(*folder))
        return UsageError;

    installStopHandlers();
    LiveTranscript transcript(*folder, fromDay);
    const auto print = [&](const LogEvent& event, bool composed) { printEvent(transcript.live(), kind, addresses, event, composed); };
    const auto keepGoing = [] { return !stopRequested; };
    std::size_t warned = 0;
    while (!stopRequested) {
        switch (transcript.look(print, keepGoing)) {
        case LiveTranscript::Look::NotAFolder:
            complain(*folder + " is not a folder (any more)");
            return NothingToShow;
        case LiveTranscript::Look::Gone:
            complain(*folder + " is gone");
            return NothingToShow;
        case LiveTranscript::Look::Waiting:
        case LiveTranscript::Look::Taken:
            break;
        }
        // Files cut short (damaged archives, read errors) are told as they
        // are found, as chat tells them.
        if (const auto& cut = transcript.day().folder().filesCutShort(); cut.size() > warned) {
            warnAboutFilesCutShort({cut.begin() + static_cast<std::ptrdiff_t>(warned), cut.end()});
            warned = cut.size();
        }
        waitAWhile();
    }
    return Done;
}

} // namespace zelkam::cli
