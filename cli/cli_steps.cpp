#include "cli/cli_steps.h"

#include <charconv>
#include <limits>

#include "cli/cli_dates.h"
#include "parse/decimal.h"

namespace zelkam::cli {
namespace {

constexpr int LastCommandId = 15;

// A whole number without a sign, as large as it is written; callers tell
// "not a number" from "out of range" themselves.
constexpr NumberFormat Unsigned{false, 0, std::numeric_limits<std::int64_t>::max()};


} // namespace

bool parseSearchKind(std::string_view text, SearchKind& kind)
{
    if (text == "player")
        kind = SearchKind::Player;
    else if (text == "chat")
        kind = SearchKind::Chat;
    else if (text == "rconuser")
        kind = SearchKind::RconUser;
    else if (text == "rconcmd")
        kind = SearchKind::RconCmd;
    else
        return false;
    return true;
}

std::optional<ReplayStep> parseReplayStep(std::string_view text, std::string& rule)
{
    ReplayStep step;
    step.text = std::string(text);
    const std::size_t colon = text.find(':');
    const std::string_view name = text.substr(0, colon);
    const std::string_view argument = colon == std::string_view::npos ? std::string_view() : text.substr(colon + 1);
    const bool hasArgument = colon != std::string_view::npos;
    const auto refuse = [&rule](const char* why) -> std::optional<ReplayStep> {
        rule = why;
        return std::nullopt;
    };

    if (name == "tick") {
        step.kind = ReplayStep::Kind::Tick;
        step.value = 1;
        if (hasArgument && !readNumber(argument, step.value, Unsigned))
            return refuse("N must be a whole number");
        if (step.value < 1)
            return refuse("N must be 1 or more");
        if (step.value > std::numeric_limits<std::int32_t>::max())
            return refuse("N must be at most 2147483647");
        return step;
    }
    if (name == "cmd") {
        step.kind = ReplayStep::Kind::Command;
        if (!hasArgument || !readNumber(argument, step.value, {false, 0, LastCommandId}))
            return refuse("ID must be a number from 0 to 15");
        // The ids of the viewer's playback buttons, << to >>>; the others
        // only stop a rewind.
        constexpr PlaybackCommand byId[] = {PlaybackCommand::Rewind, PlaybackCommand::Pause, PlaybackCommand::Play,
                                            PlaybackCommand::Fast, PlaybackCommand::Fastest};
        if (step.value >= 1 && step.value <= 5)
            step.command = byId[step.value - 1];
        return step;
    }
    if (name == "seek") {
        step.kind = ReplayStep::Kind::Seek;
        if (!hasArgument || !readTimeOfDay(argument, step.value))
            return refuse("the time must be HH:MM:SS, minutes and seconds below 60");
        return step;
    }
    if (name == "minute") {
        step.kind = ReplayStep::Kind::Minute;
        if (!hasArgument
            || !readNumber(argument, step.value,
                           {true, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()}))
            return refuse("M must be a whole number");
        return step;
    }
    if (name == "find" || name == "findcase") {
        step.kind = ReplayStep::Kind::Find;
        step.matchCase = name == "findcase";
        const std::size_t second = argument.find(':');
        if (!hasArgument || second == std::string_view::npos)
            return refuse("write KIND:PAT after the step's name, PAT may be empty");
        if (!parseSearchKind(argument.substr(0, second), step.searchKind))
            return refuse("KIND must be player, chat, rconuser or rconcmd");
        step.pattern = std::string(argument.substr(second + 1));
        return step;
    }
    if (name == "day") {
        step.kind = ReplayStep::Kind::Day;
        if (!hasArgument || !isWrittenAsDate(argument))
            return refuse("DATE must be DD/MM/YYYY");
        step.date = std::string(argument);
        return step;
    }
    return refuse("a step is tick, tick:N, cmd:ID, seek:HH:MM:SS, minute:M, find:KIND:PAT, findcase:KIND:PAT or "
                  "day:DATE");
}

std::optional<ReplayStep> parseReplayStep(std::string_view text)
{
    std::string rule;
    return parseReplayStep(text, rule);
}

} // namespace zelkam::cli
