#include "cli/cli_steps.h"

#include <gtest/gtest.h>

namespace zelkam::cli {
namespace {

using Kind = ReplayStep::Kind;

// What each STEP of "zelkam-cli replay" reads as, and the rule a malformed
// one is refused with, at the edges of every argument.
TEST(ReplaySteps, ReadEachStepOrNameTheRuleItBreaks)
{
    const struct {
        const char* text;
        bool read;
        Kind kind;
        std::int64_t value;
        PlaybackCommand command;
        // The pattern of a find, the date of a day; the rule of a refusal.
        const char* detail;
    } cases[] = {
        {"tick", true, Kind::Tick, 1, PlaybackCommand::None, ""},
        {"tick:2147483647", true, Kind::Tick, 2147483647, PlaybackCommand::None, ""},
        {"tick:2147483648", false, Kind::Tick, 0, PlaybackCommand::None, "N must be at most 2147483647"},
        {"tick:0", false, Kind::Tick, 0, PlaybackCommand::None, "N must be 1 or more"},
        {"tick:-1", false, Kind::Tick, 0, PlaybackCommand::None, "N must be a whole number"},
        {"tick:", false, Kind::Tick, 0, PlaybackCommand::None, "N must be a whole number"},
        {"cmd:1", true, Kind::Command, 1, PlaybackCommand::Rewind, ""},
        {"cmd:5", true, Kind::Command, 5, PlaybackCommand::Fastest, ""},
        // The other ids only stop a rewind, as the viewer's do.
        {"cmd:0", true, Kind::Command, 0, PlaybackCommand::None, ""},
        {"cmd:15", true, Kind::Command, 15, PlaybackCommand::None, ""},
        {"cmd:16", false, Kind::Command, 0, PlaybackCommand::None, "ID must be a number from 0 to 15"},
        {"cmd", false, Kind::Command, 0, PlaybackCommand::None, "ID must be a number from 0 to 15"},
        {"seek:23:59:59", true, Kind::Seek, 86399, PlaybackCommand::None, ""},
        {"seek:10:60:00", false, Kind::Seek, 0, PlaybackCommand::None,
         "the time must be HH:MM:SS, minutes and seconds below 60"},
        {"minute:-5", true, Kind::Minute, -5, PlaybackCommand::None, ""},
        {"minute:ten", false, Kind::Minute, 0, PlaybackCommand::None, "M must be a whole number"},
        {"find:chat:a:b", true, Kind::Find, 0, PlaybackCommand::None, "a:b"},
        {"find:rconcmd:", true, Kind::Find, 0, PlaybackCommand::None, ""},
        {"find:chat", false, Kind::Find, 0, PlaybackCommand::None,
         "write KIND:PAT after the step's name, PAT may be empty"},
        {"find:words:x", false, Kind::Find, 0, PlaybackCommand::None, "KIND must be player, chat, rconuser or rconcmd"},
        {"day:07/06/2001", true, Kind::Day, 0, PlaybackCommand::None, "07/06/2001"},
        {"day:7/6/2001", false, Kind::Day, 0, PlaybackCommand::None, "DATE must be DD/MM/YYYY"},
        {"jump", false, Kind::Tick, 0, PlaybackCommand::None,
         "a step is tick, tick:N, cmd:ID, seek:HH:MM:SS, minute:M, find:KIND:PAT, findcase:KIND:PAT or day:DATE"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        std::string rule;
        const std::optional<ReplayStep> step = parseReplayStep(c.text, rule);
        ASSERT_EQ(step.has_value(), c.read) << rule;
        if (!c.read) {
            EXPECT_EQ(rule, c.detail);
            continue;
        }
        EXPECT_EQ(step->text, c.text);
        EXPECT_EQ(step->kind, c.kind);
        EXPECT_EQ(step->command, c.command);
        if (c.kind == Kind::Find) {
            EXPECT_EQ(step->pattern, c.detail);
        } else if (c.kind == Kind::Day) {
            EXPECT_EQ(step->date, c.detail);
        } else {
            EXPECT_EQ(step->value, c.value);
        }
    }
    // findcase is find with the case kept.
    EXPECT_TRUE(parseReplayStep("findcase:player:Bob")->matchCase);
    EXPECT_FALSE(parseReplayStep("find:player:Bob")->matchCase);
}

} // namespace
} // namespace zelkam::cli
