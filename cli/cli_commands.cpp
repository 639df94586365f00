#include "cli/cli_commands.h"

#include <algorithm>
#include <cstdio>
#include <iostream>
#include <limits>
#include <memory>
#include <optional>

#include "cli/cli_dates.h"
#include "cli/cli_json.h"
#include "cli/cli_options.h"
#include "cli/cli_servers.h"
#include "cli/cli_steps.h"
#include "cli/cli_usage.h"
#include "cli/cli_warnings.h"
#include "history/window_replay.h"
#include "replay/loaded_day.h"
#include "replay/viewer_state.h"
#include "text/text_encoding.h"
#include "text/text_out.h"

namespace zelkam::cli {
namespace {

// Scans the folder into day and finds the day written as date among its
// days. None, with the reason told on standard error, when the folder holds
// no logs or the date is not a day of the folder.
std::optional<std::int32_t> listFolderDay(LoadedDay& day, const std::string& folder, const std::string& date)
{
    if (!loadLogFolder(day, folder))
        return std::nullopt;
    const std::optional<std::size_t> index = dayIndexOf(day.days(), date);
    if (!index) {
        complain(date + " is not a day of " + quotedArgument(folder));
        return std::nullopt;
    }
    return day.days()[*index];
}

// How loading a day of a folder ended.
enum class DayLoad {
    // The folder holds no logs or the date is not a day of it; the reason
    // is told on standard error.
    NotADay,
    // The day is listed but none of its logs could be read.
    Unreadable,
    Loaded,
};

// Scans the folder and loads the day written as date, as the viewer's date
// selector would; see listFolderDay.
DayLoad loadFolderDay(ViewerState& state, const std::string& folder, const std::string& date)
{
    auto day = std::make_unique<LoadedDay>();
    const std::optional<std::int32_t> midnight = listFolderDay(*day, folder, date);
    state.takeOver(std::move(day));
    if (!midnight)
        return DayLoad::NotADay;
    return state.loadDay(*midnight) ? DayLoad::Loaded : DayLoad::Unreadable;
}

bool runStep(ViewerState& state, const ReplayStep& step, bool& dayListed)
{
    switch (step.kind) {
    case ReplayStep::Kind::Tick: {
        bool result = false;
        for (std::int64_t i = 0; i < step.value; ++i)
            result = state.tick();
        return result;
    }
    case ReplayStep::Kind::Command:
        state.command(step.command);
        return true;
    case ReplayStep::Kind::Seek: {
        const std::int64_t target = std::int64_t{state.dayStart()} + step.value;
        state.seek(static_cast<std::int32_t>(std::min<std::int64_t>(target, std::numeric_limits<std::int32_t>::max())));
        return true;
    }
    case ReplayStep::Kind::Minute:
        state.seekMinute(static_cast<std::int32_t>(step.value));
        return true;
    case ReplayStep::Kind::Find:
        return state.find(step.searchKind, step.pattern, step.matchCase);
    case ReplayStep::Kind::Day: {
        const std::optional<std::size_t> index = dayIndexOf(state.days(), step.date);
        dayListed = index.has_value();
        return index && state.loadDayAt(*index);
    }
    }
    return false;
}

} // namespace

std::unique_ptr<LoadedDay> loadReadableDay(const std::string& folder, const std::string& date)
{
    // The folder's files and days and the window are large: on the heap.
    auto day = std::make_unique<LoadedDay>();
    const std::optional<std::int32_t> midnight = listFolderDay(*day, folder, date);
    if (!midnight)
        return nullptr;
    if (!day->read(*midnight)) {
        complain("cannot read the logs of " + date);
        return nullptr;
    }
    return day;
}

int runDays(const std::vector<std::string>& args)
{
    if (!checkArguments("days", args, {"FOLDER"}))
        return UsageError;
    std::string folder = args[0];
    if (!resolveServerFolder(folder))
        return UsageError;
    LoadedDay listed;
    if (!loadLogFolder(listed, folder))
        return NothingToShow;
    for (std::int32_t day : listed.days())
        std::cout << dateText(day) << '\n';
    return Done;
}

int runEvents(const std::vector<std::string>& given)
{
    // --all-kinds and --hide-addresses may stand anywhere.
    std::vector<std::string> args = given;
    const bool allKinds = std::erase(args, std::string("--all-kinds")) > 0;
    AddressNames addresses;
    if (!takeHideAddresses(args, addresses))
        return NothingToShow;
    if (!checkArguments("events", args, {"FOLDER", "DATE"}) || !resolveServerFolder(args[0]))
        return UsageError;
    const std::unique_ptr<LoadedDay> day = loadReadableDay(args[0], args[1]);
    if (!day)
        return NothingToShow;
    const FilesCutShortWarning warning(day->folder());
    if (!allKinds) {
        for (const LogEvent& event : day->events())
            std::cout << eventJson(event, addresses) << '\n';
        return Done;
    }
    // The same window read again by a parser that makes every kind, the
    // lines the replay does not play among them.
    LogFileList files = day->folder().files();
    LogParser parser;
    parser.setAllKinds(true);
    WindowReader reader;
    const std::int64_t start = addLocalDays(day->dayStart(), -1);
    reader.readWindow(files, parser, static_cast<std::int32_t>(std::max<std::int64_t>(
                                         start, std::numeric_limits<std::int32_t>::min())), 2);
    for (const LogEvent& event : parser.events())
        std::cout << eventJson(event, addresses, true) << '\n';
    return Done;
}

int runReplay(const std::vector<std::string>& given)
{
    // --hide-addresses may stand anywhere.
    std::vector<std::string> args = given;
    AddressNames addresses;
    if (!takeHideAddresses(args, addresses))
        return NothingToShow;
    // FOLDER and DATE; the STEPs after them are checked one by one below.
    const auto fixedCount = static_cast<std::ptrdiff_t>(std::min<std::size_t>(args.size(), 2));
    std::vector<std::string> fixed(args.begin(), args.begin() + fixedCount);
    if (!checkArguments("replay", fixed, {"FOLDER", "DATE"}) || !resolveServerFolder(fixed[0]))
        return UsageError;
    std::vector<ReplayStep> steps;
    for (std::size_t i = 2; i < args.size(); ++i) {
        std::string rule;
        std::optional<ReplayStep> step = parseReplayStep(args[i], rule);
        if (!step)
            return usageError("unknown step " + quotedArgument(args[i]) + ": " + rule);
        steps.push_back(std::move(*step));
    }
    // The model is large (its snapshots alone hold 24 copies of the
    // recent-player ring): on the heap.
    auto state = std::make_unique<ViewerState>();
    const FilesCutShortWarning warning(*state);
    const DayLoad load = loadFolderDay(*state, fixed[0], args[1]);
    if (load == DayLoad::NotADay)
        return NothingToShow;
    // A day whose logs cannot be read still runs its steps, as an empty
    // day; its first line says false.
    std::cout << viewJson("load", load == DayLoad::Loaded, *state, addresses) << '\n';
    for (const ReplayStep& step : steps) {
        bool dayListed = true;
        const bool result = runStep(*state, step, dayListed);
        if (!dayListed) {
            complain(step.date + " is not a day of " + quotedArgument(fixed[0]));
            return NothingToShow;
        }
        std::cout << viewJson(step.text, result, *state, addresses) << '\n';
    }
    return Done;
}

int runChat(const std::vector<std::string>& args)
{
    if (!checkArguments("chat", args, {"FOLDER", "DATE"}))
        return UsageError;
    std::string folder = args[0];
    if (!resolveServerFolder(folder))
        return UsageError;
    const std::unique_ptr<LoadedDay> day = loadReadableDay(folder, args[1]);
    if (!day)
        return NothingToShow;
    const FilesCutShortWarning warning(day->folder());
    // The day plays from its first event up to its end, where playback and
    // search stop too: the first event of the next day, or the last loaded
    // event.
    WindowReplay replay;
    if (!day->hasDay() || !replay.start(day->events(), day->dayStart()))
        return Done;
    std::string text;
    while (!replay.atEnd()) {
        if (!replay.applyNext())
            continue;
        const ChatRing& lines = replay.live().chatLines;
        const ChatLine& line = lines[lines.size() - 1];
        text.clear();
        appendTerminalText(text, line.text);
        std::cout << formatTimeOfDay(line.time) << ' ' << text << '\n';
    }
    return Done;
}

} // namespace zelkam::cli
