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
#include "cli/cli_usage.h"
#include "cli/cli_warnings.h"
#include "ingest/open_file.h"
#include "parse/time_stamp.h"
#include "replay/viewer_state.h"
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

bool isFolder(const std::string& folder)
{
    return pathKind(folder.empty() ? std::filesystem::path(".") : pathFromUtf8(folder)) == PathKind::Folder;
}

enum class Kind { Chat, Events };

// Where printing has got to in the day, by what survives the day being read
// again: the time of the last event taken and how many events of that second
// came before it. An index would not do: a file emptied and written again, or
// moved away and back, gives the same events other indices for a while.
struct PrintedUpTo {
    bool any = false;
    std::int32_t time = 0;
    std::size_t ordinal = 0;
};

// The position of events[at] within its second.
std::size_t ordinalInSecond(const EventList& events, std::size_t at, std::size_t first)
{
    std::size_t ordinal = 0;
    while (at > first + ordinal && events[at - ordinal - 1].time == events[at].time)
        ++ordinal;
    return ordinal;
}

bool isPrinted(const PrintedUpTo& printed, std::int32_t time, std::size_t ordinal)
{
    return printed.any && (time < printed.time || (time == printed.time && ordinal <= printed.ordinal));
}

class Transcript {
public:
    explicit Transcript(Kind kind) : kind_(kind) {}

    // Prints the loaded day's events from the cursor up to where the day
    // ends for now, as "chat" or "events" prints them, one flushed line
    // each. After the day was read again, the events already printed are
    // taken without a word until the first one that was not.
    void printOn(ViewerState& state)
    {
        std::string text;
        while (!stopRequested && !state.isEmptyDay() && state.cursor() < state.dayPlayEnd()) {
            const std::size_t at = state.cursor();
            const LogEvent& event = state.events()[at];
            const bool composed = state.applyNext();
            if (catchingUp_) {
                if (isPrinted(printed_, event.time, ordinalInSecond(state.events(), at, state.dayFirstEvent())))
                    continue;
                catchingUp_ = false;
            }
            if (kind_ == Kind::Events) {
                std::cout << eventJson(event) << '\n' << std::flush;
                continue;
            }
            if (!composed)
                continue;
            const ChatLine& line = state.live().chatLines[state.live().chatLines.size() - 1];
            text.clear();
            appendTerminalText(text, line.text);
            std::cout << formatTimeOfDay(line.time) << ' ' << text << '\n' << std::flush;
        }
    }

    // Called before the folder is looked at: notes where printing got to.
    void notePrinted(const ViewerState& state)
    {
        if (catchingUp_ || state.isEmptyDay() || state.cursor() <= state.dayFirstEvent())
            return;
        const std::size_t last = state.cursor() - 1;
        printed_ = {true, state.events()[last].time, ordinalInSecond(state.events(), last, state.dayFirstEvent())};
    }

    // After the day was read again (a file replaced, shortened, emptied,
    // moved away and back): goes on from the first event not printed yet,
    // and keeps passing over printed ones that come back later.
    void resume(ViewerState& state)
    {
        catchingUp_ = printed_.any;
        state.replayTo(state.isEmptyDay() ? 0 : state.dayFirstEvent());
    }

    // A new day: nothing of it is printed yet.
    void startDay()
    {
        printed_ = {};
        catchingUp_ = false;
    }

private:
    Kind kind_;
    PrintedUpTo printed_;
    bool catchingUp_ = false;
};

} // namespace

int runFollow(const std::vector<std::string>& args)
{
    std::optional<std::string> folder;
    std::optional<std::string> from;
    Kind kind = Kind::Chat;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--from" || arg == "--kind") {
            if (i + 1 == args.size())
                return UsageError;
            const std::string& value = args[++i];
            if (arg == "--from") {
                if (!isWrittenAsDate(value))
                    return UsageError;
                from = value;
            } else if (value == "chat") {
                kind = Kind::Chat;
            } else if (value == "events") {
                kind = Kind::Events;
            } else {
                return UsageError;
            }
        } else if (arg.size() > 2 && arg.rfind("--", 0) == 0) {
            return UsageError;
        } else if (!folder) {
            folder = arg;
        } else {
            return UsageError;
        }
    }
    if (!folder)
        return UsageError;
    std::optional<std::int32_t> fromDay;
    if (from) {
        fromDay = midnightOfDate(*from);
        if (!fromDay)
            return UsageError;
    }

    installStopHandlers();
    // The model is large: on the heap.
    auto state = std::make_unique<ViewerState>();
    // A server that has not logged anything yet is waited for.
    while (!stopRequested) {
        if (!isFolder(*folder)) {
            complain(*folder + " is not a folder (any more)");
            return NothingToShow;
        }
        if (state->loadFolder(*folder) || !state->days().empty())
            break;
        waitAWhile();
    }

    // The first day shown: the newest, or the first from --from on.
    std::size_t index = state->days().empty() ? 0 : state->days().size() - 1;
    if (fromDay) {
        index = 0;
        while (index + 1 < state->days().size() && state->days()[index] < *fromDay)
            ++index;
    }
    bool loaded = false;
    std::size_t warned = 0;
    Transcript transcript(kind);
    while (!stopRequested) {
        if (!loaded && index < state->days().size()) {
            state->followDay(state->days()[index]);
            transcript.startDay();
            loaded = true;
        }
        transcript.printOn(*state);
        // Files cut short (damaged archives, read errors) are told as they
        // are found, as chat tells them.
        if (const auto& cut = state->folder().filesCutShort(); cut.size() > warned) {
            warnAboutFilesCutShort({cut.begin() + static_cast<std::ptrdiff_t>(warned), cut.end()});
            warned = cut.size();
        }
        // The server's next day has begun: what was left of this one has
        // been printed, so go on with the day after it.
        if (loaded && !state->days().empty() && state->days()[state->days().size() - 1] > state->dayStart()) {
            index = 0;
            while (state->days()[index] <= state->dayStart())
                ++index;
            loaded = false;
            continue;
        }
        waitAWhile();
        if (stopRequested)
            break;
        transcript.notePrinted(*state);
        const LiveUpdate update = state->follow();
        if (update.folderGone) {
            complain(*folder + " is gone");
            return NothingToShow;
        }
        if (update.viewChanged)
            transcript.resume(*state);
        if (!loaded && !state->days().empty())
            index = std::min(index, state->days().size() - 1);
    }
    return Done;
}

} // namespace zelkam::cli
